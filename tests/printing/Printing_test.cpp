// The print job on the fixed-metrics printer ("FIXED"): page geometry, font
// height, columns, page breaks, selection and the order of the document's calls,
// one job a line of printing/jobs.txt.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/GdiDevice.h"
#include "sorrel/Printing.h"
#include "support/Cases.h"
#include "support/FixedMetricsDC.h"
#include "support/TestHost.h"

using namespace sorrel::test;

TEST(PrintJob, Jobs) {
  // Nothing here may reach a real print system: the default printer is asked
  // of a scheduler that does not exist.
  setenv("CUPS_SERVER", (std::filesystem::temp_directory_path() / "sorrel-no-cups.sock").c_str(), 1);
  std::vector<UINT> beeps;
  const auto oldSink = sorrel::gdi::SetBeepSink([&beeps](UINT t) { beeps.push_back(t); });
  const auto cases = ReadCases("printing/jobs.txt");
  ASSERT_EQ(cases.size(), 16u);
  for (const auto& k : cases) {
    SCOPED_TRACE(k[0]);
    TestHost host;
    std::vector<std::unique_ptr<CSMS>> records;  // rows of an empty header (type 7): a row is its text
    for (const std::string& text : CaseSplit(k[7], '|')) {
      records.push_back(std::make_unique<CSMS>());
      records.back()->SetType(7);
      records.back()->GetText() = text.c_str();
      host.list.SetItemData(host.list.InsertItem(host.list.GetItemCount(), ""), DWORD_PTR(records.back().get()));
    }
    for (const std::string& item : CaseSplit(k[5]))
      if (item != "all") host.list.SetItemState(std::stoi(item), LVIS_SELECTED, LVIS_SELECTED);
    FixedMetrics metrics;
    std::istringstream(k[1]) >> metrics.horzRes >> metrics.vertRes >> metrics.dpi >> metrics.lineHeight;
    RECT margins;
    std::istringstream(k[2]) >> margins.left >> margins.top >> margins.right >> margins.bottom;
    std::string device;
    UINT kind;
    std::istringstream(k[6]) >> device >> kind;

    auto rec = std::make_shared<Recording>();
    FixedDriver driver(metrics, rec);
    CPrintDialog dialog(FALSE);
    dialog.SelectPrinter("FIXED", device.c_str(), "");
    CString name("Book");
    CPrinting job(&host.list, kind, &name, &dialog);
    LOGFONT font{};
    std::strcpy(font.lfFaceName, "Arial");
    font.lfHeight = -16;
    beeps.clear();
    job.Print(&font, UINT(std::stoul(k[3])), std::stoi(k[4]), k[5] != "all", margins);
    EXPECT_EQ(font.lfHeight, -16);  // the caller's font is copied, not changed
    EXPECT_EQ(rec->deleted, driver.opened > 0);
    // A row's continuation lines ("~…") and fills left out.
    std::string calls;
    for (const std::string& c : rec->calls)
      if (c.rfind("text", 0) == 0 ? c.find(" ~") == std::string::npos : c.rfind("fill", 0) != 0)
        calls += (calls.empty() ? "" : "|") + c;
    EXPECT_EQ(calls, k[8]);
    std::string beeped;
    for (UINT type : beeps) beeped += (beeped.empty() ? "" : ",") + std::to_string(type);
    EXPECT_EQ(beeped.empty() ? "-" : beeped, k[9]);
  }
  sorrel::gdi::SetBeepSink(oldSink);
}
