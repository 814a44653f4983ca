#include "Book.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace marlow {

namespace {

std::string WithoutLineEnd(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

}  // namespace

void Book::Clear() {
  growable = true;
  slotList.clear();
  groupLine.clear();
  while (groups.GetNGroups() > 0) groups.RemoveGroup(groups.GetGroupByIndex(0)->nID);
}

void Book::SetGroupLine(const std::string& line) {
  groupLine = WithoutLineEnd(line);
  groups.FillFromText(groupLine.c_str(), 0);
  // The group text carries one list-wide name length: keep the phone's.
  UINT maxLen = 0;
  for (int i = 0; i < groups.GetNGroups(); ++i) maxLen = std::max(maxLen, groups.GetGroupByIndex(UINT(i))->nMaxLen);
  groups.SetMaxLenOfEditableGroups(maxLen);
}

void Book::AddSlotLine(const std::string& text) {
  Slot slot;
  slot.line = WithoutLineEnd(text);
  slot.entry = std::make_unique<CEntry>();
  slot.entry->FillFromText(slot.line.c_str(), 1, 1, 0, &groups);
  // An empty slot is read by clearing the entry, which marks it changed; the
  // phone has it so already.
  slot.entry->ClearChangedFlag();
  slotList.push_back(std::move(slot));
}

bool Book::LoadFile(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  Clear();
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    if (first)
      SetGroupLine(line);
    else
      AddSlotLine(line);
    first = false;
  }
  if (in.bad()) {
    error = path + ": read error";
    return false;
  }
  return true;
}

bool Book::SaveFile(const std::string& path, std::string& error) {
  std::vector<ChangedLine> changed = ChangedLines();
  std::string text = groupLine + "\n";
  for (size_t i = 0; i < slotList.size(); ++i) {
    auto it = std::find_if(changed.begin(), changed.end(), [i](const ChangedLine& c) { return c.slot == i + 1; });
    text += (it != changed.end() ? it->line : slotList[i].line) + "\n";
  }
  const std::string temp = path + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) {
    error = temp + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) != 0 || !written || std::rename(temp.c_str(), path.c_str()) != 0) {
    error = path + ": " + std::strerror(errno);
    std::remove(temp.c_str());
    return false;
  }
  for (const ChangedLine& c : changed) MarkSent(c.slot);
  return true;
}

std::string Book::LineOf(const CEntry& entry) {
  CString text;
  entry.GetAsText(text, 1, 1);
  std::string line = WithoutLineEnd(text.str());
  return line.empty() ? std::string("EMPTY") : line;
}

std::vector<ChangedLine> Book::ChangedLines() const {
  std::vector<ChangedLine> changed;
  for (size_t i = 0; i < slotList.size(); ++i)
    if (slotList[i].entry->Changed()) changed.push_back({unsigned(i + 1), LineOf(*slotList[i].entry)});
  return changed;
}

void Book::MarkSent(unsigned slot) {
  if (slot == 0 || slot > slotList.size()) return;
  Slot& s = slotList[slot - 1];
  s.line = LineOf(*s.entry);
  s.entry->ClearChangedFlag();
}

CEntry* Book::NewEntry() {
  // A slot is free while it is empty and nothing waits in it to be sent: a new
  // entry the user is still filling in, or a deletion, keeps its slot.
  auto empty = std::find_if(slotList.begin(), slotList.end(),
                            [](const Slot& s) { return s.entry->IsEmpty() && !s.entry->Changed(); });
  if (empty == slotList.end()) {
    if (!growable) return nullptr;
    AddSlotLine("EMPTY");
    empty = slotList.end() - 1;
  }
  UINT lastPos = 0;
  for (const Slot& s : slotList)
    if (!s.entry->IsEmpty() && s.entry->GetLocation() == 2) lastPos = std::max(lastPos, s.entry->GetPos());
  auto entry = std::make_unique<CEntry>(1, 1);
  entry->SetLocation(2);
  entry->SetPos(lastPos + 1);
  entry->SetChangedFlag();
  empty->entry = std::move(entry);
  return empty->entry.get();
}

CEntry* Book::Adopt(CEntry& imported) {
  CEntry* entry = NewEntry();
  if (!entry) return nullptr;
  delete entry->GetExtendedItems();
  entry->SetExtendedItemsPtr(imported.GetExtendedItems());
  imported.SetExtendedItemsPtr(nullptr);
  entry->SetName(imported.GetName(), NO_LIMIT);
  entry->SetSurname(imported.GetSurname(), NO_LIMIT);
  entry->SetNum(imported.GetNum(), NO_LIMIT);
  entry->SetGroupID(imported.GetGroupID(), &groups);
  entry->SetIcon(imported.GetIcon());
  return entry;
}

void Book::DeleteEntry(CEntry* entry) {
  if (SlotOf(entry) == 0) return;
  entry->Clear();  // leaves the entry marked changed: the phone gets an empty slot
}

unsigned Book::SlotOf(const CEntry* entry) const {
  for (size_t i = 0; i < slotList.size(); ++i)
    if (slotList[i].entry.get() == entry) return unsigned(i + 1);
  return 0;
}

}  // namespace marlow
