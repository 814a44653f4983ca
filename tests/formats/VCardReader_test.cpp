#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "formats/VCardTestSupport.h"

using namespace vcardtest;

namespace {

struct ReadCase {
  const char* what;
  const char* body;      // card lines between VERSION and END, LF for CR LF
  int result;
  const char* expected;  // Describe() of a fresh entry after the read
};

const ReadCase kReadCases[] = {
    // N: surname before the first ';' of the line, the rest is the name
    {"name", "N:Novák;Jan\n", 1, "N=Novák;Jan"},
    {"further name components stay in the name", "N:Novák;Jan;;;\n", 1, "N=Novák;Jan;;;"},
    {"no ';' on the line: all surname", "N:Novák\nORG:a;b\n", 1, "N=Novák; 13=a;b"},
    {"UTF-8 quoted-printable", "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C5=A0koda;Jan\n", 1, "N=Škoda;Jan"},
    {"quoted-printable in the code page", "N;ENCODING=QUOTED-PRINTABLE:Nov=E1k;J=61n\n", 1, "N=Novák;Jan"},
    {"lower-case hex digits", "N;ENCODING=QUOTED-PRINTABLE:=e1;x\n", 1, "N=á;x"},
    {"UTF-7", "N;CHARSET=UTF-7:Nov+AOE-k;Jan\n", 1, "N=Novák;Jan"},
    {"UTF-7 run left open before a blank", "N;CHARSET=UTF-7:+AOE b;+AOE\n", 1, "N=á b;á"},
    {"=4G reads 0x04, =ZZ a zero byte that does not end the value", "N;ENCODING=QUOTED-PRINTABLE:=4G;=ZZb\n", 1,
     "N=\\x04;\\x00b"},
    {"'=' next-to-last ends the value", "N;ENCODING=QUOTED-PRINTABLE:ab=4;x\n", 1, "N=ab;x"},
    {"'=' last ends the value", "N;ENCODING=QUOTED-PRINTABLE:a=;b\n", 1, "N=a;b"},
    {"soft break inside a UTF-8 sequence", "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Nov=C3=\n=A1k;Jan\n", 1,
     "N=Novák;Jan"},
    {"unencoded value keeps '='", "N:a=41;b\n", 1, "N=a=41;b"},

    // rejections: the three parameter lists exactly, N first
    {"other charset", "N;CHARSET=ISO-8859-2:Novák\n", 0, "N=;"},
    {"parameters in the other order", "N;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:=4E\n", 0, "N=;"},
    {"parameters in lower case", "N;charset=UTF-7:x\n", 0, "N=;"},
    {"a further parameter", "N;CHARSET=UTF-7;LANGUAGE=cs:x\n", 0, "N=;"},
    {"parameter list running into the next line", "N;CHARSET=UTF-7\nFN:x\n", 0, "N=;"},
    {"a NOTE line before the N line", "NOTE:hi\nN:Novák;Jan\n", 0, "N=;"},
    {"no N line", "FN:Jan Novák\n", 0, "N=;"},
    {"property names are case-sensitive", "n:Novák;Jan\n", 0, "N=;"},
    {"a property must start a line", "FN:x N:Novák\n", 0, "N=;"},
    {"ADR with another parameter; later steps skipped", "N:Novák;Jan\nADR;HOME:;;x\nORG:Acme\n", 0,
     "N=Novák;Jan"},
    {"TITLE rejected after TEL;HOME, before TEL:", "N:a\nTITLE;X:y\nTEL;HOME:1\nTEL:2\n", 0, "N=a; TEL=1"},
    {"ORG that is not followed by ':' or ';'", "N:a\nORGANIZATION:x\n", 0, "N=a;"},

    // ADR: two components skipped, then street, city, (region), postal code, country
    {"full address", "N:a\nADR:;;Dlouhá 5;Praha;;11000;CZ\n", 1, "N=a; 10=Dlouhá 5 18=Praha 20=11000 21=CZ"},
    {"street only", "N:a\nADR:;;Dlouhá 5\n", 1, "N=a; 10=Dlouhá 5"},
    {"a region leaves the rest of the line to the city", "N:a\nADR:;;Dlouhá 5;Praha;Středočeský;11000;CZ\n", 1,
     "N=a; 10=Dlouhá 5 18=Praha;Středočeský;11000;CZ"},
    {"city only, as written", "N:a\nADR:;;;Praha;;;\n", 1, "N=a; 18=Praha"},
    {"the first two characters are not examined", "N:a\nADR:xy;Ulice;Mesto;;1;C\n", 1, "N=a; 18=Ulice;Mesto 20=1 21=C"},
    {"line ends after the empty region", "N:a\nADR:;;U;M;;\n", 1, "N=a; 10=U 18=M"},
    {"postal code without country", "N:a\nADR:;;U;M;;110\n", 1, "N=a; 10=U 18=M 20=110"},
    {"UTF-8 address", "N:a\nADR;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;=44=C3=A1;=50;;=31;=43\n", 1,
     "N=a; 10=Dá 18=P 20=1 21=C"},
    {"UTF-7 address", "N:a\nADR;CHARSET=UTF-7:;;+AOE-;x;;1;+AVg-\n", 1, "N=a; 10=á 18=x 20=1 21=Ř"},

    // ORG and TITLE: the whole line, decoded
    {"organisational units stay", "N:a\nORG:Acme;Sales\n", 1, "N=a; 13=Acme;Sales"},
    {"UTF-8 title", "N:a\nTITLE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C5=98editel\n", 1, "N=a; 14=Ředitel"},
    {"quoted-printable company", "N:a\nORG;ENCODING=QUOTED-PRINTABLE:A=43ME\n", 1, "N=a; 13=ACME"},

    // plain properties: no parameters, stored undecoded
    {"every plain property",
     "N:a\nTEL;HOME:+420 1\nTEL;WORK:2\nTEL;CELL:3\nTEL;FAX:4\nEMAIL;INTERNET:a@b\nURL:http://x\n"
     "TEL:5\nX-IRMC-LUID:0A\nTEL;FAX;HOME:6\nEMAIL;HOME;INTERNET:c@d\n",
     1, "N=a; TEL=+420 1 5=2 6=3 8=4 9=a@b 15=5 17=c@d 27=http://x 28=0A 30=6"},
    {"plain values are not decoded", "N:a\nTEL;CELL:=31\nURL:é\n", 1, "N=a; 6==31 27=é"},
    {"a further parameter hides a plain property", "N:a\nTEL;CELL;VOICE:3\nTEL;HOME;PREF:1\nTEL;VOICE:5\n", 1,
     "N=a;"},
    {"PREF e-mail replaces the other", "N:a\nEMAIL;INTERNET;PREF:p@x\nEMAIL;INTERNET:o@x\n", 1, "N=a; 9=p@x"},
    {"only the first occurrence counts", "N:A;B\nTEL;CELL:1\nN:C;D\nTEL;CELL:2\n", 1, "N=A;B 6=1"},
    {"lower-case property", "N:a\ntel;cell:1\nTel;Cell:2\n", 1, "N=a;"},

    // categories without a group collection
    {"VIP", "N:a\nCATEGORIES:VIP\n", 1, "N=a; G=1 VIP"},
    {"X-ESI VIP", "N:a\nX-ESI-CATEGORIES:VIP\n", 1, "N=a; G=1 VIP"},
    {"vip in lower case", "N:a\nCATEGORIES:vip\n", 1, "N=a;"},
    {"any other category", "N:a\nCATEGORIES:Rodina\n", 1, "N=a;"},
    {"UTF-7 VIP", "N:a\nCATEGORIES;CHARSET=UTF-7:VIP\n", 1, "N=a; G=1 VIP"},
    {"category with another parameter", "N:a\nCATEGORIES;X=1:VIP\n", 0, "N=a;"},

    // BDAY: year-month-day, each read like atoi
    {"ISO date", "N:a\nBDAY:1975-03-07\n", 1, "N=a; BDAY=1975-03-07 00:00:00"},
    {"basic date without dashes", "N:a\nBDAY:19750307\n", 1, "N=a;"},
    {"one dash only", "N:a\nBDAY:1975-0307\n", 1, "N=a;"},
    {"time after the day is ignored", "N:a\nBDAY:1975-03-07T10:20:30Z\n", 1, "N=a; BDAY=1975-03-07 00:00:00"},
    {"blanks and short parts", "N:a\nBDAY: 1975-3-7x\n", 1, "N=a; BDAY=1975-03-07 00:00:00"},
    {"no year", "N:a\nBDAY:--03-07\n", 1, "N=a;"},
    {"no such day", "N:a\nBDAY:1975-02-29\n", 1, "N=a;"},
    {"leap day", "N:a\nBDAY:1976-02-29\n", 1, "N=a; BDAY=1976-02-29 00:00:00"},
};

class ReadTable : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadTable, FillsTheFreshEntry) {
  const ReadCase& c = GetParam();
  CEntry entry(1, 1);
  CString card = Card(c.body);
  EXPECT_EQ(entry.FillFromVCard(card, nullptr, nullptr), c.result);
  EXPECT_EQ(Describe(entry), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cards, ReadTable, ::testing::ValuesIn(kReadCases));

// Every prefix of every table card: a card may end anywhere, also inside a
// parameter list, an "=XX" or the CR LF of a soft break.
TEST(VCardReader, NeverReadsPastACutCard) {
  for (const ReadCase& c : kReadCases) {
    const std::string full = Card(c.body).str();
    for (size_t n = 0; n <= full.size(); ++n) {
      CEntry entry(1, 1);
      CString card(std::string_view(full).substr(0, n));
      const int result = entry.FillFromVCard(card, nullptr, nullptr);
      ASSERT_TRUE(result == 0 || result == 1) << c.what << " cut at " << n;
    }
  }
}

// Decoding by mode; what the card table above already reads through a whole
// card (=4G, =ZZ, a cut "=X", an open UTF-7 run) is not repeated here.
TEST(VCardReader, DecodesValuesByMode) {
  const struct {
    const char* raw;
    int nMode;
    const char* expected;  // UTF-8 of the 8-bit result
  } cases[] = {
      {"=41=42", 0, "=41=42"}, {"=41=42", 1, "AB"}, {"a=4=41", 1, "a\x04" "41"},  // "=4=" is one escape
      {"=41=", 1, "A"},        {"=", 1, ""},        {"", 1, ""},
      {"=C3=A1", 2, "á"},      {"=C3=A1", 1, "Ăˇ"},  // the two UTF-8 bytes read as Windows-1250
      {"=E4=B8=AD", 2, "?"},   {"=C3", 2, "?"},     // a character the code page lacks, a broken sequence
      {"Nov+AOE-k", 3, "Novák"}, {"a+-b", 3, "a+b"}, {"=41", 3, "=41"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CEntryTestAccess::Decode(c.raw, c.nMode), Ansi(c.expected).str()) << c.nMode << " on " << c.raw;
}

// Every character of two UTF-8 bytes decodes as the platform's converter takes
// it, alone and between 7-bit text; longer and broken sequences too.
TEST(VCardReader, DecodesUtf8AsThePlatformDoes) {
  // Twice: once as the character is first met, once as it is known.
  for (int pass = 0; pass < 2; ++pass) {
    for (unsigned ch = 0x80; ch < 0x800; ++ch) {
      const std::string utf8 = {static_cast<char>(0xC0 | (ch >> 6)), static_cast<char>(0x80 | (ch & 0x3F))};
      for (const std::string& text : {utf8, "a" + utf8 + "b" + utf8})
        ASSERT_EQ(CEntryTestAccess::Decode(HexEscapes(text), 2), sorrel::Utf8ToAnsi(text)) << std::hex << ch;
    }
  }
  for (const char* text : {"\xE2\x82\xAC", "x\xC3", "\xC3x", "\xC0\x80", "\xF0\x9F\x98\x80", "\xA1", "\xC3\xA1\xE4\xB8\xAD"})
    EXPECT_EQ(CEntryTestAccess::Decode(HexEscapes(text), 2), sorrel::Utf8ToAnsi(text)) << text;
}

TEST(VCardReader, RemovesSoftLineBreaksFromTheCallersCard) {
  const char* const cases[][2] = {
      {"a=\r\nb\r\n", "ab\r\n"}, {"a=\r\n=\r\nb\r\n", "ab\r\n"},
      {"a==\r\n\r\nb\r\n", "a=\r\nb\r\n"},  // the scan resumes after a removed break
      {"a=\r\n", "a"},           {"a=\r", "a=\r"}, {"a=", "a="}, {"a=\n", "a=\n"}, {"a=\rb\n", "a=\rb\n"},
  };
  for (const auto& c : cases) {
    CEntry entry(1, 1);
    CString card = CString("BEGIN:VCARD\r\nN:") + c[0];
    entry.FillFromVCard(card, nullptr, nullptr);
    EXPECT_EQ(card.str(), std::string("BEGIN:VCARD\r\nN:") + c[1]) << c[0];
  }
}

// Whole cards as given: the search strings begin with CR LF, so neither the
// first line nor a line after a lone LF can hold a property; a value ends at a
// CR, and one that no CR closes is empty. The reader writes name, surname,
// number, group and VIP directly: no limits, no change flag, no international
// flag, the surname even when the entry keeps none; without extended items
// every item value is dropped.
TEST(VCardReader, RawCards) {
  const struct {
    int bExtItems, bDivision;
    const char* card;
    int result;
    const char* expected;
  } cases[] = {
      {1, 1, "N:Novák;Jan\r\nTEL;CELL:1\r\n", 0, "N=;"},
      {1, 1, "BEGIN:VCARD\r\nN:a;b\nTEL;CELL:1\nTEL;WORK:2\r\nTEL;FAX:3\r\n", 1, "N=a;b\\x0ATEL;CELL:1\\x0ATEL;WORK:2 8=3"},
      {1, 1, "BEGIN:VCARD\r\nN:a;b\r\nTEL;CELL:123", 1, "N=a;b"},
      {1, 1, "BEGIN:VCARD\r\nN:Novák;Jan", 1, "N=;"},
      {1, 0, "\r\nN:Novák!;Jan!\r\nTEL;HOME:+420601123456\r\nX-ESI-CATEGORIES:VIP\r\n", 1,
       "N=Novák!;Jan! TEL=+420601123456 G=1 VIP"},
      {0, 1, "\r\nN:a;b\r\nTEL;CELL:1\r\nADR:;;x;y;;z;w\r\nBDAY:1975-03-07\r\nTITLE:t\r\n", 1, "N=a;b"},
  };
  for (const auto& c : cases) {
    CEntry entry(c.bExtItems, c.bDivision);
    entry.ClearChangedFlag();
    CString card = Ansi(c.card);
    EXPECT_EQ(entry.FillFromVCard(card, nullptr, nullptr), c.result) << c.card;
    EXPECT_EQ(Describe(entry), c.expected) << c.card;
    EXPECT_EQ(entry.Changed() + entry.IsNumInternational(), 0) << c.card;
  }
}

// What the card does not hold stays as it was, the birthday included when the
// card's date does not exist.
TEST(VCardReader, LeavesWhatTheCardLacks) {
  CEntry entry(1, 1);
  entry.SetName(Ansi("Old"), NO_LIMIT);
  entry.SetNum(Ansi("111"), NO_LIMIT);
  entry.SetGroupID(3, nullptr);
  for (const auto& [id, value] : {std::pair{ITEM_NOTE, "note"}, {ITEM_STATE, "kraj"}, {ITEM_MOBILE, "222"}})
    entry.SetExtItem(id, Ansi(value), NO_LIMIT);
  entry.SetExtItem(ITEM_BIRTHDAY, COleDateTime(1980, 1, 2, 0, 0, 0).m_dt);
  CString card = Card("N:Nový\nBDAY:1975-02-30\nCATEGORIES:Rodina\n");
  ASSERT_EQ(entry.FillFromVCard(card, nullptr, nullptr), 1);
  EXPECT_EQ(Describe(entry), "N=Nový; TEL=111 G=3 6=222 11=note 19=kraj BDAY=1980-01-02 00:00:00");
}

// ---- categories with a group collection -------------------------------------

// The collection: group 3 first (so that a new group's defaults differ from
// group 1's), group 1 unless left out, a group with id 0 and the no-group name
// as a real group.
enum Collection { kNone, kWithoutGroup1, kFull };

const struct GroupCase {
  const char* what;
  const char* body;
  const char* noGroupName;  // null: none given
  Collection collection;
  UINT groupID;
  const char* added;  // the group created, as id:name:nMaxLen:nAttr
} kGroupCases[] = {
    {"known group", "CATEGORIES:Práce\n", nullptr, kFull, 3, nullptr},
    {"X-ESI only", "X-ESI-CATEGORIES:Rodina\n", nullptr, kFull, 1, nullptr},
    {"CATEGORIES decides over X-ESI", "CATEGORIES:Práce\nX-ESI-CATEGORIES:Rodina\n", nullptr, kFull, 3, nullptr},
    {"encoded category", "X-ESI-CATEGORIES;CHARSET=UTF-7:Pr+AOE-ce\n", nullptr, kFull, 3, nullptr},
    {"new group shaped like group 1", "CATEGORIES:Kamarádi\n", nullptr, kFull, 2, "2:Kamarádi:16:5"},
    {"a list of categories is one name", "CATEGORIES:Rodina,Práce\n", nullptr, kFull, 2, "2:Rodina,Práce:16:5"},
    {"group 0 is not found by name", "CATEGORIES:Nula\n", nullptr, kFull, 2, "2:Nula:16:5"},
    {"VIP is an ordinary name with a collection", "CATEGORIES:VIP\n", nullptr, kFull, 2, "2:VIP:16:5"},
    {"the no-group name wins over its group", "CATEGORIES:Bez skupiny\n", "Bez skupiny", kFull, 0, nullptr},
    {"no-group name in X-ESI, a group in CATEGORIES", "X-ESI-CATEGORIES:Bez skupiny\nCATEGORIES:Rodina\n",
     "Bez skupiny", kFull, 1, nullptr},
    {"no-group name unused", "CATEGORIES:Bez skupiny\n", nullptr, kFull, 4, nullptr},
    {"without group 1 the new group is itself group 1", "CATEGORIES:Nová\n", nullptr, kWithoutGroup1, 1, "1:Nová:20:1"},
    {"no-group name without a collection", "CATEGORIES:-\n", "-", kNone, 0, nullptr},
};

std::string DescribeGroups(const CGroups& groups) {
  std::string s;
  for (int i = 0; i < groups.GetNGroups(); ++i) {
    const GroupInfo* g = groups.GetGroupByIndex(static_cast<UINT>(i));
    s += (s.empty() ? "" : " ") + std::to_string(g->nID) + ":" + Show(g->strName) + ":" + std::to_string(g->nMaxLen) +
         ":" + std::to_string(g->nAttr);
  }
  return s;
}

TEST(VCardReader, ResolvesTheCategory) {
  for (const GroupCase& c : kGroupCases) {
    SCOPED_TRACE(c.what);
    CGroups groups;
    groups.AddGroup(3, Ansi("Práce"), 20, 0);
    if (c.collection == kFull) groups.AddGroup(1, Ansi("Rodina"), 16, 5);
    groups.AddGroup(0, Ansi("Nula"), 10, 0);
    groups.AddGroup(4, Ansi("Bez skupiny"), 20, 0);
    const std::string before = DescribeGroups(groups);
    CString noGroup = Ansi(c.noGroupName ? c.noGroupName : "");

    CEntry entry(1, 1);
    entry.SetGroupID(3, nullptr);
    entry.ClearChangedFlag();
    CString card = Card(std::string("N:a\n") + c.body);
    ASSERT_EQ(entry.FillFromVCard(card, c.collection == kNone ? nullptr : &groups,
                                  c.noGroupName ? &noGroup : nullptr), 1);
    EXPECT_EQ(entry.GetGroupID(), c.groupID);
    EXPECT_EQ(entry.IsVIP() + entry.Changed(), 0);
    EXPECT_EQ(DescribeGroups(groups), c.added ? before + " " + c.added : before);
  }
}

// ---- real cards ---------------------------------------------------------------

// Every card of the corpus, with LF line ends made CR LF and multi-card files
// split at BEGIN:VCARD, goes through the reader with and without a collection.
TEST(VCardReader, ReadsEveryCorpusCard) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(SORREL_SOURCE_DIR) / ".." / "shared" / "corpus" / "vcard";
  ASSERT_TRUE(fs::is_directory(root)) << root;
  int cards = 0, accepted = 0;
  for (const auto& file : fs::recursive_directory_iterator(root)) {
    if (!file.is_regular_file()) continue;
    std::ifstream in(file.path(), std::ios::binary);
    std::string text;
    char prev = 0;
    for (auto it = std::istreambuf_iterator<char>(in); it != std::istreambuf_iterator<char>(); prev = *it++) {
      if (*it == '\n' && prev != '\r') text += '\r';
      text += *it;
    }
    for (size_t at = text.find("BEGIN:VCARD"), next; at != std::string::npos; at = next, ++cards) {
      next = text.find("BEGIN:VCARD", at + 1);
      for (bool withGroups : {false, true}) {
        CEntry entry(1, 1);
        CGroups groups;
        CString noGroup("Bez skupiny"), card(text.substr(at, next == std::string::npos ? next : next - at));
        const int result = entry.FillFromVCard(card, withGroups ? &groups : nullptr, &noGroup);
        ASSERT_TRUE(result == 0 || result == 1) << file.path() << " card at " << at;
        if (withGroups) accepted += result;
      }
    }
  }
  EXPECT_GT(cards, 500);
  EXPECT_GT(accepted, 0);
  RecordProperty("cards", cards);
  RecordProperty("accepted", accepted);
}

}  // namespace
