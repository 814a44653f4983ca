// sorrel search: the entries in which a text occurs.
#include <cstdio>
#include <string>
#include <vector>

#include "Book.h"
#include "Command.h"

namespace {

const char kUsage[] =
    "usage: sorrel search BOOK TEXT [--case-sensitive]\n"
    "\n"
    "Prints the entries in which TEXT occurs: in the name, the number, the surname\n"
    "(of entries that keep name and surname apart) or any text item but the\n"
    "synchronisation identifier. The group, the birthday, the location and the\n"
    "position are not searched. Letters are compared in upper case, Czech letters\n"
    "included (\"nov\" finds \"Novák\"), unless --case-sensitive is given. An empty\n"
    "TEXT matches every entry.\n"
    "\n"
    "  --case-sensitive  compare byte for byte\n"
    "\n"
    "Exit status: 0 some entry matched, 1 none did, 2 usage or I/O error.\n";

int Run(const std::vector<std::string>& args) {
  int caseSensitive = 0;
  std::vector<std::string> operands;
  for (const std::string& a : args) {
    if (a == "--case-sensitive")
      caseSensitive = 1;
    else if (a.size() > 1 && a[0] == '-' && a[1] == '-')
      return tool::Fail("search", "unknown option '" + a + "' (see --help)");
    else
      operands.push_back(a);
  }
  if (operands.size() != 2) return tool::Fail("search", "needs BOOK TEXT (see --help)");

  tool::PhoneBook book;
  std::string error;
  if (!book.Load(operands[0], error)) return tool::Fail("search", error);
  const CString text = tool::FromUtf8(operands[1]);

  size_t matches = 0;
  for (const tool::Slot& slot : book.slots) {
    const CEntry& entry = *slot.entry;
    if (entry.IsEmpty() || !entry.ContainsSubstr(text, caseSensitive)) continue;
    ++matches;
    std::string name = tool::ToUtf8(entry.GetName());
    if (entry.AllowsNameSurnameDivision() && !entry.GetSurname().IsEmpty())
      name += " " + tool::ToUtf8(entry.GetSurname());
    std::printf("%s:%d: %u,%u %s  %s\n", operands[0].c_str(), slot.lineNumber, entry.GetLocation(), entry.GetPos(),
                name.c_str(), tool::ToUtf8(entry.GetNum()).c_str());
  }
  std::fprintf(stderr, "%s: %zu of %zu entries match\n", operands[0].c_str(), matches, book.slots.size());
  return matches > 0 ? tool::kOk : tool::kFindings;
}

}  // namespace

SORREL_COMMAND("search", "print the entries in which a text occurs", kUsage, &Run);
