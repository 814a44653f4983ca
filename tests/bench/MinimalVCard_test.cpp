// The memcpy-plus-format floor is only a floor if it writes the library's
// bytes: the same cards for generated books and for the entries at the edges
// of the writer's rules, in all three forms.
#include <gtest/gtest.h>

#include <string>

#include "Generator.h"
#include "MinimalVCard.h"
#include "formats/VCardTestSupport.h"

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

// Entries at the edges, in the phone text form: what is written or left out,
// the character-set choice of each line (numbers and e-mail are never encoded),
// the UTF-7 base64 runs (adjacent, at the ends, beside optional direct
// characters), the group (0 held, accented, not held) and the birthday's date
// arithmetic (a leap day, 1 March 1900 with a time of day, before 1899, the
// last day of 9999).
TEST(MinimalVCardWriter, WritesTheLibrarysBytesAtTheEdges) {
  const char* const cases[] = {
      "\"\",\"\"", "\"Jan\",\"\"", "\"Jan\"\"Novák\",\"\"", "\"\",\"\",18,\"Praha\"",
      "\"\",\"\",10,\"Dlouhá 5\",21,\"CZ\"", "\"ř\",\"\",13,\"Šář & co!\",14,\"xáyá\"",
      "\"\",\"+420 601 á\",9,\"aá@b.cz\",15,\"2\",17,\"c@d.cz\",27,\"http://x.cz/\",30,\"1\"",
      "\"\",\"\",2", "\"\",\"\",77", "\"\",\"\",31,\"36585\"", "\"\",\"\",31,\"61.75\"",
      "\"\",\"\",31,\"-18109\"", "\"\",\"\",31,\"2958465\"",
  };
  CGroups groups;
  gen::FillGroups(groups);
  groups.AddGroup(0, CString("Nikdo"), 20, 0);
  for (gen::CardForm form : kForms) {
    bench::MinimalVCardWriter writer(groups, form);
    for (const char* line : cases) {
      const auto entry = vcardtest::FromText(line);
      std::string floor;
      writer.Append(*entry, floor);
      EXPECT_EQ(floor, LibraryCard(*entry, form, groups)) << line << ", form " << static_cast<int>(form);
    }
  }
}

}  // namespace
