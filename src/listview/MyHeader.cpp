#include "sorrel/MyHeader.h"

namespace {
constexpr UINT kNone = 0xFFFFFFFF;
}

BEGIN_MESSAGE_MAP(CMyHeader, CHeaderCtrl)
ON_WM_LBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

CMyHeader::CMyHeader() = default;
CMyHeader::~CMyHeader() = default;

void CMyHeader::SetTrack(int bTrack) { m_bTrack = bTrack; }

void CMyHeader::OnLButtonDown(UINT nFlags, CPoint point) {
  m_ptDown = point;
  CHeaderCtrl::OnLButtonDown(nFlags, point);
}

void CMyHeader::OnMouseMove(UINT nFlags, CPoint point) {
  // The first move with the button held starts the drag; the source is the
  // caption under the press, not under the mouse now.
  if (!m_bTrack && (nFlags & MK_LBUTTON) && !m_bDragging) {
    m_bDragging = TRUE;
    const LRESULT count = SendMessage(HDM_GETITEMCOUNT);
    m_nItems = count > 0 ? UINT(count) : 0;
    m_pWidths = std::make_unique<UINT[]>(m_nItems);
    GetItemWidthsInOrder();
    m_nDragFrom = HitTestPos(m_ptDown);
  }
  CHeaderCtrl::OnMouseMove(nFlags, point);
}

void CMyHeader::OnLButtonUp(UINT nFlags, CPoint point) {
  m_ptUp = point;
  // The default processing ends the control's caption drag and tells the parent,
  // whose handler calls OnEndDrag now, while the drag is still registered.
  CHeaderCtrl::OnLButtonUp(nFlags, point);
  if (m_bDragging) m_bDragging = FALSE;
}

void CMyHeader::OnEndDrag() {
  if (m_bTrack || m_bDragging != TRUE) return;
  m_bDragging = FALSE;
  m_nDragTo = m_nDragFrom == kNone ? kNone : GetDropPos(m_ptUp);
  m_nItems = 0;
  m_pWidths.reset();
}

void CMyHeader::GetMovedIndexes(UINT* pnDragTo, UINT* pnDragFrom) {
  if (pnDragTo) *pnDragTo = m_nDragTo;
  if (pnDragFrom) *pnDragFrom = m_nDragFrom;
}

void CMyHeader::GetItemWidthsInOrder() {
  for (UINT k = 0; k < m_nItems; ++k) {
    const int index = int(SendMessage(HDM_ORDERTOINDEX, WPARAM(k)));
    HDITEMA item{};
    item.mask = HDI_WIDTH;
    SendMessage(HDM_GETITEMA, WPARAM(index), LPARAM(&item));
    m_pWidths[k] = UINT(item.cxy);
  }
}

UINT CMyHeader::HitTestPos(CPoint point) const {
  if (point.x <= 0) return kNone;
  LONG sum = 0;
  for (UINT k = 0; k < m_nItems; ++k) {
    sum += LONG(m_pWidths[k]);
    if (point.x <= sum) return k;
  }
  return kNone;
}

UINT CMyHeader::GetDropPos(CPoint point) const {
  if (HitTestPos(point) == m_nDragFrom) return kNone;
  LONG left = 0;
  for (UINT k = 0; k < m_nItems; ++k) {
    const LONG mid = left + LONG(m_pWidths[k]) / 2;
    // Taking the caption out of its place shifts the later ones left by one.
    if (point.x < mid) return LONG(m_nDragFrom) >= LONG(k) ? k : k - 1;
    left += LONG(m_pWidths[k]);
  }
  return m_nItems == 0 ? kNone : m_nItems - 1;
}
