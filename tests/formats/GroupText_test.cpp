#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sorrel/Groups.h"
#include "support/DescribeGroups.h"

namespace {

using sorrel::test::Describe;

constexpr const char* kLongText = "1,\"Family\",12,0,2,\"Work\",12,1";
constexpr const char* kShortText = "1,\"Family\",2,\"Work\"";

}  // namespace

// Both forms written, and read back: ids, names and attributes, and the list-wide
// limit as every record's limit.
TEST(GroupText, BothFormsWrittenAndReadBack) {
  std::unique_ptr<CObject> object(RUNTIME_CLASS(CGroups)->CreateObject());
  auto& groups = *static_cast<CGroups*>(object.get());
  CString text("stale");
  for (int bShort : {0, 1}) {
    groups.GetAsText(text, bShort);
    EXPECT_EQ(text, "") << bShort;
  }
  groups.SetMaxLenOfEditableGroups(12);
  groups.AddGroup(1, "Family", 10, 0);
  groups.AddGroup(2, "Work", 0, 1);
  groups.GetAsText(text, 0);
  EXPECT_EQ(text, kLongText);
  groups.GetAsText(text, 1);
  EXPECT_EQ(text, kShortText);

  CGroups full;
  full.SetMaxGroups(5);
  full.FillFromText(kLongText, 0);
  EXPECT_EQ(Describe(full), "1:Family/12/0 2:Work/12/1 ");
  EXPECT_EQ(full.AreEditable(), 1);
  CGroups small;
  small.SetMaxGroups(2);
  small.FillFromText(CString(kShortText), 1);
  EXPECT_EQ(Describe(small), "1:Family/0/0 2:Work/0/0 ");
  EXPECT_EQ(small.AreEditable(), 0);
  // Ids already held are skipped: nothing renamed.
  small.FillFromText("2,\"Office\",3,\"Home\"", 1);
  EXPECT_EQ(Describe(small), "1:Family/0/0 2:Work/0/0 3:Home/0/0 ");
  // Names go out as "%s" writes them, up to their first zero byte.
  groups.AddGroup(3, CString(std::string_view("Ro\0dina", 7)), 12, 1);
  groups.GetAsText(text, 1);
  EXPECT_EQ(text.str(), kShortText + std::string(",3,\"Ro\""));
}

// Malformed texts end with a defined list; the table pins what each gives.
TEST(GroupText, MalformedTexts) {
  const struct {
    const char* pszText;
    int bShort;
    const char* pszGroups;
  } cases[] = {
      {"1,\"A\",B\",12,0", 0, "1:A/0/12 0:/0/0 "},  // a name cannot hold quote-comma
      {"1,\"Family", 1, "1:Family/0/0 "},
      {"1,\"Family", 0, "1:/0/0 "},
      {"5", 0, "5:/0/0 "},
      {"abc", 1, "0:/0/0 "},
      {"99999999999,\"x\",-1,4", 0, "2147483647:x/4294967295/4 "},
      {",,,,,,", 0, "0:/0/0 "},
      {"1,\"A\",2,\"B\",", 1, "1:A/0/0 2:B/0/0 "},
      {"1,\"A\",7", 0, "1:A/7/0 "},
  };
  for (const auto& c : cases) {
    CGroups groups;
    groups.FillFromText(c.pszText, c.bShort);
    EXPECT_EQ(Describe(groups), c.pszGroups) << c.pszText << " short " << c.bShort;
  }
}

// Every prefix of a long text, and long runs of the separators, in both forms:
// the reader ends without reading past the text (the sanitizer build checks it).
TEST(GroupText, TruncatedAndHostileTexts) {
  std::vector<std::string> texts;
  for (size_t n = 0; n <= std::strlen(kLongText); ++n) texts.emplace_back(kLongText, n);
  for (const char* run : {",", "\"", "\",", ",\"", "9", "9,", "1,\"", "\"\""}) {
    std::string text;
    while (text.size() < (1 << 16)) text += run;
    texts.push_back(text);
  }
  std::string many;
  for (UINT id = 1; id <= 100000; ++id) many += std::to_string(id) + ",\"g\",8,0,";
  for (int bShort = 0; bShort <= 1; ++bShort) {
    for (const std::string& text : texts) {
      CGroups groups;
      groups.FillFromText(CString(text), bShort);
      EXPECT_LE(groups.GetNGroups(), 2) << text.substr(0, 20) << " short " << bShort;
    }
  }
  CGroups groups;
  groups.FillFromText(CString(many), 0);
  EXPECT_EQ(groups.GetNGroups(), 100000);
}
