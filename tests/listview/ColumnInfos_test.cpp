#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/CodePageInternal.h"
#include "sorrel/ColumnInfos.h"
#include "support/Cases.h"
#include "support/TestHost.h"

namespace {

using namespace sorrel::test;

constexpr const char* kKey = "Software\\Tovik\\Marlow\\ListCtrl";

std::vector<UINT> Positions(CColumnInfos& columns) {
  return {columns.GetColPositions()->begin(), columns.GetColPositions()->end()};
}

std::optional<DWORD> Stored(UINT id, const char* what) {
  return ReadDword(kKey, ("Column" + std::to_string(id) + what).c_str());
}

std::set<std::string> StoredNames() {
  std::vector<std::string> names = ValueNames(kKey);
  return {names.begin(), names.end()};
}

class ColumnInfosTest : public ::testing::Test {
 protected:
  TestHost host;
};

}  // namespace

TEST_F(ColumnInfosTest, StoredBaseValuesWinAndUnreadableOnesAreReplaced) {
  WriteDword(kKey, "Column3Width", 77);
  WriteDword(kKey, "Column1Position", 3);
  WriteDword(kKey, "Column4Position", 0);
  WriteDword(kKey, "AscendingSort", 0);
  WriteRaw(kKey, "Column2Width", REG_BINARY, std::string(8, 'x'));  // too long for 4 bytes
  CColumnInfos columns;
  EXPECT_EQ(columns.FindColumnByID(3)->nWidth, 77u);
  EXPECT_EQ(columns.FindColumnByID(2)->nWidth, 60u);
  EXPECT_EQ(Stored(2, "Width"), 60u);
  EXPECT_EQ(Positions(columns), (std::vector<UINT>{3, 1, 2, 0}));
  EXPECT_EQ(columns.FindColumnByPosInCtrl(0)->nID, 4u);
  EXPECT_EQ(columns.IsSortAscending(), 0);
}

TEST_F(ColumnInfosTest, AddColumnCaptionsAndStoredValues) {
  WriteDword(kKey, "Column9Position", 2);  // the name column's: refused
  WriteDword(kKey, "Column6Position", 9);  // free: taken
  WriteDword(kKey, "Column6Width", 123);
  CColumnInfos columns;
  const struct {
    UINT id;
    const char* captionUtf8;
  } added[] = {{9, "E-mail"}, {6, "Mobil"}, {27, "URL"}, {28, ""}, {31, "Narozeniny"}, {3, ""}, {40, ""}};
  for (const auto& a : added) {
    columns.AddColumn(a.id, 70, 2, 30);
    EXPECT_EQ(columns.GetColumnsArray()->GetAt(columns.GetColumnsArray()->GetSize() - 1)->strCaption.str(),
              sorrel::Utf8ToAnsi(a.captionUtf8))
        << a.id;
  }
  EXPECT_EQ(Positions(columns), (std::vector<UINT>{0, 1, 2, 3, 4, 9, 10, 11, 12, 13, 14}));
  EXPECT_EQ(columns.FindColumnByID(6)->nWidth, 123u);
  EXPECT_EQ(columns.FindColumnByID(9)->nWidth, 70u);
  EXPECT_EQ(Stored(9, "Width"), std::nullopt);  // written only at destruction
  // A repeated id is added as it is; lookups find the first.
  EXPECT_EQ(columns.GetIndexInArrayByID(3), 2u);
  EXPECT_EQ(columns.GetColMaxLen(27), 30u);
  EXPECT_EQ(columns.GetNExtColumns(), 6u);
}

TEST_F(ColumnInfosTest, SurnameGoesRightAfterTheNameOnceUnlessStored) {
  for (bool stored : {false, true}) {
    TestHost fresh;
    if (stored) WriteDword(kKey, "Column12Position", 1);  // even a refused one counts
    CColumnInfos columns;
    columns.AddColumn(ITEM_SURNAME, 100, 0, 0);
    ASSERT_EQ(columns.InsertColumns2Ctrl(fresh.list), 1);
    std::vector<UINT> expected = stored ? std::vector<UINT>{0, 1, 2, 3, 4} : std::vector<UINT>{0, 1, 2, 4, 3};
    EXPECT_EQ(Positions(columns), expected);
    // The user moves the surname to the front; a later pass does not put it back.
    columns.MoveColumns(0, 4, fresh.list);
    columns.SetColumnsPositions(fresh.list);
    EXPECT_EQ(columns.FindColumnByPosInCtrl(0)->nID, UINT(ITEM_SURNAME));
  }
}

TEST_F(ColumnInfosTest, InsertColumns2Ctrl) {
  CColumnInfos columns;
  columns.AddColumn(9, 90, 1, 0);
  for (int i = 0; i < 3; ++i) host.list.InsertItem(i, "");
  ASSERT_EQ(columns.InsertColumns2Ctrl(host.list), 1);
  ASSERT_EQ(host.list.GetColumnCount(), 5);
  LVCOLUMNA c{LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM, 0, 0, nullptr, 0, 0, 0, 0};
  host.list.GetColumn(4, &c);
  EXPECT_EQ(c.fmt, LVCFMT_CENTER);  // whatever the alignment code
  EXPECT_EQ(c.cx, 90);
  EXPECT_EQ(c.iSubItem, -1);
  EXPECT_EQ(host.list.redraws, (std::vector<std::pair<int, int>>{{0, 2}}));

  // A control that refuses the third column: 0, and the two before stay.
  struct Refusing : CMarlowList {
    int InsertColumn(int n, LPCSTR text, int format, int width, int sub) override {
      return n == 2 ? -1 : CMarlowList::InsertColumn(n, text, format, width, sub);
    }
  } refusing;
  EXPECT_EQ(columns.InsertColumns2Ctrl(refusing), 0);
  EXPECT_EQ(refusing.GetColumnCount(), 2);
}

TEST_F(ColumnInfosTest, MoveColumnsAndDefragment) {
  CColumnInfos columns;
  columns.AddColumn(5, 10, 0, 0);
  CArray<UINT, UINT>& positions = *columns.GetColPositions();
  const auto cases = ReadCases("listview/data/positions.tsv");
  ASSERT_EQ(cases.size(), 9u);
  for (const auto& c : cases) {
    ASSERT_GE(c.size(), 3u) << "a short line";
    SCOPED_TRACE(c[0] + " " + c[1]);
    const std::vector<UINT> before = CaseNumbers(c[0] == "move" ? "0,1,2,3,4" : c[1]);
    for (INT_PTR i = 0; i < 5; ++i) positions[i] = before[size_t(i)];
    if (c[0] == "move")
      columns.MoveColumns(CaseNumbers(c[1])[0], CaseNumbers(c[1])[1], host.list);
    else
      columns.DefragmentColumnsPositions();
    EXPECT_EQ(Positions(columns), CaseNumbers(c[2]));
    EXPECT_EQ(host.list.GetColumnCount(), 0);  // the control is told, not filled
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
  EXPECT_EQ(ColumnOrder(host.list), (std::vector<int>{0, 2, 1, 3, 4}));
}

TEST_F(ColumnInfosTest, DestructionWritesEverythingForTheNextRun) {
  {
    CColumnInfos columns;
    columns.AddColumn(9, 90, 1, 0);
    columns.AddColumn(ITEM_SURNAME, 100, 0, 0);
    columns.InsertColumns2Ctrl(host.list);
    columns.SetColumnWidth(0, 33);
    columns.SetSortingDirection(0);
    columns.LoadSecondarySortKeys(ITEM_SURNAME);
  }
  std::set<std::string> expected = {"AscendingSort", "PrimarySortingKey", "Column12SecondarySortingKeys"};
  for (int id : {1, 2, 3, 4, 9, 12})
    for (const char* what : {"Width", "Justification", "Position"})
      expected.insert("Column" + std::to_string(id) + what);
  EXPECT_EQ(StoredNames(), expected);
  EXPECT_EQ(Stored(1, "Width"), 33u);
  EXPECT_EQ(ReadDword(kKey, "AscendingSort"), 0u);

  CColumnInfos again;
  again.AddColumn(9, 10, 0, 0);
  again.AddColumn(ITEM_SURNAME, 10, 0, 0);
  CMarlowList list;
  again.InsertColumns2Ctrl(list);
  EXPECT_EQ(ColumnOrder(list), (std::vector<int>{0, 1, 2, 5, 3, 4}));
  EXPECT_EQ(again.FindColumnByID(9)->nWidth, 90u);
}

TEST_F(ColumnInfosTest, DestructionAfterTheKeyWasRemoved) {
  {
    CColumnInfos columns;
    columns.AddColumn(9, 90, 1, 0);
    columns.LoadSecondarySortKeys(0xFFFFFFFF);
    DeleteTree("Software\\Tovik\\Marlow");
  }
  // No column value; only the chain's save created the key anew.
  EXPECT_EQ(StoredNames(), (std::set<std::string>{"PrimarySortingKey", "Column3SecondarySortingKeys"}));
}
