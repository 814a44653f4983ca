// The generated phone books and card files: the same bytes for a seed, the mix
// of entries they promise, and phone book texts that the library reads back
// unchanged. That the generated cards are read back is the card-reading
// benchmark's own check: it refuses to measure a rejected card.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "Generator.h"
#include "formats/VCardValue.h"

namespace {

TEST(Generator, TheSameSeedGivesTheSameBytesAndALongerBookStartsWithTheShorter) {
  std::string a = gen::PhoneBookText(*gen::MakeBook(7, 400));
  EXPECT_EQ(a, gen::PhoneBookText(*gen::MakeBook(7, 400)));
  EXPECT_NE(a, gen::PhoneBookText(*gen::MakeBook(8, 400)));
  EXPECT_EQ(gen::PhoneBookText(*gen::MakeBook(7, 800)).substr(0, a.size()), a);
  EXPECT_EQ(gen::VCardText(*gen::MakeBook(7, 400), gen::CardForm::V21Utf7),
            gen::VCardText(*gen::MakeBook(7, 400), gen::CardForm::V21Utf7));
}

TEST(Generator, TheEntriesAreTheMixThatWasPromised) {
  auto book = gen::MakeBook(3, 3000);
  size_t entries = 0, empty = 0, nonAscii = 0, withItems = 0, filledItems = 0, grouped = 0, icons = 0, birthdays = 0;
  for (const auto& e : book->entries) {
    if (!e) {
      ++empty;
      continue;
    }
    ++entries;
    if (sorrel::HasNonASCII(e->GetName().view()) || sorrel::HasNonASCII(e->GetSurname().view())) ++nonAscii;
    UINT location = e->GetLocation();
    CExtendedItems* items = e->GetExtendedItems();
    EXPECT_EQ(items != nullptr, location == 1 || location == 2 || location == 12) << "location " << location;
    EXPECT_EQ(e->AllowsNameSurnameDivision() != 0, location == 2 || location == 12);
    if (items) {
      ++withItems;
      filledItems += items->GetNFilledItems();
      if (CExtendedItems::IsBirthdaySet(items->GetValueByID(ITEM_BIRTHDAY))) ++birthdays;
    }
    if (e->GetGroupID()) ++grouped;
    if (e->AreIconsAssigned()) ++icons;
    EXPECT_FALSE(e->Changed());
  }
  EXPECT_GT(empty, 0u);
  EXPECT_LT(empty, entries / 20);
  // About a third with letters outside ASCII.
  EXPECT_GT(nonAscii * 100, entries * 28);
  EXPECT_LT(nonAscii * 100, entries * 39);
  // Most extended items filled: of the 24 counted, well above a third on average.
  EXPECT_GT(filledItems, withItems * 9);
  EXPECT_GT(grouped * 2, entries);
  EXPECT_GT(icons, entries / 10);
  EXPECT_GT(birthdays * 2, withItems);
}

// The phone book file as the library reads it: every slot line reads into an
// entry that writes the very same line, so no generated value holds a byte
// sequence the text form cannot carry.
TEST(Generator, ThePhoneBookFileReadsBackIntoTheSameLines) {
  auto book = gen::MakeBook(5, 2000);
  std::istringstream lines(gen::PhoneBookText(*book));
  std::string line;
  ASSERT_TRUE(std::getline(lines, line));
  CGroups groups;
  groups.FillFromText(line.c_str(), 0);
  EXPECT_EQ(groups.GetNGroups(), book->groups.GetNGroups());
  for (size_t i = 0; i < book->entries.size(); ++i) {
    ASSERT_TRUE(std::getline(lines, line)) << "slot " << i + 1 << " has no line";
    SCOPED_TRACE("line " + std::to_string(i + 2) + ": " + line);
    ASSERT_EQ(line == "EMPTY", book->entries[i] == nullptr);
    if (line == "EMPTY") continue;
    CEntry entry;
    entry.FillFromText(line.c_str(), 1, 1, 0, &groups);
    CString again;
    entry.GetAsText(again, 1, 1);
    EXPECT_EQ(again.str(), line + "\n");
  }
  EXPECT_FALSE(std::getline(lines, line)) << "a line after the last slot";
}

}  // namespace
