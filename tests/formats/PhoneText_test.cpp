#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "formats/VCardTestSupport.h"
#include "sorrel/Entry.h"
#include "sorrel/Groups.h"
#include "support/Cases.h"

namespace {

constexpr const char* kWorkedExample =
    "2,17,\"Jan\"\"Novak\",\"+420123456789\",5,\"222333444\",11,\"Test\",31,\"36526.000000\",3,5,0,0,0,2,0\n";
// A text with its zero bytes, CRs and LFs as \0, \r and \n.
std::string Text(const CString& s) {
  std::string out;
  for (char c : s.view()) out += c == 0 ? "\\0" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
  return out;
}

// Every field of an entry on one line, for comparing whole entries.
std::string Dump(const CEntry& e) {
  std::ostringstream out;
  out << e.GetLocation() << '/' << e.GetPos() << " \"" << Text(e.GetName()) << "\"\"" << Text(e.GetSurname())
      << "\" div" << e.AllowsNameSurnameDivision() << " \"" << Text(e.GetNum()) << "\" intl"
      << e.IsNumInternational() << " vip" << e.IsVIP() << " group" << e.GetGroupID() << " icon"
      << int(e.GetIcon()) << " changed" << e.Changed();
  if (const CExtendedItems* items = e.GetExtendedItems()) {
    out << " items[";
    for (UINT id = 5; id <= 30; ++id) {
      CString value;
      items->GetValueByID(id, value);
      if (!value.IsEmpty()) out << id << "=\"" << Text(value) << "\" ";
    }
    char birthday[32];
    std::snprintf(birthday, sizeof birthday, "%.17g", items->GetValueByID(ITEM_BIRTHDAY));
    out << "31=" << birthday << " icons";
    for (UINT id : {22u, 23u, 11u, 29u}) out << ' ' << int(items->GetIcon(id));
    out << ']';
  }
  return out.str();
}

}  // namespace

// The synchronisation id goes out only on request; the entry's own string as
// the target comes out whole.
TEST(PhoneText, SyncIDOnRequestAndOwnStringAsTarget) {
  CEntry sent(1);
  sent.SetName("A", NO_LIMIT);
  sent.SetNum("123456", NO_LIMIT);
  sent.SetExtItem(ITEM_SYNC_ID, "L1", NO_LIMIT);
  CString text;
  sent.GetAsText(text, 0, 0);
  EXPECT_EQ(text, "\"A\",\"123456\"");
  sent.GetAsText(sent.GetName(), 0, 1);
  EXPECT_EQ(sent.GetName(), "\"A\",\"123456\",28,\"L1\"");
}

// Truncated and hostile lines, fed to both readers with every option: each
// ends with a defined entry (the same from both), unchanged unless the text was
// an empty slot, with a remainder taken from the line. The sanitizer build
// checks that nothing is read outside the text.
TEST(PhoneText, TruncatedAndHostileLines) {
  const std::string example = kWorkedExample;
  const size_t kBig = 1 << 16;
  std::vector<std::string> lines = {
      "1,2,\"a\",\"b\",5," + std::string(kBig, '7'), "\"a\",\"b\",5,\"" + std::string(kBig, 'x'),
      "\"a\",\"b\",3,99999999999999999999,1,2,3,4,5,6", "\"a\",\"b\",3,2147483647," + std::string(kBig, ','),
      std::string("\"a\0b\",\"1\"", 10), "EMPTY\n", "EMPTY\r\n", "no quotes at all", "\"", "\"\"", "\",\"",
      "4294967296,-5,"};
  for (size_t n = 0; n <= example.size(); ++n) lines.push_back(example.substr(0, n));
  for (const std::string run : {"\"", ",", "\",", ",\"", "\"\"", "9", "9,", "\r\n", "!"}) {
    std::string& line = lines.emplace_back();
    while (line.size() < kBig) line += run;
  }
  CGroups groups;
  groups.AddGroup(3, "VIP", 0, 0);
  for (const std::string& line : lines) {
    for (int options = 0; options < 16; ++options) {
      int bWithLocation = options & 1, bCreate = options & 2, bJoin = options & 4;
      CGroups* pGroups = options & 8 ? &groups : nullptr;
      CEntry fromString(0, 1), fromChars(0, 1);
      CString text(line);
      fromString.FillFromText(text, bWithLocation, bCreate, bJoin, pGroups);
      fromChars.FillFromText(line.c_str(), bWithLocation, bCreate, bJoin, pGroups);
      const std::string what = line.substr(0, 40) + " options " + std::to_string(options);
      EXPECT_EQ(fromString.Changed(), line.empty() || line == "EMPTY" ? 1 : 0) << what;
      EXPECT_NE(line.find(text.str()), std::string::npos) << what;
      if (line.find('\0') == std::string::npos) {
        EXPECT_EQ(Dump(fromString), Dump(fromChars)) << what;
      }
    }
  }
}

// Golden lines: a phone book as the phone server delivers it, the worked
// example, then the cases of the reader's rules, of birthdays (read as atof
// reads them, written as "%lf" writes them) and of malformed lines. Per case
// the .ref adds the entry read, what remains of the text after the read, the
// line written back (with the synchronisation id) and the AT command.
TEST(PhoneText, GoldenLines) {
  CGroups groups;
  groups.AddGroup(3, "VIP", 10, 0);
  vcardtest::ExpectGoldenCases("phonetext/lines.txt", [&](const std::string& source) {
    const std::string flags = source.substr(0, source.find(' '));
    auto has = [&](char flag) { return flags.find(flag) != std::string::npos; };
    CEntry entry(has('x'), 0);
    if (has('s')) entry.GetSurname() = "Old";
    if (has('p')) {
      entry.SetLocation(9);
      entry.SetPos(8);
      entry.SetGroupID(1, nullptr);
      entry.SetIcon(4);
    }
    CString text(sorrel::test::Unescape(std::string_view(source).substr(flags.size() + 1))), written, command;
    entry.FillFromText(text, has('l'), has('c'), has('j'), has('g') ? &groups : nullptr);
    entry.GetAsText(written, has('l'), 1);
    if (!written.IsEmpty() && written.view().back() == '\n') written.str().pop_back();
    entry.GetAsText4AT(command, "5");
    return "  " + Dump(entry) + "\n  rest \"" + Text(text) + "\"\n  " + written.str() + "\n  " + command.str() + "\n";
  });
}
