#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "formats/VCardTestSupport.h"
#include "sorrel/ColumnInfos.h"
#include "support/TestHost.h"

using namespace vcardtest;

namespace {

// The column model keeps its settings in the per-user store: every test gets a
// fresh one from the test host.
class CsvTest : public ::testing::Test {
 protected:
  sorrel::test::TestHost host;
};

std::string Csv(const CEntry& e, CColumnInfos* columns) {
  CString out = "left over";
  e.GetAsCSV(columns, out);
  return out.str();
}

// A case of csv/lines.txt or csv/split.txt: the columns added, in that order (an
// id, or id=caption; "-" none), flags (x the entry has no extended items, d it
// does not keep name and surname apart) and the entry in the phone text form.
struct Case {
  std::string list, flags;
  std::unique_ptr<CEntry> entry;
  CColumnInfos columns;
  explicit Case(const std::string& source) {
    std::istringstream fields(source);
    std::string line;
    fields >> list >> flags >> std::ws;
    std::getline(fields, line);
    entry = FromText(line, flags.find('x') == flags.npos, flags.find('d') == flags.npos);
    std::istringstream ids(list);
    for (std::string id; std::getline(ids, id, ',') && id != "-";) {
      columns.AddColumn(static_cast<UINT>(std::stoul(id)), 80, 0, NO_LIMIT);
      if (id.find('=') != std::string::npos)
        columns.FindColumnByID(static_cast<UINT>(std::stoul(id)))->strCaption = Ansi(id.substr(id.find('=') + 1));
    }
  }
};

// The .ref adds the line written, CR and LF as \r and \n. Birthdays go out as
// "%lf" writes them, whatever the value; texts as "%s" writes them, up to a zero
// byte inside.
TEST_F(CsvTest, GoldenLines) {
  ExpectGoldenCases("csv/lines.txt", [](const std::string& source) {
    Case c(source);
    std::string written;
    for (char ch : sorrel::AnsiToUtf8(Csv(*c.entry, &c.columns)))
      written += ch == '\r' ? "\\r" : ch == '\n' ? "\\n" : std::string(1, ch);
    return "  " + written + "\n";
  });
}

// With "-" the split has no column model at all. The .ref adds each made entry
// as "name|number|intl changed items division group icon", then the entry after
// the split, and what a second split makes.
TEST_F(CsvTest, GoldenSplits) {
  ExpectGoldenCases("csv/split.txt", [](const std::string& source) {
    std::string actual;
    Case c(source);
    CEntry& entry = *c.entry;
    CColumnInfos numbers;
    numbers.AddColumn(5, 80, 0, NO_LIMIT);
    numbers.AddColumn(16, 80, 0, NO_LIMIT);
    for (int pass = 0; pass < 2; ++pass) {
      CArray<CEntry*, CEntry*> entries;
      entries.Add(&entry);
      entry.SplitExtEntries2Singles(&entries, c.list == "-" ? nullptr : &c.columns);
      actual += pass ? "  again" : "  made";
      for (INT_PTR i = 1; i < entries.GetSize(); ++i) {
        std::unique_ptr<CEntry> m(entries[i]);
        actual += " " + sorrel::AnsiToUtf8(m->GetName().view()) + "|" + m->GetNum().str() + "|" +
                  std::to_string(m->IsNumInternational()) + std::to_string(m->Changed()) +
                  std::to_string(m->GetExtendedItems() != nullptr) + std::to_string(m->AllowsNameSurnameDivision()) +
                  std::to_string(m->GetGroupID()) + std::to_string(m->GetIcon()) + ";";
      }
      actual += "\n";
      if (pass) continue;
      const std::string csv = Csv(entry, &numbers);
      actual += "  after: items " + std::to_string(entry.GetExtendedItems() != nullptr) + " group " +
                std::to_string(entry.GetGroupID()) + " icon " + std::to_string(entry.GetIcon()) + " changed " +
                std::to_string(entry.Changed()) + " CSV " + sorrel::AnsiToUtf8(csv.substr(0, csv.size() - 2)) + "\n";
    }
    return actual;
  });
}

}  // namespace
