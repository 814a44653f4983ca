#include "Table.h"

#include <algorithm>
#include <memory>

#include "Book.h"

namespace tool {

namespace {

// Extended columns come in at this width (pixels, as the host's list has them)
// unless the profile remembers another.
constexpr UINT kExtraColumnWidth = 100;

// The terminal columns a UTF-8 text takes: one per character. Every character
// of the books' code page is a single-width one.
size_t DisplayWidth(const std::string& utf8) {
  return size_t(std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The longest prefix that takes at most `width` columns, cut at a character boundary.
std::string Prefix(const std::string& utf8, size_t width) {
  size_t taken = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if ((utf8[i] & 0xC0) == 0x80) continue;
    if (taken++ == width) return utf8.substr(0, i);
  }
  return utf8;
}

std::string Fit(const std::string& utf8, size_t width) {
  size_t shown = DisplayWidth(utf8);
  if (shown <= width) return utf8 + std::string(width - shown, ' ');
  if (width == 0) return std::string();
  return Prefix(utf8, width - 1) + "\u2026";
}

// A cell stays on one line: line breaks and other control characters of a note
// become blanks.
std::string OneLine(CString text) {
  for (int i = 0; i < text.GetLength(); ++i)
    if (static_cast<unsigned char>(text[i]) < 0x20) text.SetAt(i, ' ');
  return ToUtf8(text);
}

struct SortContext {
  CColumnInfos* columns;
  CGroups* groups;
  int ascending;
};

// The host's item comparison: the ascending relation, reversed for a descending sort.
int CompareItems(LPARAM first, LPARAM second, LPARAM context) {
  auto* ctx = reinterpret_cast<SortContext*>(context);
  int result = ctx->columns->CompareEntries(*reinterpret_cast<CEntry*>(first), *reinterpret_cast<CEntry*>(second),
                                            ctx->groups);
  return ctx->ascending ? result : -result;
}

// Narrows the widest columns until a line fits; a column keeps at least one character.
void FitWidths(std::vector<size_t>& widths, size_t limit) {
  if (limit == 0 || widths.empty()) return;
  const size_t gaps = 2 * (widths.size() - 1);
  size_t total = gaps;
  for (size_t w : widths) total += w;
  while (total > limit) {
    auto widest = std::max_element(widths.begin(), widths.end());
    if (*widest <= 1) break;
    --*widest;
    --total;
  }
}

}  // namespace

bool ParseColumnList(const std::string& text, std::vector<UINT>& ids, std::string& error) {
  ids.clear();
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    std::string piece = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    bool digits = !piece.empty() && piece.size() <= 2 &&
                  std::all_of(piece.begin(), piece.end(), [](char c) { return c >= '0' && c <= '9'; });
    UINT id = digits ? UINT(std::stoul(piece)) : 0;
    if (!digits || id < 1 || id > 31) {
      error = "'" + piece + "' is not a column id (5 to 31)";
      return false;
    }
    if (id <= ITEM_NUMBER) {
      error = "column " + piece + " is a base column, always shown";
      return false;
    }
    if (std::find(ids.begin(), ids.end(), id) != ids.end()) {
      error = "column " + piece + " is given twice";
      return false;
    }
    ids.push_back(id);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

std::string CellText(UINT columnID, const CEntry& entry, CGroups* groups) {
  const CExtendedItems* items = entry.GetExtendedItems();
  switch (columnID) {
    case ITEM_POSITION:
      return std::to_string(entry.GetPos());
    case ITEM_LOCATION:
      return std::to_string(entry.GetLocation());
    case ITEM_NAME:
      return OneLine(entry.GetName());
    case ITEM_NUMBER:
      return OneLine(entry.GetNum());
    case ITEM_SURNAME:
      return OneLine(entry.GetSurname());
    case ITEM_GROUP: {
      const GroupInfo* group = groups && entry.GetGroupID() ? groups->GetGroupByID(entry.GetGroupID()) : nullptr;
      return group ? OneLine(group->strName) : std::string();
    }
    case ITEM_BIRTHDAY: {
      double birthday = items ? items->GetValueByID(ITEM_BIRTHDAY) : NO_BIRTHDAY;
      return CExtendedItems::IsBirthdaySet(birthday) ? COleDateTime(birthday).Format("%Y-%m-%d").str() : std::string();
    }
    default: {
      const CString* text = items ? items->GetValuePtrByID(columnID) : nullptr;
      return text ? OneLine(*text) : std::string();
    }
  }
}

std::string FormatTable(const std::vector<CEntry*>& entries, CGroups* groups, const TableOptions& options) {
  // The tool is the host here: its strings caption the base columns.
  SorrelRegisterSampleHostStrings();
  auto columns = std::make_unique<CColumnInfos>();
  for (UINT id : options.extraColumns) columns->AddColumn(id, kExtraColumnWidth, LVCFMT_LEFT, NO_LIMIT);
  CMarlowList list(columns.get());
  columns->InsertColumns2Ctrl(list);

  for (CEntry* entry : entries) {
    if (!entry || entry->IsEmpty()) continue;
    int item = list.InsertItem(list.GetItemCount(), entry->GetName());
    list.SetItemData(item, DWORD_PTR(entry));
  }

  // As the host: the stored chain first; a click on another column saves it and
  // starts that column's own chain.
  columns->LoadSecondarySortKeys(kStoredSortKey);
  if (options.sortID != kStoredSortKey && options.sortID != columns->GetColumnIDByPriority(0)) {
    columns->SaveSecondarySortKeys();
    columns->LoadSecondarySortKeys(options.sortID);
  }
  if (options.ascending >= 0) columns->SetSortingDirection(options.ascending);
  SortContext context{columns.get(), groups, columns->IsSortAscending()};
  list.SortItems(&CompareItems, DWORD_PTR(&context));

  std::vector<int> order(size_t(list.GetColumnCount()));
  list.GetColumnOrderArray(order.data(), int(order.size()));

  std::vector<std::vector<std::string>> rows(size_t(list.GetItemCount()) + 1);
  for (int index : order) {
    const ColumnInfo* column = columns->FindColumnByIndexInCtrl(UINT(index));
    std::string caption = ToUtf8(list.GetColumnCaption(index));
    // The synchronisation identifier has no caption of its own.
    if (caption.empty() && column) caption = std::string("#").append(std::to_string(column->nID));
    rows[0].push_back(caption);
    for (int i = 0; i < list.GetItemCount(); ++i) {
      const auto* entry = reinterpret_cast<const CEntry*>(list.GetItemData(i));
      rows[size_t(i) + 1].push_back(column ? CellText(column->nID, *entry, groups) : std::string());
    }
  }

  std::vector<size_t> widths(order.size(), 0);
  for (const auto& row : rows)
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
  FitWidths(widths, options.width);

  std::string out;
  auto emit = [&](const std::vector<std::string>& cells) {
    std::string line;
    for (size_t c = 0; c < cells.size(); ++c) line += (c ? "  " : "") + Fit(cells[c], widths[c]);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  };
  emit(rows[0]);
  std::vector<std::string> rule;
  for (size_t w : widths) rule.emplace_back(w, '-');
  emit(rule);
  for (size_t r = 1; r < rows.size(); ++r) emit(rows[r]);
  return out;  // the column model is destroyed here and writes its settings back
}

void PrintTable(FILE* out, const std::vector<CEntry*>& entries, CGroups* groups, const TableOptions& options) {
  std::string text = FormatTable(entries, groups, options);
  std::fwrite(text.data(), 1, text.size(), out);
}

}  // namespace tool
