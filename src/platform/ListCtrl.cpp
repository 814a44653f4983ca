#include "sorrel/ListCtrl.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/Toolkit.h"

using sorrel::win::ListChange;

struct CListCtrl::Column {
  std::string caption;
  int format = LVCFMT_LEFT;
  int width = 0;
  int subItem = -1;
};

struct CListCtrl::Item {
  std::vector<std::string> texts;  // sub-item 0 is the item's own text
  DWORD_PTR data = 0;
  UINT state = 0;
};

IMPLEMENT_DYNAMIC(CListCtrl, CWnd)
IMPLEMENT_DYNAMIC(CMarlowList, CListCtrl)

CListCtrl::CListCtrl() = default;

CListCtrl::~CListCtrl() {
  // The view reads the items: it goes before them.
  if (m_hWnd) DestroyWindow();
}

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  if (m_hWnd || !pParentWnd || !pParentWnd->m_hWnd) return FALSE;
  sorrel::win::Params params;
  params.kind = sorrel::win::Kind::ListView;
  params.owner = this;
  params.style = dwStyle | WS_CHILD;
  params.rect = rect;
  params.parent = pParentWnd->m_hWnd;
  params.id = nID;
  if (!sorrel::wnd::CreateFor(this, params)) return FALSE;
  m_header.Attach(sorrel::TheToolkit().ListHeader(m_hWnd));
  return TRUE;
}

CHeaderCtrl* CListCtrl::GetHeaderCtrl() { return &m_header; }

void CListCtrl::Changed(int what, int first, int last) {
  if (m_hWnd) sorrel::TheToolkit().ListChanged(m_hWnd, ListChange(what), first, last);
}

bool CListCtrl::HasColumn(int nCol) const { return nCol >= 0 && size_t(nCol) < m_columns.size(); }
bool CListCtrl::HasItem(int nItem) const { return nItem >= 0 && size_t(nItem) < m_items.size(); }

int CListCtrl::InsertColumn(int nCol, LPCSTR lpszColumnHeading, int nFormat, int nWidth, int nSubItem) {
  if (nCol < 0) return -1;
  int index = std::min(nCol, GetColumnCount());
  auto column = std::make_unique<Column>();
  column->caption = lpszColumnHeading ? lpszColumnHeading : "";
  column->format = nFormat;
  column->width = nWidth < 0 ? 0 : nWidth;
  column->subItem = nSubItem;
  m_columns.insert(m_columns.begin() + index, std::move(column));
  // The columns behind the new one move up one index; the new one is shown at
  // the position of its index, as a fresh header places it.
  for (int& shown : m_order)
    if (shown >= index) ++shown;
  m_order.insert(m_order.begin() + std::min<size_t>(size_t(index), m_order.size()), index);
  Changed(int(ListChange::Columns));
  return index;
}

BOOL CListCtrl::DeleteColumn(int nCol) {
  if (!HasColumn(nCol)) return FALSE;
  m_columns.erase(m_columns.begin() + nCol);
  m_order.erase(std::find(m_order.begin(), m_order.end(), nCol));
  for (int& shown : m_order)
    if (shown > nCol) --shown;
  Changed(int(ListChange::Columns));
  return TRUE;
}

int CListCtrl::GetColumnCount() const { return int(m_columns.size()); }

BOOL CListCtrl::GetColumn(int nCol, LVCOLUMNA* pColumn) const {
  if (!HasColumn(nCol) || !pColumn) return FALSE;
  const Column& c = *m_columns[size_t(nCol)];
  if (pColumn->mask & LVCF_FMT) pColumn->fmt = c.format;
  if (pColumn->mask & LVCF_WIDTH) pColumn->cx = c.width;
  if ((pColumn->mask & LVCF_TEXT) && pColumn->pszText && pColumn->cchTextMax > 0) {
    size_t n = std::min(c.caption.size(), size_t(pColumn->cchTextMax - 1));
    std::memcpy(pColumn->pszText, c.caption.data(), n);
    pColumn->pszText[n] = '\0';
  }
  if (pColumn->mask & LVCF_SUBITEM) pColumn->iSubItem = c.subItem;
  if (pColumn->mask & LVCF_ORDER)
    pColumn->iOrder = int(std::find(m_order.begin(), m_order.end(), nCol) - m_order.begin());
  return TRUE;
}

CString CListCtrl::GetColumnCaption(int nCol) const {
  return HasColumn(nCol) ? CString(std::string_view(m_columns[size_t(nCol)]->caption)) : CString();
}

int CListCtrl::GetColumnWidth(int nCol) const { return HasColumn(nCol) ? m_columns[size_t(nCol)]->width : 0; }

BOOL CListCtrl::SetColumnWidth(int nCol, int cx) {
  if (!HasColumn(nCol)) return FALSE;
  m_columns[size_t(nCol)]->width = cx < 0 ? 0 : cx;
  Changed(int(ListChange::Width), nCol);
  return TRUE;
}

BOOL CListCtrl::SetColumnOrderArray(int iCount, LPINT piArray) {
  if (!piArray || iCount != GetColumnCount()) return FALSE;
  std::vector<int> order(piArray, piArray + iCount);
  std::vector<bool> seen(size_t(iCount), false);
  for (int index : order) {
    if (index < 0 || index >= iCount || seen[size_t(index)]) return FALSE;
    seen[size_t(index)] = true;
  }
  m_order = std::move(order);
  Changed(int(ListChange::Order));
  return TRUE;
}

BOOL CListCtrl::GetColumnOrderArray(LPINT piArray, int iCount) const {
  if (iCount == -1) iCount = GetColumnCount();
  if (!piArray || iCount < GetColumnCount()) return FALSE;
  std::copy(m_order.begin(), m_order.end(), piArray);
  return TRUE;
}

int CListCtrl::GetItemCount() const { return int(m_items.size()); }

int CListCtrl::InsertItem(int nItem, LPCSTR lpszItem) {
  if (nItem < 0) return -1;
  int index = std::min(nItem, GetItemCount());
  auto item = std::make_unique<Item>();
  item->texts.emplace_back(lpszItem ? lpszItem : "");
  m_items.insert(m_items.begin() + index, std::move(item));
  Changed(int(ListChange::Items));
  return index;
}

BOOL CListCtrl::DeleteItem(int nItem) {
  if (!HasItem(nItem)) return FALSE;
  m_items.erase(m_items.begin() + nItem);
  Changed(int(ListChange::Items));
  return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
  m_items.clear();
  Changed(int(ListChange::Items));
  return TRUE;
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCSTR lpszText) {
  if (!HasItem(nItem) || nSubItem < 0) return FALSE;
  std::vector<std::string>& texts = m_items[size_t(nItem)]->texts;
  if (size_t(nSubItem) >= texts.size()) texts.resize(size_t(nSubItem) + 1);
  texts[size_t(nSubItem)] = lpszText ? lpszText : "";
  Changed(int(ListChange::ItemText), nItem, nItem);
  return TRUE;
}

CString CListCtrl::GetItemText(int nItem, int nSubItem) const {
  if (!HasItem(nItem) || nSubItem < 0) return CString();
  const std::vector<std::string>& texts = m_items[size_t(nItem)]->texts;
  return size_t(nSubItem) < texts.size() ? CString(std::string_view(texts[size_t(nSubItem)])) : CString();
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData) {
  if (!HasItem(nItem)) return FALSE;
  m_items[size_t(nItem)]->data = dwData;
  return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const { return HasItem(nItem) ? m_items[size_t(nItem)]->data : 0; }

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
  if (!HasItem(nItem)) return FALSE;
  UINT& state = m_items[size_t(nItem)]->state;
  const UINT old = state;
  state = (state & ~nMask) | (nState & nMask);
  if (state != old) Changed(int(ListChange::Selection), nItem, nItem);
  return TRUE;
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const {
  return HasItem(nItem) ? m_items[size_t(nItem)]->state & nMask : 0;
}

UINT CListCtrl::GetSelectedCount() const {
  return UINT(std::count_if(m_items.begin(), m_items.end(),
                            [](const std::unique_ptr<Item>& item) { return item->state & LVIS_SELECTED; }));
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const {
  UINT wanted = 0;
  if (nFlags & LVNI_SELECTED) wanted |= LVIS_SELECTED;
  if (nFlags & LVNI_FOCUSED) wanted |= LVIS_FOCUSED;
  int start = nItem < 0 ? 0 : nItem + 1;
  for (int i = start; i < GetItemCount(); ++i)
    if ((m_items[size_t(i)]->state & wanted) == wanted) return i;
  return -1;
}

BOOL CListCtrl::SortItems(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData) {
  if (!pfnCompare) return FALSE;
  std::stable_sort(m_items.begin(), m_items.end(),
                   [&](const std::unique_ptr<Item>& a, const std::unique_ptr<Item>& b) {
                     return pfnCompare(LPARAM(a->data), LPARAM(b->data), LPARAM(dwData)) < 0;
                   });
  Changed(int(ListChange::Items));
  return TRUE;
}

// The view, when there is one, redraws the rows.
BOOL CListCtrl::RedrawItems(int nFirst, int nLast) {
  Changed(int(ListChange::Redraw), nFirst, nLast);
  return TRUE;
}

LRESULT CListCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NOTIFY:
      return ForwardHeaderNotification(reinterpret_cast<NMHDR*>(lParam));
    case LVM_GETITEMCOUNT:
      return GetItemCount();
    case LVM_REDRAWITEMS:
      return RedrawItems(int(wParam), int(lParam));
    case LVM_GETSELECTEDCOUNT:
      return LRESULT(GetSelectedCount());
    case LVM_GETNEXTITEM:
      // The flags travel in the low word of lParam.
      return GetNextItem(int(wParam), int(lParam & 0xFFFF));
    case LVM_SETCOLUMNORDERARRAY:
      return SetColumnOrderArray(int(wParam), reinterpret_cast<LPINT>(lParam));
    case LVM_GETCOLUMNORDERARRAY:
      return GetColumnOrderArray(reinterpret_cast<LPINT>(lParam), int(wParam));
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}

LRESULT CListCtrl::ForwardHeaderNotification(NMHDR* hdr) {
  CWnd* parent = GetParent();
  if (!hdr || !parent || !m_header.m_hWnd || hdr->hwndFrom != m_header.m_hWnd) return 0;
  if (hdr->code != HDN_ITEMCLICK) return parent->SendMessage(WM_NOTIFY, hdr->idFrom, LPARAM(hdr));
  // A caption click is the list's own column click.
  NMLISTVIEW nm{};
  nm.hdr = NMHDR{m_hWnd, UINT_PTR(GetDlgCtrlID()), LVN_COLUMNCLICK};
  nm.iItem = -1;
  nm.iSubItem = reinterpret_cast<NMHEADERA*>(hdr)->iItem;
  return parent->SendMessage(WM_NOTIFY, WPARAM(GetDlgCtrlID()), LPARAM(&nm));
}
