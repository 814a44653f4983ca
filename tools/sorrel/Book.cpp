#include "Book.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>

namespace tool {

namespace {

std::string StripLineEnd(std::string line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  return line;
}

}  // namespace

std::unique_ptr<CEntry> ReadSlot(const std::string& line, CGroups* groups) {
  auto entry = std::make_unique<CEntry>();
  entry->FillFromText(line.c_str(), 1, 1, 0, groups);
  return entry;
}

bool ReadFile(const std::string& path, std::string& data, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  // A file is read into a buffer of its size and one byte more, so the read that
  // finds its end needs no room of its own. What has no size (a pipe) grows the
  // buffer as it comes.
  struct stat st;
  const bool sized = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  data.resize(sized ? size_t(st.st_size) + 1 : size_t(1) << 16);
  size_t used = 0;
  bool ok = true;
  while (true) {
    if (used == data.size()) data.resize(data.size() * 2);
    const ssize_t n = ::read(fd, data.data() + used, data.size() - used);
    if (n > 0) {
      used += size_t(n);
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      // A folder opens but cannot be read: it reads as an empty file, as it
      // always has, and the commands then find nothing in it.
      ok = errno == EISDIR;
      break;
    }
  }
  ::close(fd);
  data.resize(used);
  if (!ok) error = path + ": read error";
  return ok;
}

bool WriteFileAtomically(const std::string& path, const std::vector<std::string_view>& pieces, std::string& error) {
  auto writeAll = [&pieces](FILE* f) {
    for (std::string_view piece : pieces)
      if (!piece.empty() && std::fwrite(piece.data(), 1, piece.size(), f) != piece.size()) return false;
    return true;
  };
  if (path == "-") {
    if (!writeAll(stdout) || std::fflush(stdout) != 0) {
      error = "standard output: write error";
      return false;
    }
    return true;
  }
  std::string temp = path + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) {
    error = temp + ": " + std::strerror(errno);
    return false;
  }
  bool ok = writeAll(f);
  ok = (std::fclose(f) == 0) && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    error = path + ": " + std::strerror(errno);
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& data, std::string& error) {
  return WriteFileAtomically(path, std::vector<std::string_view>{data}, error);
}

std::string GroupLine(const CGroups& groups) {
  CString text;
  groups.GetAsText(text, 0);
  return text.str() + "\n";
}

namespace {

// Big enough that a book of many lines takes few blocks, small enough that the
// last block's unused room does not count.
constexpr size_t kSlotLinesBlock = size_t(1) << 20;

}  // namespace

void SlotLines::Add(std::string_view line) {
  if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < line.size()) {
    blocks_.emplace_back();
    blocks_.back().reserve(std::max(kSlotLinesBlock, line.size()));
  }
  blocks_.back() += line;
  ++count_;
}

bool SlotLines::Save(const std::string& path, const CGroups& groups, std::string& error) const {
  const std::string groupLine = GroupLine(groups);
  std::vector<std::string_view> pieces{groupLine};
  pieces.insert(pieces.end(), blocks_.begin(), blocks_.end());
  return WriteFileAtomically(path, pieces, error);
}

void PhoneBook::Parse(const std::string& text) {
  size_t pos = 0;
  int lineNumber = 0;
  bool first = true;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? text.size() : end + 1;
    ++lineNumber;
    line = StripLineEnd(std::move(line));
    if (first) {
      first = false;
      groupLine = line;
      groups.FillFromText(line.c_str(), 0);
      // The group text carries one list-wide maximum name length; keep it so the
      // table is written back as it came.
      UINT maxLen = 0;
      for (int i = 0; i < groups.GetNGroups(); ++i)
        maxLen = std::max(maxLen, groups.GetGroupByIndex(UINT(i))->nMaxLen);
      groups.SetMaxLenOfEditableGroups(maxLen);
      continue;
    }
    Slot slot;
    slot.entry = ReadSlot(line, &groups);
    slot.lineNumber = lineNumber;
    slot.raw = std::move(line);
    slots.push_back(std::move(slot));
  }
}

bool PhoneBook::Load(const std::string& path, std::string& error) {
  std::string data;
  if (path == "-") {
    std::ostringstream buffer;
    buffer << std::cin.rdbuf();
    data = std::move(buffer).str();
  } else if (!ReadFile(path, data, error)) {
    return false;
  }
  Parse(data);
  return true;
}

std::string PhoneBook::SlotLine(const CEntry& entry) {
  if (entry.IsEmpty()) return "EMPTY\n";
  CString line;
  entry.GetAsText(line, 1, 1);
  return line.str();
}

std::string PhoneBook::ToText() const {
  std::string out = GroupLine(groups);
  for (const Slot& slot : slots) out += SlotLine(*slot.entry);
  return out;
}

bool PhoneBook::Save(const std::string& path, std::string& error) const {
  return WriteFileAtomically(path, ToText(), error);
}

CArray<CEntry*, CEntry*> PhoneBook::EntryArray() const {
  CArray<CEntry*, CEntry*> entries;
  for (const Slot& slot : slots) entries.Add(slot.entry.get());
  return entries;
}

namespace {

// Text from one code page to another through UTF-16, as a Windows host does it.
std::string Transcode(UINT from, UINT to, const std::string& text) {
  if (text.empty()) return std::string();
  int wideLength = MultiByteToWideChar(from, 0, text.data(), int(text.size()), nullptr, 0);
  std::u16string wide(size_t(wideLength), u'\0');
  MultiByteToWideChar(from, 0, text.data(), int(text.size()), wide.data(), wideLength);
  int length = WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string out(size_t(length), '\0');
  WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), length, nullptr, nullptr);
  return out;
}

}  // namespace

std::string ToUtf8(const std::string& text) { return Transcode(CP_ACP, CP_UTF8, text); }
std::string ToUtf8(const CString& text) { return ToUtf8(text.str()); }
CString FromUtf8(const std::string& text) { return CString(Transcode(CP_UTF8, CP_ACP, text)); }

}  // namespace tool
