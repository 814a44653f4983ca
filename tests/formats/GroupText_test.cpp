#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "formats/VCardTestSupport.h"
#include "sorrel/Groups.h"
#include "support/DescribeGroups.h"

namespace {

constexpr const char* kLongText = "1,\"Family\",12,0,2,\"Work\",12,1";

// The cases of grouptext/texts.txt: flags, a blank, the text. The .ref adds the
// groups read, whether the list is editable, and the list written back in both
// forms with 12 as the list-wide limit.
TEST(GroupText, GoldenTexts) {
  vcardtest::ExpectGoldenCases("grouptext/texts.txt", [](const std::string& source) {
    const std::string flags = source.substr(0, source.find(' '));
    CGroups groups;
    if (flags.find('h') != std::string::npos) {
      groups.AddGroup(1, "Family", 0, 0);
      groups.AddGroup(2, "Work", 0, 0);
    }
    const size_t max = flags.find_first_of("0123456789");
    if (max != std::string::npos) groups.SetMaxGroups(static_cast<UINT>(flags[max] - '0'));
    groups.FillFromText(source.substr(flags.size() + 1).c_str(), flags.find('s') != std::string::npos);
    groups.SetMaxLenOfEditableGroups(12);
    CString longForm, shortForm;
    groups.GetAsText(longForm, 0);
    groups.GetAsText(shortForm, 1);
    return "  " + sorrel::test::Describe(groups) + "editable " + std::to_string(groups.AreEditable()) + "\n  " +
           longForm.str() + "\n  " + shortForm.str() + "\n";
  });
}

// The third field of the long form is the list-wide limit, not the record's;
// names go out as "%s" writes them, up to their first zero byte.
TEST(GroupText, Written) {
  std::unique_ptr<CObject> object(RUNTIME_CLASS(CGroups)->CreateObject());
  auto& groups = *static_cast<CGroups*>(object.get());
  CString text("stale");
  groups.GetAsText(text, 0);
  EXPECT_EQ(text, "");
  groups.SetMaxLenOfEditableGroups(12);
  groups.AddGroup(3, CString(std::string_view("Ro\0dina", 7)), 10, 1);
  groups.GetAsText(text, 0);
  EXPECT_EQ(text, "3,\"Ro\",12,1");
  groups.GetAsText(text, 1);
  EXPECT_EQ(text, "3,\"Ro\"");
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

}  // namespace
