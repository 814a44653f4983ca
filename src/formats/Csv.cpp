// CSV export of an entry and the splitting of an entry into single-number
// entries. Which extended items a line carries is decided by the host's columns.
#include <memory>

#include "model/ItemLists.h"
#include "platform/Resources.h"
#include "sorrel/ColumnInfos.h"
#include "sorrel/Entry.h"

namespace {

ColumnInfo* FindColumn(CColumnInfos* columns, UINT id) { return columns ? columns->FindColumnByID(id) : nullptr; }

// The caption a split entry is named with: the host's column caption, or,
// without such a column, the caption that column would have had.
CString SplitCaption(CColumnInfos* columns, UINT id) {
  if (const ColumnInfo* column = FindColumn(columns, id)) return column->strCaption;
  CString caption;
  sorrel::LoadCaption(id <= ITEM_URL ? id - 4 : id - 5, caption);
  return caption;
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
  out = static_cast<LPCSTR>(m_strName);
  out += ',';
  if (m_bAllowsNameSurnameDivision) {
    out += static_cast<LPCSTR>(m_strSurname);
    out += ',';
  }
  out += static_cast<LPCSTR>(m_strNum);
  out += ',';
  // The order of the ids, not the columns' display order.
  for (UINT id : sorrel::kVisibleTextItems) {
    if (!FindColumn(columns, id)) continue;
    if (const CString* value = m_pExtItems->GetValuePtrByID(id)) out += static_cast<LPCSTR>(*value);
    out += ',';
  }
  if (FindColumn(columns, ITEM_BIRTHDAY)) out.AppendFormat("%lf,", m_pExtItems->GetValueByID(ITEM_BIRTHDAY));
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
