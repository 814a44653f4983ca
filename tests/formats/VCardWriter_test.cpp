#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "formats/VCardTestSupport.h"

using vcardtest::Ansi;
using vcardtest::Describe;

namespace {

struct EntrySpec {
  const char* surname = "";
  const char* name = "";
  const char* num = "";
  std::vector<std::pair<UINT, const char*>> items = {};
  UINT group = 0;
  double birthday = NO_BIRTHDAY;
};

std::unique_ptr<CEntry> Make(const EntrySpec& spec) {
  auto e = std::make_unique<CEntry>(1, 1);
  e->SetSurname(Ansi(spec.surname), NO_LIMIT);
  e->SetName(Ansi(spec.name), NO_LIMIT);
  e->SetNum(Ansi(spec.num), NO_LIMIT);
  for (const auto& [id, value] : spec.items) e->SetExtItem(id, Ansi(value), NO_LIMIT);
  e->SetGroupID(spec.group, nullptr);
  e->SetExtItem(ITEM_BIRTHDAY, spec.birthday);
  return e;
}

const double k7March1975 = COleDateTime(1975, 3, 7, 0, 0, 0).m_dt;

const EntrySpec kWorkedExample{"Novák",
                               "Jan",
                               "+420601123456",
                               {{ITEM_OFFICE, "+420221000111"},
                                {ITEM_ADDRESS, "Dlouhá 5"},
                                {ITEM_CITY, "Praha"},
                                {ITEM_ZIP, "11000"},
                                {ITEM_COUNTRY, "CZ"},
                                {ITEM_TITLE, "Ředitel"},
                                {ITEM_COMPANY, "ACME"}},
                               2,
                               k7March1975};

// Every text item filled, those that vCard never carries too, so that the
// golden files pin the order of every line and the absence of the others.
const EntrySpec kAllItems{"Dvořák",
                          "Antonín",
                          "+420111",
                          {{5, "+420005"},    {6, "+420006"},    {7, "+420007"},      {8, "+420008"},
                           {9, "a@příklad.cz"}, {10, "Ulice 10"},  {11, "poznámka"},    {13, "Firma"},
                           {14, "Šéf"},       {15, "+420015"},   {16, "+420016"},     {17, "b@example.org"},
                           {18, "Brno"},      {19, "Morava"},    {20, "60200"},       {21, "Česko"},
                           {22, "+420022"},   {23, "+420023"},   {24, "+420024"},     {25, "+420025"},
                           {27, "http://ž.cz"}, {28, "LUID-28"}, {29, "poznámka 2"},  {30, "+420030"}},
                          5,
                          COleDateTime(1841, 9, 8, 0, 0, 0).m_dt};

CGroups& Groups() {
  static CGroups groups;
  if (groups.GetNGroups() == 0) {
    groups.AddGroup(2, Ansi("Rodina"), 16, 0);
    groups.AddGroup(5, Ansi("Přátelé"), 16, 0);
  }
  return groups;
}

// ---- golden cards -------------------------------------------------------------

struct GoldenCase {
  const char* file;
  const EntrySpec* entry;
  int version;  // 10 or 21
  UINT codePage;
};

const GoldenCase kGolden[] = {
    {"worked-example.21-utf8.vcf", &kWorkedExample, 21, 65001},
    {"worked-example.21-utf7.vcf", &kWorkedExample, 21, 65000},
    {"worked-example.10.vcf", &kWorkedExample, 10, 0},
    {"all-items.21-utf8.vcf", &kAllItems, 21, 65001},
    {"all-items.21-utf7.vcf", &kAllItems, 21, 65000},
    {"all-items.10.vcf", &kAllItems, 10, 0},
};

class GoldenCard : public ::testing::TestWithParam<GoldenCase> {};

// The cards come out byte for byte as the files hold them. With
// SORREL_UPDATE_GOLDEN=1 the test writes the files instead.
TEST_P(GoldenCard, MatchesTheFile) {
  const GoldenCase& c = GetParam();
  const auto entry = Make(*c.entry);
  CString out;
  if (c.version == 10)
    entry->GetAsVCardVer1(out, &Groups());
  else
    entry->GetAsVCardVer21(out, c.codePage, &Groups());

  const std::string path = std::string(SORREL_SOURCE_DIR) + "/tests/formats/vcard/" + c.file;
  if (std::getenv("SORREL_UPDATE_GOLDEN")) {
    std::ofstream(path, std::ios::binary) << out.str();
    GTEST_SKIP() << "wrote " << path;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path;
  const std::string golden((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(out.str(), golden) << path;
}

INSTANTIATE_TEST_SUITE_P(Files, GoldenCard, ::testing::ValuesIn(kGolden),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

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
    EXPECT_EQ(CEntryTestAccess::HasNonASCII(ansi), c.nonASCII) << c.ansi;
    EXPECT_EQ(CEntryTestAccess::EncodeQP(ansi.view()), c.qp) << c.ansi;
    EXPECT_EQ(CEntryTestAccess::EncodeUTF7(ansi.view()), c.utf7) << c.ansi;
  }
}

// Each byte of the code page, undefined ones too, encodes as the "=XX" of its
// UTF-8 from the platform's converter, alone and inside 7-bit text.
TEST(VCardWriter, QuotedPrintableOfEveryByte) {
  for (int b = 0; b < 256; ++b) {
    const std::string text = {'a', static_cast<char>(b), 'b', static_cast<char>(b)};
    EXPECT_EQ(CEntryTestAccess::EncodeQP(text), vcardtest::HexEscapes(sorrel::AnsiToUtf8(text))) << b;
  }
}

// ---- lines and their conditions -----------------------------------------------

struct LineCase {
  const char* what;
  EntrySpec entry;
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
    {"region, note and the info numbers are never written",
     {"a", "", "", {{ITEM_STATE, "Morava"}, {ITEM_NOTE, "n"}, {ITEM_HOME, "7"}, {ITEM_PAGER, "16"},
                    {ITEM_INFO_NUMBER1, "22"}, {ITEM_SYNC_ID, "x"}, {ITEM_NOTE2, "n2"}}},
     65001, "N:a;\n"},
    {"numbers, e-mail and URL are never encoded",
     {"", "", "+420 č", {{ITEM_EMAIL, "jiří@x.cz"}, {ITEM_URL, "http://ž.cz"}, {ITEM_FAX2, "č"}}}, 65001,
     "N:;\nEMAIL;INTERNET:jiří@x.cz\nTEL;HOME:+420 č\nURL:http://ž.cz\nTEL;FAX;HOME:č\n"},
    {"birthday at the empty value", {"a", "", "", {}, 0, NO_BIRTHDAY}, 65001, "N:a;\n"},
    {"birthday below the empty value", {"a", "", "", {}, 0, -40000.0}, 65001, "N:a;\n"},
    {"birthday just above the empty value", {"a", "", "", {}, 0, -36522.5}, 65001, "N:a;\nBDAY:1800-01-01\n"},
    {"birthday 0.0 is a date", {"a", "", "", {}, 0, 0.0}, 65001, "N:a;\nBDAY:1899-12-30\n"},
    {"the time of day is not written", {"a", "", "", {}, 0, k7March1975 + 0.75}, 65001, "N:a;\nBDAY:1975-03-07\n"},
};

std::string Expected21(const char* lines) {
  std::string card = "BEGIN:VCARD\r\nVERSION:2.1\r\n";
  for (char c : sorrel::Utf8ToAnsi(lines)) {
    if (c == '\n') card += '\r';
    card += c;
  }
  return card + "END:VCARD\r\n";
}

class LineTable : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineTable, Version21) {
  const LineCase& c = GetParam();
  const auto entry = Make(c.entry);
  // The line cases carry the group id 0; the collection holds no group 0.
  CString out("stale text");
  entry->GetAsVCardVer21(out, c.codePage, &Groups());
  EXPECT_EQ(out.str(), Expected21(c.lines));
  // The same text a second time: the writers keep no state.
  CString again;
  entry->GetAsVCardVer21(again, c.codePage, &Groups());
  EXPECT_EQ(again.str(), out.str());
}

INSTANTIATE_TEST_SUITE_P(Lines, LineTable, ::testing::ValuesIn(kLineCases));

TEST(VCardWriter, EmptyEntryVersion10AndNoExtendedItems) {
  CEntry empty(1, 1);
  CString out;
  empty.GetAsVCardVer1(out, nullptr);
  EXPECT_EQ(out.str(), "BEGIN:VCARD\r\nVERSION:1.0\r\nN:;\r\nEND:VCARD\r\n");

  CEntry bare(0, 0);
  bare.SetName(Ansi("Jan"), NO_LIMIT);
  bare.SetNum(Ansi("123"), NO_LIMIT);
  bare.GetAsVCardVer21(out, 65001, nullptr);
  EXPECT_EQ(out.str(), "BEGIN:VCARD\r\nVERSION:2.1\r\nN:;Jan\r\nTEL;HOME:123\r\nEND:VCARD\r\n");
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
    const char* v10;
    const char* v21utf8;
    const char* v21utf7;
  } cases[] = {
      {0, &groups, "CATEGORIES:Bez skupiny", "X-ESI-CATEGORIES:Bez skupiny", "X-ESI-CATEGORIES:Bez skupiny"},
      {7, &groups, "CATEGORIES:Přátelé",
       "X-ESI-CATEGORIES;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=50=C5=99=C3=A1=74=65=6C=C3=A9",
       "X-ESI-CATEGORIES;CHARSET=UTF-7:P+AVkA4Q-tel+AOk-"},
      {8, &groups, nullptr, nullptr, nullptr},
      {7, nullptr, nullptr, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    auto entry = Make({"a"});
    entry->SetGroupID(c.group, nullptr);
    CString out;
    auto card = [&](int version, const char* line) {
      std::string expected = std::string("BEGIN:VCARD\r\nVERSION:") + (version == 10 ? "1.0" : "2.1") + "\r\nN:a;\r\n";
      if (line) expected += Ansi(line).str() + "\r\n";
      return expected + "END:VCARD\r\n";
    };
    entry->GetAsVCardVer1(out, c.groups);
    EXPECT_EQ(out.str(), card(10, c.v10)) << "group " << c.group;
    entry->GetAsVCardVer21(out, 65001, c.groups);
    EXPECT_EQ(out.str(), card(21, c.v21utf8)) << "group " << c.group;
    entry->GetAsVCardVer21(out, 65000, c.groups);
    EXPECT_EQ(out.str(), card(21, c.v21utf7)) << "group " << c.group;
  }
}

// ---- read-back ----------------------------------------------------------------

// Entries whose values hold no ';' come back from a 2.1 card unchanged in every
// field the card carries, in both character-set forms.
const EntrySpec kRoundTrips[] = {
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
std::string Carried(const EntrySpec& spec, bool bVer1 = false) {
  EntrySpec carried = spec;
  std::erase_if(carried.items, [bVer1](const auto& item) {
    switch (item.first) {
      case ITEM_HOME: case ITEM_NOTE: case ITEM_PAGER: case ITEM_STATE: case ITEM_INFO_NUMBER1:
      case ITEM_INFO_NUMBER2: case ITEM_INFO_NUMBER3: case ITEM_INFO_NUMBER4: case ITEM_SYNC_ID:
      case ITEM_NOTE2:
        return true;
      case ITEM_TITLE: case ITEM_OTHER_NUMBER: case ITEM_EMAIL2: case ITEM_FAX2:
        return bVer1;
      default:
        return false;
    }
  });
  if (bVer1) carried.birthday = NO_BIRTHDAY;
  return Describe(*Make(carried));
}

TEST(VCardWriter, ReadsBackInBothCodePages) {
  for (UINT codePage : {65001u, 65000u}) {
    for (const EntrySpec& spec : kRoundTrips) {
      CString card;
      Make(spec)->GetAsVCardVer21(card, codePage, &Groups());
      CEntry back(1, 1);
      ASSERT_EQ(back.FillFromVCard(card, &Groups(), nullptr), 1) << card.str();
      EXPECT_EQ(Describe(back), Carried(spec)) << "code page " << codePage << "\n" << card.str();
    }
  }
  EXPECT_EQ(Groups().GetNGroups(), 2);  // every category was found, none created
}

// Version 1.0 writes the category unencoded in the 8-bit code page; the reader
// takes it back as it stands.
TEST(VCardWriter, Version10ReadsBack) {
  for (const EntrySpec& spec : kRoundTrips) {
    CString card;
    Make(spec)->GetAsVCardVer1(card, &Groups());
    CEntry back(1, 1);
    ASSERT_EQ(back.FillFromVCard(card, &Groups(), nullptr), 1) << card.str();
    EXPECT_EQ(Describe(back), Carried(spec, true)) << card.str();
  }
  EXPECT_EQ(Groups().GetNGroups(), 2);
}

}  // namespace
