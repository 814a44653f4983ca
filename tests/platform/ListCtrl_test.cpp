#include <gtest/gtest.h>

#include <vector>

#include "sorrel/ListCtrl.h"

namespace {

std::vector<int> Order(const CListCtrl& list) {
  std::vector<int> order(size_t(list.GetColumnCount()));
  EXPECT_TRUE(list.GetColumnOrderArray(order.data()));
  return order;
}

CListCtrl* WithColumns(CListCtrl& list, int n) {
  for (int i = 0; i < n; ++i) list.InsertColumn(i, "c");
  return &list;
}

}  // namespace

TEST(ListCtrl, InsertColumnPlacesAndReportsIndex) {
  CListCtrl list;
  EXPECT_EQ(list.InsertColumn(0, "A", LVCFMT_CENTER, 40, -1), 0);
  EXPECT_EQ(list.InsertColumn(7, "B"), 1);   // beyond the end appends
  EXPECT_EQ(list.InsertColumn(1, "C"), 1);   // before B
  EXPECT_EQ(list.InsertColumn(-1, "D"), -1); // refused
  ASSERT_EQ(list.GetColumnCount(), 3);
  EXPECT_EQ(list.GetColumnCaption(0), "A");
  EXPECT_EQ(list.GetColumnCaption(1), "C");
  EXPECT_EQ(list.GetColumnCaption(2), "B");
  EXPECT_EQ(Order(list), (std::vector<int>{0, 1, 2}));

  char text[2];
  LVCOLUMNA column{LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM | LVCF_ORDER, 0, 0, text, 2, 0, 0, 0};
  ASSERT_TRUE(list.GetColumn(0, &column));
  EXPECT_EQ(column.fmt, LVCFMT_CENTER);
  EXPECT_EQ(column.cx, 40);
  EXPECT_STREQ(text, "A");
  EXPECT_EQ(column.iSubItem, -1);
  EXPECT_EQ(column.iOrder, 0);
  EXPECT_FALSE(list.GetColumn(3, &column));
}

TEST(ListCtrl, ColumnOrderFollowsInsertAndDelete) {
  CListCtrl list;
  WithColumns(list, 3);
  int order[] = {2, 0, 1};
  ASSERT_TRUE(list.SetColumnOrderArray(3, order));
  // A new column at index 1 moves the old 1 and 2 up and is shown at position 1.
  list.InsertColumn(1, "new");
  EXPECT_EQ(Order(list), (std::vector<int>{3, 1, 0, 2}));
  ASSERT_TRUE(list.DeleteColumn(0));
  EXPECT_EQ(Order(list), (std::vector<int>{2, 0, 1}));
  EXPECT_FALSE(list.DeleteColumn(3));
}

TEST(ListCtrl, SetColumnOrderArrayRefusesWhatIsNotAPermutation) {
  CListCtrl list;
  WithColumns(list, 3);
  int shortArray[] = {1, 0};
  int twice[] = {0, 0, 1};
  int outside[] = {0, 1, 3};
  int negative[] = {0, -1, 2};
  for (int* bad : {twice, outside, negative}) EXPECT_FALSE(list.SetColumnOrderArray(3, bad));
  EXPECT_FALSE(list.SetColumnOrderArray(2, shortArray));
  EXPECT_FALSE(list.SetColumnOrderArray(3, nullptr));
  EXPECT_EQ(Order(list), (std::vector<int>{0, 1, 2}));
  int small[2];
  EXPECT_FALSE(list.GetColumnOrderArray(small, 2));
}

TEST(ListCtrl, ItemsDataTextsAndBadIndexes) {
  CListCtrl list;
  EXPECT_EQ(list.InsertItem(0, "b"), 0);
  EXPECT_EQ(list.InsertItem(0, "a"), 0);
  EXPECT_EQ(list.InsertItem(9, "c"), 2);
  EXPECT_EQ(list.InsertItem(-1, "x"), -1);
  EXPECT_EQ(list.GetItemCount(), 3);
  EXPECT_TRUE(list.SetItemText(1, 3, "sub"));
  EXPECT_EQ(list.GetItemText(1, 0), "b");
  EXPECT_EQ(list.GetItemText(1, 3), "sub");
  EXPECT_EQ(list.GetItemText(1, 2), "");
  EXPECT_EQ(list.GetItemText(5, 0), "");
  EXPECT_TRUE(list.SetItemData(2, 0xBEEF));
  EXPECT_EQ(list.GetItemData(2), DWORD_PTR(0xBEEF));
  EXPECT_EQ(list.GetItemData(3), DWORD_PTR(0));
  EXPECT_FALSE(list.SetItemData(-1, 1));
  EXPECT_TRUE(list.DeleteItem(0));
  EXPECT_EQ(list.GetItemText(0, 0), "b");
  EXPECT_TRUE(list.DeleteAllItems());
  EXPECT_EQ(list.GetItemCount(), 0);
}

TEST(ListCtrl, SelectionWalkThroughMessages) {
  CListCtrl list;
  for (int i = 0; i < 5; ++i) list.SetItemData(list.InsertItem(i, ""), DWORD_PTR(100 + i));
  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  list.SetItemState(3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  list.SetItemState(4, LVIS_SELECTED, LVIS_SELECTED);
  list.SetItemState(4, 0, LVIS_SELECTED);  // cleared again
  EXPECT_EQ(list.SendMessage(LVM_GETITEMCOUNT), 5);
  EXPECT_EQ(list.SendMessage(LVM_GETSELECTEDCOUNT), 2);
  std::vector<DWORD_PTR> walked;
  for (int i = int(list.SendMessage(LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); i != -1;
       i = int(list.SendMessage(LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED)))
    walked.push_back(list.GetItemData(i));
  EXPECT_EQ(walked, (std::vector<DWORD_PTR>{101, 103}));
  EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 3);
  EXPECT_EQ(list.GetNextItem(2, LVNI_ALL), 3);
  EXPECT_EQ(list.GetNextItem(4, LVNI_ALL), -1);
  EXPECT_EQ(list.GetItemState(3, LVIS_FOCUSED), UINT(LVIS_FOCUSED));
  EXPECT_EQ(list.SendMessage(0x1234), 0);
}

TEST(ListCtrl, RedrawsAreCountedAndSortKeepsEqualItemsInOrder) {
  CListCtrl list;
  EXPECT_EQ(list.GetRedrawCount(), 0);
  list.SendMessage(LVM_REDRAWITEMS, 0, 6);
  EXPECT_EQ(list.GetRedrawCount(), 1);
  EXPECT_EQ(list.GetLastRedrawFirst(), 0);
  EXPECT_EQ(list.GetLastRedrawLast(), 6);

  const int keys[] = {3, 1, 2, 1, 3};
  for (int i = 0; i < 5; ++i) list.SetItemData(list.InsertItem(i, ""), DWORD_PTR(keys[i] * 10 + i));
  auto byTens = [](LPARAM a, LPARAM b, LPARAM descending) {
    int r = int(a / 10) - int(b / 10);
    return descending ? -r : r;
  };
  ASSERT_TRUE(list.SortItems(byTens, 0));
  std::vector<DWORD_PTR> sorted;
  for (int i = 0; i < 5; ++i) sorted.push_back(list.GetItemData(i));
  EXPECT_EQ(sorted, (std::vector<DWORD_PTR>{11, 13, 22, 30, 34}));
  EXPECT_FALSE(list.SortItems(nullptr, 0));
}

TEST(ListCtrl, MarlowListKnowsItsColumnModel) {
  CMarlowList list;
  EXPECT_EQ(list.GetColumnInfos(), nullptr);
  auto* model = reinterpret_cast<CColumnInfos*>(&list);  // any address: the list never dereferences it
  list.SetColumnInfos(model);
  EXPECT_EQ(list.GetColumnInfos(), model);
  EXPECT_TRUE(list.IsKindOf(RUNTIME_CLASS(CListCtrl)));
}
