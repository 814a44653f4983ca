#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "sorrel/Groups.h"

namespace {

constexpr const char* kLongText = "1,\"Family\",12,0,2,\"Work\",12,1";
constexpr const char* kShortText = "1,\"Family\",2,\"Work\"";

// id:name/maxlen/attr for every record, in list order.
std::string Describe(const CGroups& groups) {
  std::string out;
  for (int i = 0; i < groups.GetNGroups(); ++i) {
    const GroupInfo* g = groups.GetGroupByIndex(static_cast<UINT>(i));
    out += std::to_string(g->nID) + ":" + g->strName.str() + "/" + std::to_string(g->nMaxLen) + "/" +
           std::to_string(g->nAttr) + " ";
  }
  return out;
}

}  // namespace

TEST(Groups, CreatedFromItsClassDescription) {
  std::unique_ptr<CObject> object(RUNTIME_CLASS(CGroups)->CreateObject());
  ASSERT_NE(object, nullptr);
  EXPECT_STREQ(object->GetRuntimeClass()->m_lpszClassName, "CGroups");
  EXPECT_EQ(static_cast<CGroups*>(object.get())->GetNGroups(), 0);
}

TEST(Groups, WritesBothForms) {
  CGroups groups;
  CString text("stale");
  groups.GetAsText(text, 0);
  EXPECT_EQ(text, "");
  groups.GetAsText(text, 1);
  EXPECT_EQ(text, "");

  groups.SetMaxLenOfEditableGroups(12);
  groups.AddGroup(1, "Family", 10, 0);
  groups.AddGroup(2, "Work", 0, 1);
  groups.GetAsText(text, 0);
  EXPECT_EQ(text, kLongText);
  groups.GetAsText(text, 1);
  EXPECT_EQ(text, kShortText);
}

// Reading what the writer wrote gives ids, names and attributes back, and the
// list-wide limit as every record's limit.
TEST(Groups, ReadsBothFormsBack) {
  CGroups full;
  full.SetMaxGroups(5);
  full.FillFromText(kLongText, 0);
  EXPECT_EQ(Describe(full), "1:Family/12/0 2:Work/12/1 ");
  EXPECT_EQ(full.AreEditable(), 1);

  CGroups small;
  small.SetMaxGroups(2);
  CString text(kShortText);
  small.FillFromText(text, 1);
  EXPECT_EQ(text, kShortText);  // the reader works on a copy
  EXPECT_EQ(Describe(small), "1:Family/0/0 2:Work/0/0 ");
  EXPECT_EQ(small.AreEditable(), 0);

  // Ids already held are skipped: nothing added, nothing renamed.
  small.FillFromText("2,\"Office\",3,\"Home\"", 1);
  EXPECT_EQ(Describe(small), "1:Family/0/0 2:Work/0/0 3:Home/0/0 ");
}

// Malformed texts end with a defined list; the table pins what each gives.
TEST(Groups, MalformedTexts) {
  const struct {
    const char* pszText;
    int bShort;
    const char* pszGroups;
  } cases[] = {
      {"1,\"A\",B\",12,0", 0, "1:A/0/12 0:/0/0 "},  // a name cannot hold quote-comma
      {"1,\"Family", 1, "1:Family/0/0 "},
      {"1,\"Family", 0, "1:/0/0 "},
      {"5", 0, "5:/0/0 "},
      {"5", 1, "5:/0/0 "},
      {"abc", 1, "0:/0/0 "},
      {"99999999999,\"x\",-1,4", 0, "2147483647:x/4294967295/4 "},
      {",,,,,,", 0, "0:/0/0 "},
      {"\"\"\"\"", 1, "0:/0/0 "},
      {"1,\"A\",2,\"B\",", 1, "1:A/0/0 2:B/0/0 "},
      {"1,\"A\",7", 0, "1:A/7/0 "},
  };
  for (const auto& c : cases) {
    CGroups groups;
    groups.FillFromText(c.pszText, c.bShort);
    EXPECT_EQ(Describe(groups), c.pszGroups) << c.pszText << " short " << c.bShort;
  }

  CGroups untouched;
  untouched.AddGroup(1, "A", 0, 0);
  untouched.FillFromText("", 0);
  EXPECT_EQ(untouched.AreEditable(), 0);
}

// Every prefix of a long text, in both forms: the reader never reads past the
// text (the sanitizer build checks it) and a longer prefix never loses a group.
TEST(Groups, EveryPrefix) {
  std::string text = kLongText;
  for (int bShort = 0; bShort <= 1; ++bShort) {
    int nPrevious = 0;
    for (size_t n = 0; n <= text.size(); ++n) {
      CGroups groups;
      groups.FillFromText(CString(std::string_view(text).substr(0, n)), bShort);
      EXPECT_GE(groups.GetNGroups(), nPrevious) << n;
      nPrevious = groups.GetNGroups();
    }
  }
}

// Long runs of the separators: every pass of the reader ends, in time that
// grows with the text, not with its square.
TEST(Groups, HostileRuns) {
  constexpr size_t kBig = 1 << 16;
  auto start = std::chrono::steady_clock::now();
  for (const char* run : {",", "\"", "\",", ",\"", "9", "9,", "1,\"", "\"\""}) {
    std::string text;
    while (text.size() < kBig) text += run;
    for (int bShort = 0; bShort <= 1; ++bShort) {
      CGroups groups;
      groups.FillFromText(CString(text), bShort);
      EXPECT_LE(groups.GetNGroups(), 2) << run << " short " << bShort;
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST(Groups, ManyGroupsReadInLinearTime) {
  std::string text;
  for (UINT id = 1; id <= 100000; ++id) text += std::to_string(id) + ",\"g\",8,0,";
  auto start = std::chrono::steady_clock::now();
  CGroups groups;
  groups.FillFromText(CString(text), 0);
  EXPECT_EQ(groups.GetNGroups(), 100000);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST(Groups, IdsAndNames) {
  CGroups groups;
  EXPECT_EQ(groups.Get1stFreeID(), 1u);
  EXPECT_EQ(groups.AddGroup("First"), 1u);
  EXPECT_EQ(groups.GetGroupByID(1)->nMaxLen, 40u);
  EXPECT_EQ(groups.GetGroupByID(1)->nAttr, 1);
  groups.SetMaxLen2AllGroups(16);
  groups.AddGroup(4, "Family", 8, 0);
  EXPECT_EQ(groups.AddGroup(4, "Again", 8, 0), 0);
  auto duplicate = std::make_unique<GroupInfo>();
  duplicate->nID = 1;
  EXPECT_EQ(groups.AddGroup(duplicate.get()), 0);  // refused: still the caller's
  EXPECT_EQ(groups.AddGroup("Second"), 2u);
  EXPECT_EQ(groups.GetGroupByID(2)->nMaxLen, 16u);
  EXPECT_EQ(groups.Get1stFreeID(), 3u);

  EXPECT_EQ(groups.GetGroupIDByName("Family"), 4u);
  EXPECT_EQ(groups.GetGroupIDByName("family"), 0u);
  EXPECT_EQ(groups.GetGroupIDByName(CString("Second")), 2u);

  EXPECT_EQ(groups.RemoveGroup(9), 0);
  EXPECT_EQ(groups.RemoveGroup(1), 1);
  EXPECT_EQ(groups.GetGroupByID(1), nullptr);
  EXPECT_EQ(groups.GetGroupByIndex(0)->nID, 4u);
  EXPECT_EQ(groups.GetGroupByIndex(2), nullptr);
  EXPECT_EQ(groups.Get1stFreeID(), 1u);
}

TEST(Groups, EditableOnlyRises) {
  CGroups groups;
  groups.SetMaxGroups(1);
  EXPECT_EQ(groups.AreEditable(), 1);
  groups.AddGroup("Full");
  EXPECT_EQ(groups.AreEditable(), 1);
}

TEST(Groups, ChangeMarks) {
  CGroups groups;
  groups.AddGroup(1, "A", 0, 0);
  groups.AddGroup(2, "B", 0, 0);
  groups.AddGroup(3, "C", 0, 0);
  EXPECT_EQ(groups.IsAnyGroupChanged(), 0);
  groups.GetGroupByID(1)->bChanged = 1;
  groups.GetGroupByID(3)->bChanged = 1;
  groups.SetNewID(3, 7);
  groups.SetNewID(8, 7);
  EXPECT_EQ(groups.GetGroupByID(3)->nNewID, 7u);
  EXPECT_EQ(groups.IsAnyGroupChanged(), 1);
  EXPECT_EQ(groups.GetNChangedGroups(), 2u);
  groups.ClearChangedFlags();
  EXPECT_EQ(groups.GetNChangedGroups(), 0u);
}
