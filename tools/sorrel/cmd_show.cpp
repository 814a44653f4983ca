// sorrel show: the phone book as the host's list view shows it.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Book.h"
#include "Command.h"
#include "Table.h"

namespace {

const char kDescription[] =
    "Prints the entries of the phone book as a table, built as the phone book\n"
    "manager builds its list view: the four base columns (position, memory, name,\n"
    "number) and the extended columns given with --columns, shown in the order the\n"
    "profile remembers, with the widths, the column order, the sort columns and the\n"
    "direction written back to it afterwards (sorrel reg export shows them). Empty\n"
    "slots are left out. BOOK - reads standard input.\n"
    "\n"
    "Column ids: 1 position, 2 memory, 3 name, 4 number, 5 office, 6 mobile, 7 home,\n"
    "8 fax, 9 e-mail, 10 address, 11 note, 12 surname, 13 company, 14 job title,\n"
    "15 other number, 16 pager, 17 e-mail 2, 18 city, 19 state, 20 postal code,\n"
    "21 country, 22-25 info numbers 1-4, 26 group, 27 URL, 28 sync id, 29 note 2,\n"
    "30 fax 2, 31 birthday.\n";

bool ReadNumber(const std::string& text, unsigned long max, unsigned long& value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  value = std::stoul(text);
  return value >= 1 && value <= max;
}

int Run(const tool::Args& args) {
  tool::TableOptions options;
  const std::string bookPath = args.Operands()[0];
  std::string error;
  unsigned long number;
  // Each as it comes: the last of --ascending and --descending wins.
  for (const auto& [name, v] : args.Given()) {
    if (name == "--columns") {
      if (!tool::ParseColumnList(v, options.extraColumns, error)) return tool::Fail("show", "--columns: " + error);
    } else if (name == "--sort") {
      if (!ReadNumber(v, 31, number)) return tool::Usage("show", "--sort needs a column id from 1 to 31");
      options.sortID = UINT(number);
    } else if (name == "--ascending" || name == "--descending") {
      options.ascending = name == "--ascending" ? 1 : 0;
    } else if (name == "--width") {
      if (!ReadNumber(v, 100000, number))
        return tool::Fail("show", "--width needs a number of characters from 1 to 100000");
      options.width = number;
    }
  }
  if (options.sortID != tool::kStoredSortKey && options.sortID > ITEM_NUMBER &&
      std::find(options.extraColumns.begin(), options.extraColumns.end(), options.sortID) ==
          options.extraColumns.end())
    return tool::Fail("show", "--sort " + std::to_string(options.sortID) +
                                  ": the list sorts only by a shown column; add it with --columns");

  tool::PhoneBook book;
  if (!book.Load(bookPath, error)) return tool::Fail("show", error);
  std::vector<CEntry*> entries;
  for (const tool::Slot& slot : book.slots) entries.push_back(slot.entry.get());
  tool::PrintTable(stdout, entries, &book.groups, options);
  return tool::kOk;
}

const tool::CommandSpec kSpec{
    "show", "print the phone book as a table, as the list view shows it", "BOOK", 1, 1, kDescription,
    {{"--columns", "IDS", "extended columns to show, comma-separated (5 to 31)"},
     {"--sort", "ID",
      "sort by column ID first, then by the columns remembered for\nit (the column must be shown); without it the rows "
      "follow the\nsort columns used last"},
     {"--ascending", nullptr, "sort ascending (remembered)"},
     {"--descending", nullptr, "sort descending (remembered)"},
     {"--width", "N", "make no line wider than N characters, cutting long cells"}},
    "Exit status: 0 shown, 2 usage or I/O error.\n", &Run};

}  // namespace

SORREL_COMMAND(kSpec);
