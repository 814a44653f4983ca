#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/Resources.h"
#include "sorrel/CString.h"
#include "sorrel/Resources.h"

namespace {

// The captions of the extended items in Windows-1250, written byte by byte so
// that the test does not go through the conversion it checks.
const char* const kCaptions[] = {
    "Kancel\xE1\xF8",                 "Mobil",        "Dom\xF9",     "Fax",
    "E-mail",                         "Adresa",       "Pozn\xE1mka", "P\xF8\xEDjmen\xED",
    "Firma",                          "Funkce",       "Dal\x9A\xED \xE8\xEDslo", "Pager",
    "E-mail 2",                       "M\xECsto",     "St\xE1t",     "PS\xC8",
    "Zem\xEC",                        "Info \xE8\xEDslo 1", "Info \xE8\xEDslo 2", "Info \xE8\xEDslo 3",
    "Info \xE8\xEDslo 4",             "Skupina",      "URL",         "Pozn\xE1mka 2",
    "Fax 2",                          "Narozeniny",
};

struct HostTableGuard {
  ~HostTableGuard() { SorrelClearStringTable(); }
};

}  // namespace

TEST(Resources, CaptionsOfTheExtendedItems) {
  static_assert(std::size(kCaptions) == 26);
  for (UINT id = 1; id <= 26; ++id) {
    CString caption("previous");
    EXPECT_EQ(sorrel::LoadCaption(id, caption), int(std::strlen(kCaptions[id - 1]))) << id;
    EXPECT_EQ(caption, kCaptions[id - 1]) << id;
  }
  // No string: the caption is emptied and the result is 0.
  for (UINT id : {0u, 27u, 158u, 0xFFFFFFFFu}) {
    CString caption("previous");
    EXPECT_EQ(sorrel::LoadCaption(id, caption), 0) << id;
    EXPECT_EQ(caption, "") << id;
  }
}

TEST(Resources, ModulesAndLoadStringA) {
  HMODULE library = GetModuleHandleA("Sorrel.DLL");
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(GetModuleHandleA("sorrel.dll"), library);
  EXPECT_EQ(GetModuleHandleA("Other.DLL"), nullptr);
  EXPECT_NE(GetModuleHandleA(nullptr), library);  // the host's own module

  char buffer[5];
  EXPECT_EQ(LoadStringA(library, 1, buffer, sizeof buffer), 4);  // cut to the buffer, zero-ended
  EXPECT_STREQ(buffer, "Kanc");
  EXPECT_EQ(LoadStringA(library, 27, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(LoadStringA(library, 1, buffer, 0), 0);
  EXPECT_EQ(LoadStringA(library, 1, nullptr, 5), 0);
  EXPECT_EQ(LoadStringA(nullptr, 1, buffer, sizeof buffer), 0);
}

TEST(Resources, HostTableIsSearchedFirst) {
  HostTableGuard guard;
  const SorrelStringResource host[] = {
      {5, "Jméno hostitele"},  // the library has 5 too ("E-mail")
      {61462, "Pozice"},
  };
  SorrelRegisterStringTable(host, std::size(host));

  CString s;
  EXPECT_TRUE(s.LoadString(5));
  EXPECT_EQ(s, "Jm\xE9no hostitele");  // delivered in the ANSI code page
  EXPECT_TRUE(s.LoadString(61462));
  EXPECT_EQ(s, "Pozice");
  EXPECT_TRUE(s.LoadString(6));        // not in the host's table: the library's
  EXPECT_EQ(s, "Adresa");
  EXPECT_FALSE(s.LoadString(61463));   // in neither: unchanged
  EXPECT_EQ(s, "Adresa");

  // The caption loader reads the library's own module only.
  CString caption;
  EXPECT_EQ(sorrel::LoadCaption(5, caption), 6);
  EXPECT_EQ(caption, "E-mail");

  const SorrelStringResource replacement[] = {{61462, "Pos."}};
  SorrelRegisterStringTable(replacement, 1);
  EXPECT_TRUE(s.LoadString(61462));
  EXPECT_EQ(s, "Pos.");
  EXPECT_TRUE(s.LoadString(5));        // an earlier string stays registered
  SorrelClearStringTable();
  EXPECT_FALSE(s.LoadString(61462));
}

TEST(Resources, VersionBlock) {
  struct Case {
    const char* name;
    const char* value;
  } cases[] = {
      {"FileVersion", "1.5.0.0"},        {"ProductVersion", "1.5.0.0"},
      {"OriginalFilename", "Sorrel.DLL"}, {"InternalName", "Sorrel"},
      {"FileDescription", "Sorrel DLL"},  {"ProductName", "Sorrel Dynamic Link Library"},
  };
  for (const Case& c : cases) EXPECT_STREQ(SorrelQueryVersionValue(c.name), c.value) << c.name;
  EXPECT_EQ(SorrelQueryVersionValue("CompanyName"), nullptr);
  EXPECT_EQ(SorrelQueryVersionValue(nullptr), nullptr);
}
