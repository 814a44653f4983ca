#include "Book.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <climits>
#include <cstdlib>

namespace tool {

std::unique_ptr<CEntry> ReadSlot(const std::string& line, CGroups* groups) {
  auto entry = std::make_unique<CEntry>();
  entry->FillFromText(line.c_str(), 1, 1, 0, groups);
  return entry;
}

bool ReadFile(const std::string& path, std::string& data, std::string& error) {
  const bool stdinput = path == "-";
  const std::string name = stdinput ? std::string("standard input") : path;
  // Without waiting: a pipe given by name would block the open until someone writes.
  const int fd = stdinput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = name + ": " + std::strerror(errno);
    return false;
  }
  // A file is read into a buffer of its size and one byte more, so the read that
  // finds its end needs no room of its own. What has no size (a pipe) grows the
  // buffer as it comes.
  struct stat st;
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!stdinput && !regular) {
    ::close(fd);
    error = name + ": not a regular file";
    return false;
  }
  if (!stdinput) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  data.resize(regular ? size_t(st.st_size) + 1 : size_t(1) << 16);
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
      ok = false;
      break;
    }
  }
  const int readError = errno;
  if (!stdinput) ::close(fd);
  data.resize(used);
  if (!ok) error = name + ": " + std::strerror(readError);
  return ok;
}

namespace {

bool WriteAll(int fd, const std::vector<std::string_view>& pieces) {
  for (std::string_view piece : pieces) {
    while (!piece.empty()) {
      const ssize_t n = ::write(fd, piece.data(), piece.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      piece.remove_prefix(size_t(n));
    }
  }
  return true;
}

// The file a path names in the end: each symbolic link followed, a relative
// target read from the link's own folder. A path that names nothing yet is
// itself.
bool FollowLinks(std::string path, std::string& target, std::string& error) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      target = path;
      return true;
    }
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (n < 0 || size_t(n) == sizeof buffer) break;
    std::string link(buffer, size_t(n));
    const size_t slash = path.rfind('/');
    path = link[0] == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
  }
  error = path + ": too many symbolic links";
  return false;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::vector<std::string_view>& pieces, std::string& error) {
  if (path == "-") {
    for (std::string_view piece : pieces)
      if (!piece.empty() && std::fwrite(piece.data(), 1, piece.size(), stdout) != piece.size()) break;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
      error = std::string("standard output: ") + std::strerror(errno);
      return false;
    }
    return true;
  }
  std::string target;
  if (!FollowLinks(path, target, error)) return false;
  struct stat st;
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    error = path + ": not a regular file";
    return false;
  }
  // A new file gets what the umask leaves of rw-rw-rw-, as a plain open would give it.
  mode_t mode = exists ? st.st_mode & 07777 : 0;
  if (!exists) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temp = (slash == std::string::npos ? std::string() : folder) + "." + base + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    error = path + ": cannot make a temporary file beside it: " + std::strerror(errno);
    return false;
  }
  bool ok = ::fchmod(fd, mode) == 0;
  if (ok && exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
    (void)!::fchown(fd, st.st_uid, st.st_gid);  // as far as this user may: the bits are what counts
  ok = ok && WriteAll(fd, pieces) && ::fsync(fd) == 0;
  const int writeError = errno;
  ok = ::close(fd) == 0 && ok;
  if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
    error = path + ": " + std::strerror(ok ? errno : writeError) + " (the file is as it was)";
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder.
  if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    ::fsync(dir);
    ::close(dir);
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
  bool first = true;
  ForEachLine(text, [&](const Line& line) {
    if (first) {
      first = false;
      groupLine = line.content;
      groups.FillFromText(groupLine.c_str(), 0);
      // The group text carries one list-wide maximum name length; keep it so the
      // table is written back as it came.
      UINT maxLen = 0;
      for (int i = 0; i < groups.GetNGroups(); ++i)
        maxLen = std::max(maxLen, groups.GetGroupByIndex(UINT(i))->nMaxLen);
      groups.SetMaxLenOfEditableGroups(maxLen);
      return true;
    }
    Slot slot;
    slot.raw = line.content;
    slot.entry = ReadSlot(slot.raw, &groups);
    slot.lineNumber = line.number;
    slots.push_back(std::move(slot));
    return true;
  });
}

bool PhoneBook::Load(const std::string& path, std::string& error) {
  std::string data;
  if (!ReadFile(path, data, error)) return false;
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


bool FromUtf8(const std::string& text, CString& ansi, std::string& error) {
  ansi.Empty();
  if (text.empty()) return true;
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0) <= 0) {
    error = "\"" + text + "\" is not valid UTF-8";
    return false;
  }
  // Character by character, so that the message can name each one the code page lacks.
  std::string out, lacking;
  for (size_t i = 0; i < text.size();) {
    size_t n = 1;
    while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
    const std::string ch = text.substr(i, n);
    i += n;
    WCHAR wide[2];
    const int nWide = MultiByteToWideChar(CP_UTF8, 0, ch.data(), int(ch.size()), wide, 2);
    char narrow[8];
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, nWide, narrow, sizeof narrow, nullptr,
                                           &lossy);
    if (lossy || length <= 0) {
      if (lacking.find(ch) == std::string::npos) lacking += (lacking.empty() ? "" : " ") + ch;
      continue;
    }
    out.append(narrow, size_t(length));
  }
  if (!lacking.empty()) {
    error = "\"" + text + "\" has characters that Windows-1250 cannot hold: " + lacking;
    return false;
  }
  ansi = CString(out);
  return true;
}

}  // namespace tool
