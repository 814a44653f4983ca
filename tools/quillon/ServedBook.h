// The phone book a simulated phone holds: a file whose first line is the phone's
// caller-group line and each further line one phone book slot in the phone text
// form ("EMPTY" for an empty slot).
#pragma once

#include <string>
#include <vector>

namespace quillon {

class ServedBook {
 public:
  // Reads the file; false with the reason in *error.
  bool Load(const std::string& path, std::string* error);
  bool Loaded() const { return !path_.empty(); }

  const std::string& Groups() const { return groups_; }
  size_t Count() const { return slots_.size(); }
  // Slot 1 to Count(); null outside.
  const std::string* Slot(size_t n) const { return n >= 1 && n <= slots_.size() ? &slots_[n - 1] : nullptr; }
  // Puts a line into slot n and writes the file anew (a new file renamed over the
  // old one, its mode kept, a symbolic link followed). False, and nothing changed,
  // for a slot the book does not have, a line with a line break, or a failed write.
  bool Replace(size_t n, const std::string& line, std::string* error);

 private:
  std::string path_;
  std::string eol_ = "\n";
  std::string groups_;
  std::vector<std::string> slots_;
};

}  // namespace quillon
