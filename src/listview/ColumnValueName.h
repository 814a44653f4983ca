// The names of the column model's stored values: "Column<id><what>", as
// "Column3Width" or "Column1SecondarySortingKeys". Built on the stack without
// printf: the model reads and writes dozens of them whenever it is made or saved.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#include "sorrel/Types.h"

namespace sorrel {

class ColumnValueName {
 public:
  // The id is written as a signed number, as it always was.
  ColumnValueName(UINT nID, std::string_view what) {
    constexpr std::string_view kColumn = "Column";
    char* at = m_text + kColumn.size();
    std::memcpy(m_text, kColumn.data(), kColumn.size());
    at = std::to_chars(at, m_text + kIdEnd, int(nID)).ptr;
    const size_t n = std::min(what.size(), sizeof m_text - 1 - size_t(at - m_text));
    std::memcpy(at, what.data(), n);
    at[n] = '\0';
  }
  operator LPCSTR() const { return m_text; }  // NOLINT: passed where a name is expected

 private:
  static constexpr size_t kIdEnd = 6 + 11;  // "Column" and the longest int
  char m_text[64];
};

}  // namespace sorrel
