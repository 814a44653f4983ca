#include "ListPane.h"

#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

#include <sorrel/COleDateTime.h>
#include <sorrel/ExtendedItems.h>

#include "Book.h"

namespace marlow {

namespace {

constexpr UINT kListID = 1001;
// The header's notifications come from the header itself, whose control id is 0.
constexpr UINT kHeaderID = 0;
constexpr UINT kExtColumnWidth = 100;
// The longest text an extended item takes from the keyboard.
constexpr UINT kExtColumnMaxLen = 80;

struct SortContext {
  CColumnInfos* columns;
  CGroups* groups;
  int ascending;
};

int CompareItems(LPARAM first, LPARAM second, LPARAM context) {
  auto* ctx = reinterpret_cast<SortContext*>(context);
  const int result = ctx->columns->CompareEntries(*reinterpret_cast<CEntry*>(first),
                                                  *reinterpret_cast<CEntry*>(second), ctx->groups);
  return ctx->ascending ? result : -result;
}

// A cell shows one line: a note's line breaks become blanks.
CString OnOneLine(CString text) {
  for (int i = 0; i < text.GetLength(); ++i)
    if (static_cast<unsigned char>(text[i]) < 0x20) text.SetAt(i, ' ');
  return text;
}

}  // namespace

BEGIN_MESSAGE_MAP(ListPane, CWnd)
ON_NOTIFY(HDN_ENDDRAG, kHeaderID, OnHeaderEndDrag)
ON_NOTIFY(HDN_BEGINTRACK, kHeaderID, OnHeaderBeginTrack)
ON_NOTIFY(HDN_ENDTRACK, kHeaderID, OnHeaderEndTrack)
ON_NOTIFY(LVN_COLUMNCLICK, kListID, OnColumnClick)
END_MESSAGE_MAP()

ListPane::ListPane(QWidget* container) {
  Attach(reinterpret_cast<HWND>(container));
  RECT rect{0, 0, container->width(), container->height()};
  m_list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, rect, this, kListID);
  m_header.SubclassWindow(m_list.GetHeaderCtrl()->GetSafeHwnd());
  if (QWidget* list = ListWidget()) {
    auto* layout = container->layout() ? container->layout() : new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list);
  }
}

ListPane::~ListPane() {
  // The column model writes the columns and the sort chain back as it goes.
  m_columns.reset();
  m_header.Detach();
  Detach();
}

QWidget* ListPane::ListWidget() const { return reinterpret_cast<QWidget*>(m_list.GetSafeHwnd()); }

QWidget* ListPane::HeaderWidget() const { return reinterpret_cast<QWidget*>(m_header.GetSafeHwnd()); }

void ListPane::SetExtColumns(const std::vector<UINT>& ids) {
  m_extColumns = ids;
  BuildColumns();
  if (m_book) Fill(m_book, CString());
}

void ListPane::BuildColumns() {
  m_list.DeleteAllItems();
  m_columns.reset();
  while (m_list.GetColumnCount() > 0) m_list.DeleteColumn(m_list.GetColumnCount() - 1);
  m_columns = std::make_unique<CColumnInfos>();
  for (UINT id : m_extColumns) m_columns->AddColumn(id, kExtColumnWidth, LVCFMT_LEFT, kExtColumnMaxLen);
  // Positions stored by hand or by an older column set may leave gaps.
  m_columns->DefragmentColumnsPositions();
  m_columns->InsertColumns2Ctrl(m_list);
  m_list.SetColumnInfos(m_columns.get());
  m_columns->LoadSecondarySortKeys(0xFFFFFFFF);
}

CString ListPane::CellText(UINT columnID, const CEntry& entry) const {
  const CExtendedItems* items = entry.GetExtendedItems();
  CString text;
  switch (columnID) {
    case ITEM_POSITION:
      text.Format("%u", entry.GetPos());
      return text;
    case ITEM_LOCATION:
      text.Format("%u", entry.GetLocation());
      return text;
    case ITEM_NAME:
      return OnOneLine(entry.GetName());
    case ITEM_NUMBER:
      return OnOneLine(entry.GetNum());
    case ITEM_SURNAME:
      return OnOneLine(entry.GetSurname());
    case ITEM_GROUP: {
      const GroupInfo* group = m_book && entry.GetGroupID() ? m_book->groups.GetGroupByID(entry.GetGroupID()) : nullptr;
      return group ? OnOneLine(group->strName) : CString();
    }
    case ITEM_BIRTHDAY: {
      const double date = items ? items->GetValueByID(ITEM_BIRTHDAY) : NO_BIRTHDAY;
      return CExtendedItems::IsBirthdaySet(date) ? COleDateTime(date).Format("%d.%m.%Y") : CString();
    }
    default:
      if (items) items->GetValueByID(columnID, text);
      return OnOneLine(text);
  }
}

void ListPane::FillRow(int item, CEntry* entry) {
  for (int c = 0; c < m_list.GetColumnCount(); ++c) {
    const ColumnInfo* column = m_columns->FindColumnByIndexInCtrl(UINT(c));
    m_list.SetItemText(item, c, column ? CellText(column->nID, *entry) : CString());
  }
}

void ListPane::Fill(Book* book, const CString& filter) {
  m_book = book;
  m_list.DeleteAllItems();
  if (!book) return;
  for (Slot& slot : book->slotList) {
    CEntry* entry = slot.entry.get();
    if (entry->IsEmpty() || (!filter.IsEmpty() && !entry->ContainsSubstr(filter, 0))) continue;
    const int item = m_list.InsertItem(m_list.GetItemCount(), entry->GetName());
    m_list.SetItemData(item, DWORD_PTR(entry));
    FillRow(item, entry);
  }
  Sort();
}

void ListPane::Sort() {
  SortContext context{m_columns.get(), m_book ? &m_book->groups : nullptr, m_columns->IsSortAscending()};
  m_list.SortItems(&CompareItems, DWORD_PTR(&context));
}

void ListPane::Refresh(CEntry* entry) {
  for (int i = 0; i < m_list.GetItemCount(); ++i)
    if (EntryAt(i) == entry) FillRow(i, entry);
}

CEntry* ListPane::EntryAt(int row) const { return reinterpret_cast<CEntry*>(m_list.GetItemData(row)); }

std::vector<CEntry*> ListPane::SelectedEntries() const {
  std::vector<CEntry*> entries;
  for (int i = m_list.GetNextItem(-1, LVNI_SELECTED); i >= 0; i = m_list.GetNextItem(i, LVNI_SELECTED))
    entries.push_back(EntryAt(i));
  return entries;
}

void ListPane::SelectRows(const std::vector<int>& rows) {
  for (int i = 0; i < m_list.GetItemCount(); ++i) {
    const bool on = std::find(rows.begin(), rows.end(), i) != rows.end();
    m_list.SetItemState(i, on ? LVIS_SELECTED : 0, LVIS_SELECTED);
  }
}

std::vector<std::vector<CString>> ListPane::Rows() {
  std::vector<int> order(size_t(m_list.GetColumnCount()));
  if (!order.empty()) m_list.GetColumnOrderArray(order.data(), int(order.size()));
  std::vector<std::vector<CString>> rows(size_t(m_list.GetItemCount()) + 1);
  for (int index : order) {
    rows[0].push_back(m_list.GetColumnCaption(index));
    for (int i = 0; i < m_list.GetItemCount(); ++i) rows[size_t(i) + 1].push_back(m_list.GetItemText(i, index));
  }
  return rows;
}

// The release that ends a caption drag is being processed: the header learns
// where the caption went, and the column model moves the column there.
void ListPane::OnHeaderEndDrag(NMHDR*, LRESULT* pResult) {
  m_header.OnEndDrag();
  UINT to = 0xFFFFFFFF;
  UINT from = 0xFFFFFFFF;
  m_header.GetMovedIndexes(&to, &from);
  const int count = m_list.GetColumnCount();
  if (to != 0xFFFFFFFF && from != 0xFFFFFFFF && int(to) < count && int(from) < count) {
    std::vector<int> order(static_cast<size_t>(count));
    m_list.GetColumnOrderArray(order.data(), count);
    m_columns->MoveColumns(UINT(order[to]), UINT(order[from]), m_list);
  }
  *pResult = TRUE;  // the header itself never reorders
}

void ListPane::OnHeaderBeginTrack(NMHDR*, LRESULT* pResult) {
  m_header.SetTrack(1);
  *pResult = FALSE;
}

void ListPane::OnHeaderEndTrack(NMHDR* pNMHDR, LRESULT* pResult) {
  m_header.SetTrack(0);
  const auto* header = reinterpret_cast<NMHEADER*>(pNMHDR);
  if (header->pitem && header->iItem >= 0) m_columns->SetColumnWidth(UINT(header->iItem), UINT(header->pitem->cxy));
  *pResult = FALSE;
}

// A click on a caption sorts by that column: the chain remembered for it, or the
// other direction when it already is the primary key.
void ListPane::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
  const auto* view = reinterpret_cast<NMLISTVIEW*>(pNMHDR);
  const ColumnInfo* column = m_columns->FindColumnByIndexInCtrl(UINT(view->iSubItem));
  if (column) {
    if (column->nID == m_columns->GetColumnIDByPriority(0)) {
      m_columns->SetSortingDirection(!m_columns->IsSortAscending());
    } else {
      m_columns->SaveSecondarySortKeys();
      m_columns->LoadSecondarySortKeys(column->nID);
    }
    Sort();
    if (onSorted) onSorted();
  }
  *pResult = 0;
}

}  // namespace marlow
