// The header of the phone book list: it watches the mouse while the user drags a
// column caption and works out from which display position the caption was taken
// and to which position it goes, by the midpoint rule.
//
// The host puts it over its list's header and ends the drag from the header's
// end-of-drag notification, which arrives while the button release is processed:
//
//   m_header.SubclassWindow(m_list.GetHeaderCtrl()->GetSafeHwnd());
//   ...
//   ON_NOTIFY(HDN_ENDDRAG, 0, OnHeaderEndDrag)        // in the list's parent
//   void OnHeaderEndDrag(NMHDR*, LRESULT* pResult) {
//     m_header.OnEndDrag();
//     UINT to, from;
//     m_header.GetMovedIndexes(&to, &from);           // display positions
//     if (to != 0xFFFFFFFF) { order[] = the list's column order array;
//       m_columns.MoveColumns(order[to], order[from], m_list); }
//     *pResult = TRUE;
//   }
//
// and keeps SetTrack in step with divider drags (HDN_BEGINTRACK sets it,
// HDN_ENDTRACK clears it), so that resizing a column is never taken for a drag.
#pragma once

#include <memory>

#include "sorrel/HeaderCtrl.h"

class SORREL_API CMyHeader : public CHeaderCtrl {
 public:
  CMyHeader();
  virtual ~CMyHeader();

  // While non-zero no drag is registered and OnEndDrag does nothing.
  void SetTrack(int bTrack);
  // Ends a registered drag: the target position from the release point.
  void OnEndDrag();
  // The target position (0xFFFFFFFF: nothing moves) and the source position of
  // the last drag that OnEndDrag ended. Before the first one both are 0xFFFFFFFF.
  void GetMovedIndexes(UINT* pnDragTo, UINT* pnDragFrom);

 protected:
  afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnMouseMove(UINT nFlags, CPoint point);
  afx_msg void OnLButtonUp(UINT nFlags, CPoint point);

  // The display position under point.x in the width snapshot; 0xFFFFFFFF left of
  // the first caption (x <= 0) and right of the last.
  UINT HitTestPos(CPoint point) const;
  // Where a caption dropped at point.x goes: the first position whose midpoint
  // lies right of x, one less when the caption comes from further left.
  UINT GetDropPos(CPoint point) const;
  // The snapshot: the width of the caption at each display position.
  void GetItemWidthsInOrder();

  BOOL m_bDragging = FALSE;
  BOOL m_bTrack = FALSE;
  UINT m_nDragFrom = 0xFFFFFFFF;
  UINT m_nDragTo = 0xFFFFFFFF;
  UINT m_nItems = 0;
  std::unique_ptr<UINT[]> m_pWidths;
  CPoint m_ptDown;
  CPoint m_ptUp;

  DECLARE_MESSAGE_MAP()
};
