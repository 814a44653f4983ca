// Tables of cases kept in data files beside the tests: one case a line, its fields
// separated by tabs; lines starting with '#' and empty lines are comments. Fields
// take escapes: \xHH (a byte), \0 \t \r \n \\; the files are UTF-8.
#pragma once

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace sorrel::test {

inline std::string Unescape(std::string_view in) {
  std::string out;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\\' || i + 1 == in.size()) {
      out += in[i];
      continue;
    }
    switch (char c = in[++i]) {
      case 'x': out += char(std::stoul(std::string(in.substr(i + 1, 2)), nullptr, 16)), i += 2; break;
      case '0': out += '\0'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      default: out += c;
    }
  }
  return out;
}

// The cases of tests/<name>, each a row of unescaped fields; none when it cannot be read.
inline std::vector<std::vector<std::string>> ReadCases(const std::string& name) {
  std::ifstream in(std::string(SORREL_SOURCE_DIR) + "/tests/" + name, std::ios::binary);
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string>& row = rows.emplace_back();
    for (size_t start = 0;;) {
      size_t tab = line.find('\t', start);
      row.push_back(Unescape(std::string_view(line).substr(start, tab - start)));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
  }
  return rows;
}

// The pieces of a list in one field, between separators (none in an empty field).
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

// The numbers of a list in one field, between commas (with 0x for hexadecimal).
template <class T = unsigned>
std::vector<T> CaseNumbers(const std::string& text) {
  std::vector<T> numbers;
  for (const std::string& piece : CaseSplit(text)) numbers.push_back(T(std::stoll(piece, nullptr, 0)));
  return numbers;
}

}  // namespace sorrel::test
