#include "ServedBook.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace quillon {

bool ServedBook::Load(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  std::stringstream all;
  all << in.rdbuf();
  std::string text = all.str();
  eol_ = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  if (lines.empty()) {
    *error = path + ": line 1: no caller-group line";
    return false;
  }
  path_ = path;
  groups_ = lines.front();
  slots_.assign(lines.begin() + 1, lines.end());
  return true;
}

bool ServedBook::Replace(size_t n, const std::string& line, std::string* error) {
  if (n < 1 || n > slots_.size()) {
    *error = path_ + ": no slot " + std::to_string(n);
    return false;
  }
  if (line.find_first_of("\r\n") != std::string::npos) {
    *error = path_ + ": slot " + std::to_string(n) + ": a line break in the entry line";
    return false;
  }
  std::string old = slots_[n - 1];
  slots_[n - 1] = line;

  // The file a symbolic link leads to is the one rewritten.
  char real[PATH_MAX];
  std::string target = realpath(path_.c_str(), real) ? real : path_;
  std::string dir = target.substr(0, target.rfind('/') + 1);
  std::string tmp = dir + ".quillon-XXXXXX";
  std::string body = groups_ + eol_;
  for (const std::string& s : slots_) body += s + eol_;
  struct stat st;
  mode_t mode = stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  int fd = mkstemp(tmp.data());
  bool ok = fd >= 0;
  for (size_t done = 0; ok && done < body.size();) {
    ssize_t w = write(fd, body.data() + done, body.size() - done);
    if (w < 0 && errno == EINTR) continue;
    ok = w > 0;
    if (ok) done += static_cast<size_t>(w);
  }
  ok = ok && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  if (fd >= 0 && close(fd) != 0) ok = false;
  ok = ok && rename(tmp.c_str(), target.c_str()) == 0;
  if (!ok) {
    *error = target + ": slot " + std::to_string(n) + ": not written: " + std::strerror(errno);
    if (fd >= 0) unlink(tmp.c_str());
    slots_[n - 1] = old;
  }
  return ok;
}

}  // namespace quillon
