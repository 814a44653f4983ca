#include <gtest/gtest.h>

#include <vector>

#include "sorrel/ListCtrl.h"
#include "support/TestHost.h"

using sorrel::test::ColumnOrder;

TEST(ListCtrl, ColumnOrderFollowsInsertAndDeleteAndRefusesNonPermutations) {
  CListCtrl list;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list.InsertColumn(i, "c", LVCFMT_CENTER, 40, -1), i);
  EXPECT_EQ(list.InsertColumn(-1, "x"), -1);
  int order[] = {2, 0, 1};
  ASSERT_TRUE(list.SetColumnOrderArray(3, order));
  // A new column at index 1 moves the old 1 and 2 up and is shown at position 1.
  EXPECT_EQ(list.InsertColumn(1, "new"), 1);
  EXPECT_EQ(ColumnOrder(list), (std::vector<int>{3, 1, 0, 2}));
  ASSERT_TRUE(list.DeleteColumn(0));
  EXPECT_EQ(ColumnOrder(list), (std::vector<int>{2, 0, 1}));

  int twice[] = {0, 0, 1}, outside[] = {0, 1, 3}, negative[] = {0, -1, 2};
  for (int* bad : {twice, outside, negative}) EXPECT_FALSE(list.SetColumnOrderArray(3, bad));
  EXPECT_FALSE(list.SetColumnOrderArray(2, order));
  EXPECT_EQ(ColumnOrder(list), (std::vector<int>{2, 0, 1}));
  int small[2];
  EXPECT_FALSE(list.GetColumnOrderArray(small, 2));
}

TEST(ListCtrl, MessagesCountWalkTheSelectionAndRedraw) {
  sorrel::test::RecordingList list;
  for (int i = 0; i < 5; ++i) list.SetItemData(list.InsertItem(i, ""), DWORD_PTR(100 + i));
  for (int i : {1, 3, 4}) list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
  list.SetItemState(4, 0, LVIS_SELECTED);
  EXPECT_EQ(list.SendMessage(LVM_GETITEMCOUNT), 5);
  EXPECT_EQ(list.SendMessage(LVM_GETSELECTEDCOUNT), 2);
  std::vector<DWORD_PTR> walked;
  for (int i = int(list.SendMessage(LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); i != -1;
       i = int(list.SendMessage(LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED)))
    walked.push_back(list.GetItemData(i));
  EXPECT_EQ(walked, (std::vector<DWORD_PTR>{101, 103}));
  EXPECT_EQ(list.GetItemData(5), DWORD_PTR(0));
  EXPECT_EQ(list.SendMessage(LVM_REDRAWITEMS, 0, 4), TRUE);
  EXPECT_EQ(list.redraws, (std::vector<std::pair<int, int>>{{0, 4}}));
  // Deleting an item moves the later ones up with their state.
  ASSERT_TRUE(list.DeleteItem(0));
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 0);
  EXPECT_EQ(list.GetItemData(0), DWORD_PTR(101));
}

TEST(ListCtrl, SortKeepsEqualItemsInOrder) {
  CListCtrl list;
  const int keys[] = {3, 1, 2, 1, 3};
  for (int i = 0; i < 5; ++i) list.SetItemData(list.InsertItem(i, ""), DWORD_PTR(keys[i] * 10 + i));
  ASSERT_TRUE(list.SortItems([](LPARAM a, LPARAM b, LPARAM) { return int(a / 10 - b / 10); }, 0));
  std::vector<DWORD_PTR> sorted;
  for (int i = 0; i < 5; ++i) sorted.push_back(list.GetItemData(i));
  EXPECT_EQ(sorted, (std::vector<DWORD_PTR>{11, 13, 22, 30, 34}));
}
