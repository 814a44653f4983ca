// Printed rows on the fixed-metrics device: every character 10 units wide, a
// line 40 (or 41) high, so that wrapping and placement are checked to the unit.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sorrel/Printing.h"
#include "support/Cases.h"
#include "support/FixedMetricsDC.h"
#include "support/TestHost.h"

namespace {

using namespace sorrel::test;

// The row's internal operations, opened for the test.
struct OpenRow : CPrintablePBEntry {
  using CPrintablePBEntry::CPrintablePBEntry;
  using CPrintableEntry::WrapText;
  using CPrintablePBEntry::GetNameLine;
};

struct Surface {
  std::shared_ptr<Recording> rec = std::make_shared<Recording>();
  CDC dc;
  explicit Surface(int lineHeight = 40) {
    FixedMetrics m;
    m.lineHeight = lineHeight;
    dc.Attach(MakeFixedDC(m, rec));
  }
};

std::vector<UINT> Starts(const CArray<UINT, UINT>& a) { return std::vector<UINT>(a.GetData(), a.GetData() + a.GetSize()); }

}  // namespace

TEST(PrintableEntry, WrapText) {
  Surface s;
  OpenRow row(&s.dc, nullptr);
  const auto cases = ReadCases("printing/wrap.txt");
  ASSERT_EQ(cases.size(), 15u);
  for (const auto& k : cases) {
    CString text(k[0].c_str());
    CArray<UINT, UINT> starts;
    starts.Add(99);  // emptied first
    row.WrapText(text, std::stoi(k[1]), starts);
    std::string got;
    for (UINT start : Starts(starts)) got += (got.empty() ? "" : ",") + std::to_string(start);
    EXPECT_EQ(got, k[2]) << '"' << k[0] << "\" at " << k[1];
    EXPECT_EQ(std::string(text.GetString()), k[3]) << k[0];
  }
}

TEST(PrintableEntry, NameLine) {
  struct Case {
    const char* surname;
    const char* name;
    const char* company;  // null: no extended items
    const char* number;
    const char* line;
  } cases[] = {
      {"Smith", "Anna", "ACME", "123", "Smith Anna: 123"},
      {"", "Anna", "ACME", "123", "Anna: 123"},
      {"Smith", "", nullptr, "123", "Smith : 123"},  // the space follows a surname whatever comes next
      {"", "", "ACME", "123", "ACME: 123"},
      {"", "", "ACME", "", "ACME"},
      {"", "", "", "123", ""},  // nothing to name it: the number is left out too
      {"", "", nullptr, "123", ""},
  };
  Surface s;
  for (const Case& k : cases) {
    CEntry entry(k.company != nullptr);
    entry.GetSurname() = k.surname;
    entry.GetName() = k.name;
    entry.GetNum() = k.number;
    if (k.company != nullptr) entry.GetExtendedItems()->SetValueByID(ITEM_COMPANY, k.company);
    OpenRow row(&s.dc, nullptr);
    row.SetEntryPtr(reinterpret_cast<unsigned long>(&entry));
    CString line;
    row.GetNameLine(line);
    EXPECT_EQ(std::string(line.GetString()), k.line);
  }
}

class PhoneBookRow : public ::testing::Test {
 protected:
  TestHost host;
  std::unique_ptr<CColumnInfos> columns;
  CEntry entry{1};
  void SetUp() override {
    columns = std::make_unique<CColumnInfos>();
    for (UINT id : {UINT(ITEM_MOBILE), UINT(ITEM_SYNC_ID), UINT(ITEM_EMAIL), UINT(ITEM_BIRTHDAY), UINT(ITEM_URL)})
      columns->AddColumn(id, 80, 0, 50);
    columns->InsertColumns2Ctrl(host.list);
    host.list.SetColumnInfos(columns.get());
    entry.GetSurname() = "Smith";
    entry.GetName() = "Anna";
    entry.GetNum() = "123";
    CExtendedItems* items = entry.GetExtendedItems();
    items->SetValueByID(ITEM_MOBILE, "777 888 999 000");
    items->SetValueByID(ITEM_SYNC_ID, "never printed");
    items->SetValueByID(ITEM_URL, "x\r\ny");  // the line breaks of an item never break it
    items->SetValueByID(ITEM_COMPANY, "ACME");  // no column: not printed as an item
  }
};

TEST_F(PhoneBookRow, ItemsFollowTheColumnOrderIndentedAndWrapped) {
  Surface s;
  CPrintablePBEntry row(&s.dc, &host.list);
  row.SetEntryPtr(reinterpret_cast<unsigned long>(&entry));
  // Name line 15 wide; "Mobil: 777 888 999 000" (22) wraps at 200 - 40 = 160;
  // "URL: x  y" fits; e-mail and birthday are empty, the sync id hidden.
  EXPECT_EQ(row.GetEntryHeight(200), 4u * 40 + 20);
  row.Print(100, 1000, 200);
  EXPECT_EQ(s.rec->calls, (std::vector<std::string>{"text 100,1000 Smith Anna: 123", "text 140,1040 Mobil: 777 888 ",
                                                     "text 140,1080 999 000", "text 140,1120 URL: x  y"}));

  // The user shows the URL column first.
  columns->MoveColumns(columns->FindColumnByID(ITEM_MOBILE)->nIndexInCtrl,
                       columns->FindColumnByID(ITEM_URL)->nIndexInCtrl, host.list);
  s.rec->calls.clear();
  row.Print(0, 0, 400);
  EXPECT_EQ(s.rec->calls, (std::vector<std::string>{"text 0,0 Smith Anna: 123", "text 40,40 URL: x  y",
                                                     "text 40,80 Mobil: 777 888 999 000"}));
}

TEST_F(PhoneBookRow, HeightIsLinesAndHalfALineOfGap) {
  CEntry plain(0), nothing(1);
  plain.GetName() = "Anna";
  struct Case {
    int lineHeight;
    CEntry* entry;
    UINT height;
  } cases[] = {
      {40, &entry, 3 * 40 + 20},  // one name line and two item lines
      {41, &entry, 3 * 41 + 20},  // the half line rounded down
      {40, &plain, 40 + 20},      // without extended items only the name line
      {40, &nothing, 20},         // nothing printable: only the gap
  };
  for (const Case& k : cases) {
    Surface s(k.lineHeight);
    CPrintablePBEntry row(&s.dc, &host.list);
    row.SetEntryPtr(reinterpret_cast<unsigned long>(k.entry));
    EXPECT_EQ(row.GetEntryHeight(1000), k.height) << k.lineHeight;
  }
}

TEST(SmsRow, HeaderAndText) {
  TestHost host;
  const auto cases = ReadCases("printing/sms-rows.txt");
  ASSERT_EQ(cases.size(), 7u);
  for (const auto& k : cases) {
    Surface s;
    CSMS sms;
    sms.SetType(UINT(std::stoul(k[0])));
    CString name(k[1].c_str());
    sms.SetName(name);
    sms.SetNumber(k[2].c_str());
    sms.SetInfoText(k[3].c_str());
    sms.GetText() = k[4].c_str();
    CPrintableSMSEntry row(&s.dc, &host.list);
    row.SetEntryPtr(reinterpret_cast<unsigned long>(&sms));
    const UINT width = UINT(std::stoul(k[5]));
    EXPECT_EQ(row.GetEntryHeight(width), std::stoul(k[6])) << k[1] << k[0];
    row.Print(5, 7, width);
    std::string calls;
    for (const std::string& c : s.rec->calls) calls += (calls.empty() ? "" : "|") + c;
    EXPECT_EQ(calls, k[7]);
    EXPECT_EQ(std::string(sms.GetText().GetString()), k[4]);  // the record keeps its text
  }
}
