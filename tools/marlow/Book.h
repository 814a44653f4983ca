// The phone book marlow holds: the phone's caller groups and one entry per phone
// book slot, in the server's slot order (slot n is the n-th line after the group
// line of a book file). Every slot keeps the line it came as, so that what is
// sent back or saved is the changed entries' new lines and the others untouched.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <sorrel/Entry.h>
#include <sorrel/Groups.h>

namespace marlow {

struct Slot {
  std::unique_ptr<CEntry> entry;
  std::string line;  // as the server or the file gave it, without its line end
};

// One changed slot: its number (from 1) and its new line.
struct ChangedLine {
  unsigned slot;
  std::string line;
};

class Book {
 public:
  CGroups groups;
  std::string groupLine;
  std::vector<Slot> slotList;
  // A phone has as many slots as its memory; a book file takes new ones at its end.
  bool growable = true;

  void Clear();
  // The phone's group line, in the long group text form.
  void SetGroupLine(const std::string& line);
  // Appends one slot, read as the phone text form with location ("EMPTY" for an
  // empty slot). An entry just read counts as unchanged.
  void AddSlotLine(const std::string& line);

  // A book file: the group line, then one line per slot. False with a message
  // naming the file when it cannot be read.
  bool LoadFile(const std::string& path, std::string& error);
  // Writes the group line and every slot's line, the changed ones anew, through a
  // temporary file renamed over the book. The changed entries then count as sent.
  bool SaveFile(const std::string& path, std::string& error);

  // The slots whose entry changed since it was read or last sent.
  std::vector<ChangedLine> ChangedLines() const;
  // The slot was taken by the phone: its line is now the entry's, unchanged.
  void MarkSent(unsigned slot);

  // A new entry in the first empty slot (a new slot at the end of a book that
  // can grow), at location 2 (the memory that keeps extended items and
  // surnames) after its last position; null when the phone has no empty slot.
  CEntry* NewEntry();
  // A new entry made of an imported one, whose extended items it takes over.
  CEntry* Adopt(CEntry& imported);
  // Empties the entry's slot; the empty slot goes to the phone as "EMPTY".
  void DeleteEntry(CEntry* entry);

  // The slot number (from 1) of an entry; 0 when the book does not hold it.
  unsigned SlotOf(const CEntry* entry) const;
  // The phone text line of an entry as it is sent ("EMPTY" for an empty entry).
  static std::string LineOf(const CEntry& entry);
};

}  // namespace marlow
