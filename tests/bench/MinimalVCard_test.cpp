// The memcpy-plus-format floor is only a floor if it writes the library's
// bytes: the same cards for generated books and for the entries at the edges
// of the writer's rules, in all three forms.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "Generator.h"
#include "MinimalVCard.h"

namespace {

constexpr gen::CardForm kForms[] = {gen::CardForm::V21Utf8, gen::CardForm::V21Utf7, gen::CardForm::V10};

std::string LibraryCard(const CEntry& e, gen::CardForm form, CGroups& groups) {
  CString out;
  if (form == gen::CardForm::V10)
    e.GetAsVCardVer1(out, &groups);
  else
    e.GetAsVCardVer21(out, form == gen::CardForm::V21Utf8 ? CP_UTF8 : CP_UTF7, &groups);
  return out.str();
}

TEST(MinimalVCardWriter, WritesTheLibrarysBytesForAGeneratedBook) {
  auto book = gen::MakeBook(21, 3000);
  ASSERT_EQ(book->entries.size(), 3000u);  // no empty comparison
  for (gen::CardForm form : kForms) {
    bench::MinimalVCardWriter writer(book->groups, form);
    std::string floor;
    for (const auto& e : book->entries)
      if (e) writer.Append(*e, floor);
    EXPECT_EQ(floor, gen::VCardText(*book, form)) << "form " << static_cast<int>(form);
  }
}

// Entries at the edges: what is written or left out, the character-set choice
// of each line, the birthday's date arithmetic, and the UTF-7 base64 runs.
// "\x8A" is Š, "\xE1" á, "\xF8" ř in Windows-1250.
TEST(MinimalVCardWriter, WritesTheLibrarysBytesAtTheEdges) {
  auto birthday = [](int y, int m, int d, double time = 0) {
    return [=](CEntry& e) { e.SetExtItem(ITEM_BIRTHDAY, COleDateTime(y, m, d, 0, 0, 0).m_dt + time); };
  };
  const std::pair<const char*, std::function<void(CEntry&)>> cases[] = {
      {"empty entry", [](CEntry&) {}},
      {"name only", [](CEntry& e) { e.SetName("Jan", NO_LIMIT); }},
      {"accented surname, ASCII name", [](CEntry& e) { e.SetName("Jan", NO_LIMIT); e.SetSurname("Nov\xE1k", NO_LIMIT); }},
      {"address with only a city", [](CEntry& e) { e.SetExtItem(ITEM_CITY, "Praha", NO_LIMIT); }},
      {"accented address part", [](CEntry& e) {
         e.SetExtItem(ITEM_ADDRESS, "Dlouh\xE1 5", NO_LIMIT); e.SetExtItem(ITEM_COUNTRY, "CZ", NO_LIMIT);
       }},
      {"base64 runs: adjacent, at the ends, beside optional direct characters", [](CEntry& e) {
         e.SetExtItem(ITEM_COMPANY, "\x8A\xE1\xF8 & co!", NO_LIMIT); e.SetExtItem(ITEM_TITLE, "x\xE1y\xE1", NO_LIMIT);
         e.SetName("\xF8", NO_LIMIT);
       }},
      {"numbers and e-mail are never encoded", [](CEntry& e) {
         e.SetNum("+420 601 \xE1", NO_LIMIT);
         for (auto [id, value] : {std::pair<UINT, const char*>{ITEM_EMAIL, "a\xE1@b.cz"}, {ITEM_FAX2, "1"},
                                  {ITEM_EMAIL2, "c@d.cz"}, {ITEM_OTHER_NUMBER, "2"}, {ITEM_URL, "http://x.cz/"}})
           e.SetExtItem(id, value, NO_LIMIT);
       }},
      {"group 0 exists, entry without a group", [](CEntry& e) { e.SetName("A", NO_LIMIT); }},
      {"accented group name", [](CEntry& e) { e.SetGroupID(2, nullptr); }},
      {"group the list does not hold", [](CEntry& e) { e.SetGroupID(77, nullptr); }},
      {"leap day", birthday(2000, 2, 29)},
      {"1 March 1900 with a time of day", birthday(1900, 3, 1, 0.75)},
      {"before 1899", birthday(1850, 6, 1)},
      {"31 December 9999", birthday(9999, 12, 31)},
      {"no birthday", [](CEntry& e) { e.SetExtItem(ITEM_BIRTHDAY, NO_BIRTHDAY); }},
  };
  CGroups groups;
  gen::FillGroups(groups);
  groups.AddGroup(0, CString("Nikdo"), 20, 0);
  for (gen::CardForm form : kForms) {
    bench::MinimalVCardWriter writer(groups, form);
    for (const auto& [what, fill] : cases) {
      CEntry entry(1, 1);
      entry.SetLocation(2);
      fill(entry);
      std::string floor;
      writer.Append(entry, floor);
      EXPECT_EQ(floor, LibraryCard(entry, form, groups)) << what << ", form " << static_cast<int>(form);
    }
  }
}

}  // namespace
