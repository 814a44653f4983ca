#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "formats/VCardTestSupport.h"
#include "platform/Numbers.h"
#include "sorrel/Groups.h"
#include "sorrel/Entry.h"

namespace {

constexpr const char* kWorkedExample =
    "2,17,\"Jan\"\"Novak\",\"+420123456789\",5,\"222333444\",11,\"Test\",31,\"36526.000000\",3,5,0,0,0,2,0\n";

// A text with its zero bytes as \0.
std::string Text(const CString& s) {
  std::string out;
  for (char c : s.view()) out += c ? std::string(1, c) : "\\0";
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
    out << "31=" << items->GetValueByID(ITEM_BIRTHDAY) << " icons";
    for (UINT id : {22u, 23u, 11u, 29u}) out << ' ' << int(items->GetIcon(id));
    out << ']';
  }
  return out.str();
}

}  // namespace

// The worked example read and written back, what remains of the line; the
// entry's own string as the target.
TEST(PhoneText, WorkedExampleAndForms) {
  CEntry entry(1);
  CString text(kWorkedExample);
  entry.FillFromText(text, 1, 0, 0, nullptr);
  EXPECT_EQ(Dump(entry), "2/17 \"Jan\"\"Novak\" div1 \"+420123456789\" intl1 vip0 group3 icon0 changed0 "
                         "items[5=\"222333444\" 11=\"Test\" 31=36526 icons 0 0 2 0]");
  EXPECT_EQ(text, "0");  // the last icon value is read where it stands: it is what remains of the line
  entry.GetAsText(text, 1, 0);
  EXPECT_EQ(text, kWorkedExample);

  CEntry sent(1);
  sent.SetName("A", NO_LIMIT);
  sent.SetNum("123456", NO_LIMIT);
  sent.SetExtItem(ITEM_SYNC_ID, "L1", NO_LIMIT);
  sent.GetAsText(text, 0, 0);
  EXPECT_EQ(text, "\"A\",\"123456\"");  // the synchronisation id only on request
  sent.GetAsText(sent.GetName(), 0, 1);  // the entry's own name as the target comes out whole
  EXPECT_EQ(sent.GetName(), "\"A\",\"123456\",28,\"L1\"");
}

// Birthdays travel as "%lf" writes them and are read as atof reads them,
// whatever shortcut the writer and the reader take for the usual forms.
TEST(PhoneText, BirthdayTextBothWays) {
  for (double dDate : {36526.0, 29221.5, -1.5, -0.0, 0.0, 1e-7, 2.0000005, 0.1234565, 1e15, 1e20, -36522.999999,
                       DBL_MAX, double(INFINITY)}) {
    CEntry entry(1);
    entry.SetName("A", NO_LIMIT);
    entry.SetExtItem(ITEM_BIRTHDAY, dDate);
    CString text, expected;
    entry.GetAsText(text, 0, 0);
    expected.Format("\"A\",\"\",31,\"%lf\"", dDate);
    EXPECT_EQ(text, expected) << dDate;
  }
  for (const char* value : {"36526.000000", "29221.5", "-1.500000", "-0", "  12.5", "+3.25", "1e3", "0x1p3", ".5",
                            "7.", "inf", "nan", "12abc", "-", "", "1.2.3", "123456789012345678901234567890123.5"}) {
    CEntry entry(1);
    entry.FillFromText(CString("\"A\",\"1\",31,\"") + value + "\"", 0, 0, 0, nullptr);
    double dRead = entry.GetExtendedItems()->GetValueByID(ITEM_BIRTHDAY), dExpected = sorrel::Atof(value);
    EXPECT_TRUE(dRead == dExpected || (std::isnan(dRead) && std::isnan(dExpected))) << value;
  }
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

// Golden lines: a phone book as the phone server delivers it, then the cases of
// the reader's rules and of malformed lines. Per case the .ref holds the case,
// the entry read from it and the line written back (with the synchronisation id).
TEST(PhoneText, GoldenLines) {
  std::ifstream in(std::string(SORREL_SOURCE_DIR) + "/tests/formats/phonetext/lines.txt", std::ios::binary);
  std::string actual, source;
  CGroups groups;
  groups.AddGroup(3, "VIP", 10, 0);
  while (std::getline(in, source)) {
    if (source.empty() || source[0] == '#') continue;
    const std::string flags = source.substr(0, source.find(' '));
    std::string line;
    for (size_t i = flags.size() + 1; i < source.size(); ++i) {
      char c = source[i];
      if (c == '\\' && i + 1 < source.size())
        c = source[++i] == 'r' ? '\r' : source[i] == 'n' ? '\n' : source[i] == '0' ? '\0' : source[i];
      line += c;
    }
    auto has = [&](char flag) { return flags.find(flag) != std::string::npos; };

    CEntry entry(has('x'), 0);
    if (has('s')) entry.GetSurname() = "Old";
    if (has('p')) {
      entry.SetLocation(9);
      entry.SetPos(8);
      entry.SetGroupID(1, nullptr);
      entry.SetIcon(4);
    }
    CString text(line), written, command;
    entry.FillFromText(text, has('l'), has('c'), has('j'), has('g') ? &groups : nullptr);
    entry.GetAsText(written, has('l'), 1);
    if (!written.IsEmpty() && written.view().back() == '\n') written.str().pop_back();
    entry.GetAsText4AT(command, "5");
    actual += source + "\n  " + Dump(entry) + "\n  " + written.str() + "\n  " + command.str() + "\n";
  }
  vcardtest::ExpectGolden("phonetext/lines.txt.ref", actual);
}
