#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "sorrel/Entry.h"

namespace {

constexpr UINT kNumberItems[] = {ITEM_OFFICE,       ITEM_MOBILE,       ITEM_HOME,         ITEM_FAX,
                                 ITEM_OTHER_NUMBER, ITEM_PAGER,        ITEM_INFO_NUMBER1, ITEM_INFO_NUMBER2,
                                 ITEM_INFO_NUMBER3, ITEM_INFO_NUMBER4};

using Rule = std::array<const char*, 4>;  // old int, new int, old nat, new nat

CArray<RenumPrefix, RenumPrefix&> Rules(const std::vector<Rule>& rules) {
  CArray<RenumPrefix, RenumPrefix&> out;
  for (const Rule& r : rules) {
    RenumPrefix p{r[0], r[1], r[2], r[3]};
    out.Add(p);
  }
  return out;
}

CString Item(const CEntry& e, UINT id) {
  CString value;
  e.GetExtendedItems()->GetValueByID(id, value);
  return value;
}

// An unchanged entry at location 1 with extended items.
std::unique_ptr<CEntry> Fresh(UINT location = 1) {
  auto e = std::make_unique<CEntry>(1, 0);
  e->SetLocation(location);
  e->SetName("Jan", NO_LIMIT);
  e->ClearChangedFlag();
  return e;
}

struct RenumberCase {
  const char* number;
  int toInternational;
  std::vector<Rule> rules;
  const char* expected;
  int reported;  // the result of Renumber on an unchanged entry
};

class RenumberTest : public ::testing::TestWithParam<RenumberCase> {};

// Each case runs on the main number and, separately, on every number item:
// all of them follow the same rules.
TEST_P(RenumberTest, RewritesEveryNumberAlike) {
  const RenumberCase& c = GetParam();
  auto rules = Rules(c.rules);
  {
    auto e = Fresh();
    e->GetNum() = c.number;
    EXPECT_EQ(e->Renumber(rules, c.toInternational), c.reported) << "main number";
    EXPECT_EQ(e->GetNum(), c.expected) << "main number";
    EXPECT_EQ(e->Changed(), c.reported);
  }
  for (UINT id : kNumberItems) {
    auto e = Fresh();
    e->SetExtItem(id, c.number, NO_LIMIT);
    e->SetExtItem(ITEM_FAX2, c.number, NO_LIMIT);  // never a number to renumber
    EXPECT_EQ(e->Renumber(rules, c.toInternational), c.reported) << "item " << id;
    EXPECT_EQ(Item(*e, id), c.expected) << "item " << id;
    EXPECT_EQ(Item(*e, ITEM_FAX2), c.number);
  }
}

const Rule kPrague{"+4202", "+42022", "02", "2"};

INSTANTIATE_TEST_SUITE_P(
    Cases, RenumberTest,
    ::testing::Values(
        // the built-in table: national prefixes lose their 0, or gain +42
        RenumberCase{"0602123456", 0, {}, "602123456", 1},
        RenumberCase{"072123456", 0, {}, "72123456", 1},
        RenumberCase{"0601", 0, {}, "601", 1},
        RenumberCase{"0602123456", 1, {}, "+420602123456", 1},
        RenumberCase{"+420602123456", 0, {}, "+420602123456", 0},
        RenumberCase{"+420602123456", 1, {}, "+420602123456", 0},
        RenumberCase{"+42072111", 0, {}, "+42072111", 0},
        RenumberCase{"060", 0, {}, "060", 0},                 // shorter than any table prefix
        RenumberCase{"0609123", 0, {}, "0609123", 0},         // not in the table
        RenumberCase{"602123456", 0, {}, "602123456", 0},     // already renumbered
        // a built-in number is never offered to the rules
        RenumberCase{"0602123", 0, {{"", "", "06", "99"}}, "602123", 1},
        // "00" becomes "+" and that alone is no change
        RenumberCase{"00420602123456", 0, {}, "+420602123456", 0},
        RenumberCase{"00420602123456", 1, {}, "+420602123456", 0},
        RenumberCase{"0042012345", 1, {}, "+42012345", 0},
        RenumberCase{"004202123", 0, {kPrague}, "+42022123", 1},
        // national numbers outside the table go international by +42
        RenumberCase{"02123456", 1, {}, "+4202123456", 1},
        RenumberCase{"02123456", 1, {kPrague}, "+42022123456", 1},
        RenumberCase{"0", 1, {}, "+420", 1},
        RenumberCase{"2123456", 1, {}, "2123456", 0},          // no leading 0, no +42
        RenumberCase{"02123456", 0, {}, "02123456", 0},
        // the rules, by the number's form
        RenumberCase{"02123456", 0, {kPrague}, "2123456", 1},
        RenumberCase{"+4202123", 0, {kPrague}, "+42022123", 1},
        RenumberCase{"+4202123", 1, {{"+4202", "", "02", "2"}}, "+4202123", 0},
        RenumberCase{"03123", 0, {kPrague, {"", "", "03", "3"}}, "3123", 1},
        // the first matching rule decides, even with no new prefix
        RenumberCase{"02123", 0, {{"", "", "0", ""}, kPrague}, "02123", 0},
        RenumberCase{"+4202123", 0, {{"", "", "02", "2"}, kPrague}, "+4202123", 0},
        // an empty old prefix matches every number of its form
        RenumberCase{"123", 0, {{"", "", "", "9"}}, "9123", 1},
        RenumberCase{"", 1, {{"", "+1", "", "9"}}, "", 0}));

TEST(Renumber, ExcludedLocationsAreLeftAlone) {
  auto rules = Rules({kPrague});
  for (UINT location : {0u, 4u, 5u, 6u, 7u, 9u, 10u, 11u}) {
    auto e = Fresh(location);
    e->GetNum() = "0602123456";
    e->SetExtItem(ITEM_MOBILE, "00420602123456", NO_LIMIT);
    e->SetChangedFlag();
    EXPECT_EQ(e->Renumber(rules, 1), 0) << location;
    EXPECT_EQ(e->GetNum(), "0602123456") << location;
    EXPECT_EQ(Item(*e, ITEM_MOBILE), "00420602123456") << location;
  }
  for (UINT location : {1u, 2u, 3u, 8u, 12u, 13u, 255u}) {
    auto e = Fresh(location);
    e->GetNum() = "0602123456";
    EXPECT_EQ(e->Renumber(rules, 1), 1) << location;
    EXPECT_EQ(e->GetNum(), "+420602123456") << location;
  }
}

TEST(Renumber, ResultIsTheChangeFlag) {
  auto rules = Rules({});
  auto e = Fresh();
  e->GetNum() = "+420602123456";
  e->SetChangedFlag();
  EXPECT_EQ(e->Renumber(rules, 0), 1);  // nothing matched, but the entry was changed before

  auto plain = std::make_unique<CEntry>(0, 0);  // no extended items
  plain->SetLocation(1);
  plain->SetNum("0603111222", NO_LIMIT);
  plain->ClearChangedFlag();
  EXPECT_EQ(plain->Renumber(rules, 1), 1);
  EXPECT_EQ(plain->GetNum(), "+420603111222");
  // edited in place: the international flag of the main number stays as SetNum left it
  EXPECT_EQ(plain->IsNumInternational(), 0);
}

struct PrefixCase {
  const char* number;
  const char* oldPrefix;
  const char* newPrefix;
  const char* expected;
  int reported;
};

class ChangePrefixesTest : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(ChangePrefixesTest, RewritesEveryNumberAlike) {
  const PrefixCase& c = GetParam();
  auto e = Fresh(4);  // prefix change knows no excluded locations
  e->GetNum() = c.number;
  for (UINT id : kNumberItems) e->SetExtItem(id, c.number, NO_LIMIT);
  e->SetExtItem(ITEM_FAX2, c.number, NO_LIMIT);
  e->SetExtItem(ITEM_NOTE, c.number, NO_LIMIT);

  EXPECT_EQ(e->ChangePrefixes(c.oldPrefix, c.newPrefix), c.reported);
  EXPECT_EQ(e->GetNum(), c.expected);
  for (UINT id : kNumberItems) EXPECT_EQ(Item(*e, id), c.expected) << "item " << id;
  EXPECT_EQ(Item(*e, ITEM_FAX2), c.number);
  EXPECT_EQ(Item(*e, ITEM_NOTE), c.number);
}

INSTANTIATE_TEST_SUITE_P(Cases, ChangePrefixesTest,
                         ::testing::Values(PrefixCase{"0042123", "0042", "+42", "+42123", 1},
                                           PrefixCase{"004", "0042", "+42", "004", 0},  // shorter
                                           PrefixCase{"10042", "0042", "+42", "10042", 0},
                                           PrefixCase{"123", "", "+42", "+42123", 1},
                                           PrefixCase{"", "", "+42", "", 0},
                                           PrefixCase{"abc", "ABC", "x", "abc", 0},  // byte-wise
                                           PrefixCase{"0042", "0042", "", "", 1},
                                           // a matched prefix counts as a change even when
                                           // the replacement is the same text
                                           PrefixCase{"0042123", "0042", "0042", "0042123", 1}));

TEST(ChangePrefixes, ResultIsTheChangeFlag) {
  auto e = Fresh();
  e->GetNum() = "123";
  EXPECT_EQ(e->ChangePrefixes("9", "8"), 0);
  e->SetChangedFlag();
  EXPECT_EQ(e->ChangePrefixes("9", "8"), 1);

  auto plain = std::make_unique<CEntry>(0, 0);
  plain->SetNum("0042777", NO_LIMIT);
  plain->ClearChangedFlag();
  EXPECT_EQ(plain->ChangePrefixes("0042", "+42"), 1);
  EXPECT_EQ(plain->GetNum(), "+42777");
}

}  // namespace
