// Lists in the fields of a table of cases: pieces between separators, and
// numbers between commas (with 0x for hexadecimal).
#pragma once

#include <string>
#include <vector>

namespace sorrel::test {

inline std::vector<std::string> CaseSplit(const std::string& text, char separator = ',') {
  std::vector<std::string> pieces;
  for (size_t start = 0; !text.empty();) {
    size_t end = text.find(separator, start);
    pieces.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return pieces;
}

template <class T = unsigned>
std::vector<T> CaseNumbers(const std::string& text) {
  std::vector<T> numbers;
  for (const std::string& piece : CaseSplit(text)) numbers.push_back(T(std::stoll(piece, nullptr, 0)));
  return numbers;
}

}  // namespace sorrel::test
