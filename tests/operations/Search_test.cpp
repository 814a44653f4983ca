#include <gtest/gtest.h>

#include "platform/CodePageInternal.h"
#include "sorrel/Entry.h"
#include "support/Cases.h"

namespace {

// Entry texts are Windows-1250; the cases are written in UTF-8.
CString Ansi(const char* utf8) { return CString(sorrel::Utf8ToAnsi(utf8)); }

// Jan / Novák / +420601123456 in the group Rodina, with a mobile, a second fax,
// a second note and a synchronisation identifier; division and extended items
// as asked. The surname is stored even without division, as a reader may.
std::unique_ptr<CEntry> Jan(bool division, bool extItems) {
  static CGroups groups;
  if (groups.GetNGroups() == 0) groups.AddGroup(3, "Rodina", 20, 0);
  auto e = std::make_unique<CEntry>(extItems, division);
  e->SetGroupID(3, &groups);
  e->SetName("Jan", NO_LIMIT);
  e->SetNum("+420601123456", NO_LIMIT);
  e->GetSurname() = Ansi("Novák");
  e->SetExtItem(ITEM_MOBILE, "+420777999888", NO_LIMIT);
  e->SetExtItem(ITEM_FAX2, "fax-two", NO_LIMIT);
  e->SetExtItem(ITEM_NOTE2, Ansi("škoda"), NO_LIMIT);
  e->SetExtItem(ITEM_SYNC_ID, "LUID-4711", NO_LIMIT);
  return e;
}

TEST(ContainsSubstr, Cases) {
  const auto cases = sorrel::test::ReadCases("operations/data/search.tsv");
  ASSERT_EQ(cases.size(), 16u);
  for (const auto& c : cases) {
    ASSERT_GE(c.size(), 5u) << "a short line";
    auto e = Jan(c[2] == "1", c[3] == "1");
    EXPECT_EQ(e->ContainsSubstr(Ansi(c[0].c_str()), std::stoi(c[1])), std::stoi(c[4]))
        << c[0] << " case-sensitive " << c[1] << " division " << c[2] << " items " << c[3];
  }
}

}  // namespace
