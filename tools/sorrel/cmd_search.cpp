// sorrel search: the entries in which a text occurs.
#include <cstdio>
#include <string>
#include <vector>

#include "Book.h"
#include "Command.h"
#include "Table.h"

namespace {

const char kUsage[] =
    "usage: sorrel search BOOK TEXT [--case-sensitive] [--columns 12,6,9]\n"
    "\n"
    "Prints the entries in which TEXT occurs, as sorrel show shows them. Searched\n"
    "are the name, the number, the surname (of entries that keep name and surname\n"
    "apart) and every text item but the synchronisation identifier; the group, the\n"
    "birthday, the location and the position are not. Letters are compared in\n"
    "upper case, Czech letters included (\"nov\" finds \"Novák\"), unless\n"
    "--case-sensitive is given. An empty TEXT matches every entry; empty slots are\n"
    "no entries.\n"
    "\n"
    "  --case-sensitive  compare byte for byte\n"
    "  --columns IDS     extended columns to show, as for sorrel show\n"
    "\n"
    "Exit status: 0 some entry matched, 1 none did, 2 usage or I/O error.\n";

int Run(const std::vector<std::string>& args) {
  int caseSensitive = 0;
  tool::TableOptions options;
  std::vector<std::string> operands;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--case-sensitive") {
      caseSensitive = 1;
    } else if (a == "--columns") {
      std::string error;
      if (i + 1 >= args.size()) return tool::Fail("search", "--columns needs a list (see --help)");
      if (!tool::ParseColumnList(args[++i], options.extraColumns, error))
        return tool::Fail("search", "--columns: " + error);
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      return tool::Fail("search", "unknown option '" + a + "' (see --help)");
    } else {
      operands.push_back(a);
    }
  }
  if (operands.size() != 2) return tool::Fail("search", "needs BOOK TEXT (see --help)");

  tool::PhoneBook book;
  std::string error;
  if (!book.Load(operands[0], error)) return tool::Fail("search", error);
  const CString text = tool::FromUtf8(operands[1]);

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

}  // namespace

SORREL_COMMAND("search", "print the entries in which a text occurs", kUsage, &Run);
