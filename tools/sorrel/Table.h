// The phone book as the host's list view shows it, printed as a text table: the
// columns and their order come from the column model with its stored settings,
// the rows are sorted by the stored sort-key chain, and the settings are written
// back when the view closes, as the host's are.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "sorrel/Sorrel.h"

namespace tool {

// The stored chain (and, for the direction, the stored direction).
constexpr UINT kStoredSortKey = 0xFFFFFFFF;

struct TableOptions {
  // Extended columns to show beside the four base columns, in the order given.
  std::vector<UINT> extraColumns;
  // The primary sort column; kStoredSortKey keeps the chain saved last.
  UINT sortID = kStoredSortKey;
  // 1 ascending, 0 descending, -1 the stored direction.
  int ascending = -1;
  // The widest a line may be, in terminal columns; 0 for no limit.
  size_t width = 0;
};

// Reads "12,6,9": extended column ids (5 to 31), each once. False with a message.
bool ParseColumnList(const std::string& text, std::vector<UINT>& ids, std::string& error);

// The text of one cell in UTF-8: what the column shows and sorts by.
std::string CellText(UINT columnID, const CEntry& entry, CGroups* groups);

// The table of the entries in UTF-8 (a header line, a rule, one line per entry),
// columns aligned by display width. Empty entries are left out. Builds, and
// destroys, one column model: its settings reach the registry.
std::string FormatTable(const std::vector<CEntry*>& entries, CGroups* groups, const TableOptions& options);

// FormatTable written to out.
void PrintTable(FILE* out, const std::vector<CEntry*>& entries, CGroups* groups, const TableOptions& options);

}  // namespace tool
