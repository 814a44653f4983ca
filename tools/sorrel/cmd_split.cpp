// sorrel split: turns entries with several numbers into single-number entries.
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Book.h"
#include "Command.h"

namespace {

const char kDescription[] =
    "Splits every entry that has extended items: each filled number item (office,\n"
    "mobile, home, fax, other, pager, info 1 to 4) becomes an entry of its own,\n"
    "named after the entry and the item, e.g. \"Jan Novák (Mobil)\", and the entry\n"
    "keeps its name, surname, main number, group and icon but loses all its\n"
    "extended items (e-mail, address, notes and birthday too). The new entries\n"
    "follow all the others, in the entries' order; each goes to its entry's\n"
    "location, at the positions after the highest one used there.\n";

int Run(const tool::Args& args) {
  const std::string path = args.Operands()[0], out = args.Value("-o", "-");

  tool::PhoneBook book;
  std::string error;
  if (!book.Load(path, error)) return tool::Fail("split", error);

  // The highest position used in each location, so that new entries take
  // free slots instead of all landing on position 0 of location 0.
  std::map<UINT, UINT> lastPosition;
  for (const tool::Slot& slot : book.slots) {
    UINT& last = lastPosition[slot.entry->GetLocation()];
    last = std::max(last, slot.entry->GetPos());
  }

  size_t split = 0, made = 0;
  std::vector<tool::Slot> added;
  for (tool::Slot& slot : book.slots) {
    CEntry& entry = *slot.entry;
    if (!entry.GetExtendedItems()) continue;
    CArray<CEntry*, CEntry*> singles;
    // Captions come from the library's string table: no host columns here.
    entry.SplitExtEntries2Singles(&singles, nullptr);
    // The phone text form writes a surname and the entry's icon only for an
    // entry with extended items: an empty set keeps them in the file (the line
    // reads back into the same entry).
    entry.SetExtendedItemsPtr(new CExtendedItems);
    ++split;
    for (CEntry* single : singles) {
      tool::Slot s;
      s.entry.reset(single);
      s.entry->SetLocation(entry.GetLocation());
      s.entry->SetPos(++lastPosition[entry.GetLocation()]);
      added.push_back(std::move(s));
      ++made;
    }
  }
  for (tool::Slot& s : added) book.slots.push_back(std::move(s));

  if (!tool::WriteFileAtomically(out, book.ToText(), error)) return tool::Fail("split", error);
  std::fprintf(stderr, "%s: %zu entries split into %zu single-number entries\n", path.c_str(), split, made);
  return tool::kOk;
}

const tool::CommandSpec kSpec{
    "split", "make single-number entries of entries with several numbers", "BOOK", 1, 1, kDescription,
    {{"-o", "OUT", "write the phone book to OUT (default: standard output)"}},
    "Exit status: 0 done, 2 usage or I/O error.\n",
    &Run};

}  // namespace

SORREL_COMMAND(kSpec);
