#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CodePageInternal.h"
#include "sorrel/Entry.h"

namespace {

// Entry texts are Windows-1250; the cases are written in UTF-8.
CString Ansi(const char* utf8) { return CString(sorrel::Utf8ToAnsi(utf8)); }

struct Fields {
  const char* name = "";
  const char* number = "";
  const char* surname = "";
  bool division = false;
  bool extItems = true;
  std::vector<std::pair<UINT, const char*>> items = {};
  UINT group = 0;
};

std::unique_ptr<CEntry> Make(const Fields& f) {
  auto e = std::make_unique<CEntry>(f.extItems ? 1 : 0, f.division ? 1 : 0);
  e->SetName(Ansi(f.name), NO_LIMIT);
  e->SetNum(Ansi(f.number), NO_LIMIT);
  e->SetSurname(Ansi(f.surname), NO_LIMIT);
  for (const auto& [id, value] : f.items) e->SetExtItem(id, Ansi(value), NO_LIMIT);
  e->SetGroupID(f.group, nullptr);
  return e;
}

struct Case {
  const char* what;
  Fields entry;
  const char* text;
  int caseSensitive;
  int expected;
};

class ContainsSubstrTest : public ::testing::TestWithParam<Case> {};

TEST_P(ContainsSubstrTest, FindsWhatTheSearchedFieldsHold) {
  const Case& c = GetParam();
  auto entry = Make(c.entry);
  EXPECT_EQ(entry->ContainsSubstr(Ansi(c.text), c.caseSensitive), c.expected) << c.what;
}

const Fields kJanNovak{.name = "Jan", .number = "+420601123456", .surname = "Novák", .division = true};
const Fields kJanNoDivision{.name = "Jan", .number = "+420601123456", .surname = "Novák", .division = false};
const Fields kSkoda{.name = "škoda auto", .number = "123"};
const Fields kWithItems{.name = "Eva",
                        .number = "777",
                        .items = {{ITEM_MOBILE, "+420601999888"},
                                  {ITEM_SYNC_ID, "LUID-4711"},
                                  {ITEM_FAX2, "fax-two"},
                                  {ITEM_NOTE2, "second note"}},
                        .group = 3};

INSTANTIATE_TEST_SUITE_P(
    Cases, ContainsSubstrTest,
    ::testing::Values(
        Case{"empty text matches every entry", Fields{}, "", 0, 1},
        Case{"empty text, case-sensitive", Fields{}, "", 1, 1},
        Case{"name, exact case", kJanNovak, "Jan", 1, 1},
        Case{"name, other case, case-sensitive", kJanNovak, "jan", 1, 0},
        Case{"name, other case, case-insensitive", kJanNovak, "JAN", 0, 1},
        Case{"number fragment", kJanNovak, "601", 1, 1},
        Case{"surname searched when division is on", kJanNovak, "nov", 0, 1},
        Case{"surname in upper case, Czech letter", kJanNovak, "NOVÁK", 0, 1},
        Case{"surname, case-sensitive miss", kJanNovak, "nov", 1, 0},
        Case{"surname not searched without division", kJanNoDivision, "nov", 0, 0},
        Case{"Czech letters fold: ŠKODA finds škoda", kSkoda, "ŠKODA", 0, 1},
        Case{"Czech letters, case-sensitive miss", kSkoda, "ŠKODA", 1, 0},
        Case{"lower-case needle finds upper-case field", Fields{.name = "ŽLUŤOUČKÝ KŮŇ"}, "žluťoučký", 0, 1},
        Case{"number item", kWithItems, "601999", 1, 1},
        Case{"second note", kWithItems, "SECOND", 0, 1},
        Case{"second fax", kWithItems, "fax-two", 1, 1},
        Case{"synchronisation identifier is not searched", kWithItems, "LUID", 0, 0},
        Case{"items need extended items", Fields{.name = "Eva", .extItems = false}, "601", 1, 0},
        Case{"a miss", kWithItems, "xyz", 0, 0},
        Case{"needle longer than every field", Fields{.name = "ab", .number = "1"}, "abc", 0, 0},
        Case{"match at the very end of a field", Fields{.name = "Jana"}, "NA", 0, 1}));

TEST(ContainsSubstr, LeavesTheFieldsAsTheyWere) {
  auto e = Make(kJanNovak);
  e->ClearChangedFlag();
  EXPECT_EQ(e->ContainsSubstr("NOV", 0), 1);
  EXPECT_EQ(e->GetSurname(), Ansi("Novák"));
  EXPECT_EQ(e->GetName(), "Jan");
  EXPECT_EQ(e->Changed(), 0);
}

TEST(ContainsSubstr, GroupNameIsNotSearched) {
  CGroups groups;
  groups.AddGroup(3, "Rodina", 20, 0);
  auto e = Make(kWithItems);
  e->SetGroupID(3, &groups);
  EXPECT_EQ(e->ContainsSubstr("Rodina", 1), 0);
}

// Folding on the fly must agree with upper-casing a copy of each field, for
// every byte of the code page against every byte.
TEST(ContainsSubstr, AgreesWithUpperCasedCopies) {
  for (int a = 1; a < 256; ++a) {
    CString field(static_cast<char>(a));
    CString upperField = field;
    upperField.MakeUpper();
    for (int b = 1; b < 256; ++b) {
      CString needle(static_cast<char>(b));
      CString upperNeedle = needle;
      upperNeedle.MakeUpper();
      CEntry e(0, 0);
      e.GetName() = field;
      const int expected = upperField.Find(upperNeedle) >= 0 ? 1 : 0;
      ASSERT_EQ(e.ContainsSubstr(needle, 0), expected) << a << " " << b;
    }
  }
}

}  // namespace
