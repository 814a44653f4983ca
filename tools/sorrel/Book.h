// A phone book file: the group table in the long group text form on the first
// line, then one line per phone book slot in the phone text form with location
// ("EMPTY" for an empty slot). Texts are 8-bit, in the ANSI code page.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sorrel/Sorrel.h"

namespace tool {

struct Slot {
  std::unique_ptr<CEntry> entry;
  int lineNumber = 0;  // 1-based line in the file, 0 for a slot made by the tool
  std::string raw;     // the line as it stood, without its line end
};

class PhoneBook {
 public:
  CGroups groups;
  std::string groupLine;  // the first line as it stood
  std::vector<Slot> slots;

  // Reads a phone book file; false with a message naming the file on I/O errors.
  // A line is never rejected: the phone text reader takes every line.
  bool Load(const std::string& path, std::string& error);
  // Reads from text already in memory; `name` names it in messages.
  void Parse(const std::string& text);

  // The file's text: the group line, then each slot as the phone text form with
  // location and synchronisation id ("EMPTY" for an empty entry).
  std::string ToText() const;
  // Writes ToText() to path through a temporary file in the same folder.
  bool Save(const std::string& path, std::string& error) const;

  // The entries as a host holds them, for the library's list-shaped calls.
  CArray<CEntry*, CEntry*> EntryArray() const;

  // One slot's line as it would be written.
  static std::string SlotLine(const CEntry& entry);
};

// A new entry as the host reads a slot line: extended items created for the
// locations that have them.
std::unique_ptr<CEntry> ReadSlot(const std::string& line, CGroups* groups);

// The first line of a book file: the group table in the long group text form.
std::string GroupLine(const CGroups& groups);

// The slot lines of a new book, gathered as they are made, so that a book can be
// written without holding its entries. The lines are kept in blocks: adding one
// never moves the others, as a single growing string would (holding the old and
// the new buffer for a moment).
class SlotLines {
 public:
  void Add(std::string_view line);
  size_t Count() const { return count_; }
  // The book file of groups and these lines, written as PhoneBook::Save writes one.
  bool Save(const std::string& path, const CGroups& groups, std::string& error) const;

 private:
  std::vector<std::string> blocks_;
  size_t count_ = 0;
};

// Each line of a text: the bytes up to a LF or the end of the text, without the
// LF and the CRs before it. f(line) returns false to stop. The one way the tool
// cuts a file into lines.
struct Line {
  std::string_view content;
  int number;    // 1-based
  size_t start;  // where the line starts in the text; content ends before its CRs and LF
};
template <class F>
void ForEachLine(std::string_view text, F&& f) {
  size_t pos = 0;
  int number = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    size_t contentEnd = end;
    while (contentEnd > pos && text[contentEnd - 1] == '\r') --contentEnd;
    if (!f(Line{text.substr(pos, contentEnd - pos), ++number, pos})) return;
    pos = end + 1;
  }
}

// The whole file in one buffer; "-" is standard input. A named file must be a
// regular file: a folder, a device or a pipe given by name is refused.
bool ReadFile(const std::string& path, std::string& data, std::string& error);
// Writes the pieces one after the other to path so that path holds either its
// old bytes or all the new ones, whatever happens meanwhile: a temporary file
// made beside the file (never a fixed name such as path.tmp), with the file's
// permission bits, flushed to the disk and renamed over it. A symbolic link is
// followed: the file it names is replaced, the link stays. Anything but a
// regular file at path is refused. "-" writes to standard output.
bool WriteFileAtomically(const std::string& path, const std::vector<std::string_view>& pieces, std::string& error);
bool WriteFileAtomically(const std::string& path, const std::string& data, std::string& error);

// 8-bit text of the ANSI code page to UTF-8 for the terminal.
std::string ToUtf8(const CString& text);
std::string ToUtf8(const std::string& text);
// UTF-8 (from the command line) into the ANSI code page. False, naming the
// characters the code page cannot hold, for text it cannot take whole.
bool FromUtf8(const std::string& text, CString& ansi, std::string& error);

}  // namespace tool
