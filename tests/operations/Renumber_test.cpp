#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sorrel/Entry.h"

namespace {

constexpr UINT kNumberItems[] = {ITEM_OFFICE,       ITEM_MOBILE,       ITEM_HOME,         ITEM_FAX,
                                 ITEM_OTHER_NUMBER, ITEM_PAGER,        ITEM_INFO_NUMBER1, ITEM_INFO_NUMBER2,
                                 ITEM_INFO_NUMBER3, ITEM_INFO_NUMBER4};

using Rule = RenumPrefix;  // old int, new int, old nat, new nat

CArray<RenumPrefix, RenumPrefix&> Rules(std::vector<Rule> rules) {
  CArray<RenumPrefix, RenumPrefix&> out;
  for (Rule& r : rules) out.Add(r);
  return out;
}

CString Item(const CEntry& e, UINT id) { return *e.GetExtendedItems()->GetValuePtrByID(id); }

// An unchanged entry with extended items, the given number in the main number
// (unless left out) and in the items given; the second fax too, which is never
// a number to change.
std::unique_ptr<CEntry> Fresh(UINT location, const char* number, std::vector<UINT> items = {}, bool inMain = true) {
  auto e = std::make_unique<CEntry>(1, 0);
  e->SetLocation(location);
  e->SetName("Jan", NO_LIMIT);
  if (inMain) e->GetNum() = number;
  for (UINT id : items) e->SetExtItem(id, number, NO_LIMIT);
  e->SetExtItem(ITEM_FAX2, number, NO_LIMIT);
  e->ClearChangedFlag();
  return e;
}

const Rule kPrague{"+4202", "+42022", "02", "2"};

// Each case runs on the main number and, separately, on every number item:
// all of them follow the same rules.
TEST(Renumber, RewritesEveryNumberAlike) {
  const struct {
    const char* number;
    int toInternational;
    std::vector<Rule> rules;
    const char* expected;
    int reported;  // the result of Renumber on an unchanged entry
  } cases[] = {
      // the built-in table: national prefixes lose their 0, or gain +42
      {"0602123456", 0, {}, "602123456", 1},
      {"072123456", 0, {}, "72123456", 1},
      {"0601", 0, {}, "601", 1},
      {"0602123456", 1, {}, "+420602123456", 1},
      {"+420602123456", 0, {}, "+420602123456", 0},
      {"+420602123456", 1, {}, "+420602123456", 0},
      {"+42072111", 0, {}, "+42072111", 0},
      {"060", 0, {}, "060", 0},                // shorter than any table prefix
      {"0609123", 0, {}, "0609123", 0},        // not in the table
      {"602123456", 0, {}, "602123456", 0},    // already renumbered
      {"0602123", 0, {{"", "", "06", "99"}}, "602123", 1},  // a built-in number is never offered to the rules
      // "00" becomes "+" and that alone is no change
      {"00420602123456", 0, {}, "+420602123456", 0},
      {"00420602123456", 1, {}, "+420602123456", 0},
      {"0042012345", 1, {}, "+42012345", 0},
      {"004202123", 0, {kPrague}, "+42022123", 1},
      // national numbers outside the table go international by +42
      {"02123456", 1, {}, "+4202123456", 1},
      {"02123456", 1, {kPrague}, "+42022123456", 1},
      {"0", 1, {}, "+420", 1},
      {"2123456", 1, {}, "2123456", 0},  // no leading 0, no +42
      {"02123456", 0, {}, "02123456", 0},
      // the rules, by the number's form
      {"02123456", 0, {kPrague}, "2123456", 1},
      {"+4202123", 0, {kPrague}, "+42022123", 1},
      {"+4202123", 1, {{"+4202", "", "02", "2"}}, "+4202123", 0},
      {"03123", 0, {kPrague, {"", "", "03", "3"}}, "3123", 1},
      // the first matching rule decides, even with no new prefix
      {"02123", 0, {{"", "", "0", ""}, kPrague}, "02123", 0},
      {"+4202123", 0, {{"", "", "02", "2"}, kPrague}, "+4202123", 0},
      // an empty old prefix matches every number of its form
      {"123", 0, {{"", "", "", "9"}}, "9123", 1},
      {"", 1, {{"", "+1", "", "9"}}, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.number) + " to international " + std::to_string(c.toInternational));
    auto rules = Rules(c.rules);
    auto e = Fresh(1, c.number);
    EXPECT_EQ(e->Renumber(rules, c.toInternational), c.reported);
    EXPECT_EQ(e->GetNum(), c.expected);
    EXPECT_EQ(e->Changed(), c.reported);
    for (UINT id : kNumberItems) {
      e = Fresh(1, c.number, {id}, false);
      EXPECT_EQ(e->Renumber(rules, c.toInternational), c.reported) << "item " << id;
      EXPECT_EQ(Item(*e, id), c.expected) << "item " << id;
      EXPECT_EQ(Item(*e, ITEM_FAX2), c.number);
    }
  }
}

TEST(Renumber, ExcludedLocationsAreLeftAlone) {
  auto rules = Rules({kPrague});
  for (UINT location : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 12u, 13u, 255u}) {
    const bool excluded = location == 0 || (location >= 4 && location <= 11 && location != 8);
    auto e = Fresh(location, "0602123456");
    e->SetExtItem(ITEM_MOBILE, "00420602123456", NO_LIMIT);
    if (excluded) e->SetChangedFlag();  // even a changed entry reports 0 there
    EXPECT_EQ(e->Renumber(rules, 1), excluded ? 0 : 1) << location;
    EXPECT_EQ(e->GetNum(), excluded ? "0602123456" : "+420602123456") << location;
    EXPECT_EQ(Item(*e, ITEM_MOBILE), excluded ? "00420602123456" : "+420602123456") << location;
  }
}

TEST(ChangePrefixes, RewritesEveryNumberAlike) {
  const struct {
    const char *number, *oldPrefix, *newPrefix, *expected;
    int reported;
  } cases[] = {
      {"0042123", "0042", "+42", "+42123", 1}, {"004", "0042", "+42", "004", 0},  // shorter
      {"10042", "0042", "+42", "10042", 0},    {"123", "", "+42", "+42123", 1},
      {"", "", "+42", "", 0},                  {"abc", "ABC", "x", "abc", 0},  // byte-wise
      {"0042", "0042", "", "", 1},
      // a matched prefix counts as a change even when the replacement is the same text
      {"0042123", "0042", "0042", "0042123", 1},
  };
  for (const auto& c : cases) {
    auto e = Fresh(4, c.number, {std::begin(kNumberItems), std::end(kNumberItems)});  // no excluded locations here
    e->SetExtItem(ITEM_NOTE, c.number, NO_LIMIT);
    EXPECT_EQ(e->ChangePrefixes(c.oldPrefix, c.newPrefix), c.reported) << c.number << " " << c.oldPrefix;
    EXPECT_EQ(e->GetNum(), c.expected);
    for (UINT id : kNumberItems) EXPECT_EQ(Item(*e, id), c.expected) << "item " << id;
    EXPECT_EQ(Item(*e, ITEM_FAX2), c.number);
    EXPECT_EQ(Item(*e, ITEM_NOTE), c.number);
  }
}

// Both operations report the change flag: 1 for an entry changed before even
// when nothing matched. Without extended items the main number is edited in
// place, so its international flag stays as SetNum left it.
TEST(Renumber, ResultIsTheChangeFlag) {
  auto rules = Rules({});
  auto e = Fresh(1, "+420602123456");
  EXPECT_EQ(e->ChangePrefixes("9", "8"), 0);
  e->SetChangedFlag();
  EXPECT_EQ(e->Renumber(rules, 0), 1);
  EXPECT_EQ(e->ChangePrefixes("9", "8"), 1);

  for (int renumber = 0; renumber < 2; ++renumber) {
    CEntry plain(0, 0);
    plain.SetLocation(1);
    plain.SetNum(renumber ? "0603111222" : "0042777", NO_LIMIT);
    plain.ClearChangedFlag();
    EXPECT_EQ(renumber ? plain.Renumber(rules, 1) : plain.ChangePrefixes("0042", "+42"), 1);
    EXPECT_EQ(plain.GetNum(), renumber ? "+420603111222" : "+42777");
    EXPECT_EQ(plain.IsNumInternational(), 0);
  }
}

}  // namespace
