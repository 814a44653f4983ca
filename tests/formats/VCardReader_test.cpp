#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "formats/VCardTestSupport.h"
#include "support/DescribeGroups.h"

using namespace vcardtest;

namespace {

// One card read into a fresh entry, as a line of a .ref: the result, the entry,
// the flags the reader must leave alone, the collection after it, and the card
// when the reader changed it (soft line breaks go in place). Options
// (after " | " in a case's title): "noitems" an entry without extended items,
// "nodivision" one that keeps no surname, "groups" the collection ("without-1": without group 1),
// last "nogroup=NAME" the no-group name; an entry read with either starts in
// group 3; "old" an entry filled before.
std::string Read(CString& card, std::string_view options) {
  const size_t at = options.find("nogroup=");
  auto has = [&](std::string_view o) { return options.substr(0, at).find(o) != std::string_view::npos; };
  auto filled = FromText("\"Old\",\"111\",6,\"222\",11,\"note\",19,\"kraj\",31,\"29222\",3");
  CEntry fresh(!has("noitems"), !has("nodivision"));
  CEntry& entry = has("old") ? *filled : fresh;
  const std::string before = card.str();
  // The collection of the category cases: group 3 first (so that a new group's
  // defaults differ from group 1's), group 1 unless left out, a group with id 0
  // and the no-group name as a real group.
  CGroups groups;
  groups.AddGroup(3, Ansi("Práce"), 20, 0);
  if (!has("without-1")) groups.AddGroup(1, Ansi("Rodina"), 16, 5);
  groups.AddGroup(0, Ansi("Nula"), 10, 0);
  groups.AddGroup(4, Ansi("Bez skupiny"), 20, 0);
  CString noGroup = Ansi(at == std::string_view::npos ? "" : options.substr(at + 8));
  if (has("groups") || at != std::string_view::npos) entry.SetGroupID(3, nullptr);
  entry.ClearChangedFlag();
  const int result =
      entry.FillFromVCard(card, has("groups") ? &groups : nullptr, at == std::string_view::npos ? nullptr : &noGroup);
  std::string out = "=> " + std::to_string(result) + " " + Describe(entry);
  if (entry.Changed()) out += " CHANGED";
  if (entry.IsNumInternational()) out += " INTL";
  if (has("groups")) out += " | " + Show(CString(sorrel::test::Describe(groups)));
  return out + (card.str() != before ? "\n   card now " + Show(card) : "") + "\n";
}

// The cases of a file: per case "== title", then the card's lines between
// VERSION and END (read.txt), or the whole card on one line with \r, \n, \0
// and \\ for CR, LF, a zero byte and a backslash (raw.txt).
std::vector<std::pair<std::string, std::string>> Cases(const char* file) {
  std::ifstream in(std::string(SORREL_SOURCE_DIR) + "/tests/formats/vcard/" + file, std::ios::binary);
  std::vector<std::pair<std::string, std::string>> cases;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("== ", 0) == 0)
      cases.emplace_back(line.substr(3), "");
    else if (!cases.empty() && !line.empty() && line[0] != '#')
      cases.back().second += line + "\n";
  }
  return cases;
}
CString CardOf(const std::string& file, const std::string& body) {
  return file == "read.txt" ? Card(body) : Ansi(sorrel::test::Unescape(std::string_view(body).substr(0, body.size() - 1)));
}

// Each case read into a fresh entry: the .ref adds the result and the entry.
// read.txt holds the reading rules; raw.txt whole cards as given: the search
// strings begin with CR LF, so neither the first line nor a line after a lone
// LF can hold a property; a value ends at a CR, and one that no CR closes is
// empty.
TEST(VCardReader, ReadingRules) {
  for (const std::string file : {"read.txt", "raw.txt"}) {
    const auto cases = Cases(file.c_str());
    ASSERT_GT(cases.size(), 10u) << file;
    std::string actual;
    for (const auto& [title, body] : cases) {
      CString card = CardOf(file, body);
      const size_t bar = title.find(" | ");
      actual += "== " + title + "\n" + body + Read(card, bar == std::string::npos ? "" : title.substr(bar + 3));
    }
    ExpectGolden("vcard/" + file + ".ref", actual);
  }
}

// Every prefix of every case's card: a card may end anywhere, also inside a
// parameter list, an "=XX" or the CR LF of a soft break.
TEST(VCardReader, NeverReadsPastACutCard) {
  for (const std::string file : {"read.txt", "raw.txt"}) {
    for (const auto& [what, body] : Cases(file.c_str())) {
      const std::string full = CardOf(file, body).str();
      for (size_t n = 0; n <= full.size(); ++n) {
        CEntry entry(1, 1);
        CString card(std::string_view(full).substr(0, n));
        const int result = entry.FillFromVCard(card, nullptr, nullptr);
        ASSERT_TRUE(result == 0 || result == 1) << what << " cut at " << n;
      }
    }
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

}  // namespace
