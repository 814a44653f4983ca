#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "platform/Resources.h"
#include "sorrel/CString.h"
#include "sorrel/Resources.h"

namespace {

// The library's own table is the phone book's captions; the loader is tried on
// a table of its own, so this test knows nothing of phone books.
constexpr SorrelStringResource kLibraryTable[] = {{1, "Kancelář"}, {5, "E-mail"}, {6, "Adresa"}};

struct TableGuard {
  TableGuard() { sorrel::SetLibraryStringTable(kLibraryTable, std::size(kLibraryTable)); }
  ~TableGuard() {
    SorrelClearStringTable();
    sorrel::SetLibraryStringTable(nullptr, 0);
  }
};

}  // namespace

TEST(Resources, CaptionsModulesAndLoadStringA) {
  TableGuard guard;
  CString caption("previous");
  EXPECT_EQ(sorrel::LoadCaption(1, caption), 8);
  EXPECT_EQ(caption, "Kancel\xE1\xF8");  // in the ANSI code page
  for (UINT id : {0u, 2u, 27u, 0xFFFFFFFFu}) {
    caption = "previous";
    EXPECT_EQ(sorrel::LoadCaption(id, caption), 0) << id;
    EXPECT_EQ(caption, "") << id;
  }

  HMODULE library = GetModuleHandleA("Sorrel.DLL");
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(GetModuleHandleA("sorrel.dll"), library);
  EXPECT_EQ(GetModuleHandleA("Other.DLL"), nullptr);
  EXPECT_NE(GetModuleHandleA(nullptr), library);  // the host's own module

  char buffer[5];
  EXPECT_EQ(LoadStringA(library, 1, buffer, sizeof buffer), 4);  // cut to the buffer, zero-ended
  EXPECT_STREQ(buffer, "Kanc");
  EXPECT_EQ(LoadStringA(library, 2, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(LoadStringA(library, 1, buffer, 0), 0);
  EXPECT_EQ(LoadStringA(library, 1, nullptr, 5), 0);
  EXPECT_EQ(LoadStringA(nullptr, 1, buffer, sizeof buffer), 0);
  EXPECT_EQ(SorrelQueryVersionValue(nullptr), nullptr);
}

TEST(Resources, HostTableIsSearchedFirst) {
  TableGuard guard;
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
