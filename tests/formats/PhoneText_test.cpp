#include <gtest/gtest.h>

#include <cfloat>
#include <chrono>
#include <climits>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Numbers.h"
#include "sorrel/Entry.h"

namespace {

constexpr const char* kWorkedExample =
    "2,17,\"Jan\"\"Novak\",\"+420123456789\",5,\"222333444\",11,\"Test\",31,\"36526.000000\",3,5,0,0,0,2,0\n";

// Every field of an entry on one line, for comparing whole entries.
std::string Dump(const CEntry& e) {
  std::ostringstream out;
  out << e.GetLocation() << '/' << e.GetPos() << " \"" << e.GetName().str() << "\"\"" << e.GetSurname().str()
      << "\" div" << e.AllowsNameSurnameDivision() << " \"" << e.GetNum().str() << "\" intl"
      << e.IsNumInternational() << " vip" << e.IsVIP() << " group" << e.GetGroupID() << " icon"
      << int(e.GetIcon()) << " changed" << e.Changed();
  if (const CExtendedItems* items = e.GetExtendedItems()) {
    out << " items[";
    for (UINT id = 5; id <= 30; ++id) {
      CString value;
      items->GetValueByID(id, value);
      if (!value.IsEmpty()) out << id << "=\"" << value.str() << "\" ";
    }
    out << "31=" << items->GetValueByID(ITEM_BIRTHDAY) << " icons";
    for (UINT id : {22u, 23u, 11u, 29u}) out << ' ' << int(items->GetIcon(id));
    out << ']';
  }
  return out.str();
}

CEntry& WorkedExampleEntry(CEntry& entry) {
  entry.SetLocation(2);
  entry.SetPos(17);
  entry.SetName("Jan", NO_LIMIT);
  entry.SetSurname("Novak", NO_LIMIT);
  entry.SetNum("+420123456789", NO_LIMIT);
  entry.SetExtItem(ITEM_OFFICE, "222333444", NO_LIMIT);
  entry.SetExtItem(ITEM_NOTE, "Test", NO_LIMIT);
  entry.SetExtItem(ITEM_BIRTHDAY, 36526.0);
  entry.SetGroupID(3, nullptr);
  if (CExtendedItems* items = entry.GetExtendedItems()) items->SetIcon(ITEM_NOTE, 2);
  return entry;
}

}  // namespace

TEST(PhoneText, WorkedExampleWritten) {
  CEntry entry(1, 1);
  CString text;
  WorkedExampleEntry(entry).GetAsText(text, 1, 0);
  EXPECT_EQ(text, kWorkedExample);

  CEntry bare(0, 1);
  WorkedExampleEntry(bare).GetAsText(text, 1, 1);
  EXPECT_EQ(text, "2,17,\"Jan\",\"+420123456789\",3\n");
}

TEST(PhoneText, WorkedExampleReadBack) {
  CEntry entry(1);
  CString text(kWorkedExample);
  entry.FillFromText(text, 1, 0, 0, nullptr);
  EXPECT_EQ(Dump(entry),
            "2/17 \"Jan\"\"Novak\" div1 \"+420123456789\" intl1 vip0 group3 icon0 changed0 "
            "items[5=\"222333444\" 11=\"Test\" 31=36526 icons 0 0 2 0]");
  // The last icon value is read where it stands: it is what remains of the line.
  EXPECT_EQ(text, "0");

  CString again;
  entry.GetAsText(again, 1, 0);
  EXPECT_EQ(again, kWorkedExample);
}

TEST(PhoneText, Writing) {
  const struct {
    const char* pszWhat;
    void (*fill)(CEntry&);
    int bWithLocation, bWithSyncID;
    const char* pszText;
  } cases[] = {
      {"empty", [](CEntry&) {}, 1, 1, ""},
      {"only group, icons and sync id",
       [](CEntry& e) {
         e.SetGroupID(4, nullptr);
         e.SetIcon(1);
         e.SetExtItem(ITEM_SYNC_ID, "L1", NO_LIMIT);
       },
       1, 1, ""},
      {"sync id on request",
       [](CEntry& e) {
         e.SetName("A", NO_LIMIT);
         e.SetExtItem(ITEM_SYNC_ID, "L1", NO_LIMIT);
         e.SetExtItem(ITEM_FAX2, "9", NO_LIMIT);
       },
       0, 1, "\"A\",\"\",28,\"L1\",30,\"9\""},
      {"sync id not asked for",
       [](CEntry& e) {
         e.SetName("A", NO_LIMIT);
         e.SetExtItem(ITEM_SYNC_ID, "L1", NO_LIMIT);
       },
       0, 0, "\"A\",\"\""},
      {"icons without a group",
       [](CEntry& e) {
         e.SetNum("1", NO_LIMIT);
         e.SetIcon(7);
       },
       0, 0, "\"\",\"1\",0,5,7,0,0,0,0"},
      {"birthday at the no-date value and below 1900",
       [](CEntry& e) {
         e.SetName("A", NO_LIMIT);
         e.SetExtItem(ITEM_BIRTHDAY, -1.5);
       },
       0, 0, "\"A\",\"\",31,\"-1.500000\""},
      {"division on, surname empty",
       [](CEntry& e) {
         e.AllowsNameSurnameDivision(1);
         e.SetName("A", NO_LIMIT);
       },
       0, 0, "\"A\"\"\",\"\""},
  };
  for (const auto& c : cases) {
    CEntry entry(1);
    c.fill(entry);
    CString text("stale");
    entry.GetAsText(text, c.bWithLocation, c.bWithSyncID);
    EXPECT_EQ(text, c.pszText) << c.pszWhat;
  }

  CEntry entry;
  entry.SetName("Jan", NO_LIMIT);
  entry.SetNum("+420123456789", NO_LIMIT);
  CString text;
  entry.GetAsText4AT(text, "5");
  EXPECT_EQ(text, "5,\"+420123456789\",145,\"Jan\"");
  entry.SetNum("123456", NO_LIMIT);
  entry.GetAsText4AT(text, "5");
  EXPECT_EQ(text, "5,\"123456\",129,\"Jan\"");
  // The entry's own name as the target comes out whole.
  entry.GetAsText(entry.GetName(), 0, 0);
  EXPECT_EQ(entry.GetName(), "\"Jan\",\"123456\"");
}

// Lines read into an entry that already holds a previous state: what the line
// does not carry stays.
TEST(PhoneText, Reading) {
  const struct {
    const char* pszLine;
    int bWithLocation, bCreateExtItems, bJoinNames, bExtItems;
    const char* pszDump;
  } cases[] = {
      {"\"Jan\"\"Novak\",\"123\"", 0, 0, 1, 0,
       "9/8 \"Novak Jan\"\"\" div0 \"123\" intl0 vip0 group1 icon4 changed0"},
      {"\"\",\"\",13,\"ACME\"", 0, 0, 1, 1,
       "9/8 \"ACME\"\"\" div0 \"\" intl0 vip0 group1 icon4 changed0 items[13=\"ACME\" 31=-36523 icons 0 0 0 0]"},
      {"\"\",\"\",13,\"ACME\"", 0, 0, 1, 0, "9/8 \"ACME\"\"\" div0 \"\" intl0 vip0 group1 icon4 changed0"},
      {"\"Jan\",\"123\"", 0, 0, 0, 0, "9/8 \"Jan\"\"\" div0 \"123\" intl0 vip0 group1 icon4 changed0"},
      {"\"Jan\",\"123\",0", 0, 0, 0, 0, "9/8 \"Jan\"\"\" div0 \"123\" intl0 vip0 group0 icon4 changed0"},
      {"\"Jan\",\"123\",4,1,7", 0, 0, 0, 0, "9/8 \"Jan\"\"\" div0 \"123\" intl0 vip0 group4 icon7 changed0"},
      {"\"Jan\",\"123\",4,5,1,2,3,4,5", 0, 0, 0, 0,
       "9/8 \"Jan\"\"\" div0 \"123\" intl0 vip0 group4 icon1 changed0"},
      {"\"Jan\",\"123\",4,5,1,2,3,4,5,6,7", 0, 0, 0, 1,
       "9/8 \"Jan\"\"\" div0 \"123\" intl0 vip0 group4 icon1 changed0 items[31=-36523 icons 2 3 4 5]"},
      {"EMPTY", 1, 0, 0, 0, "9/8 \"\"\"\" div0 \"\" intl0 vip0 group0 icon0 changed1"},
      {"", 0, 0, 0, 0, "9/8 \"\"\"\" div0 \"\" intl0 vip0 group0 icon0 changed1"},
      {"EMPTY\n", 1, 0, 0, 0, "0/0 \"\"\"\" div0 \"\" intl0 vip0 group1 icon4 changed0"},
      {"3,4,EMPTY", 1, 0, 0, 0, "3/4 \"MPTY\"\"\" div0 \"\" intl0 vip0 group1 icon4 changed0"},
      {"12,1,\"Jan!\",\"00420\",27,\"x.cz\"\r\n\r\r", 1, 1, 0, 0,
       "12/1 \"Jan!\"\"\" div0 \"00420\" intl0 vip1 group1 icon4 changed0 "
       "items[27=\"x.cz\" 31=-36523 icons 0 0 0 0]"},
      {"3,1,\"Jan\",\"1\",27,\"x.cz\"", 1, 1, 0, 0, "3/1 \"Jan\"\"\" div0 \"1\" intl0 vip0 group1 icon4 changed0"},
      {"99999999999,-1,\"A\",\"1\"", 1, 0, 0, 0,
       "2147483647/4294967295 \"A\"\"\" div0 \"1\" intl0 vip0 group1 icon4 changed0"},
      // Malformed lines: the same steps, taking what there is.
      {"Jan", 0, 0, 0, 0, "9/8 \"an\"\"\" div0 \"\" intl0 vip0 group1 icon4 changed0"},
      {"2,17", 1, 0, 0, 0, "2/17 \"\"\"\" div0 \"\" intl0 vip0 group1 icon4 changed0"},
      {"\"A\",\"1\",4,1", 0, 0, 0, 0, "9/8 \"A\"\"\" div0 \"1\" intl0 vip0 group4 icon0 changed0"},
      {"\"A\",\"1\",4,99999999999,7,8", 0, 0, 0, 1,
       "9/8 \"A\"\"\" div0 \"1\" intl0 vip0 group4 icon7 changed0 items[31=-36523 icons 8 0 0 0]"},
      {"\"A\",\"1\",6,\"x\"\"y\",300", 0, 0, 0, 1,
       "9/8 \"A\"\"\" div0 \"1\" intl0 vip0 group300 icon4 changed0 items[6=\"x\"\"y\" 31=-36523 icons 0 0 0 0]"},
      {"\"A\",\"1\",31,\"abc\",40,\"z\",26,\"q\"", 0, 0, 0, 1,
       "9/8 \"A\"\"\" div0 \"1\" intl0 vip0 group1 icon4 changed0 items[31=0 icons 0 0 0 0]"},
  };
  for (const auto& c : cases) {
    CEntry entry(c.bExtItems, 1);
    entry.SetLocation(9);
    entry.SetPos(8);
    entry.SetGroupID(1, nullptr);
    entry.SetIcon(4);
    entry.FillFromText(c.pszLine, c.bWithLocation, c.bCreateExtItems, c.bJoinNames, nullptr);
    EXPECT_EQ(Dump(entry), c.pszDump) << c.pszLine;
  }

  // Joining names folds in a surname the line did not carry.
  CEntry entry(0, 1);
  entry.GetSurname() = "Old";
  entry.FillFromText("\"Jan\",\"1\"", 0, 0, 1, nullptr);
  EXPECT_EQ(entry.GetName(), "Old Jan");
  EXPECT_EQ(entry.GetSurname(), "");
}

// Birthdays travel as "%lf" writes them and are read as atof reads them,
// whatever shortcut the writer and the reader take for the usual forms.
TEST(PhoneText, BirthdayTextBothWays) {
  const double dates[] = {36526.0, 29221.5, -1.5, -0.0, 0.0, 1e-7, 2.0000005, 0.1234565, 1e15, 1e20,
                          -36522.999999, DBL_MAX, INFINITY};
  for (double dDate : dates) {
    CEntry entry(1);
    entry.SetName("A", NO_LIMIT);
    entry.SetExtItem(ITEM_BIRTHDAY, dDate);
    CString text, expected;
    entry.GetAsText(text, 0, 0);
    expected.Format("\"A\",\"\",31,\"%lf\"", dDate);
    EXPECT_EQ(text, expected) << dDate;
  }
  const char* texts[] = {"36526.000000", "29221.5", "-1.500000", "-0", "  12.5", "+3.25", "1e3",   "0x1p3",
                         ".5",           "7.",      "inf",       "nan", "12abc",  "-",     "",      "1.2.3",
                         "123456789012345678901234567890123.5"};
  for (const char* value : texts) {
    CEntry entry(1);
    entry.FillFromText(CString("\"A\",\"1\",31,\"") + value + "\"", 0, 0, 0, nullptr);
    double dRead = entry.GetExtendedItems()->GetValueByID(ITEM_BIRTHDAY);
    double dExpected = sorrel::Atof(value);
    EXPECT_TRUE(dRead == dExpected || (std::isnan(dRead) && std::isnan(dExpected))) << value;
  }
}

// The line is sized before it is written: every field at its longest must fit.
TEST(PhoneText, LongestFields) {
  CEntry entry(1, 1);
  entry.SetLocation(12);
  entry.SetPos(UINT_MAX);
  entry.SetName("N", NO_LIMIT);
  entry.SetSurname("S", NO_LIMIT);
  entry.SetNum("+1", NO_LIMIT);
  CString expected;
  expected.Format("12,%u,\"N\"\"S\",\"+1\"", UINT_MAX);
  for (UINT id = 5; id <= 30; ++id) {
    if (!CExtendedItems::IsTextItem(id)) continue;
    entry.SetExtItem(id, CString('v', int(id)), NO_LIMIT);
    expected.AppendFormat(",%u,\"%s\"", id, CString('v', int(id)).GetString());
  }
  entry.SetExtItem(ITEM_BIRTHDAY, -DBL_MAX);
  entry.SetExtItem(ITEM_BIRTHDAY, DBL_MAX);
  expected.AppendFormat(",31,\"%lf\"", DBL_MAX);
  entry.SetGroupID(UINT_MAX, nullptr);
  entry.SetIcon(255);
  for (UINT id : {22u, 23u, 11u, 29u}) entry.GetExtendedItems()->SetIcon(id, 255);
  expected.AppendFormat(",%u,5,255,255,255,255,255\n", UINT_MAX);
  CString text;
  entry.GetAsText(text, 1, 1);
  EXPECT_EQ(text, expected);
}

TEST(PhoneText, GroupListDecidesVIP) {
  CGroups groups;
  groups.AddGroup(3, "VIP", 10, 0);
  CEntry entry;
  entry.FillFromText("\"Jan\",\"1\",3", 0, 0, 0, &groups);
  EXPECT_EQ(entry.IsVIP(), 1);
  entry.FillFromText("\"Jan\",\"1\",0", 0, 0, 0, &groups);
  EXPECT_EQ(entry.IsVIP(), 0);
}

// Truncated and hostile lines, fed to both readers with every option: each
// ends with a defined entry (the same from both), unchanged unless the text was
// an empty slot, with a remainder taken from the line. The sanitizer build
// checks that nothing is read outside the text.
TEST(PhoneText, TruncatedAndHostileLines) {
  std::vector<std::string> lines;
  std::string example = kWorkedExample;
  for (size_t n = 0; n <= example.size(); ++n) lines.push_back(example.substr(0, n));
  constexpr size_t kBig = 1 << 16;
  for (const char* run : {"\"", ",", "\",", ",\"", "\"\"", "9", "9,", "\r\n", "!"}) {
    std::string line;
    while (line.size() < kBig) line += run;
    lines.push_back(line);
  }
  lines.push_back("1,2,\"a\",\"b\",5," + std::string(kBig, '7'));
  lines.push_back("\"a\",\"b\",5,\"" + std::string(kBig, 'x'));
  lines.push_back("\"a\",\"b\",3,99999999999999999999,1,2,3,4,5,6");
  lines.push_back("\"a\",\"b\",3,2147483647," + std::string(kBig, ','));
  lines.push_back(std::string("\"a\0b\",\"1\"", 10));
  for (const char* s : {"EMPTY\n", "EMPTY\r\n", "no quotes at all", "\"", "\"\"", "\",\"", "4294967296,-5,"})
    lines.push_back(s);

  CGroups groups;
  groups.AddGroup(3, "VIP", 0, 0);
  auto start = std::chrono::steady_clock::now();
  for (const std::string& line : lines) {
    for (int options = 0; options < 16; ++options) {
      int bWithLocation = options & 1, bCreate = options & 2, bJoin = options & 4;
      CGroups* pGroups = options & 8 ? &groups : nullptr;
      CEntry fromString(0, 1), fromChars(0, 1);
      CString text(line);
      fromString.FillFromText(text, bWithLocation, bCreate, bJoin, pGroups);
      fromChars.FillFromText(line.c_str(), bWithLocation, bCreate, bJoin, pGroups);
      std::string what = line.substr(0, 40) + " options " + std::to_string(options);

      bool bEmptySlot = line.empty() || line == "EMPTY";
      EXPECT_EQ(fromString.Changed(), bEmptySlot ? 1 : 0) << what;
      EXPECT_NE(line.find(text.str()), std::string::npos) << what;
      if (line.find('\0') == std::string::npos) {
        EXPECT_EQ(Dump(fromString), Dump(fromChars)) << what;
      }
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

// A phone book as the phone server delivers it, read and written back line by
// line: the .ref holds, per line, the entry read and the line written.
TEST(PhoneText, GoldenPhoneBook) {
  std::string dir = std::string(SORREL_SOURCE_DIR) + "/tests/formats/phonetext/";
  std::ifstream in(dir + "phonebook.txt", std::ios::binary);
  ASSERT_TRUE(in) << dir;
  std::string line, actual;
  while (std::getline(in, line)) {
    CEntry entry;
    entry.FillFromText(line.c_str(), 1, 1, 0, nullptr);
    CString written;
    entry.GetAsText(written, 1, 1);
    actual += line + "\n  " + Dump(entry) + "\n  " + written.str() + (written.IsEmpty() ? "\n" : "");
  }
  std::string refPath = dir + "phonebook.txt.ref";
  if (std::getenv("SORREL_UPDATE_GOLDEN")) std::ofstream(refPath, std::ios::binary) << actual;
  std::ifstream ref(refPath, std::ios::binary);
  std::string expected((std::istreambuf_iterator<char>(ref)), std::istreambuf_iterator<char>());
  EXPECT_EQ(actual, expected);
}
