// The tool's bringing of real cards into the forms of the library's reader.
#include "VCardImport.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "sorrel/Sorrel.h"

namespace {

std::string Card(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string card = "BEGIN:VCARD" + end;
  for (const std::string& l : lines) card += l + end;
  return card + "END:VCARD" + end;
}

// What ToReaderForm writes around the lines it keeps.
std::string ReaderCard(std::vector<std::string> lines) {
  lines.insert(lines.begin(), "VERSION:2.1");
  return Card(lines);
}

// Every card the splitter finds in data, in order.
std::vector<tool::RawCard> SplitCards(std::string_view data) {
  std::vector<tool::RawCard> cards;
  tool::CardSplitter splitter(data);
  for (tool::RawCard card; splitter.Next(card);) cards.push_back(card);
  EXPECT_EQ(tool::CountCards(data), cards.size());
  return cards;
}

int ReadBack(const std::string& card, CGroups* groups, CEntry& e) {
  e.SetLocation(2);
  CString text(card);
  return e.FillFromVCard(text, groups, nullptr);
}

struct FormCase {
  const char* what;
  std::string input;
  std::vector<std::string> expected;  // the lines between VERSION and END
  std::vector<std::string> notes;     // each must appear in one note, in order
};

void PrintTo(const FormCase& c, std::ostream* os) { *os << c.what; }

const std::string kQpUtf8 = ";CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:";

const FormCase kFormCases[] = {
    {"3.0 TYPE lists map to the reader's number forms; the home number is the main one",
     Card({"VERSION:3.0", "N:Novak;Jan;;;", "TEL;TYPE=WORK,VOICE:1", "TEL;TYPE=CELL:2", "TEL;TYPE=HOME;TYPE=VOICE:3",
           "TEL;TYPE=fax,home:5", "TEL;TYPE=FAX,WORK:4", "TEL:6"}),
     {"N:Novak;Jan", "TEL;HOME:3", "TEL;WORK:1", "TEL;CELL:2", "TEL;FAX:4", "TEL:6", "TEL;FAX;HOME:5"}, {}},
    {"a preferred number is the main one, in 2.1 and 4.0 spelling",
     Card({"N:A;B", "TEL;WORK:1", "TEL;CELL;PREF:2", "TEL;VALUE=uri;PREF=1;TYPE=\"voice,home\":tel:+44-555"}),
     {"N:A;B", "TEL;HOME:2", "TEL;WORK:1", "TEL:+44-555"}, {}},
    {"without a preferred or home number the first is the main one", Card({"N:A;B", "TEL;CELL:1", "TEL;WORK:2"}),
     {"N:A;B", "TEL;HOME:1", "TEL;WORK:2"}, {}},
    {"numbers beyond the entry's places are named, not written",
     Card({"N:A;B", "TEL;HOME:1", "TEL;WORK:2", "TEL;TYPE=WORK:3", "TEL;WORK:4", "TEL;X-EVOLUTION-UI-SLOT=1:"}),
     {"N:A;B", "TEL;HOME:1", "TEL;WORK:2", "TEL:3"}, {"number 4 (line 6)"}},
    {"e-mail: the preferred first, one more, the rest named; empty ones skipped",
     Card({"N:A;B", "EMAIL;INTERNET;CHARSET=UTF-8:", "EMAIL;TYPE=INTERNET:a@x", "EMAIL;TYPE=INTERNET,PREF:b@x",
           "EMAIL:c@x"}),
     {"N:A;B", "EMAIL;INTERNET:b@x", "EMAIL;HOME;INTERNET:a@x"}, {"c@x"}},
    {"NOTE before N: N comes first, NOTE has no place", Card({"NOTE:first", "N:Dee;Mark", "VERSION:2.1"}),
     {"N:Dee;Mark"}, {}},
    {"no N: the formatted name becomes the name", Card({"VERSION:3.0", "FN:Frank Dawson", "ORG:Lotus"}),
     {"N:;Frank Dawson", "ORG:Lotus"}, {}},
    {"3.0 escapes undone; a ';' inside a name is kept by encoding it",
     Card({"VERSION:3.0", "N:Dvo\\;rak;Jan\\, ml.;;;", "TITLE:a\\\\b\\nc"}),
     {"N" + kQpUtf8 + "=44=76=6F=3B=72=61=6B;=4A=61=6E=2C=20=6D=6C=2E", "TITLE:a\\b c"}, {}},
    {"folded lines are joined; a fold may split a UTF-8 letter",
     Card({"VERSION:3.0", "N:Nov\xC3", " \xA1k;Jan", "ORG:Long", "\tname"}),
     {"N" + kQpUtf8 + "=4E=6F=76=C3=A1=6B;=4A=61=6E", "ORG:Longname"}, {}},
    {"quoted-printable soft breaks, also one followed by an empty line",
     Card({"N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C5=A0ko=", "da;Jan=", "", "TEL;HOME:028"}),
     {"N" + kQpUtf8 + "=C5=A0=6B=6F=64=61;=4A=61=6E", "TEL;HOME:028"}, {}},
    {"a bare QUOTED-PRINTABLE parameter and a trailing '=' in a plain value",
     Card({"N;QUOTED-PRINTABLE:A=3DB;C", "NOTE:ends with=", "TEL;CELL:1"}), {"N:A=B;C", "TEL;HOME:1"}, {}},
    {"the text after a soft break keeps its leading blank", Card({"N;ENCODING=QUOTED-PRINTABLE:Jan=", " Novak;Petr"}),
     {"N:Jan Novak;Petr"}, {}},
    {"ISO-8859-2 through quoted-printable", Card({"N;CHARSET=ISO-8859-2;ENCODING=QUOTED-PRINTABLE:=A9koda;Jan"}),
     {"N" + kQpUtf8 + "=C5=A0=6B=6F=64=61;=4A=61=6E"}, {}},
    {"Shift_JIS", Card({"N;CHARSET=SHIFT_JIS:\x93\x63\x92\x86;\x91\xBE\x98\x59"}),
     {"N" + kQpUtf8 + "=E7=94=B0=E4=B8=AD;=E5=A4=AA=E9=83=8E"}, {}},
    {"8-bit without a charset: UTF-8 when it is, else Windows-1250", Card({"N:\x8Akoda;Jan", "ORG:\xC5\xA0kola"}),
     {"N" + kQpUtf8 + "=C5=A0=6B=6F=64=61;=4A=61=6E", "ORG" + kQpUtf8 + "=C5=A0=6B=6F=6C=61"}, {}},
    {"a UTF-8 label on bytes that are not UTF-8 reads them as unlabelled", Card({"N;CHARSET=UTF-8:\x8A"}),
     {"N" + kQpUtf8 + "=C5=A0;"}, {}},
    {"our own UTF-7 form", Card({"N;CHARSET=UTF-7:Nov+AOE-k;Jan", "X-ESI-CATEGORIES;CHARSET=UTF-7:P+AVkA4Q-tel+AOk-"}),
     {"N" + kQpUtf8 + "=4E=6F=76=C3=A1=6B;=4A=61=6E", "CATEGORIES" + kQpUtf8 + "=50=C5=99=C3=A1=74=65=6C=C3=A9"}, {}},
    {"base64 text", Card({"N;ENCODING=B;CHARSET=UTF-8:Tm92w6FrO0phbg=="}),
     {"N" + kQpUtf8 + "=4E=6F=76=C3=A1=6B;=4A=61=6E"}, {}},
    {"address: box and extended address join the street, the region is named, a line break becomes a comma",
     Card({"VERSION:3.0", "N:A;B", "ADR;TYPE=WORK:PO 1;Suite 2;Main St 5\\nBack;Raleigh;NC;27613;USA"}),
     {"N:A;B", "ADR:;;Main St 5, Back, Suite 2, PO 1;Raleigh;;27613;USA"}, {"region \"NC\""}},
    {"the preferred address; quoted parameters may hold ':' and ';'; group prefixes",
     Card({"N:A;B", "ADR;TYPE=home:;;A 1;Aa;;;", "item1.ADR;GEO=\"geo:51.5,0.1\";LABEL=\"x;y\";TYPE=pref:;;Baker St;London;;NW1;"}),
     {"N:A;B", "ADR:;;Baker St;London;;NW1;"}, {}},
    {"an address with only a city", Card({"N:A;B", "ADR;HOME:;;;Brno;;;"}), {"N:A;B", "ADR:;;;Brno;;;"}, {}},
    {"an empty address is not written", Card({"N:A;B", "ADR;HOME:;;;;;;"}), {"N:A;B"}, {}},
    {"ORG keeps its units after ';', TITLE whole", Card({"N:A;B", "ORG:ABC\\, Inc.;Sales;", "TITLE;CHARSET=UTF-8:Ředitel"}),
     {"N:A;B", "TITLE" + kQpUtf8 + "=C5=98=65=64=69=74=65=6C", "ORG" + kQpUtf8 + "=41=42=43=2C=20=49=6E=63=2E=3B=53=61=6C=65=73"},
     {}},
    {"the first category names the group; CATEGORIES before X-ESI-CATEGORIES",
     Card({"N:A;B", "X-ESI-CATEGORIES:Own", "CATEGORIES:Rodina,Pr\\,ace"}), {"N:A;B", "CATEGORIES:Rodina"}, {"\"Pr,ace\""}},
    {"X-ESI-CATEGORIES is one name, commas included", Card({"N:A;B", "X-ESI-CATEGORIES:Family, friends"}),
     {"N:A;B", "CATEGORIES:Family, friends"}, {}},
    {"a birthday in basic form", Card({"N:A;B", "BDAY:19540421"}), {"N:A;B", "BDAY:1954-04-21"}, {}},
    {"a birthday with a time", Card({"N:A;B", "BDAY:1955-07-19T00:00:00Z"}), {"N:A;B", "BDAY:1955-07-19"}, {}},
    {"a birthday without a year is named", Card({"N:A;B", "BDAY:--0415"}), {"N:A;B"}, {"no year"}},
    {"a birthday that is no date is named", Card({"N:A;B", "BDAY:2011-02-30"}), {"N:A;B"}, {"not a valid date"}},
    {"lower-case names and types, LF line ends",
     Card({"n:geiser;ian", "tel;type=cell:1", "email;internet:g@y", "url:http://x"}, "\n"),
     {"N:geiser;ian", "TEL;HOME:1", "EMAIL;INTERNET:g@y", "URL:http://x"}, {}},
    {"CR line ends; the phone's record id is kept", Card({"N:A;B", "X-IRMC-LUID:000200000012"}, "\r"),
     {"N:A;B", "X-IRMC-LUID:000200000012"}, {}},
    {"plain values go in as Windows-1250 bytes", Card({"N:A;B", "EMAIL;CHARSET=UTF-8:j\xC3\xAD@x.cz"}),
     {"N:A;B", "EMAIL;INTERNET:j\xED@x.cz"}, {}},
    {"double quotes become apostrophes", Card({"N:Nov\"ak;Jan"}), {"N:Nov'ak;Jan"}, {"apostrophes"}},
    {"an empty card still gets N", Card({"VERSION:2.1"}), {"N:;"}, {}},
};

class ToReaderFormTest : public testing::TestWithParam<FormCase> {};

TEST_P(ToReaderFormTest, WritesTheReaderForms) {
  const FormCase& c = GetParam();
  tool::ReaderCard r = tool::ToReaderForm(c.input);
  EXPECT_EQ(r.problem, "");
  EXPECT_EQ(r.text, ReaderCard(c.expected));
  ASSERT_EQ(r.notes.size(), c.notes.size()) << testing::PrintToString(r.notes);
  for (size_t i = 0; i < c.notes.size(); ++i) EXPECT_NE(r.notes[i].find(c.notes[i]), std::string::npos) << r.notes[i];
}

INSTANTIATE_TEST_SUITE_P(Cases, ToReaderFormTest, testing::ValuesIn(kFormCases));

TEST(ToReaderForm, CharsetProblemsAndTheCallersFallback) {
  tool::ReaderCard r = tool::ToReaderForm(Card({"N:A;B", "ORG;CHARSET=X-NONE:x"}));
  EXPECT_EQ(r.text, "");
  EXPECT_EQ(r.problem, "line 3: unknown character set \"X-NONE\" in ORG");
  EXPECT_EQ(tool::ToReaderForm(Card({"N:\xA9;"}), "ISO-8859-2").text, ReaderCard({"N" + kQpUtf8 + "=C5=A0;"}));
}

// Every prefix of real cards and of cut-off escapes, parameters and encodings,
// and each prefix with a troublesome byte inserted anywhere: the result is a card
// or a problem, and every card made is one the library's reader accepts. Under
// the sanitizer build this also shows that no cut-off input is read past its end.
TEST(ToReaderForm, EveryCutAndInsertionGivesACardTheReaderTakes) {
  const std::string seeds[] = {
      Card({"VERSION:2.1", "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Dvo=C5=99=", "=C3=A1k;Anton=C3=ADn",
            "TEL;CELL;PREF:+420603", "ADR;HOME:;;Ul 1;Brno;;602 00;CZ", "BDAY:19750307"}),
      Card({"VERSION:3.0", "N:Dee\\;Mark\\n;;;", "item1.TEL;TYPE=\"voice,home\":tel:+44", " 555",
            "EMAIL;TYPE=INTERNET,PREF:a@b", "CATEGORIES:A\\,B,C", "X-IRMC-LUID:0002"}),
      Card({"N;CHARSET=UTF-7:Nov+AOE-k;Jan", "ORG;ENCODING=B;CHARSET=SHIFT_JIS:k2OShg=="}, "\n"),
  };
  for (const char* tail : {"N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C", "N:a\\", "N;TYPE=\"open:x", "N;ENCODING=B:T",
                           "N", "TEL;PREF", "BDAY:1", "N;CHARSET=UTF-7:+AOE", "N:\xC3"}) {
    tool::ReaderCard r = tool::ToReaderForm(std::string("BEGIN:VCARD\r\n") + tail);
    EXPECT_NE(r.problem.empty(), r.text.empty()) << tail;
  }
  const char* inserts[] = {"=", "\\", ";", ":", "\"", ",", "\r", "\n", " ", "+", "-", "\x80", "\xFF", "\xC3"};
  size_t cards = 0;
  for (const std::string& seed : seeds) {
    for (size_t cut = 0; cut <= seed.size(); ++cut) {
      std::vector<std::string> inputs = {seed.substr(0, cut)};
      if (cut > 0)
        for (const char* insert : inserts) inputs.push_back(seed.substr(0, cut) + insert + seed.substr(cut));
      for (const std::string& input : inputs) {
        for (const tool::RawCard& raw : SplitCards(input)) EXPECT_FALSE(raw.text.empty());
        tool::ReaderCard r = tool::ToReaderForm(input);
        ASSERT_NE(r.problem.empty(), r.text.empty()) << input;
        if (r.text.empty()) continue;
        CEntry e(1, 1);
        ASSERT_EQ(ReadBack(r.text, nullptr, e), 1) << input << "\n->\n" << r.text;
        ++cards;
      }
    }
  }
  EXPECT_GT(cards, 1000u);
}

TEST(ToReaderForm, TheLibraryReadsTheConvertedCard) {
  tool::ReaderCard r = tool::ToReaderForm(
      Card({"VERSION:3.0", "N:Dvořák;Antonín;;;", "TEL;TYPE=CELL:+420 603", "TEL;TYPE=HOME:222",
            "ADR;TYPE=home:;;Náměstí 1;Nelahozeves;;277 51;Česko", "EMAIL;TYPE=PREF:a@b.cz", "BDAY:1841-09-08",
            "CATEGORIES:Skladatelé"}));
  ASSERT_EQ(r.problem, "");
  CGroups groups;
  CEntry e(1, 1);
  ASSERT_EQ(ReadBack(r.text, &groups, e), 1);
  EXPECT_EQ(e.GetSurname().str(), "Dvo\xF8\xE1k");
  EXPECT_EQ(e.GetName().str(), "Anton\xEDn");
  EXPECT_EQ(e.GetNum().str(), "222");
  for (const auto& [id, value] : {std::pair<UINT, const char*>{ITEM_MOBILE, "+420 603"}, {ITEM_CITY, "Nelahozeves"},
                                  {ITEM_COUNTRY, "\xC8" "esko"}, {ITEM_EMAIL, "a@b.cz"}}) {
    CString v;
    e.GetExtendedItems()->GetValueByID(id, v);
    EXPECT_EQ(v.str(), value) << id;
  }
  EXPECT_EQ(e.GetExtendedItems()->GetValueByID(ITEM_BIRTHDAY), COleDateTime(1841, 9, 8, 0, 0, 0).m_dt);
  ASSERT_NE(groups.GetGroupByID(e.GetGroupID()), nullptr);
  EXPECT_EQ(groups.GetGroupByID(e.GetGroupID())->strName.str(), "Skladatel\xE9");
}

struct SplitCase {
  const char* what;
  std::string data;
  std::vector<std::tuple<std::string, int, int, std::string>> cards;  // text, number, first line, problem
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.what; }

const SplitCase kSplitCases[] = {
    {"two cards, bytes kept, text between them skipped",
     "junk\r\nBEGIN:VCARD\r\nN:A\r\nEND:VCARD\r\n\r\nbegin:vcard\nn:b\nend:vcard\n",
     {{"BEGIN:VCARD\r\nN:A\r\nEND:VCARD\r\n", 1, 2, ""}, {"begin:vcard\nn:b\nend:vcard\n", 2, 6, ""}}},
    {"an END line with trailing bytes ends the card", "BEGIN:VCARD\nN:A\nEND:VCARD.",
     {{"BEGIN:VCARD\nN:A\nEND:VCARD.", 1, 1, ""}}},
    {"a BEGIN inside a card ends it as broken", "BEGIN:VCARD\r\nVERSION:2.1\r\nBEGIN:VCARD\r\nN:A\r\nEND:VCARD\r\n",
     {{"BEGIN:VCARD\r\nVERSION:2.1\r\n", 1, 1, "no END:VCARD before the BEGIN:VCARD of line 3"},
      {"BEGIN:VCARD\r\nN:A\r\nEND:VCARD\r\n", 2, 3, ""}}},
    {"a card cut off by the end of the file", "BEGIN:VCARD\rN:A\r",
     {{"BEGIN:VCARD\rN:A\r", 1, 1, "no END:VCARD before the end of the file"}}},
    {"CR alone, CR LF and LF in one file; a CR before CR LF ends a line of its own",
     "x\rBEGIN:VCARD\r\r\nN:A\nEND:VCARD\rBEGIN:VCARD\r\n",
     {{"BEGIN:VCARD\r\r\nN:A\nEND:VCARD\r", 1, 2, ""}, {"BEGIN:VCARD\r\n", 2, 6, "no END:VCARD before the end of the file"}}},
    {"blanks around BEGIN and END, any case; BEGIN:VCARDS begins nothing",
     " \tbegin:VCard \r\nBEGIN:VCARDS\r\n\t end:vcard\r\n",
     {{" \tbegin:VCard \r\nBEGIN:VCARDS\r\n\t end:vcard\r\n", 1, 1, ""}}},
    {"no card", "N:A\r\nEND:VCARD\r\n", {}},
    {"nothing", "", {}},
};

class SplitCardsTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCardsTest, FindsTheCards) {
  std::vector<std::tuple<std::string, int, int, std::string>> got;
  for (const tool::RawCard& c : SplitCards(GetParam().data)) got.emplace_back(c.text, c.number, c.firstLine, c.problem);
  EXPECT_EQ(got, GetParam().cards);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitCardsTest, testing::ValuesIn(kSplitCases));

}  // namespace
