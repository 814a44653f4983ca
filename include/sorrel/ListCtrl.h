// The report-view list control that hosts hand to the library. The control keeps
// its columns, order array and items itself; the library talks to it as to the
// Windows control: columns with an order array, items with a data value and a
// selection state, and the messages for the item count, the selection walk and
// redrawing. Without a window (the tool, a test) that is all it is. Created in a
// parent window (Create), it is also shown as a report view that follows every
// change, and what the user does comes back through the same members: a click on an
// item selects it (SetItemState) and tells the parent (NM_CLICK, LVN_ITEMCHANGED), a
// divider drag sets the column's width (SetColumnWidth), a caption click becomes
// LVN_COLUMNCLICK, and the header's other notifications (HDN_ENDDRAG, HDN_BEGINTRACK,
// HDN_ENDTRACK) are passed on to the parent as they are.
#pragma once

#include <memory>
#include <vector>

#include "sorrel/CObject.h"
#include "sorrel/CString.h"
#include "sorrel/HeaderCtrl.h"
#include "sorrel/Wnd.h"

class CColumnInfos;

// Column formats.
#define LVCFMT_LEFT 0x0000
#define LVCFMT_RIGHT 0x0001
#define LVCFMT_CENTER 0x0002
#define LVCFMT_JUSTIFYMASK 0x0003

// Fields of LVCOLUMNA that GetColumn fills.
#define LVCF_FMT 0x0001
#define LVCF_WIDTH 0x0002
#define LVCF_TEXT 0x0004
#define LVCF_SUBITEM 0x0008
#define LVCF_ORDER 0x0020

// Item states.
#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002

// Flags of GetNextItem.
#define LVNI_ALL 0x0000
#define LVNI_FOCUSED 0x0001
#define LVNI_SELECTED 0x0002

// List styles.
#define LVS_REPORT 0x0001
#define LVS_SHOWSELALWAYS 0x0008

// List notifications (WM_NOTIFY to the parent).
#define LVN_FIRST (0U - 100U)
#define LVN_ITEMCHANGED (LVN_FIRST - 1)
#define LVN_COLUMNCLICK (LVN_FIRST - 8)
#define LVIF_STATE 0x0008

// LVN_COLUMNCLICK: iSubItem is the column's index. LVN_ITEMCHANGED: iItem with its
// old and new state. NM_CLICK: the item and column under the click (-1: none).
struct NMLISTVIEW {
  NMHDR hdr;
  int iItem;
  int iSubItem;
  UINT uNewState;
  UINT uOldState;
  UINT uChanged;
  POINT ptAction;
  LPARAM lParam;
};
typedef NMLISTVIEW* LPNMLISTVIEW;

// The messages the library sends.
#define LVM_FIRST 0x1000
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_GETNEXTITEM (LVM_FIRST + 12)
#define LVM_REDRAWITEMS (LVM_FIRST + 21)
#define LVM_GETSELECTEDCOUNT (LVM_FIRST + 50)
#define LVM_SETCOLUMNORDERARRAY (LVM_FIRST + 58)
#define LVM_GETCOLUMNORDERARRAY (LVM_FIRST + 59)

typedef int* LPINT;

struct LVCOLUMNA {
  UINT mask;
  int fmt;
  int cx;
  LPSTR pszText;
  int cchTextMax;
  int iSubItem;
  int iImage;
  int iOrder;
};
typedef LVCOLUMNA LVCOLUMN;

// The item comparison of SortItems: the two items' data values and the caller's value.
typedef int (*PFNLVCOMPARE)(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);

class SORREL_API CListCtrl : public CWnd {
  DECLARE_DYNAMIC(CListCtrl)

 public:
  CListCtrl();
  ~CListCtrl() override;
  CListCtrl(const CListCtrl&) = delete;
  CListCtrl& operator=(const CListCtrl&) = delete;

  // Shows the control as a report view in the parent window, with what it holds
  // already. FALSE without a parent window or when the control has a window.
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  using CWnd::Create;  // the window's own form stays callable beside this one
  // The header of the view; it has a window once the control has one, which a
  // host's header class takes over with SubclassWindow.
  CHeaderCtrl* GetHeaderCtrl();

  // ---- columns ---------------------------------------------------------------
  // The index the column got (nCol beyond the end appends), -1 for a negative nCol.
  virtual int InsertColumn(int nCol, LPCSTR lpszColumnHeading, int nFormat = LVCFMT_LEFT,
                           int nWidth = -1, int nSubItem = -1);
  virtual BOOL DeleteColumn(int nCol);
  // The number of columns; the header's item count on Windows.
  virtual int GetColumnCount() const;
  // Fills the fields that pColumn->mask asks for; FALSE for a column that does not exist.
  virtual BOOL GetColumn(int nCol, LVCOLUMNA* pColumn) const;
  virtual int GetColumnWidth(int nCol) const;
  virtual BOOL SetColumnWidth(int nCol, int cx);
  // piArray[position] = column index. Refused unless iCount is the number of
  // columns and the array names every column once.
  virtual BOOL SetColumnOrderArray(int iCount, LPINT piArray);
  // iCount -1 means the number of columns; FALSE when iCount is too small.
  virtual BOOL GetColumnOrderArray(LPINT piArray, int iCount = -1) const;

  // ---- items -------------------------------------------------------------------
  virtual int GetItemCount() const;
  // The index the item got (nItem beyond the end appends), -1 for a negative nItem.
  virtual int InsertItem(int nItem, LPCSTR lpszItem);
  virtual BOOL DeleteItem(int nItem);
  virtual BOOL DeleteAllItems();
  virtual BOOL SetItemText(int nItem, int nSubItem, LPCSTR lpszText);
  virtual CString GetItemText(int nItem, int nSubItem) const;
  virtual BOOL SetItemData(int nItem, DWORD_PTR dwData);
  virtual DWORD_PTR GetItemData(int nItem) const;  // 0 for an item that does not exist
  virtual BOOL SetItemState(int nItem, UINT nState, UINT nMask);
  virtual UINT GetItemState(int nItem, UINT nMask) const;
  virtual UINT GetSelectedCount() const;
  // The first item after nItem (-1: from the start) that has every state the
  // flags ask for; -1 when there is none.
  virtual int GetNextItem(int nItem, int nFlags) const;
  // Orders the items by their data values; items that compare equal keep their order.
  virtual BOOL SortItems(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData);
  virtual BOOL RedrawItems(int nFirst, int nLast);

  // The control's own handling of the messages the library sends (item count,
  // selection walk, redrawing, the order array) and of its header's notifications.
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  // ---- what a toolkit view reads back -------------------------------------------
  // The column's caption, format and sub-item as they were inserted.
  CString GetColumnCaption(int nCol) const;

 private:
  struct Column;
  struct Item;
  bool HasColumn(int nCol) const;
  bool HasItem(int nItem) const;
  // Tells the view what changed; nothing without a window.
  void Changed(int what, int first = 0, int last = -1);
  LRESULT ForwardHeaderNotification(NMHDR* hdr);

  CHeaderCtrl m_header;

  std::vector<std::unique_ptr<Column>> m_columns;
  std::vector<int> m_order;  // m_order[position] = column index
  std::vector<std::unique_ptr<Item>> m_items;
};

// The host's phone book list: a list control that knows the column model it shows,
// so that printing can read the column order and captions through it.
class SORREL_API CMarlowList : public CListCtrl {
  DECLARE_DYNAMIC(CMarlowList)

 public:
  CMarlowList() = default;
  explicit CMarlowList(CColumnInfos* pColumnInfos) : m_pColumnInfos(pColumnInfos) {}

  // Not owned: the host owns its column model.
  CColumnInfos* GetColumnInfos() const { return m_pColumnInfos; }
  void SetColumnInfos(CColumnInfos* pColumnInfos) { m_pColumnInfos = pColumnInfos; }

 private:
  CColumnInfos* m_pColumnInfos = nullptr;
};
