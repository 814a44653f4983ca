// sorrel search: the entries in which a text occurs.
#include <cstdio>
#include <string>
#include <vector>

#include "Book.h"
#include "Command.h"
#include "Table.h"

namespace {

const char kDescription[] =
    "Prints the entries in which TEXT occurs, as sorrel show shows them. Searched\n"
    "are the name, the number, the surname (of entries that keep name and surname\n"
    "apart) and every text item but the synchronisation identifier; the group, the\n"
    "birthday, the location and the position are not. Letters are compared in\n"
    "upper case, Czech letters included (\"nov\" finds \"Novák\"), unless\n"
    "--case-sensitive is given. An empty TEXT matches every entry; empty slots are\n"
    "no entries.\n";

int Run(const tool::Args& args) {
  const int caseSensitive = args.Has("--case-sensitive") ? 1 : 0;
  tool::TableOptions options;
  const std::vector<std::string>& operands = args.Operands();
  std::string error;
  for (const std::string& list : args.Values("--columns"))
    if (!tool::ParseColumnList(list, options.extraColumns, error)) return tool::Fail("search", "--columns: " + error);
  CString text;
  if (!tool::FromUtf8(operands[1], text, error)) return tool::Fail("search", error);

  tool::PhoneBook book;
  if (!book.Load(operands[0], error)) return tool::Fail("search", error);

  // Empty slots are no entries: they are neither searched nor counted.
  std::vector<CEntry*> matches;
  size_t entries = 0;
  for (const tool::Slot& slot : book.slots) {
    CEntry& entry = *slot.entry;
    if (entry.IsEmpty()) continue;
    ++entries;
    if (entry.ContainsSubstr(text, caseSensitive)) matches.push_back(&entry);
  }
  if (!matches.empty()) tool::PrintTable(stdout, matches, &book.groups, options);
  std::fprintf(stderr, "%s: %zu of %zu entries match\n", operands[0].c_str(), matches.size(), entries);
  return matches.empty() ? tool::kFindings : tool::kOk;
}

const tool::CommandSpec kSpec{
    "search", "print the entries in which a text occurs", "BOOK TEXT", 2, 2, kDescription,
    {{"--case-sensitive", nullptr, "compare byte for byte"}, {"--columns", "IDS", "extended columns to show, as for sorrel show"}},
    "Exit status: 0 some entry matched, 1 none did, 2 usage or I/O error.\n",
    &Run};

}  // namespace

SORREL_COMMAND(kSpec);
