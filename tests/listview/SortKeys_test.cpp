#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sorrel/ColumnInfos.h"
#include "support/TestHost.h"

namespace {

using namespace sorrel::test;

constexpr const char* kKey = "Software\\Tovik\\Marlow\\ListCtrl";
constexpr UINT kNone = 0xFFFFFFFF;

// One entry of a comparison case. Extended items exist unless noExt is set.
struct Row {
  const char* name = "";
  UINT location = 2;
  UINT position = 0;
  const char* number = "";
  const char* surname = "";
  UINT group = 0;
  bool noExt = false;
  UINT item = 0;
  const char* text = "";
  double birthday = NO_BIRTHDAY;
};

std::unique_ptr<CEntry> Make(const Row& r) {
  auto e = std::make_unique<CEntry>(r.noExt ? 0 : 1, 1);
  e->SetLocation(r.location);
  e->AllowsNameSurnameDivision(1);
  e->SetName(r.name, NO_LIMIT);
  e->SetSurname(r.surname, NO_LIMIT);
  e->SetNum(r.number, NO_LIMIT);
  e->SetPos(r.position);
  e->SetGroupID(r.group, nullptr);
  if (r.item) e->SetExtItem(r.item, r.text, NO_LIMIT);
  e->SetExtItem(ITEM_BIRTHDAY, r.birthday);
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
  struct Case {
    std::vector<UINT> keys;
    Row a, b;
    bool withGroups;
    int expected;
    const char* why;
  } cases[] = {
      {{3}, {.name = "jan"}, {.name = "JAN"}, false, 0, "case of A-Z folds"},
      {{3, 2, 1}, {.name = "jan", .location = 2, .position = 5}, {.name = "JAN", .location = 1, .position = 9},
       false, 1, "equal names: the location decides"},
      {{3, 2, 1}, {.name = "jan", .position = 5}, {.name = "Jan", .position = 9}, false, -1, "then the position"},
      {{3}, {.name = ""}, {.name = "Adam"}, false, 1, "an empty name sorts last"},
      {{3, 1}, {.name = "", .position = 2}, {.name = "", .position = 1}, false, 1, "two empty names: next key"},
      {{3}, {.name = "_x"}, {.name = "ab"}, false, -1, "letters fold to lower case: '_' before 'a'"},
      {{3}, {.name = "b"}, {.name = "\xE1"}, false, -1, "bytes compare unsigned"},
      {{3}, {.name = "\xC1"}, {.name = "\xE1"}, false, -1, "letters outside A-Z do not fold"},
      {{3}, {.name = "Jan"}, {.name = "Jana"}, false, -1, "a prefix sorts first"},
      {{3}, {.name = "Alexandra Konstantinov\xE1"}, {.name = "alexandra konstantinova"}, false, 1,
       "long texts compare in place"},
      {{4}, {.number = "+420"}, {.number = "00420"}, false, -1, "numbers compare as text"},
      {{12}, {.surname = "Nov\xE1k"}, {.surname = "novak"}, false, 1, "the surname"},
      {{1}, {.position = 0xFFFFFFFF}, {.position = 1}, false, 1, "positions are unsigned"},
      {{6}, {.noExt = true}, {.item = 6, .text = ""}, false, 1, "no extended items after an empty item"},
      {{6}, {.item = 6, .text = ""}, {.item = 6, .text = "x"}, false, 1, "an empty item after a text"},
      {{9, 1}, {.position = 2, .item = 9, .text = "A@b"}, {.position = 1, .item = 9, .text = "a@B"}, false, 1,
       "equal e-mails: the position decides"},
      {{26, 1}, {.position = 2, .group = 1}, {.position = 1}, false, 1, "no collection: the group key is skipped"},
      {{26}, {}, {.group = 1}, true, 1, "no group after a group"},
      {{26}, {.group = 1}, {.group = 2}, true, 1, "group names: Work after family"},
      {{26}, {.group = 9}, {.group = 1}, true, 1, "an unknown group sorts after a known one"},
      {{31}, {.birthday = 100.0}, {.birthday = 50.5}, false, 1, "birthdays by value"},
      {{31}, {}, {.birthday = 0.0}, false, -1, "an unset birthday is the lowest value"},
      {{31}, {.noExt = true}, {}, false, 1, "no extended items sort last"},
      {{27, 28, 1}, {.position = 1, .item = 27, .text = "z"}, {.position = 2, .item = 27, .text = "a"}, false, -1,
       "URL and sync id never decide"},
      {{0, 99, 1}, {.position = 3}, {.position = 2}, false, 1, "unknown ids never decide"},
      {{3, 2, 1, 4}, {.name = "A", .number = "1"}, {.name = "a", .number = "1"}, false, 0, "equal under every key"},
      {{3, 2, 1, 4}, {.name = "A", .number = ""}, {.name = "a", .number = "0"}, false, 1, "an empty number last"},
      {{3, 2, 1, 4, 12}, {.name = "A", .surname = "b"}, {.name = "a", .surname = "B"}, false, 0,
       "keys after the default four: equal surnames"},
      {{3, 2, 1, 4, 12}, {.name = "A", .surname = "c"}, {.name = "a", .surname = "B"}, false, 1,
       "keys after the default four: the surname decides"},
      {{3, 2, 1}, {.name = "a", .number = "2"}, {.name = "a", .number = "1"}, false, 0, "a chain that stops short"},
      {{3, 2, 1, 12, 4}, {.name = "a", .number = "2"}, {.name = "a", .number = "1"}, false, 1,
       "not the default order: the number still decides"},
      {{3}, {.name = "jan"}, {.name = "ja"}, false, 1, "the longer text after its start"},
  };
  CColumnInfos columns;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    SetKeys(columns, c.keys);
    auto a = Make(c.a), b = Make(c.b);
    CGroups* g = c.withGroups ? &groups : nullptr;
    int forward = columns.CompareEntries(*a, *b, g), backward = columns.CompareEntries(*b, *a, g);
    EXPECT_EQ(Sign(forward), c.expected);
    EXPECT_EQ(Sign(backward), -c.expected);
  }
}

TEST_F(SortKeysTest, FirstComparisonWithoutKeysOrdersByPosition) {
  CColumnInfos columns;
  auto a = Make({.name = "A", .position = 7}), b = Make({.name = "B", .position = 3});
  EXPECT_GT(columns.CompareEntries(*a, *b, nullptr), 0);
  EXPECT_EQ(Keys(columns), (std::vector<UINT>{1}));
  // Priorities at or beyond the number of keys name no key.
  for (UINT priority : {1u, 0x80000000u, kNone}) EXPECT_EQ(columns.GetColumnIDByPriority(priority), kNone);
  EXPECT_EQ(columns.GetColumnPriorityByID(12), kNone);
}

TEST_F(SortKeysTest, SaveWritesTheChainUnderItsPrimaryKey) {
  {
    CColumnInfos columns;
    struct {
      std::vector<UINT> keys;
      const char* name;
      std::string text;  // with its terminating zero
    } saves[] = {
        {{3, 2, 1, 4, 12}, "Column3SecondarySortingKeys", std::string("2,1,4,12", 9)},
        {{12, 3}, "Column12SecondarySortingKeys", std::string("3", 2)},
        {{0xFFFFFFFE, 0x80000000}, "Column-2SecondarySortingKeys", std::string("-2147483648", 12)},
    };
    for (const auto& save : saves) {
      SetKeys(columns, save.keys);
      columns.SaveSecondarySortKeys();
      EXPECT_EQ(ReadDword(kKey, "PrimarySortingKey"), save.keys[0]);
      auto chain = ReadRaw(kKey, save.name);
      ASSERT_TRUE(chain);
      EXPECT_EQ(chain->type, DWORD(REG_SZ));
      EXPECT_EQ(chain->data, save.text);
    }
    SetKeys(columns, {4});  // a single key writes nothing; the destructor saves this
  }
  EXPECT_EQ(ReadDword(kKey, "PrimarySortingKey"), 0xFFFFFFFEu);
  EXPECT_FALSE(ReadRaw(kKey, "Column4SecondarySortingKeys"));
}

// The columns 5, 7 and 9 are added; the chain 4, 77 is there before the load.
TEST_F(SortKeysTest, LoadReadsTheStoredChainAndCorrectsIt) {
  std::string tooLong = "4";  // 2049 bytes with the zero: too long for the buffer, ignored as a whole
  while (tooLong.size() < 2048) tooLong += ",4";
  tooLong.resize(2048);
  tooLong += '\0';
  struct Case {
    UINT primary;
    std::vector<UINT> keys;
    const char* why;
    std::optional<std::string> chain = {};  // the stored bytes; none: no chain stored
    DWORD storedPrimary = 0;           // 0: none stored
    bool noKey = false;
    const char* chainName = "Column3SecondarySortingKeys";
  } cases[] = {
      {3, {3, 5, 7, 1, 2, 4, 9}, "a piece without digits is 0 and goes", std::string("5,x,7", 6)},
      {3, {3, 9, 4, 1, 2, 5, 7}, "atoi pieces: blanks, sign, trailing text", std::string("9, 4,-1,1x", 11)},
      {3, {3, 1, 2, 4, 5, 7, 9}, "an empty text is one key 0", std::string(1, '\0')},
      {3, {3, 4, 4, 4, 4, 4, 4, 4, 4}, "enough keys: nothing is added", std::string("4,4,4,4,4,4,4,4", 16)},
      {3, {3, 1, 2, 4, 5, 7, 9}, "no chain: the columns in index order"},
      {99, {99, 1, 2, 3, 4, 5, 7, 9}, "a primary id without a column stays"},
      {7, {7, 1, 2, 3, 4, 5, 9}, "the primary id first"},
      {3, {3, 1, 2, 4, 5, 7, 9}, "a chain too long for the buffer", tooLong},
      {3, {3, 2, 1, 4, 5, 7, 9}, "2048 bytes without a zero are read, and no further",
       std::string(2047, ' ') + "2"},
      {3, {4, 3, 2, 1, 4, 5, 7, 9}, "without the key, the defaults join whatever chain there is", {}, 0, true},
      {kNone, {3, 2, 1, 4}, "the last saved chain, nothing saved: the default chain, not corrected"},
      {kNone, {9, 7, 3, 1, 2, 4, 5}, "the last saved chain", std::string("7,3", 4), 9, false,
       "Column9SecondarySortingKeys"},
      {kNone, {3, 2, 1, 4, 5, 7, 9}, "a saved primary key that is no column any more: the default chain", {}, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TestHost fresh;
    CColumnInfos columns;
    for (UINT id : {5, 7, 9}) columns.AddColumn(id, 10, 0, 0);
    if (c.chain) WriteRaw(kKey, c.chainName, REG_SZ, *c.chain);
    if (c.storedPrimary) WriteDword(kKey, "PrimarySortingKey", c.storedPrimary);
    if (c.noKey) DeleteTree("Software\\Tovik\\Marlow");
    SetKeys(columns, {4, 77});
    columns.LoadSecondarySortKeys(c.primary);
    EXPECT_EQ(Keys(columns), c.keys);
    columns.GetSortKeys()->RemoveAll();  // keep the destructor from saving
  }
}

TEST_F(SortKeysTest, ChangeSortKeyPriority) {
  CColumnInfos columns;
  SetKeys(columns, {3, 2, 1, 4});
  columns.ChangeSortKeyPriority(0, 3);
  columns.ChangeSortKeyPriority(1, 4);  // beyond the keys: nothing happens
  EXPECT_EQ(Keys(columns), (std::vector<UINT>{4, 2, 1, 3}));
}

// The default chain and the same chain behind a key that never decides (and so
// compared key by key) give the very same values for every pair of a grid of
// names in different case, empty texts, locations, positions and numbers.
TEST_F(SortKeysTest, DefaultChainAgreesWithTheKeyByKeyComparison) {
  std::vector<std::unique_ptr<CEntry>> entries;
  for (const char* name : {"", "jan", "Jan", "JANA", "jana", "J\xE1n", "b", "_"})
    for (UINT location : {1u, 2u})
      for (UINT position : {0u, 1u})
        for (const char* number : {"", "1", "+1"})
          entries.push_back(Make({.name = name, .location = location, .position = position, .number = number}));
  CColumnInfos direct, keyByKey;
  SetKeys(direct, {3, 2, 1, 4});
  SetKeys(keyByKey, {0, 3, 2, 1, 4});
  int nDiffering = 0;
  for (const auto& a : entries) {
    for (const auto& b : entries) {
      int expected = keyByKey.CompareEntries(*a, *b, nullptr);
      ASSERT_EQ(direct.CompareEntries(*a, *b, nullptr), expected)
          << a->GetName() << " " << a->GetLocation() << " " << a->GetPos() << " " << a->GetNum() << " / "
          << b->GetName() << " " << b->GetLocation() << " " << b->GetPos() << " " << b->GetNum();
      nDiffering += expected != 0;
    }
  }
  EXPECT_GT(nDiffering, 0);

  // A key changed in place through the array is seen by the next comparison.
  auto a = Make({.name = "a", .number = "2"}), b = Make({.name = "b", .number = "1"});
  EXPECT_LT(direct.CompareEntries(*a, *b, nullptr), 0);
  direct.GetSortKeys()->SetAt(0, ITEM_NUMBER);
  EXPECT_GT(direct.CompareEntries(*a, *b, nullptr), 0);
}
