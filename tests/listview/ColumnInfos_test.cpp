#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/CodePageInternal.h"
#include "sorrel/ColumnInfos.h"
#include "support/TestHost.h"

namespace {

using namespace sorrel::test;

constexpr const char* kKey = "Software\\Tovik\\Marlow\\ListCtrl";

std::vector<UINT> Positions(CColumnInfos& columns) {
  return {columns.GetColPositions()->begin(), columns.GetColPositions()->end()};
}

std::vector<int> ListOrder(const CListCtrl& list) {
  std::vector<int> order(size_t(list.GetColumnCount()));
  list.GetColumnOrderArray(order.data());
  return order;
}

std::optional<DWORD> Stored(UINT id, const char* what) {
  return ReadDword(kKey, ("Column" + std::to_string(id) + what).c_str());
}

class ColumnInfosTest : public ::testing::Test {
 protected:
  TestHost host;
};

// A list control whose n-th column insertion fails.
class RefusingList : public CMarlowList {
 public:
  explicit RefusingList(int failAt) : m_failAt(failAt) {}
  int InsertColumn(int nCol, LPCSTR caption, int format, int width, int subItem) override {
    if (m_calls++ == m_failAt) return -1;
    return CMarlowList::InsertColumn(nCol, caption, format, width, subItem);
  }

 private:
  int m_failAt;
  int m_calls = 0;
};

}  // namespace

TEST_F(ColumnInfosTest, FreshProfileStoresTheBaseDefaults) {
  CColumnInfos columns;
  struct {
    UINT id, width, justification, position;
    const char* captionUtf8;
  } expected[] = {
      {1, 50, 0, 0, "Pozice"}, {2, 60, 0, 1, "Paměť"}, {3, 150, 1, 2, "Jméno"}, {4, 150, 1, 3, "Číslo"}};
  ASSERT_EQ(columns.GetColumnsArray()->GetSize(), 4);
  for (const auto& e : expected) {
    SCOPED_TRACE(e.id);
    ColumnInfo* column = columns.FindColumnByID(e.id);
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column->nIndexInCtrl, e.id - 1);
    EXPECT_EQ(column->nWidth, e.width);
    EXPECT_EQ(column->nJustification, e.justification);
    EXPECT_EQ(column->nMaxLen, 0u);
    EXPECT_EQ(column->strCaption.str(), sorrel::Utf8ToAnsi(e.captionUtf8));
    EXPECT_EQ(Stored(e.id, "Width"), e.width);
    EXPECT_EQ(Stored(e.id, "Justification"), e.justification);
    EXPECT_EQ(Stored(e.id, "Position"), e.position);
  }
  EXPECT_EQ(ReadDword(kKey, "AscendingSort"), 1u);
  EXPECT_EQ(ValueNames(kKey).size(), 13u);
  EXPECT_EQ(columns.IsSortAscending(), 1);
  EXPECT_EQ(columns.GetNExtColumns(), 0u);
  EXPECT_EQ(columns.GetNExtPBItemsFilledSimultaneously(), 0u);
  EXPECT_TRUE(columns.GetSortKeys()->IsEmpty());
}

TEST_F(ColumnInfosTest, StoredBaseValuesWinAndUnreadableOnesAreReplaced) {
  WriteDword(kKey, "Column3Width", 77);
  WriteDword(kKey, "Column1Position", 3);
  WriteDword(kKey, "Column4Position", 0);
  WriteDword(kKey, "AscendingSort", 0);
  WriteRaw(kKey, "Column2Width", REG_BINARY, std::string(8, 'x'));  // too long for 4 bytes
  {
    CColumnInfos columns;
    EXPECT_EQ(columns.FindColumnByID(3)->nWidth, 77u);
    EXPECT_EQ(columns.FindColumnByID(2)->nWidth, 60u);
    EXPECT_EQ(Positions(columns), (std::vector<UINT>{3, 1, 2, 0}));
    EXPECT_EQ(columns.IsSortAscending(), 0);
    EXPECT_EQ(columns.FindColumnByPosInCtrl(0)->nID, 4u);
    EXPECT_EQ(Stored(3, "Width"), 77u);
    EXPECT_EQ(Stored(2, "Width"), 60u);
  }
}

TEST_F(ColumnInfosTest, AddColumnCaptionsFromTheLibrary) {
  CColumnInfos columns;
  struct {
    UINT id;
    const char* captionUtf8;
  } cases[] = {{5, "Kancelář"}, {12, "Příjmení"}, {26, "Skupina"}, {27, "URL"},   {28, ""},
               {29, "Poznámka 2"}, {31, "Narozeniny"}, {3, ""},     {40, ""},     {0, ""}};
  for (const auto& c : cases) {
    columns.AddColumn(c.id, 70, 2, 30);
    ColumnInfo* added = columns.GetColumnsArray()->GetAt(columns.GetColumnsArray()->GetSize() - 1);
    EXPECT_EQ(added->strCaption.str(), sorrel::Utf8ToAnsi(c.captionUtf8)) << c.id;
    EXPECT_EQ(added->nMaxLen, 30u);
  }
  // A repeated id (3) is added as it is; lookups find the first.
  EXPECT_EQ(columns.GetIndexInArrayByID(3), 2u);
  EXPECT_EQ(columns.GetColMaxLen(3), 0u);
  EXPECT_EQ(columns.GetColMaxLen(27), 30u);
  EXPECT_EQ(columns.GetColMaxLen(99), 0u);
  EXPECT_EQ(columns.GetNExtColumns(), 9u);
  EXPECT_EQ(columns.GetIndexInArrayByID(99), 0xFFFFFFFFu);
  EXPECT_EQ(columns.FindColumnByIndexInCtrl(14), nullptr);
  EXPECT_EQ(columns.FindColumnByPosInCtrl(14), nullptr);
}

TEST_F(ColumnInfosTest, AddColumnTakesStoredValuesAndWritesNothing) {
  WriteDword(kKey, "Column9Position", 2);    // taken by the name column: refused
  WriteDword(kKey, "Column6Position", 9);    // free: taken
  WriteDword(kKey, "Column6Width", 123);
  WriteDword(kKey, "Column6Justification", 7);
  CColumnInfos columns;
  columns.AddColumn(9, 40, 0, 0);
  columns.AddColumn(6, 40, 0, 0);
  columns.AddColumn(7, 41, 3, 0);
  EXPECT_EQ(Positions(columns), (std::vector<UINT>{0, 1, 2, 3, 4, 9, 10}));
  EXPECT_EQ(columns.FindColumnByID(6)->nWidth, 123u);
  EXPECT_EQ(columns.FindColumnByID(6)->nJustification, 7u);
  EXPECT_EQ(columns.FindColumnByID(7)->nWidth, 41u);
  EXPECT_EQ(columns.FindColumnByID(7)->nJustification, 3u);
  EXPECT_EQ(Stored(7, "Width"), std::nullopt);
  EXPECT_EQ(Stored(9, "Position"), 2u);
}

TEST_F(ColumnInfosTest, SurnameGoesRightAfterTheNameOnce) {
  CColumnInfos columns;
  columns.AddColumn(ITEM_SURNAME, 100, 0, 0);
  host.list.SetColumnInfos(&columns);
  ASSERT_EQ(columns.InsertColumns2Ctrl(host.list), 1);
  EXPECT_EQ(Positions(columns), (std::vector<UINT>{0, 1, 2, 4, 3}));
  EXPECT_EQ(ListOrder(host.list), (std::vector<int>{0, 1, 2, 4, 3}));
  // The user moves the surname to the front; a later pass does not put it back.
  columns.MoveColumns(0, 4, host.list);
  columns.SetColumnsPositions(host.list);
  EXPECT_EQ(Positions(columns), (std::vector<UINT>{1, 2, 3, 4, 0}));
}

TEST_F(ColumnInfosTest, StoredSurnamePositionSuppressesThePlacement) {
  // Even a refused one: position 1 is the location's.
  WriteDword(kKey, "Column12Position", 1);
  CColumnInfos columns;
  columns.AddColumn(ITEM_SURNAME, 100, 0, 0);
  columns.InsertColumns2Ctrl(host.list);
  EXPECT_EQ(Positions(columns), (std::vector<UINT>{0, 1, 2, 3, 4}));
}

TEST_F(ColumnInfosTest, InsertColumns2CtrlFillsTheControl) {
  CColumnInfos columns;
  columns.AddColumn(9, 90, 1, 0);
  for (int i = 0; i < 3; ++i) host.list.InsertItem(i, "");
  ASSERT_EQ(columns.InsertColumns2Ctrl(host.list), 1);
  ASSERT_EQ(host.list.GetColumnCount(), 5);
  const int widths[] = {50, 60, 150, 150, 90};
  for (int i = 0; i < 5; ++i) {
    LVCOLUMNA c{LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM, 0, 0, nullptr, 0, 0, 0, 0};
    host.list.GetColumn(i, &c);
    EXPECT_EQ(c.fmt, LVCFMT_CENTER);  // whatever the alignment code
    EXPECT_EQ(c.cx, widths[i]);
    EXPECT_EQ(c.iSubItem, -1);
  }
  EXPECT_EQ(host.list.GetColumnCaption(4).str(), sorrel::Utf8ToAnsi("E-mail"));
  EXPECT_EQ(host.list.GetRedrawCount(), 1);
  EXPECT_EQ(host.list.GetLastRedrawFirst(), 0);
  EXPECT_EQ(host.list.GetLastRedrawLast(), 2);

  CMarlowList empty;  // no items: nothing to redraw
  columns.SetColumnsPositions(empty);
  EXPECT_EQ(empty.GetRedrawCount(), 0);
}

TEST_F(ColumnInfosTest, InsertColumns2CtrlStopsAtAFailedInsertion) {
  CColumnInfos columns;
  RefusingList list(2);
  EXPECT_EQ(columns.InsertColumns2Ctrl(list), 0);
  EXPECT_EQ(list.GetColumnCount(), 2);  // the two inserted before stay
}

TEST_F(ColumnInfosTest, SetColumnWidthSelectsByIndex) {
  CColumnInfos columns;
  EXPECT_EQ(columns.SetColumnWidth(2, 80), 1);
  EXPECT_EQ(columns.FindColumnByID(ITEM_NAME)->nWidth, 80u);
  EXPECT_EQ(columns.SetColumnWidth(4, 80), 0);
}

TEST_F(ColumnInfosTest, MoveColumns) {
  struct {
    UINT target, moved;
    std::vector<UINT> positions;
  } cases[] = {
      {1, 4, {0, 2, 3, 4, 1}},  // left: index 4 is shown second
      {4, 1, {0, 4, 1, 2, 3}},  // right: index 1 goes to the end
      {2, 2, {0, 1, 2, 3, 4}},  // onto itself
      {0, 9, {0, 1, 2, 3, 4}},  // no such index: nothing moves
  };
  for (const auto& c : cases) {
    TestHost fresh;
    CColumnInfos columns;
    columns.AddColumn(5, 10, 0, 0);
    columns.MoveColumns(c.target, c.moved, fresh.list);
    EXPECT_EQ(Positions(columns), c.positions) << c.target << "," << c.moved;
  }
}

TEST_F(ColumnInfosTest, DefragmentClosesGapsAndKeepsDuplicates) {
  CColumnInfos columns;
  struct {
    std::vector<UINT> before, after;
  } cases[] = {
      {{0, 5, 2, 9}, {0, 2, 1, 3}},
      {{3, 4, 5, 6}, {0, 1, 2, 3}},
      {{0, 1, 2, 3}, {0, 1, 2, 3}},
      {{4, 4, 0, 9}, {1, 1, 0, 2}},
  };
  for (const auto& c : cases) {
    CArray<UINT, UINT>& positions = *columns.GetColPositions();
    for (size_t i = 0; i < 4; ++i) positions[INT_PTR(i)] = c.before[i];
    columns.DefragmentColumnsPositions();
    EXPECT_EQ(Positions(columns), c.after);
  }
}

TEST_F(ColumnInfosTest, HandEditedPositionsNeverLeaveTheOrderArray) {
  // Index 1 out of range, index 3 on the position index 2 already holds.
  WriteDword(kKey, "Column2Position", 70000);
  WriteDword(kKey, "Column3Position", 1);
  WriteDword(kKey, "Column4Position", 1);
  CColumnInfos columns;
  columns.AddColumn(5, 10, 0, 0);
  ASSERT_EQ(Positions(columns), (std::vector<UINT>{0, 70000, 1, 1, 70001}));
  ASSERT_EQ(columns.InsertColumns2Ctrl(host.list), 1);
  EXPECT_EQ(ListOrder(host.list), (std::vector<int>{0, 2, 1, 3, 4}));
  columns.DefragmentColumnsPositions();
  EXPECT_EQ(Positions(columns), (std::vector<UINT>{0, 2, 1, 1, 3}));
}

TEST_F(ColumnInfosTest, DestructionWritesEveryColumnAndTheChain) {
  {
    CColumnInfos columns;
    columns.AddColumn(9, 90, 1, 0);
    columns.AddColumn(ITEM_SURNAME, 100, 0, 0);
    columns.InsertColumns2Ctrl(host.list);
    columns.SetColumnWidth(0, 33);
    columns.SetSortingDirection(0);
    columns.LoadSecondarySortKeys(ITEM_SURNAME);
  }
  std::set<std::string> names;
  for (const std::string& n : ValueNames(kKey)) names.insert(n);
  std::set<std::string> expected = {"AscendingSort", "PrimarySortingKey", "Column12SecondarySortingKeys"};
  for (int id : {1, 2, 3, 4, 9, 12})
    for (const char* what : {"Width", "Justification", "Position"})
      expected.insert("Column" + std::to_string(id) + what);
  EXPECT_EQ(names, expected);
  EXPECT_EQ(Stored(1, "Width"), 33u);
  EXPECT_EQ(Stored(9, "Position"), 5u);
  EXPECT_EQ(Stored(12, "Position"), 3u);
  EXPECT_EQ(Stored(4, "Position"), 4u);
  EXPECT_EQ(ReadDword(kKey, "AscendingSort"), 0u);

  // The next object (and so the next run) shows the same.
  CColumnInfos again;
  again.AddColumn(9, 10, 0, 0);
  again.AddColumn(ITEM_SURNAME, 10, 0, 0);
  CMarlowList list;
  again.InsertColumns2Ctrl(list);
  EXPECT_EQ(ListOrder(list), (std::vector<int>{0, 1, 2, 5, 3, 4}));
  EXPECT_EQ(again.FindColumnByID(9)->nWidth, 90u);
  EXPECT_EQ(again.IsSortAscending(), 0);
}

TEST_F(ColumnInfosTest, DestructionAfterTheKeyWasRemoved) {
  {
    CColumnInfos columns;
    columns.AddColumn(9, 90, 1, 0);
    columns.LoadSecondarySortKeys(0xFFFFFFFF);
    DeleteTree("Software\\Tovik\\Marlow");
    ASSERT_FALSE(KeyExists(kKey));
  }
  // Only the chain's save created it anew.
  std::set<std::string> names;
  for (const std::string& n : ValueNames(kKey)) names.insert(n);
  EXPECT_EQ(names, (std::set<std::string>{"PrimarySortingKey", "Column3SecondarySortingKeys"}));
}

TEST_F(ColumnInfosTest, WithoutAnyStoreDefaultsStandAndNothingBreaks) {
  // The profile folder is a file: the store cannot be opened at all.
  std::string blocked = host.ConfigHome() + "/blocked";
  { FILE* f = std::fopen(blocked.c_str(), "w"); std::fclose(f); }
  setenv("XDG_CONFIG_HOME", blocked.c_str(), 1);
  sorrel::test::ResetStore();
  CColumnInfos columns;
  columns.AddColumn(ITEM_SURNAME, 100, 0, 0);
  EXPECT_EQ(columns.FindColumnByID(3)->nWidth, 150u);
  columns.LoadSecondarySortKeys(0xFFFFFFFF);
  EXPECT_EQ(columns.GetSortKeys()->GetSize(), 5);
  EXPECT_EQ(columns.InsertColumns2Ctrl(host.list), 1);
}
