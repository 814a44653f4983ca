#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "formats/VCardTestSupport.h"

using namespace vcardtest;

namespace {

// The card in one of the three forms: code page 0 for version 1.0, else 2.1 in
// that code page, written over stale text.
std::string Write(const CEntry& e, UINT codePage, CGroups* groups) {
  CString out("stale text");
  if (codePage == 0)
    e.GetAsVCardVer1(out, groups);
  else
    e.GetAsVCardVer21(out, codePage, groups);
  return out.str();
}

// 7 March 1975, and every text item filled, those that vCard never carries too,
// so that the golden files pin the order of every line and the absence of the
// others.
const char* const kWorkedExample =
    "\"Jan\"\"Novák\",\"+420601123456\",5,\"+420221000111\",10,\"Dlouhá 5\",13,\"ACME\",14,\"Ředitel\","
    "18,\"Praha\",20,\"11000\",21,\"CZ\",31,\"27460\",2";
const char* const kAllItems =
    "\"Antonín\"\"Dvořák\",\"+420111\",5,\"+420005\",6,\"+420006\",7,\"+420007\",8,\"+420008\",9,\"a@příklad.cz\","
    "10,\"Ulice 10\",11,\"poznámka\",13,\"Firma\",14,\"Šéf\",15,\"+420015\",16,\"+420016\",17,\"b@example.org\","
    "18,\"Brno\",19,\"Morava\",20,\"60200\",21,\"Česko\",22,\"+420022\",23,\"+420023\",24,\"+420024\","
    "25,\"+420025\",27,\"http://ž.cz\",28,\"LUID-28\",29,\"poznámka 2\",30,\"+420030\",31,\"-21297\",5";

CGroups& Groups() {
  static CGroups groups;
  if (groups.GetNGroups() == 0) {
    groups.AddGroup(2, Ansi("Rodina"), 16, 0);
    groups.AddGroup(5, Ansi("Přátelé"), 16, 0);
  }
  return groups;
}

// ---- golden cards -------------------------------------------------------------

// The cards come out byte for byte as the files hold them.
TEST(VCardWriter, GoldenCards) {
  for (const auto& [name, line] : {std::pair{"worked-example", kWorkedExample}, {"all-items", kAllItems}}) {
    for (const auto& [codePage, form] : {std::pair{65001u, ".21-utf8"}, {65000u, ".21-utf7"}, {0u, ".10"}})
      ExpectGolden(std::string("vcard/") + name + form + ".vcf", Write(*FromText(line), codePage, &Groups()));
  }
}

// ---- lines and their conditions -----------------------------------------------

// The cases of vcard/write.txt: per case "# what", then the code page (0 for
// version 1.0) with its suffixes and the entry's line; the .ref adds the card,
// written twice into a string that held text (the writers keep no state). The
// collection is Groups(), which lacks group 0; with "+" group 0 "Bez skupiny"
// and 7 "Přátelé", with "-" none; "x" an entry without extended items.
TEST(VCardWriter, Lines) {
  CGroups categories;
  categories.AddGroup(0, Ansi("Bez skupiny"), 16, 0);
  categories.AddGroup(7, Ansi("Přátelé"), 16, 0);
  ExpectGoldenCases("vcard/write.txt", [&](const std::string& line) {
    size_t end = 0;
    const UINT codePage = static_cast<UINT>(std::stoul(line, &end));
    const std::string form = line.substr(end, line.find(' ') - end);
    const auto entry = FromText(line.substr(line.find(' ') + 1), form.find('x') == std::string::npos);
    CGroups* groups = form.find('-') != std::string::npos ? nullptr
                      : form.find('+') != std::string::npos ? &categories
                                                            : &Groups();
    const std::string out = Write(*entry, codePage, groups);
    EXPECT_EQ(Write(*entry, codePage, groups), out) << line;
    return sorrel::AnsiToUtf8(out);
  });
}

// ---- read-back ----------------------------------------------------------------

// Describe() without the items that no card carries.
std::string Carried(const std::string& line, bool bVer1) {
  auto e = FromText(line);
  for (UINT id : {ITEM_HOME, ITEM_NOTE, ITEM_PAGER, ITEM_STATE, ITEM_INFO_NUMBER1, ITEM_INFO_NUMBER2,
                  ITEM_INFO_NUMBER3, ITEM_INFO_NUMBER4, ITEM_SYNC_ID, ITEM_NOTE2})
    e->SetExtItem(id, "", NO_LIMIT);
  if (bVer1) {
    for (UINT id : {ITEM_TITLE, ITEM_OTHER_NUMBER, ITEM_EMAIL2, ITEM_FAX2}) e->SetExtItem(id, "", NO_LIMIT);
    e->SetExtItem(ITEM_BIRTHDAY, NO_BIRTHDAY);
  }
  return Describe(*e);
}

// The entries of vcard/roundtrip.txt come back from a card unchanged in every
// field the card carries, in both character-set forms; version 1.0 carries
// neither job title, other number, second e-mail and fax, nor the birthday. It
// writes the category unencoded in the 8-bit code page; the reader takes it back
// as it stands.
TEST(VCardWriter, ReadsBack) {
  std::vector<std::string> rows = {kWorkedExample, kAllItems};
  for (const auto& row : sorrel::test::ReadCases("formats/vcard/roundtrip.txt")) rows.push_back(row[0]);
  ASSERT_GT(rows.size(), 2u);
  for (UINT codePage : {65001u, 65000u, 0u}) {
    for (const std::string& row : rows) {
      CString card(Write(*FromText(row), codePage, &Groups()));
      CEntry back(1, 1);
      ASSERT_EQ(back.FillFromVCard(card, &Groups(), nullptr), 1) << card.str();
      EXPECT_EQ(Describe(back), Carried(row, codePage == 0)) << "code page " << codePage << "\n" << card.str();
    }
  }
  EXPECT_EQ(Groups().GetNGroups(), 2);  // every category was found, none created
}

}  // namespace
