#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "formats/VCardTestSupport.h"
#include "sorrel/ColumnInfos.h"
#include "support/TestHost.h"

using namespace vcardtest;

namespace {

// The column model keeps its settings in the per-user store: every test gets a
// fresh one from the test host.
class CsvTest : public ::testing::Test {
 protected:
  static std::unique_ptr<CColumnInfos> Columns(const std::vector<UINT>& ids) {
    auto columns = std::make_unique<CColumnInfos>();
    for (UINT id : ids) columns->AddColumn(id, 80, 0, NO_LIMIT);
    return columns;
  }
  static std::string Line(const CEntry& e, const std::vector<UINT>& ids) {
    CString out = "left over";
    e.GetAsCSV(Columns(ids).get(), out);
    return out.str();
  }

  sorrel::test::TestHost host;
};

// The cases of csv/lines.txt: the columns added (in that order), flags (x no
// extended items, d no division) and the entry in the phone text form; the .ref
// adds the line written, CR and LF as \r and \n.
TEST_F(CsvTest, GoldenLines) {
  ExpectGoldenCases("csv/lines.txt", [](const std::string& source) {
    std::istringstream fields(source);
    std::string list, flags, line;
    fields >> list >> flags >> std::ws;
    std::getline(fields, line);
    std::vector<UINT> columns;
    std::istringstream ids(list == "-" ? "" : list);
    for (std::string id; std::getline(ids, id, ',');) columns.push_back(static_cast<UINT>(std::stoul(id)));
    const auto entry = FromText(line, flags.find('x') == flags.npos, flags.find('d') == flags.npos);
    std::string written;
    for (char c : sorrel::AnsiToUtf8(Line(*entry, columns)))
      written += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    return "  " + written + "\n";
  });
}

// The birthday goes out as "%lf" writes it, whatever the value; a text value
// as "%s" writes it, up to a zero byte inside it.
TEST_F(CsvTest, BirthdayAndZeroBytesAsPrintfWritesThem) {
  for (double date : {NO_BIRTHDAY, 0.0, -0.0, 27460.0, 36526.25, 0.0000005, 0.00000049, 2.5e-7, 1234567.8912345, -1e-9,
                      1e300, -1.7976931348623157e308}) {
    CString expected;
    expected.Format("A,1,%lf\r\n", date);
    auto e = FromText("\"A\",\"1\"", 1, 0);
    e->SetExtItem(ITEM_BIRTHDAY, date);
    EXPECT_EQ(Line(*e, {31}), expected.str()) << date;
  }
  EXPECT_EQ(Line(*FromText("\"Jan\\0hidden\",\"1\",9,\"a@b\\0c\"", 1, 0), {9}), "Jan,1,a@b\r\n");
}

// The cases of csv/split.txt: the columns (an id, or id=caption; "-" no column
// model at all), flags as for the lines, and the entry. The .ref adds each made
// entry as "name|number|intl changed items division group icon", then the entry
// after the split, and what a second split makes.
TEST_F(CsvTest, GoldenSplits) {
  ExpectGoldenCases("csv/split.txt", [](const std::string& source) {
    std::string actual;
    std::istringstream fields(source);
    std::string list, flags, line;
    fields >> list >> flags >> std::ws;
    std::getline(fields, line);
    auto columns = Columns({});
    std::istringstream ids(list);
    for (std::string id; std::getline(ids, id, ',') && id != "-";) {
      columns->AddColumn(static_cast<UINT>(std::stoul(id)), 80, 0, NO_LIMIT);
      if (id.find('=') != std::string::npos)
        columns->FindColumnByID(static_cast<UINT>(std::stoul(id)))->strCaption = Ansi(id.substr(id.find('=') + 1));
    }
    const auto entry = FromText(line, flags.find('x') == flags.npos, flags.find('d') == flags.npos);
    for (int pass = 0; pass < 2; ++pass) {
      CArray<CEntry*, CEntry*> entries;
      entries.Add(entry.get());
      entry->SplitExtEntries2Singles(&entries, list == "-" ? nullptr : columns.get());
      actual += pass ? "  again" : "  made";
      for (INT_PTR i = 1; i < entries.GetSize(); ++i) {
        std::unique_ptr<CEntry> m(entries[i]);
        actual += " " + sorrel::AnsiToUtf8(m->GetName().view()) + "|" + m->GetNum().str() + "|" +
                  std::to_string(m->IsNumInternational()) + std::to_string(m->Changed()) +
                  std::to_string(m->GetExtendedItems() != nullptr) + std::to_string(m->AllowsNameSurnameDivision()) +
                  std::to_string(m->GetGroupID()) + std::to_string(m->GetIcon()) + ";";
      }
      actual += "\n";
      const std::string csv = Line(*entry, {5, 16});
      if (!pass)
        actual += "  after: items " + std::to_string(entry->GetExtendedItems() != nullptr) + " group " +
                  std::to_string(entry->GetGroupID()) + " icon " + std::to_string(entry->GetIcon()) + " changed " +
                  std::to_string(entry->Changed()) + " CSV " + sorrel::AnsiToUtf8(csv.substr(0, csv.size() - 2)) + "\n";
    }
    return actual;
  });
}

}  // namespace
