// The header control of a report-view list: one item per column, shown in the
// list's column order. Its items are the list's columns (a header that belongs to
// no list has none); a class derived from it (CMyHeader) watches the mouse through
// its message map and lets the control's default processing do the rest: a press
// on a caption and a move with the button down drag the caption, and the release
// tells the parent (HDN_ENDDRAG); a press within 3 pixels of a divider resizes the
// column on its left (HDN_BEGINTRACK ... HDN_ENDTRACK); a press and release without
// a move is a click (HDN_ITEMCLICK, which the list passes on as LVN_COLUMNCLICK).
// The header never reorders its items itself: the host moves the column.
#pragma once

#include "sorrel/Wnd.h"

typedef struct HBITMAP__* HBITMAP;

// Header messages.
#define HDM_FIRST 0x1200
#define HDM_GETITEMCOUNT (HDM_FIRST + 0)
#define HDM_GETITEMA (HDM_FIRST + 3)
#define HDM_GETITEM HDM_GETITEMA
#define HDM_GETITEMRECT (HDM_FIRST + 7)
#define HDM_ORDERTOINDEX (HDM_FIRST + 15)
#define HDM_GETORDERARRAY (HDM_FIRST + 17)

// Fields of HDITEMA.
#define HDI_WIDTH 0x0001
#define HDI_HEIGHT HDI_WIDTH
#define HDI_TEXT 0x0002
#define HDI_FORMAT 0x0004
#define HDI_LPARAM 0x0008
#define HDI_ORDER 0x0080

// Header notifications (WM_NOTIFY to the list, which passes them to its parent).
#define HDN_FIRST (0U - 300U)
#define HDN_ITEMCLICKA (HDN_FIRST - 2)
#define HDN_ITEMCLICK HDN_ITEMCLICKA
#define HDN_BEGINTRACKA (HDN_FIRST - 6)
#define HDN_BEGINTRACK HDN_BEGINTRACKA
#define HDN_ENDTRACKA (HDN_FIRST - 7)
#define HDN_ENDTRACK HDN_ENDTRACKA
#define HDN_BEGINDRAG (HDN_FIRST - 10)
#define HDN_ENDDRAG (HDN_FIRST - 11)

struct HDITEMA {
  UINT mask;
  int cxy;
  LPSTR pszText;
  HBITMAP hbm;
  int cchTextMax;
  int fmt;
  LPARAM lParam;
  int iImage;
  int iOrder;
};
typedef HDITEMA HDITEM;
typedef HDITEMA* LPHDITEM;

// iItem: the column the notification is about (HDN_ENDDRAG: the dragged caption's;
// HDN_ENDTRACK: the resized column's, with its new width in pitem->cxy).
struct NMHEADERA {
  NMHDR hdr;
  int iItem;
  int iButton;
  HDITEMA* pitem;
};
typedef NMHEADERA NMHEADER;
typedef NMHEADERA* LPNMHEADER;

typedef int* LPINT;
class CListCtrl;

class SORREL_API CHeaderCtrl : public CWnd {
  DECLARE_DYNAMIC(CHeaderCtrl)

 public:
  CHeaderCtrl();
  ~CHeaderCtrl() override;

  int GetItemCount() const;
  // Fills what pHeaderItem->mask asks for (HDI_WIDTH, HDI_TEXT, HDI_FORMAT,
  // HDI_ORDER); FALSE for an item that does not exist.
  BOOL GetItem(int nPos, HDITEMA* pHeaderItem) const;
  // The index of the item shown at display position nOrder; nOrder itself when
  // there is no such position (as the Windows control answers).
  int OrderToIndex(int nOrder) const;
  BOOL GetOrderArray(LPINT piArray, int iCount) const;
  // The item's rectangle in the header's client coordinates, from the widths in
  // display order.
  BOOL GetItemRect(int nIndex, LPRECT lpRect) const;

  // The header messages answered from the list's columns; the mouse messages
  // handled by the widget.
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  CListCtrl* OwnerList() const;
};
