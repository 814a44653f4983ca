#include <gtest/gtest.h>

#include <cstring>

#include "model/Captions.h"
#include "sorrel/ExtendedItems.h"

// Every item id with the caption it gets, in Windows-1250 byte by byte so that
// the test does not go through the conversion it checks; null for none.
TEST(Captions, OfEveryItem) {
  const char* const kCaptions[] = {
      nullptr, nullptr, nullptr, nullptr, nullptr,  // 0, and the base items 1 to 4
      "Kancel\xE1\xF8", "Mobil", "Dom\xF9", "Fax", "E-mail", "Adresa", "Pozn\xE1mka",  // 5 to 11
      "P\xF8\xEDjmen\xED", "Firma", "Funkce", "Dal\x9A\xED \xE8\xEDslo", "Pager", "E-mail 2",  // 12 to 17
      "M\xECsto", "St\xE1t", "PS\xC8", "Zem\xEC",  // 18 to 21
      "Info \xE8\xEDslo 1", "Info \xE8\xEDslo 2", "Info \xE8\xEDslo 3", "Info \xE8\xEDslo 4",  // 22 to 25
      "Skupina", "URL", nullptr, "Pozn\xE1mka 2", "Fax 2", "Narozeniny",  // 26 to 31
      nullptr, nullptr};  // 32, 33
  for (UINT id = 0; id < std::size(kCaptions); ++id) {
    CString caption("previous");
    const char* expected = kCaptions[id] ? kCaptions[id] : "";
    EXPECT_EQ(sorrel::LoadItemCaption(id, caption), int(std::strlen(expected))) << id;
    EXPECT_EQ(caption, expected) << id;
    EXPECT_EQ(sorrel::ItemCaptionID(id) != 0, kCaptions[id] != nullptr) << id;
  }
  // The library's module serves them to a host's LoadString as well.
  CString s;
  EXPECT_TRUE(s.LoadString(sorrel::ItemCaptionID(ITEM_BIRTHDAY)));
  EXPECT_EQ(s, "Narozeniny");
}
