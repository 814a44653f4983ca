#include "sorrel/Printing.h"

IMPLEMENT_DYNAMIC(CPrintablePBEntry, CPrintableEntry)

namespace {

constexpr UINT kCompany = 13;
constexpr UINT kSyncId = 28;  // hidden: never printed

}  // namespace

void CPrintablePBEntry::SetEntryPtr(unsigned long record) { m_pEntry = reinterpret_cast<CEntry*>(record); }

void CPrintablePBEntry::GetNameLine(CString& out) {
  out = m_pEntry->GetSurname();
  if (!out.IsEmpty()) out += ' ';
  out += m_pEntry->GetName();
  if (out.IsEmpty() && m_pEntry->GetExtendedItems() != nullptr)
    m_pEntry->GetExtendedItems()->GetValueByID(kCompany, out);
  // An entry with no name line has its number left out too.
  if (!out.IsEmpty() && !m_pEntry->GetNum().IsEmpty()) out += ": " + m_pEntry->GetNum();
}

void CPrintablePBEntry::GetItemLine(CString& out, unsigned int id, CExtendedItems* items, CColumnInfos* columns,
                                    unsigned int width, CArray<UINT, UINT>& starts) {
  items->GetValueByID(id, out);
  if (!out.IsEmpty()) {
    ColumnInfo* column = columns->FindColumnByID(id);
    out = (column != nullptr ? column->strCaption : CString()) + ": " + out;
  }
  WrapText(out, int(width), starts);
}

int CPrintablePBEntry::PrintItems(int x, int y, unsigned int width, int draw) {
  CExtendedItems* items = m_pEntry->GetExtendedItems();
  if (items == nullptr) return 0;
  auto* list = dynamic_cast<CMarlowList*>(m_pList);
  CColumnInfos* columns = list != nullptr ? list->GetColumnInfos() : nullptr;
  if (columns == nullptr) return 0;
  int count = 0;
  CArray<UINT, UINT> starts;
  CString line;
  const INT_PTR n = columns->GetColumnsArray()->GetSize();
  for (INT_PTR p = 0; p < n; ++p) {
    ColumnInfo* column = columns->FindColumnByPosInCtrl(UINT(p));
    if (column == nullptr) continue;
    const UINT id = column->nID;
    if (columns->IsIDBase(id) || id == kSyncId) continue;
    GetItemLine(line, id, items, columns, width, starts);
    if (line.IsEmpty()) continue;
    // Indented by one line height; the first wrapping has already made the
    // line's CRs and LFs blanks, so they never force a break here.
    starts.RemoveAll();
    WrapText(line, int(width) - int(m_nLineHeight), starts);
    count += int(starts.GetSize());
    if (draw) y += int(DrawLines(x + int(m_nLineHeight), y, line, starts));
  }
  return count;
}

unsigned int CPrintablePBEntry::GetEntryHeight(unsigned int width) {
  if (m_nLineHeight == 0) MeasureLineHeight();
  CString name;
  CArray<UINT, UINT> starts;
  GetNameLine(name);
  WrapText(name, int(width), starts);
  const UINT lines = UINT(starts.GetSize()) + UINT(PrintItems(0, 0, width, 0));
  return m_nLineHeight * lines + m_nLineHeight / 2;
}

void CPrintablePBEntry::Print(unsigned int x, unsigned int y, unsigned int width) {
  CString name;
  CArray<UINT, UINT> starts;
  GetNameLine(name);
  WrapText(name, int(width), starts);
  const UINT drawn = DrawLines(int(x), int(y), name, starts);
  PrintItems(int(x), int(y + drawn), width, 1);
}
