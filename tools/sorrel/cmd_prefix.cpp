// sorrel prefix: replaces one number prefix by another in every number.
#include <string>
#include <vector>

#include "Book.h"
#include "Command.h"
#include "Rewrite.h"

namespace {

const char kUsage[] =
    "usage: sorrel prefix BOOK OLD NEW [--dry-run] [--no-backup]\n"
    "\n"
    "Replaces the prefix OLD by NEW in the main number and the number items\n"
    "(office, mobile, home, fax, other, pager, info 1 to 4) of every entry, in\n"
    "place: a number that begins with OLD (byte for byte, case-sensitive) gets NEW\n"
    "instead. An empty OLD puts NEW in front of every number. Every location is\n"
    "rewritten.\n"
    "\n"
    "  --dry-run    print what would change, write nothing\n"
    "  --no-backup  do not keep the original as BOOK~\n"
    "\n"
    "Prints each changed entry with its old and new numbers. Only changed entries\n"
    "get new lines; the rest of the file stays byte for byte.\n"
    "Exit status: 0 done, 2 usage or I/O error.\n";

int Run(const std::vector<std::string>& args) {
  tool::RewriteOptions options;
  std::vector<std::string> operands;
  for (const std::string& a : args) {
    if (a == "--dry-run")
      options.dryRun = true;
    else if (a == "--no-backup")
      options.backup = false;
    else if (a.size() > 1 && a[0] == '-' && a[1] == '-')
      return tool::Fail("prefix", "unknown option '" + a + "' (see --help)");
    else
      operands.push_back(a);  // prefixes may start with '-' or '+'
  }
  if (operands.size() != 3) return tool::Fail("prefix", "needs BOOK OLD NEW (see --help)");
  const CString oldPrefix = tool::FromUtf8(operands[1]);
  const CString newPrefix = tool::FromUtf8(operands[2]);
  return tool::RewriteNumbers("prefix", operands[0], options,
                              [&](CEntry& entry) { entry.ChangePrefixes(oldPrefix, newPrefix); });
}

}  // namespace

SORREL_COMMAND("prefix", "replace a number prefix in every number, in place", kUsage, &Run);
