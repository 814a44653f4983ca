#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sorrel/Entry.h"
#include "support/Cases.h"

namespace {

constexpr UINT kNumberItems[] = {ITEM_OFFICE,       ITEM_MOBILE,       ITEM_HOME,         ITEM_FAX,
                                 ITEM_OTHER_NUMBER, ITEM_PAGER,        ITEM_INFO_NUMBER1, ITEM_INFO_NUMBER2,
                                 ITEM_INFO_NUMBER3, ITEM_INFO_NUMBER4};

CString Item(const CEntry& e, UINT id) { return *e.GetExtendedItems()->GetValuePtrByID(id); }

// An unchanged entry with extended items, the given number in the main number
// (unless left out) and in the items given; the second fax and the note too,
// which are never numbers to change.
std::unique_ptr<CEntry> Fresh(UINT location, const char* number, std::vector<UINT> items = {}, bool inMain = true) {
  auto e = std::make_unique<CEntry>(1, 0);
  e->SetLocation(location);
  e->SetName("Jan", NO_LIMIT);
  if (inMain) e->GetNum() = number;
  for (UINT id : items) e->SetExtItem(id, number, NO_LIMIT);
  e->SetExtItem(ITEM_FAX2, number, NO_LIMIT);
  e->SetExtItem(ITEM_NOTE, number, NO_LIMIT);
  e->ClearChangedFlag();
  return e;
}

// Renumbering runs where it is allowed (location 1), a prefix change even where
// renumbering is not (location 4).
TEST(Renumber, RewritesEveryNumberAlike) {
  const auto cases = sorrel::test::ReadCases("operations/data/renumber.tsv");
  ASSERT_GT(cases.size(), 30u);
  for (const auto& c : cases) {
    ASSERT_GE(c.size(), 6u) << "a short line";
    SCOPED_TRACE(c[0] + " " + c[1] + " " + c[2] + " " + c[3]);
    const bool renumber = c[0] == "renumber";
    CArray<RenumPrefix, RenumPrefix&> rules;
    for (const std::string& rule : sorrel::test::CaseSplit(renumber ? c[3] : "", ';')) {
      auto p = sorrel::test::CaseSplit(rule);
      ASSERT_EQ(p.size(), 4u) << rule;
      RenumPrefix r{p[0].c_str(), p[1].c_str(), p[2].c_str(), p[3].c_str()};
      rules.Add(r);
    }
    auto run = [&](CEntry& e) {
      return renumber ? e.Renumber(rules, std::stoi(c[2])) : e.ChangePrefixes(c[2].c_str(), c[3].c_str());
    };
    const int reported = std::stoi(c[5]);
    auto e = Fresh(renumber ? 1 : 4, c[1].c_str());
    EXPECT_EQ(run(*e), reported);
    EXPECT_EQ(e->GetNum(), c[4].c_str());
    EXPECT_EQ(e->Changed(), reported);
    for (UINT id : kNumberItems) {
      e = Fresh(renumber ? 1 : 4, c[1].c_str(), {id}, false);
      EXPECT_EQ(run(*e), reported) << "item " << id;
      EXPECT_EQ(Item(*e, id), c[4].c_str()) << "item " << id;
      EXPECT_EQ(Item(*e, ITEM_FAX2) + Item(*e, ITEM_NOTE), (c[1] + c[1]).c_str());
    }
  }
}

TEST(Renumber, ExcludedLocationsAreLeftAlone) {
  CArray<RenumPrefix, RenumPrefix&> rules;
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

// Both operations report the change flag: 1 for an entry changed before even
// when nothing matched. Without extended items the main number is edited in
// place, so its international flag stays as SetNum left it.
TEST(Renumber, ResultIsTheChangeFlag) {
  CArray<RenumPrefix, RenumPrefix&> rules;
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
