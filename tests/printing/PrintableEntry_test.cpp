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

// The row's wrapping, opened for the test.
struct OpenRow : CPrintablePBEntry {
  using CPrintablePBEntry::CPrintablePBEntry;
  using CPrintableEntry::WrapText;
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

std::string Joined(const std::vector<std::string>& calls) {
  std::string all;
  for (const std::string& c : calls) all += (all.empty() ? "" : "|") + c;
  return all;
}

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
    for (INT_PTR i = 0; i < starts.GetSize(); ++i) got += (i ? "," : "") + std::to_string(starts[i]);
    EXPECT_EQ(got, k[2]) << '"' << k[0] << "\" at " << k[1];
    EXPECT_EQ(std::string(text.GetString()), k[3]) << k[0];
  }
}

class PhoneBookRow : public ::testing::Test {
 protected:
  TestHost host;
  std::unique_ptr<CColumnInfos> columns = std::make_unique<CColumnInfos>();
  void SetUp() override {
    for (UINT id : {UINT(ITEM_MOBILE), UINT(ITEM_SYNC_ID), UINT(ITEM_EMAIL), UINT(ITEM_BIRTHDAY), UINT(ITEM_URL)})
      columns->AddColumn(id, 80, 0, 50);
    columns->InsertColumns2Ctrl(host.list);
    host.list.SetColumnInfos(columns.get());
  }
  // An entry of printing/pb-rows.txt's first four fields.
  static std::unique_ptr<CEntry> Entry(const std::vector<std::string>& k) {
    auto entry = std::make_unique<CEntry>(k[3] != "-");
    entry->GetSurname() = k[0].c_str();
    entry->GetName() = k[1].c_str();
    entry->GetNum() = k[2].c_str();
    for (const std::string& item : CaseSplit(k[3] != "-" ? k[3] : "", '|'))
      entry->GetExtendedItems()->SetValueByID(UINT(std::stoul(item)), item.substr(item.find('=') + 1).c_str());
    return entry;
  }
};

TEST_F(PhoneBookRow, NameLineItemsAndHeight) {
  const auto cases = ReadCases("printing/pb-rows.txt");
  ASSERT_EQ(cases.size(), 12u);
  for (const auto& k : cases) {
    auto entry = Entry(k);
    Surface s(std::stoi(k[4]));
    CPrintablePBEntry row(&s.dc, &host.list);
    row.SetEntryPtr(reinterpret_cast<unsigned long>(entry.get()));
    const UINT width = UINT(std::stoul(k[5]));
    EXPECT_EQ(row.GetEntryHeight(width), std::stoul(k[6])) << k[0] << '/' << k[1] << '/' << k[3];
    row.Print(5, 7, width);
    EXPECT_EQ(Joined(s.rec->calls), k[7]);
  }
}

// The user shows the URL column first: the items follow.
TEST_F(PhoneBookRow, ItemsFollowTheColumnOrder) {
  auto entry = Entry({"Smith", "Anna", "123", "6=777 888 999 000|27=x"});
  columns->MoveColumns(columns->FindColumnByID(ITEM_MOBILE)->nIndexInCtrl,
                       columns->FindColumnByID(ITEM_URL)->nIndexInCtrl, host.list);
  Surface s;
  CPrintablePBEntry row(&s.dc, &host.list);
  row.SetEntryPtr(reinterpret_cast<unsigned long>(entry.get()));
  row.GetEntryHeight(400);  // which measures the line height; Print does not
  row.Print(0, 0, 400);
  EXPECT_EQ(Joined(s.rec->calls), "text 0,0 Smith Anna: 123|text 40,40 URL: x|text 40,80 Mobil: 777 888 999 000");
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
    EXPECT_EQ(Joined(s.rec->calls), k[7]);
    EXPECT_EQ(std::string(sms.GetText().GetString()), k[4]);  // the record keeps its text
  }
}
