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
  std::ifstream in(std::string(SORREL_SOURCE_DIR) + "/tests/formats/csv/lines.txt", std::ios::binary);
  std::string actual;
  for (std::string source; std::getline(in, source);) {
    actual += source + "\n";
    if (source.empty() || source[0] == '#') continue;
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
    actual += "  " + written + "\n";
  }
  ExpectGolden("csv/lines.txt.ref", actual);
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

// Splitting. Each made entry as "name|number|intl changed items division group icon".
std::vector<std::string> Split(CEntry& e, CColumnInfos* columns) {
  CArray<CEntry*, CEntry*> entries;
  entries.Add(&e);
  e.SplitExtEntries2Singles(&entries, columns);
  std::vector<std::string> made;
  for (INT_PTR i = 1; i < entries.GetSize(); ++i) {
    std::unique_ptr<CEntry> m(entries[i]);
    made.push_back(sorrel::AnsiToUtf8(m->GetName().view()) + "|" + m->GetNum().str() + "|" +
                   std::to_string(m->IsNumInternational()) + std::to_string(m->Changed()) +
                   std::to_string(m->GetExtendedItems() != nullptr) + std::to_string(m->AllowsNameSurnameDivision()) +
                   std::to_string(m->GetGroupID()) + std::to_string(m->GetIcon()));
  }
  return made;
}

TEST_F(CsvTest, SplitMakesOneEntryPerFilledNumberItem) {
  auto columns = Columns({5, 16});
  auto e = FromText("\"Jan Novák\"\"Novák\",\"+420601123456\",16,\"0609111\",5,\"+420222333444\",9,\"jan@example.cz\","
                    "31,\"27460\",3");
  e->SetIcon(4);
  e->ClearChangedFlag();
  // office first; the made entries are plain, unchanged, in no group
  EXPECT_EQ(Split(*e, columns.get()),
            (std::vector<std::string>{"Jan Novák (Kancelář)|+420222333444|100000",
                                      "Jan Novák (Pager)|0609111|000000"}));
  // the entry keeps its own fields and loses every extended item; a second
  // split finds nothing to do
  EXPECT_EQ(e->GetExtendedItems(), nullptr);
  EXPECT_EQ((std::vector<int>{int(e->GetGroupID()), e->GetIcon(), e->Changed()}), (std::vector<int>{3, 4, 0}));
  EXPECT_EQ(Split(*e, columns.get()).size(), 0u);
  EXPECT_EQ(Line(*e, {5, 16}), Ansi("Jan Novák,Novák,+420601123456\r\n").str());
}

TEST_F(CsvTest, SplitTakesCaptionsFromTheColumnsElseFromTheStringTable) {
  auto columns = Columns({6});
  columns->FindColumnByID(6)->strCaption = "Cell";
  // filled in reverse; the second fax is not a number item
  auto e = FromText("\"X\",\"\",30,\"1\",25,\"1\",24,\"1\",23,\"1\",22,\"1\",16,\"1\",15,\"1\",8,\"1\",7,\"1\",6,\"1\",5,\"1\"");
  std::vector<std::string> expected;
  for (UINT id : {5, 6, 7, 8, 15, 16, 22, 23, 24, 25}) {  // item order, not the order of filling
    CString caption;
    caption.LoadString(id - 4);
    expected.push_back("X (" + (id == 6 ? std::string("Cell") : sorrel::AnsiToUtf8(caption.view())) + ")|1|000000");
  }
  EXPECT_EQ(expected[0], "X (Kancelář)|1|000000");
  EXPECT_EQ(Split(*e, columns.get()), expected);
  // with no column model at all, every caption is the string table's
  EXPECT_EQ(Split(*FromText("\"Y\",\"\",22,\"2\""), nullptr), std::vector<std::string>{"Y (Info číslo 1)|2|000000"});
}

TEST_F(CsvTest, SplitWithoutNumbersStillDropsTheItems) {
  auto columns = Columns({9, 10});
  auto e = FromText("\"Jan\",\"1\",9,\"a@b\",10,\"Street 1\",31,\"1\"");
  EXPECT_EQ(Split(*e, columns.get()).size(), 0u);
  EXPECT_EQ(e->GetExtendedItems(), nullptr);
  // an entry that never had extended items is left as it was
  EXPECT_EQ(Split(*FromText("\"Eva\",\"2\"", 0, 0), columns.get()).size(), 0u);
}

}  // namespace
