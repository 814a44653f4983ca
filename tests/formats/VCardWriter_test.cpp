#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "formats/VCardTestSupport.h"

using namespace vcardtest;

namespace {

using namespace std::literals;

struct EntryRow {
  std::string_view surname = "";
  std::string_view name = "";
  std::string_view num = "";
  std::vector<std::pair<UINT, std::string_view>> items = {};
  UINT group = 0;
  double birthday = NO_BIRTHDAY;
};

std::unique_ptr<CEntry> Make(const EntryRow& row) {
  auto e = std::make_unique<CEntry>(1, 1);
  e->SetSurname(Ansi(row.surname), NO_LIMIT);
  e->SetName(Ansi(row.name), NO_LIMIT);
  e->SetNum(Ansi(row.num), NO_LIMIT);
  for (const auto& [id, value] : row.items) e->SetExtItem(id, Ansi(value), NO_LIMIT);
  e->SetGroupID(row.group, nullptr);
  e->SetExtItem(ITEM_BIRTHDAY, row.birthday);
  return e;
}

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

const double k7March1975 = COleDateTime(1975, 3, 7, 0, 0, 0).m_dt;

const EntryRow kWorkedExample{"Novák", "Jan", "+420601123456",
                               {{ITEM_OFFICE, "+420221000111"}, {ITEM_ADDRESS, "Dlouhá 5"}, {ITEM_CITY, "Praha"},
                                {ITEM_ZIP, "11000"}, {ITEM_COUNTRY, "CZ"}, {ITEM_TITLE, "Ředitel"},
                                {ITEM_COMPANY, "ACME"}},
                               2, k7March1975};

// Every text item filled, those that vCard never carries too, so that the
// golden files pin the order of every line and the absence of the others.
const EntryRow kAllItems{"Dvořák", "Antonín", "+420111",
                          {{5, "+420005"},    {6, "+420006"},    {7, "+420007"},      {8, "+420008"},
                           {9, "a@příklad.cz"}, {10, "Ulice 10"},  {11, "poznámka"},    {13, "Firma"},
                           {14, "Šéf"},       {15, "+420015"},   {16, "+420016"},     {17, "b@example.org"},
                           {18, "Brno"},      {19, "Morava"},    {20, "60200"},       {21, "Česko"},
                           {22, "+420022"},   {23, "+420023"},   {24, "+420024"},     {25, "+420025"},
                           {27, "http://ž.cz"}, {28, "LUID-28"}, {29, "poznámka 2"},  {30, "+420030"}},
                          5, COleDateTime(1841, 9, 8, 0, 0, 0).m_dt};

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
  for (const auto& [name, row] : {std::pair{"worked-example", &kWorkedExample}, {"all-items", &kAllItems}}) {
    for (const auto& [codePage, form] : {std::pair{65001u, ".21-utf8"}, {65000u, ".21-utf7"}, {0u, ".10"}})
      ExpectGolden(std::string("vcard/") + name + form + ".vcf", Write(*Make(*row), codePage, &Groups()));
  }
}

// ---- encoders -----------------------------------------------------------------

TEST(VCardWriter, Encoders) {
  const struct {
    const char* ansi;  // UTF-8 of the 8-bit value
    int nonASCII;
    const char* qp;
    const char* utf7;
  } cases[] = {
      {"", 0, "", ""},
      {"Jan", 0, "=4A=61=6E", "Jan"},
      {"\x7F", 0, "=7F", "+AH8-"},
      {"á", 1, "=C3=A1", "+AOE-"},
      {"Novák", 1, "=4E=6F=76=C3=A1=6B", "Nov+AOE-k"},
      {"Ředitel", 1, "=C5=98=65=64=69=74=65=6C", "+AVg-editel"},
      // every run closed, before a blank, before a direct character, at the end
      {"á b", 1, "=C3=A1=20=62", "+AOE- b"},
      {"áb", 1, "=C3=A1=62", "+AOE-b"},
      {"Čáp.", 1, "=C4=8C=C3=A1=70=2E", "+AQwA4Q-p."},
      // optional direct characters travel in base64, a plus sign as "+-"
      {"a;b!", 0, "=61=3B=62=21", "a+ADs-b+ACE-"},
      {"+420", 0, "=2B=34=32=30", "+-420"},
      {"€", 1, "=E2=82=AC", "+IKw-"},
  };
  for (const auto& c : cases) {
    const CString ansi = Ansi(c.ansi);
    EXPECT_EQ(sorrel::HasNonASCII(ansi.view()), c.nonASCII) << c.ansi;
    EXPECT_EQ(EncodeQP(ansi.view()), c.qp) << c.ansi;
    EXPECT_EQ(EncodeUTF7(ansi.view()), c.utf7) << c.ansi;
  }
}

// Each byte of the code page, undefined ones too, encodes as the "=XX" of its
// UTF-8 from the platform's converter, alone and inside 7-bit text.
TEST(VCardWriter, QuotedPrintableOfEveryByte) {
  for (int b = 0; b < 256; ++b) {
    const std::string text = {'a', static_cast<char>(b), 'b', static_cast<char>(b)};
    EXPECT_EQ(EncodeQP(text), vcardtest::HexEscapes(sorrel::AnsiToUtf8(text))) << b;
  }
}

// ---- lines and their conditions -----------------------------------------------

struct LineCase {
  const char* what;
  EntryRow entry;
  UINT codePage;
  const char* lines;  // the card between VERSION and END, LF for CR LF, UTF-8
};

const LineCase kLineCases[] = {
    {"empty entry", {}, 65001, "N:;\n"},
    {"an accented surname encodes the ASCII name too", {"Nováková", "Jan"}, 65001,
     "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=4E=6F=76=C3=A1=6B=6F=76=C3=A1;=4A=61=6E\n"},
    {"an accented name encodes the ASCII surname too", {"Nova", "Jiří"}, 65000, "N;CHARSET=UTF-7:Nova;Ji+AVkA7Q-\n"},
    {"runs closed before ';' and at the end", {"Nová", "Šárka"}, 65000, "N;CHARSET=UTF-7:Nov+AOE-;+AWAA4Q-rka\n"},
    {"any other code page writes UTF-7", {"Nová", ""}, 1250, "N;CHARSET=UTF-7:Nov+AOE-;\n"},
    {"city only", {"", "", "", {{ITEM_CITY, "Praha"}}}, 65001, "N:;\nADR:;;;Praha;;;\n"},
    {"country only, encoded", {"", "", "", {{ITEM_COUNTRY, "Česko"}}}, 65001,
     "N:;\nADR;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;;;;;=C4=8C=65=73=6B=6F\n"},
    {"numbers, e-mail and URL are never encoded",
     {"", "", "+420 č", {{ITEM_EMAIL, "jiří@x.cz"}, {ITEM_URL, "http://ž.cz"}, {ITEM_FAX2, "č"}}}, 65001,
     "N:;\nEMAIL;INTERNET:jiří@x.cz\nTEL;HOME:+420 č\nURL:http://ž.cz\nTEL;FAX;HOME:č\n"},
    {"birthday at the empty value", {"a", "", "", {}, 0, NO_BIRTHDAY}, 65001, "N:a;\n"},
    {"birthday below the empty value", {"a", "", "", {}, 0, -40000.0}, 65001, "N:a;\n"},
    {"birthday just above the empty value", {"a", "", "", {}, 0, -36522.5}, 65001, "N:a;\nBDAY:1800-01-01\n"},
    {"birthday 0.0 is a date", {"a", "", "", {}, 0, 0.0}, 65001, "N:a;\nBDAY:1899-12-30\n"},
    {"the time of day is not written", {"a", "", "", {}, 0, k7March1975 + 0.75}, 65001, "N:a;\nBDAY:1975-03-07\n"},
    // Values as "%s" writes them, up to the first zero byte, which also decides
    // the form; a line is written for every value stored.
    {"values end at their first zero byte", {"Nov\0ák"sv, "Jan", "12\0 34"sv, {{13, "Ac\0é"sv}, {5, "\0" "5"sv}}},
     65001, "N:Nov;Jan\nORG:Ac\nTEL;WORK:\nTEL;HOME:12\n"},
    {"an encoded value ends at its zero byte", {"Řa\0b"sv, "x\0é"sv}, 65000, "N;CHARSET=UTF-7:+AVg-a;x\n"},
};

// Each written twice into a string that held text: the writers keep no state.
TEST(VCardWriter, Lines) {
  for (const LineCase& c : kLineCases) {
    const auto entry = Make(c.entry);
    const std::string out = Write(*entry, c.codePage, &Groups());  // group 0, which the collection lacks
    EXPECT_EQ(out, Card(c.lines).str()) << c.what;
    EXPECT_EQ(Write(*entry, c.codePage, &Groups()), out) << c.what;
  }
}

TEST(VCardWriter, EmptyEntryVersion10AndNoExtendedItems) {
  EXPECT_EQ(Write(CEntry(1, 1), 0, nullptr), Card("N:;\n", "1.0").str());
  CEntry bare(0, 0);
  bare.SetName(Ansi("Jan"), NO_LIMIT);
  bare.SetNum(Ansi("123"), NO_LIMIT);
  EXPECT_EQ(Write(bare, 65001, nullptr), Card("N:;Jan\nTEL;HOME:123\n").str());
}

// A category line only for a group the collection holds under the entry's id,
// group 0 included; version 1.0 writes the name unencoded and unlabelled.
TEST(VCardWriter, CategoryRule) {
  CGroups groups;
  groups.AddGroup(0, Ansi("Bez skupiny"), 16, 0);
  groups.AddGroup(7, Ansi("Přátelé"), 16, 0);
  const struct {
    UINT group;
    CGroups* groups;
    const char* lines[3];  // versions 1.0, 2.1 in UTF-8, 2.1 in UTF-7
  } cases[] = {
      {0, &groups, {"CATEGORIES:Bez skupiny", "X-ESI-CATEGORIES:Bez skupiny", "X-ESI-CATEGORIES:Bez skupiny"}},
      {7, &groups, {"CATEGORIES:Přátelé",
                    "X-ESI-CATEGORIES;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=50=C5=99=C3=A1=74=65=6C=C3=A9",
                    "X-ESI-CATEGORIES;CHARSET=UTF-7:P+AVkA4Q-tel+AOk-"}},
      {8, &groups, {}},
      {7, nullptr, {}},
  };
  for (const auto& c : cases) {
    auto entry = Make({"a", "", "", {}, c.group});
    for (int form = 0; form < 3; ++form) {
      const std::string line = c.lines[form] ? std::string(c.lines[form]) + "\n" : "";
      EXPECT_EQ(Write(*entry, form == 0 ? 0 : form == 1 ? 65001 : 65000, c.groups),
                Card("N:a;\n" + line, form == 0 ? "1.0" : "2.1").str())
          << c.group << " form " << form;
    }
  }
}

// ---- read-back ----------------------------------------------------------------

// Entries whose values hold no ';' come back from a 2.1 card unchanged in every
// field the card carries, in both character-set forms.
const EntryRow kRoundTrips[] = {
    kWorkedExample,
    kAllItems,
    {"Černý", "Štěpán", "+420777", {{ITEM_CITY, "Ústí nad Labem"}}, 2, COleDateTime(2000, 2, 29, 0, 0, 0).m_dt},
    {"", "Jen jméno"},
    {"Ascii", "Only", "", {{ITEM_ZIP, "12345"}}},
    {"", "", "", {{ITEM_ADDRESS, "Ulice"}, {ITEM_COUNTRY, "Slovensko"}}},
    {"Žluťoučký kůň", "úpěl ďábelské ódy", "", {{ITEM_TITLE, "Ředitel + 1"}, {ITEM_COMPANY, "A+B, s.r.o."}}},
    {"Svoboda", "Petr", "", {{ITEM_MOBILE, "+420602"}, {ITEM_EMAIL2, "p@s.cz"}}, 5},
};

// Describe() without the items that no card carries; version 1.0 carries
// neither job title, other number, second e-mail and fax, nor the birthday.
std::string Carried(const EntryRow& row, bool bVer1 = false) {
  EntryRow carried = row;
  std::erase_if(carried.items, [bVer1](const auto& item) {
    static const std::set<UINT> kNever{ITEM_HOME,         ITEM_NOTE,         ITEM_PAGER,        ITEM_STATE,
                                       ITEM_INFO_NUMBER1, ITEM_INFO_NUMBER2, ITEM_INFO_NUMBER3, ITEM_INFO_NUMBER4,
                                       ITEM_SYNC_ID,      ITEM_NOTE2};
    static const std::set<UINT> kNotIn10{ITEM_TITLE, ITEM_OTHER_NUMBER, ITEM_EMAIL2, ITEM_FAX2};
    return kNever.count(item.first) || (bVer1 && kNotIn10.count(item.first));
  });
  if (bVer1) carried.birthday = NO_BIRTHDAY;
  return Describe(*Make(carried));
}

// Version 1.0 writes the category unencoded in the 8-bit code page; the reader
// takes it back as it stands.
TEST(VCardWriter, ReadsBack) {
  for (UINT codePage : {65001u, 65000u, 0u}) {
    for (const EntryRow& row : kRoundTrips) {
      CString card(Write(*Make(row), codePage, &Groups()));
      CEntry back(1, 1);
      ASSERT_EQ(back.FillFromVCard(card, &Groups(), nullptr), 1) << card.str();
      EXPECT_EQ(Describe(back), Carried(row, codePage == 0)) << "code page " << codePage << "\n" << card.str();
    }
  }
  EXPECT_EQ(Groups().GetNGroups(), 2);  // every category was found, none created
}

}  // namespace
