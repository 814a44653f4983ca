// CSV export of an entry and the splitting of an entry into single-number
// entries. Which extended items a line carries is decided by the host's columns.
#include <charconv>
#include <cstdint>
#include <memory>

#include "model/ItemLists.h"
#include "model/Captions.h"
#include "sorrel/ColumnInfos.h"
#include "sorrel/Entry.h"

namespace {

// The caption a split entry is named with: the host's column caption, or,
// without such a column, the caption that column would have had.
CString SplitCaption(CColumnInfos* columns, UINT id) {
  if (const ColumnInfo* column = columns ? columns->FindColumnByID(id) : nullptr) return column->strCaption;
  CString caption;
  sorrel::LoadItemCaption(id, caption);
  return caption;
}

// The ids 0 to 31 that have a column, as bits: one pass over the columns in
// place of a lookup per item. Any column of an id counts, as a lookup by id
// finds one.
uint32_t ShownIDs(CColumnInfos* columns) {
  uint32_t shown = 0;
  if (!columns) return shown;
  for (const ColumnInfo* column : *columns->GetColumnsArray())
    if (column && column->nID < 32) shown |= uint32_t(1) << column->nID;
  return shown;
}

// A value as "%s" writes it: up to its first zero byte.
void AppendAsText(CString& out, const CString& value) {
  std::string_view text = value.view();
  out.str().append(text.substr(0, text.find('\0')));
}

}  // namespace

void CEntry::GetAsCSV(CColumnInfos* columns, CString& out) const {
  if (!m_pExtItems) {
    if (m_bAllowsNameSurnameDivision)
      out.Format("%s,%s,%s\r\n", static_cast<LPCSTR>(m_strName), static_cast<LPCSTR>(m_strSurname),
                 static_cast<LPCSTR>(m_strNum));
    else
      out.Format("%s,%s\r\n", static_cast<LPCSTR>(m_strName), static_cast<LPCSTR>(m_strNum));
    return;
  }

  // Values go out as "%s" would write them: up to a zero byte, with no quoting,
  // so a comma inside a value shifts the fields after it.
  const uint32_t shown = ShownIDs(columns);
  auto isShown = [shown](UINT id) { return (shown >> id) & 1; };
  out.Empty();
  AppendAsText(out, m_strName);
  out += ',';
  if (m_bAllowsNameSurnameDivision) {
    AppendAsText(out, m_strSurname);
    out += ',';
  }
  AppendAsText(out, m_strNum);
  out += ',';
  // The order of the ids, not the columns' display order.
  for (UINT id : sorrel::kVisibleTextItems) {
    if (!isShown(id)) continue;
    if (const CString* value = m_pExtItems->GetValuePtrByID(id)) AppendAsText(out, *value);
    out += ',';
  }
  if (isShown(ITEM_BIRTHDAY)) {
    // "%lf": the day number with six decimals, in any locale. The buffer holds
    // the longest a double can be written so.
    char number[400];
    auto written = std::to_chars(number, number + sizeof number, m_pExtItems->GetValueByID(ITEM_BIRTHDAY),
                                 std::chars_format::fixed, 6);
    out.str().append(number, written.ptr);
    out += ',';
  }
  out.Delete(out.GetLength() - 1);  // the last comma
  out += "\r\n";
}

void CEntry::SplitExtEntries2Singles(CArray<CEntry*, CEntry*>* entries, CColumnInfos* columns) {
  if (!m_pExtItems) return;
  for (UINT id : sorrel::kNumberItems) {
    const CString* number = m_pExtItems->GetValuePtrByID(id);
    if (!number || number->IsEmpty()) continue;
    auto single = std::make_unique<CEntry>(0, 0);
    CString name;
    name.Format("%s (%s)", static_cast<LPCSTR>(m_strName), static_cast<LPCSTR>(SplitCaption(columns, id)));
    single->SetName(name, NO_LIMIT);
    single->SetNum(*number, NO_LIMIT);
    single->ClearChangedFlag();
    // Without a list to take them, the new entries are not made at all.
    if (entries) entries->Add(single.release());
  }
  // Every extended item goes, numbers and the rest alike: each entry now holds
  // one number.
  m_pExtItems->Clear();
  delete m_pExtItems;
  m_pExtItems = nullptr;
}
