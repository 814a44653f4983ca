#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "formats/VCardTestSupport.h"

using namespace vcardtest;

namespace {

// The reading rules as the cases of vcard/read.txt: per case "== what", then the
// card's lines between VERSION and END.
std::vector<std::pair<std::string, std::string>> ReadCases() {
  std::ifstream in(std::string(SORREL_SOURCE_DIR) + "/tests/formats/vcard/read.txt", std::ios::binary);
  std::vector<std::pair<std::string, std::string>> cases;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("== ", 0) == 0)
      cases.emplace_back(line.substr(3), "");
    else if (!cases.empty() && !line.empty() && line[0] != '#')
      cases.back().second += line + "\n";
  }
  return cases;
}

// Each case read into a fresh entry: the .ref adds the result and the entry.
TEST(VCardReader, ReadingRules) {
  const auto cases = ReadCases();
  ASSERT_GT(cases.size(), 50u);
  std::string actual;
  for (const auto& [what, body] : cases) {
    CEntry entry(1, 1);
    CString card = Card(body);
    const int result = entry.FillFromVCard(card, nullptr, nullptr);
    actual += "== " + what + "\n" + body + "=> " + std::to_string(result) + " " + Describe(entry) + "\n";
  }
  ExpectGolden("vcard/read.txt.ref", actual);
}

// Every prefix of every case's card: a card may end anywhere, also inside a
// parameter list, an "=XX" or the CR LF of a soft break.
TEST(VCardReader, NeverReadsPastACutCard) {
  for (const auto& [what, body] : ReadCases()) {
    const std::string full = Card(body).str();
    for (size_t n = 0; n <= full.size(); ++n) {
      CEntry entry(1, 1);
      CString card(std::string_view(full).substr(0, n));
      const int result = entry.FillFromVCard(card, nullptr, nullptr);
      ASSERT_TRUE(result == 0 || result == 1) << what << " cut at " << n;
    }
  }
}

// Decoding by mode; what the cases of read.txt already reads through a whole
// card (=4G, =ZZ, a cut "=X", an open UTF-7 run) is not repeated here.
TEST(VCardReader, DecodesValuesByMode) {
  const struct {
    const char* raw;
    int nMode;
    std::string_view expected;  // UTF-8 of the 8-bit result
  } cases[] = {
      {"=41=42", 0, "=41=42"}, {"=41=42", 1, "AB"}, {"a=4=41", 1, "a\x04" "41"},  // "=4=" is one escape
      {"=41=", 1, "A"},        {"=", 1, ""},        {"", 1, ""},
      {"=C3=A1", 2, "á"},      {"=C3=A1", 1, "Ăˇ"},  // the two UTF-8 bytes read as Windows-1250
      {"=E4=B8=AD", 2, "?"},   {"=C3", 2, "?"},     // a character the code page lacks, a broken sequence
      {"Nov+AOE-k", 3, "Novák"}, {"a+-b", 3, "a+b"}, {"=41", 3, "=41"},
      // strtol over the two characters: a leading blank or sign leaves one digit.
      {"=-1", 1, "˙"}, {"= A", 1, "\n"}, {"=+5", 1, "\x05"}, {"=\t5x", 1, "\x05x"}, {"=-F", 1, "ń"},
      {"=0x", 1, std::string_view("\0", 1)}, {"=+-", 1, std::string_view("\0", 1)},
      {"= g", 1, std::string_view("\0", 1)}, {"=-1", 2, "?"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Decode(c.raw, c.nMode), Ansi(c.expected).str()) << c.nMode << " on " << c.raw;
}

// Every character of two UTF-8 bytes decodes as the platform's converter takes
// it, alone and between 7-bit text; longer and broken sequences too.
TEST(VCardReader, DecodesUtf8AsThePlatformDoes) {
  // Twice: once as the character is first met, once as it is known.
  for (int pass = 0; pass < 2; ++pass) {
    for (unsigned ch = 0x80; ch < 0x800; ++ch) {
      const std::string utf8 = {static_cast<char>(0xC0 | (ch >> 6)), static_cast<char>(0x80 | (ch & 0x3F))};
      for (const std::string& text : {utf8, "a" + utf8 + "b" + utf8})
        ASSERT_EQ(Decode(HexEscapes(text), 2), sorrel::Utf8ToAnsi(text)) << std::hex << ch;
    }
  }
  for (const char* text :
       {"\xE2\x82\xAC", "x\xC3", "\xC3x", "\xC0\x80", "\xF0\x9F\x98\x80", "\xA1", "\xC3\xA1\xE4\xB8\xAD"})
    EXPECT_EQ(Decode(HexEscapes(text), 2), sorrel::Utf8ToAnsi(text)) << text;
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
      {1, 1, "BEGIN:VCARD\r\nN:a;b\nTEL;CELL:1\nTEL;WORK:2\r\nTEL;FAX:3\r\n", 1,
       "N=a;b\\x0ATEL;CELL:1\\x0ATEL;WORK:2 8=3"},
      {1, 1, "BEGIN:VCARD\r\nN:a;b\r\nTEL;CELL:123", 1, "N=a;b"},
      {1, 1, "BEGIN:VCARD\r\nN:Novák;Jan", 1, "N=;"},
      {1, 0, "\r\nN:Novák!;Jan!\r\nTEL;HOME:+420601123456\r\nX-ESI-CATEGORIES:VIP\r\n", 1,
       "N=Novák!;Jan! TEL=+420601123456 G=1 VIP"},
      {0, 1, "\r\nN:a;b\r\nTEL;CELL:1\r\nADR:;;x;y;;z;w\r\nBDAY:1975-03-07\r\nTITLE:t\r\n", 1, "N=a;b"},
      // A lone CR ends the value but not the line; the next property still counts.
      {1, 1, "BEGIN:VCARD\r\nN:a\rb;c\r\nTEL;CELL:1\rx\r\nBDAY:1975-03-07\r\n", 1, "N=a; 6=1 BDAY=1975-03-07 00:00:00"},
      // Soft line breaks. Removing one can leave another "=" CR LF behind (a
      // base64 value ending in "==", then the blank line that ends it): that
      // one stays, and every property after it is still found.
      {1, 1, "BEGIN:VCARD\r\nN:a==\r\n\r\nTEL;CELL:1\r\n", 1, "N=a=; 6=1"},
      {1, 1, "BEGIN:VCARD\r\nN:a;b\r\nPHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n AAECAwQ==\r\n\r\nTEL;HOME:1\r\n"
             "TEL;CELL:2\r\n", 1, "N=a;b TEL=1 6=2"},
      {1, 1, "BEGIN:VCARD\r\nPHOTO;ENCODING=BASE64:AAECAwQ==\r\n\r\nN:a;b\r\nTEL;HOME:1\r\n", 1, "N=a;b TEL=1"},
      {1, 1, "BEGIN:VCARD\r\nN:a;b\r\nNOTE:x==\r\n\r\nTEL;HOME:123\r\nEMAIL;INTERNET:e@x\r\n", 1,
       "N=a;b TEL=123 9=e@x"},
      {1, 1, "BEGIN:VCARD\r\nN:a;b\r\nNOTE:x===\r\n\r\n\r\nTEL;HOME:1\r\n", 1, "N=a;b TEL=1"},
      {1, 1, "BEGIN:VCARD\r\nN:a;b\r\nPHOTO:AAECAw=\r\n\r\nTEL;HOME:1\r\n", 1, "N=a;b TEL=1"},  // one '='
      {1, 1, "BEGIN:VCARD\r\nN:a=\r\n=\r\nb;c\r\nTEL;HOME:1\r\n", 1, "N=ab;c TEL=1"},  // two in a row
      {1, 1, "BEGIN:VCARD\r\nN:a;b\r\nTEL;HOME:1=\r\n", 1, "N=a;b"},  // at the very end: no CR ends the value
      {1, 1, "BEGIN:VCARD\r\nN:a;b\r\nTEL;HOME:1\r\nX:=\r\n", 1, "N=a;b TEL=1"},
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

// The line ends are looked for in blocks of the card: a line, a value or its
// closing CR lies anywhere in or across them, and the card's last bytes are
// neither missed nor read twice.
TEST(VCardReader, FindsLinesWhereverTheyFall) {
  for (size_t pad = 0; pad < 140; ++pad) {
    for (const char* end : {"END:VCARD\r\n", "", "\r\n", "X"}) {
      CEntry entry(1, 1);
      CString card("BEGIN:VCARD\r\nFN:" + std::string(pad, 'x') + "\r\nN:a;b\r\nTEL;CELL:" +
                   std::string(pad % 70, '1') + "\r\nURL:u\r\n" + end);
      ASSERT_EQ(entry.FillFromVCard(card, nullptr, nullptr), 1) << pad << " " << end;
      EXPECT_EQ(Describe(entry), "N=a;b" + (pad % 70 ? " 6=" + std::string(pad % 70, '1') : "") + " 27=u")
          << pad << " " << end;
    }
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
  if (!fs::is_directory(root)) GTEST_SKIP() << "no vCard corpus at " << root.lexically_normal();
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
