#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "sorrel/ColumnInfos.h"
#include "support/Cases.h"
#include "support/TestHost.h"

namespace {

using namespace sorrel::test;

constexpr const char* kKey = "Software\\Tovik\\Marlow\\ListCtrl";

// An entry with division, described as field=value pieces between ';' (see compare.tsv).
std::unique_ptr<CEntry> Make(const std::string& description) {
  auto e = std::make_unique<CEntry>(description.find("noext") == std::string::npos, 1);
  e->SetLocation(2);
  e->SetExtItem(ITEM_BIRTHDAY, NO_BIRTHDAY);
  UINT item = 0;
  for (const std::string& piece : CaseSplit(description, ';')) {
    if (piece.find('=') == std::string::npos) continue;  // noext
    const std::string field = piece.substr(0, piece.find('=')), value = piece.substr(field.size() + 1);
    const UINT number = UINT(std::strtoul(value.c_str(), nullptr, 0));
    if (field == "name") e->SetName(value.c_str(), NO_LIMIT);
    if (field == "location") e->SetLocation(number);
    if (field == "position") e->SetPos(number);
    if (field == "number") e->SetNum(value.c_str(), NO_LIMIT);
    if (field == "surname") e->SetSurname(value.c_str(), NO_LIMIT);
    if (field == "group") e->SetGroupID(number, nullptr);
    if (field == "item") item = number;
    if (field == "text") e->SetExtItem(item, value.c_str(), NO_LIMIT);
    if (field == "birthday") e->SetExtItem(ITEM_BIRTHDAY, std::stod(value));
  }
  return e;
}

int Sign(int v) { return (v > 0) - (v < 0); }

void SetKeys(CColumnInfos& columns, const std::vector<UINT>& keys) {
  columns.GetSortKeys()->RemoveAll();
  for (UINT k : keys) columns.GetSortKeys()->Add(k);
}

std::vector<UINT> Keys(CColumnInfos& columns) {
  return {columns.GetSortKeys()->begin(), columns.GetSortKeys()->end()};
}

class SortKeysTest : public ::testing::Test {
 protected:
  TestHost host;
};

}  // namespace

TEST_F(SortKeysTest, CompareEntriesByKeyRules) {
  CGroups groups;
  groups.AddGroup(1, "Work", 10, 0);
  groups.AddGroup(2, "family", 10, 0);
  CColumnInfos columns;
  const auto cases = ReadCases("listview/data/compare.tsv");
  ASSERT_GT(cases.size(), 30u);
  for (const auto& c : cases) {
    ASSERT_GE(c.size(), 6u) << "a short line";
    SCOPED_TRACE(c[5]);
    SetKeys(columns, CaseNumbers(c[0]));
    auto a = Make(c[1]), b = Make(c[2]);
    CGroups* g = c[3].empty() ? nullptr : &groups;
    EXPECT_EQ(Sign(columns.CompareEntries(*a, *b, g)), std::stoi(c[4]));
    EXPECT_EQ(Sign(columns.CompareEntries(*b, *a, g)), -std::stoi(c[4]));
  }
}

TEST_F(SortKeysTest, FirstComparisonWithoutKeysOrdersByPosition) {
  CColumnInfos columns;
  EXPECT_GT(columns.CompareEntries(*Make("name=A;position=7"), *Make("name=B;position=3"), nullptr), 0);
  EXPECT_EQ(Keys(columns), (std::vector<UINT>{1}));
  // Priorities at or beyond the number of keys name no key.
  for (UINT priority : {1u, 0x80000000u, 0xFFFFFFFFu}) EXPECT_EQ(columns.GetColumnIDByPriority(priority), 0xFFFFFFFFu);
  EXPECT_EQ(columns.GetColumnPriorityByID(12), 0xFFFFFFFFu);
  SetKeys(columns, {3, 2, 1, 4});
  columns.ChangeSortKeyPriority(0, 3);
  columns.ChangeSortKeyPriority(1, 4);  // beyond the keys: nothing happens
  EXPECT_EQ(Keys(columns), (std::vector<UINT>{4, 2, 1, 3}));
}

TEST_F(SortKeysTest, SaveWritesTheChainUnderItsPrimaryKey) {
  {
    CColumnInfos columns;
    const auto saves = ReadCases("listview/data/save-chain.tsv");
    ASSERT_EQ(saves.size(), 3u);
    for (const auto& save : saves) {
      ASSERT_GE(save.size(), 3u) << "a short line";
      SetKeys(columns, CaseNumbers(save[0]));
      columns.SaveSecondarySortKeys();
      EXPECT_EQ(ReadDword(kKey, "PrimarySortingKey"), CaseNumbers(save[0])[0]);
      auto chain = ReadRaw(kKey, save[1].c_str());
      ASSERT_TRUE(chain);
      EXPECT_EQ(chain->type, DWORD(REG_SZ));
      EXPECT_EQ(chain->data, save[2]);
    }
    SetKeys(columns, {4});  // a single key writes nothing; the destructor saves this
  }
  EXPECT_EQ(ReadDword(kKey, "PrimarySortingKey"), 0xFFFFFFFEu);
  EXPECT_FALSE(ReadRaw(kKey, "Column4SecondarySortingKeys"));
}

TEST_F(SortKeysTest, LoadReadsTheStoredChainAndCorrectsIt) {
  const auto cases = ReadCases("listview/data/load-chain.tsv");
  ASSERT_EQ(cases.size(), 13u);
  for (const auto& c : cases) {
    ASSERT_GE(c.size(), 5u) << "a short line";
    SCOPED_TRACE(c[2]);
    TestHost fresh;
    CColumnInfos columns;
    for (UINT id : {5, 7, 9}) columns.AddColumn(id, 10, 0, 0);
    const std::string storedPrimary = c[4] == "0" ? "3" : c[4];
    if (c[3] != "-") {
      std::string chain;
      std::smatch repeated;
      for (const std::string& piece : CaseSplit(c[3], '+'))
        if (std::regex_match(piece, repeated, std::regex("(.*)\\*([0-9]+)")))
          for (int n = std::stoi(repeated[2]); n > 0; --n) chain += repeated[1];
        else
          chain += piece;
      WriteRaw(kKey, ("Column" + storedPrimary + "SecondarySortingKeys").c_str(), REG_SZ, chain);
    }
    if (c[4] != "0") WriteDword(kKey, "PrimarySortingKey", std::stoul(c[4]));
    if (c.size() > 5) DeleteTree("Software\\Tovik\\Marlow");
    SetKeys(columns, {4, 77});
    columns.LoadSecondarySortKeys(CaseNumbers(c[0])[0]);
    EXPECT_EQ(Keys(columns), CaseNumbers(c[1]));
    columns.GetSortKeys()->RemoveAll();  // keep the destructor from saving
  }
}
