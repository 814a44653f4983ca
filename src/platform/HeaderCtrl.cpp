#include "sorrel/HeaderCtrl.h"

#include <cstring>
#include <vector>

#include "sorrel/ListCtrl.h"

IMPLEMENT_DYNAMIC(CHeaderCtrl, CWnd)

CHeaderCtrl::CHeaderCtrl() = default;
CHeaderCtrl::~CHeaderCtrl() = default;

CListCtrl* CHeaderCtrl::OwnerList() const {
  CWnd* parent = GetParent();
  return parent && parent->IsKindOf(RUNTIME_CLASS(CListCtrl)) ? static_cast<CListCtrl*>(parent) : nullptr;
}

int CHeaderCtrl::GetItemCount() const {
  return int(const_cast<CHeaderCtrl*>(this)->SendMessage(HDM_GETITEMCOUNT));
}

BOOL CHeaderCtrl::GetItem(int nPos, HDITEMA* pHeaderItem) const {
  return BOOL(const_cast<CHeaderCtrl*>(this)->SendMessage(HDM_GETITEMA, WPARAM(nPos), LPARAM(pHeaderItem)));
}

int CHeaderCtrl::OrderToIndex(int nOrder) const {
  return int(const_cast<CHeaderCtrl*>(this)->SendMessage(HDM_ORDERTOINDEX, WPARAM(nOrder)));
}

BOOL CHeaderCtrl::GetOrderArray(LPINT piArray, int iCount) const {
  return BOOL(const_cast<CHeaderCtrl*>(this)->SendMessage(HDM_GETORDERARRAY, WPARAM(iCount), LPARAM(piArray)));
}

BOOL CHeaderCtrl::GetItemRect(int nIndex, LPRECT lpRect) const {
  return BOOL(const_cast<CHeaderCtrl*>(this)->SendMessage(HDM_GETITEMRECT, WPARAM(nIndex), LPARAM(lpRect)));
}

LRESULT CHeaderCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message < HDM_FIRST || message > HDM_GETORDERARRAY) return CWnd::DefWindowProc(message, wParam, lParam);
  CListCtrl* list = OwnerList();
  const int count = list ? list->GetColumnCount() : 0;
  std::vector<int> order(static_cast<size_t>(count));
  if (count > 0) list->GetColumnOrderArray(order.data(), count);
  switch (message) {
    case HDM_GETITEMCOUNT:
      return count;
    case HDM_ORDERTOINDEX: {
      const int pos = int(wParam);
      return pos >= 0 && pos < count ? order[size_t(pos)] : pos;
    }
    case HDM_GETORDERARRAY: {
      auto* out = reinterpret_cast<int*>(lParam);
      if (!out || int(wParam) != count) return FALSE;
      std::memcpy(out, order.data(), order.size() * sizeof(int));
      return TRUE;
    }
    case HDM_GETITEMA: {
      auto* item = reinterpret_cast<HDITEMA*>(lParam);
      const int index = int(wParam);
      if (!item || index < 0 || index >= count) return FALSE;
      LVCOLUMNA column{};
      char text[256] = "";
      column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_ORDER;
      column.pszText = text;
      column.cchTextMax = int(sizeof text);
      list->GetColumn(index, &column);
      if (item->mask & HDI_WIDTH) item->cxy = column.cx;
      if (item->mask & HDI_FORMAT) item->fmt = column.fmt;
      if (item->mask & HDI_ORDER) item->iOrder = column.iOrder;
      if ((item->mask & HDI_TEXT) && item->pszText && item->cchTextMax > 0) {
        std::strncpy(item->pszText, text, size_t(item->cchTextMax - 1));
        item->pszText[item->cchTextMax - 1] = '\0';
      }
      return TRUE;
    }
    case HDM_GETITEMRECT: {
      auto* rect = reinterpret_cast<RECT*>(lParam);
      const int index = int(wParam);
      if (!rect || index < 0 || index >= count) return FALSE;
      RECT client{0, 0, 0, 0};
      GetClientRect(&client);
      int left = 0;
      for (int pos = 0; pos < count; ++pos) {
        const int width = list->GetColumnWidth(order[size_t(pos)]);
        if (order[size_t(pos)] == index) {
          *rect = RECT{left, 0, left + width, client.bottom};
          return TRUE;
        }
        left += width;
      }
      return FALSE;
    }
    default:
      return 0;
  }
}
