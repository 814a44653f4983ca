// The print job on the fixed-metrics printer ("FIXED"): page geometry, font
// height, columns, page breaks and the order of the document's calls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/GdiDevice.h"
#include "sorrel/Printing.h"
#include "support/FixedMetricsDC.h"
#include "support/TestHost.h"

namespace {

using namespace sorrel::test;
using Calls = std::vector<std::string>;

// Rows are SMS rows with an empty header (type 7, no party): a row is its text.
// A text of n words "T123456789 ~123456789 …" is n lines (each keeping the
// space after it) in every column used
// here (200 and 160 wide, a word 100), 40 each plus a gap of 20.
std::string Tall(int lines) {
  std::string t = "T123456789";
  for (int i = 1; i < lines; ++i) t += " ~123456789";
  return t;
}

class PrintJob : public ::testing::Test {
 protected:
  TestHost host;
  std::shared_ptr<Recording> rec = std::make_shared<Recording>();
  FixedMetrics metrics{10, 40, 200, 130, 600};
  std::vector<std::unique_ptr<CSMS>> records;
  std::vector<UINT> beeps;
  sorrel::gdi::BeepSink oldSink;

  void SetUp() override {
    // Nothing here may reach a real print system: the default printer is asked
    // of a scheduler that does not exist.
    static const std::string nowhere = (std::filesystem::temp_directory_path() / "sorrel-no-cups.sock").string();
    setenv("CUPS_SERVER", nowhere.c_str(), 1);
    oldSink = sorrel::gdi::SetBeepSink([this](UINT t) { beeps.push_back(t); });
  }
  void TearDown() override { sorrel::gdi::SetBeepSink(oldSink); }

  void Rows(const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
      auto sms = std::make_unique<CSMS>();
      sms->SetType(7);
      sms->GetText() = text.c_str();
      int item = host.list.InsertItem(host.list.GetItemCount(), "");
      host.list.SetItemData(item, reinterpret_cast<DWORD_PTR>(sms.get()));
      records.push_back(std::move(sms));
    }
  }

  // The job's calls, a row's continuation lines ("~…") and fills left out.
  Calls Run(int twoColumns, int selectedOnly = 0, RECT margins = {0, 0, 0, 0}, UINT pointSize = 100,
            const char* device = "dev", UINT kind = 2) {
    FixedDriver driver(metrics, rec);
    rec->deleted = false;
    CPrintDialog dialog(FALSE);
    dialog.SelectPrinter("FIXED", device, "");
    CString name("Book");
    CPrinting job(&host.list, kind, &name, &dialog);
    LOGFONT font{};
    std::strcpy(font.lfFaceName, "Arial");
    font.lfHeight = -16;
    job.Print(&font, pointSize, twoColumns, selectedOnly, margins);
    EXPECT_EQ(font.lfHeight, -16);  // the caller's font is copied, not changed
    EXPECT_EQ(rec->deleted, driver.opened > 0);
    Calls out;
    for (const std::string& c : rec->calls)
      if (c.rfind("text", 0) == 0 ? c.find(" ~") == std::string::npos : c.rfind("fill", 0) != 0) out.push_back(c);
    return out;
  }
};

const Calls kStart = {"font Arial -83", "startdoc Book", "startpage"};

Calls Join(std::initializer_list<Calls> parts) {
  Calls all;
  for (const Calls& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

}  // namespace

TEST_F(PrintJob, PageBreaksAndColumns) {
  struct Case {
    const char* what;
    int horzRes;
    int twoColumns;
    std::vector<std::string> rows;
    Calls body;  // between the first startpage and the last endpage
    int vertRes = 130;
  } cases[] = {
      {"one column: a row that does not fit starts a page", 200, 0, {"r1", "r2", "r3", "r4", "r5"},
       {"text 0,0 r1", "text 0,60 r2", "endpage", "startpage", "text 0,0 r3", "text 0,60 r4", "endpage",
        "startpage", "text 0,0 r5"}},
      {"two columns: the second column, then a page with its rule first", 400, 1,
       {"r1", "r2", "r3", "r4", "r5"},
       {"line 200,0 200,130", "text 0,0 r1", "text 0,60 r2", "text 240,0 r3", "text 240,60 r4", "endpage",
        "startpage", "line 200,0 200,130", "text 0,0 r5"}},
      {"one column: a row taller than the page leaves the first page empty", 200, 0, {Tall(3), "r2"},
       {"endpage", "startpage", "text 0,0 T123456789 ", "endpage", "startpage", "text 0,0 r2"}},
      {"two columns: a row taller than the page starts a page in its first column", 400, 1,
       {"r1", Tall(3), "r3"},
       {"line 200,0 200,130", "text 0,0 r1", "endpage", "startpage", "line 200,0 200,130",
        "text 0,0 T123456789 ", "text 240,0 r3"}},
      {"a row that ends exactly at the bottom margin stays", 200, 0, {"r1", Tall(2)},
       {"text 0,0 r1", "text 0,60 T123456789 "}, 160},
      {"rows of nothing still take their gap", 200, 0, {"", "", "", "", "", "", "r7"},
       {"endpage", "startpage", "text 0,0 r7"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    TestHost fresh;
    host.list.DeleteAllItems();
    rec->calls.clear();
    metrics.horzRes = k.horzRes;
    metrics.vertRes = k.vertRes;
    Rows(k.rows);
    EXPECT_EQ(Run(k.twoColumns), Join({kStart, k.body, {"endpage", "enddoc"}}));
  }
  EXPECT_TRUE(beeps.empty());
}

TEST_F(PrintJob, MarginsFontAndColumnsByTheFigures) {
  // 2000 hundredths of a millimetre at 600 dpi are 472 units; a usable width of
  // 4000 with an "Xq" 50 high: the rule at left + 2000, columns 1950 wide, the
  // second from left + 2050. 95 tenths print at 9 pt: -75.
  metrics = FixedMetrics{10, 50, 4000 + 2 * 472, 6800, 600};
  Rows({std::string(196, 'x'), "r2"});
  const Calls calls = Run(1, 0, RECT{2000, 2000, 2000, 2000}, 95);
  EXPECT_EQ(calls, (Calls{"font Arial -75", "startdoc Book", "startpage", "line 2472,472 2472,6328",
                          "text 472,472 " + std::string(195, 'x'), "text 472,522 x", "text 472,597 r2",
                          "endpage", "enddoc"}));
  // The second column: 78 rows of 75 fill the first (5850 of 5856).
  host.list.DeleteAllItems();
  rec->calls.clear();
  Rows(std::vector<std::string>(79, "r"));
  const Calls many = Run(1, 0, RECT{2000, 2000, 2000, 2000}, 95);
  EXPECT_EQ(many[many.size() - 4], "text 472,6247 r");
  EXPECT_EQ(many[many.size() - 3], "text 2522,472 r");
}

TEST_F(PrintJob, MarginsAreTruncatedPerSide) {
  struct Case {
    RECT margins;
    int dpi;
    const char* first;
  } cases[] = {
      {{2000, 2000, 0, 0}, 600, "text 472,472 r"},
      {{2540, 1270, 0, 0}, 1200, "text 1200,600 r"},
      {{1, 1, 0, 0}, 600, "text 0,0 r"},  // 0.236 of a unit
      {{0, 100, 0, 0}, 300, "text 0,11 r"},
  };
  for (const Case& k : cases) {
    host.list.DeleteAllItems();
    rec->calls.clear();
    metrics = FixedMetrics{10, 40, 5000, 5000, k.dpi};
    Rows({"r"});
    EXPECT_EQ(Run(0, 0, k.margins)[3], k.first);
  }
}

TEST_F(PrintJob, SelectionEmptyListsAndNoPrinter) {
  Rows({"r1", "r2", "r3", "r4"});
  // Selected items print in the list's order, not the order they were selected in.
  host.list.SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);
  host.list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(Run(0, 1), Join({kStart, {"text 0,0 r2", "text 0,60 r4", "endpage", "enddoc"}}));

  // Items but none selected: a document with one empty page.
  rec->calls.clear();
  host.list.SetItemState(1, 0, LVIS_SELECTED);
  host.list.SetItemState(3, 0, LVIS_SELECTED);
  EXPECT_EQ(Run(0, 1), Join({kStart, {"endpage", "enddoc"}}));

  // A kind without rows: the same.
  rec->calls.clear();
  EXPECT_EQ(Run(0, 0, {0, 0, 0, 0}, 100, "dev", 3), Join({kStart, {"endpage", "enddoc"}}));
  EXPECT_TRUE(beeps.empty());

  // No items at all: one beep and no printer opened.
  host.list.DeleteAllItems();
  rec->calls.clear();
  EXPECT_EQ(Run(0), Calls{});
  EXPECT_EQ(beeps, std::vector<UINT>{0});

  // A printer that does not exist and no default: nothing, and no beep either.
  Rows({"r1"});
  EXPECT_EQ(Run(0, 0, {0, 0, 0, 0}, 100, "missing"), Calls{});
  EXPECT_EQ(beeps, std::vector<UINT>{0});
}
