// sorrel prefix: replaces one number prefix by another in every number.
#include <string>
#include <vector>

#include "Book.h"
#include "Command.h"
#include "Rewrite.h"

namespace {

const char kDescription[] =
    "Replaces the prefix OLD by NEW in the main number and the number items\n"
    "(office, mobile, home, fax, other, pager, info 1 to 4) of every entry, in\n"
    "place: a number that begins with OLD (byte for byte, case-sensitive) gets NEW\n"
    "instead. An empty OLD puts NEW in front of every number. Every location is\n"
    "rewritten.\n";

int Run(const tool::Args& args) {
  tool::RewriteOptions options;
  options.dryRun = args.Has("--dry-run");
  options.backup = !args.Has("--no-backup");
  const std::vector<std::string>& operands = args.Operands();
  CString oldPrefix, newPrefix;
  std::string error;
  if (!tool::FromUtf8(operands[1], oldPrefix, error) || !tool::FromUtf8(operands[2], newPrefix, error))
    return tool::Fail("prefix", error);
  return tool::RewriteNumbers("prefix", operands[0], options,
                              [&](CEntry& entry) { entry.ChangePrefixes(oldPrefix, newPrefix); });
}

const tool::CommandSpec kSpec{
    "prefix", "replace a number prefix in every number, in place", "BOOK OLD NEW", 3, 3, kDescription,
    {{"--dry-run", nullptr, "print what would change, write nothing"}, {"--no-backup", nullptr, "do not keep the original as BOOK~"}},
    "Prints each changed entry with its old and new numbers. Only changed entries\n"
    "get new lines; the rest of the file stays byte for byte.\n"
    "Exit status: 0 done, 2 usage or I/O error.\n",
    &Run};

}  // namespace

SORREL_COMMAND(kSpec);
