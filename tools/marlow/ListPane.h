// The phone book list: a CMarlowList shown in a widget of the main window, its
// header taken over by CMyHeader so caption drags move columns, and the column
// model that loads the stored columns, order, widths and sort chain and writes
// them back when it is destroyed.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <sorrel/ColumnInfos.h>
#include <sorrel/ListCtrl.h>
#include <sorrel/MyHeader.h>
#include <sorrel/Wnd.h>

class QWidget;

namespace marlow {

class Book;

class ListPane : public CWnd {
 public:
  // The list goes into `container` (a widget with a layout), at once.
  explicit ListPane(QWidget* container);
  ~ListPane() override;

  // The extended columns shown besides the four base columns, in the order they
  // are added to the column model. Rebuilding destroys the old model first, so
  // its settings are stored before the new one reads them.
  void SetExtColumns(const std::vector<UINT>& ids);
  const std::vector<UINT>& ExtColumns() const { return m_extColumns; }

  // Shows the book's non-empty entries that contain `filter` (all for an empty
  // one), sorted by the stored chain.
  void Fill(Book* book, const CString& filter);
  void Sort();
  // The row texts of one entry again, after an edit.
  void Refresh(CEntry* entry);

  std::vector<CEntry*> SelectedEntries() const;
  CEntry* EntryAt(int row) const;
  void SelectRows(const std::vector<int>& rows);

  // The cells in display order, captions first, as a person reads the list.
  std::vector<std::vector<CString>> Rows();

  CMarlowList& List() { return m_list; }
  CMyHeader& Header() { return m_header; }
  CColumnInfos& Columns() { return *m_columns; }
  QWidget* ListWidget() const;
  QWidget* HeaderWidget() const;

  std::function<void()> onSorted;           // the chain or the direction changed

 private:
  CString CellText(UINT columnID, const CEntry& entry) const;
  void FillRow(int item, CEntry* entry);
  void BuildColumns();

  afx_msg void OnHeaderEndDrag(NMHDR* pNMHDR, LRESULT* pResult);
  afx_msg void OnHeaderBeginTrack(NMHDR* pNMHDR, LRESULT* pResult);
  afx_msg void OnHeaderEndTrack(NMHDR* pNMHDR, LRESULT* pResult);
  afx_msg void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);

  CMarlowList m_list;
  CMyHeader m_header;
  std::unique_ptr<CColumnInfos> m_columns;
  std::vector<UINT> m_extColumns;
  Book* m_book = nullptr;

  DECLARE_MESSAGE_MAP()
};

}  // namespace marlow
