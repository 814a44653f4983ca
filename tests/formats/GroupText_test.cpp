#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "formats/VCardTestSupport.h"
#include "sorrel/Groups.h"
#include "support/Cases.h"
#include "support/DescribeGroups.h"

namespace {

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
    groups.FillFromText(CString(sorrel::test::Unescape(std::string_view(source).substr(flags.size() + 1))),
                        flags.find('s') != std::string::npos);
    groups.SetMaxLenOfEditableGroups(12);
    CString longForm("stale"), shortForm("stale");
    groups.GetAsText(longForm, 0);
    groups.GetAsText(shortForm, 1);
    return "  " + vcardtest::Show(CString(sorrel::test::Describe(groups))) + "editable " +
           std::to_string(groups.AreEditable()) + "\n  " + longForm.str() + "\n  " + shortForm.str() + "\n";
  });
}

// A dynamically created list takes 100 000 groups, each id once. (Megabytes of
// the separators alone are among the hostile inputs of the perf tests.)
TEST(GroupText, ManyGroups) {
  std::string many;
  for (UINT id = 1; id <= 100000; ++id) many += std::to_string(id) + ",\"g\",8,0,";
  std::unique_ptr<CObject> object(RUNTIME_CLASS(CGroups)->CreateObject());
  auto& groups = *static_cast<CGroups*>(object.get());
  groups.FillFromText(CString(many), 0);
  EXPECT_EQ(groups.GetNGroups(), 100000);
}

}  // namespace
