#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CodePageInternal.h"
#include "sorrel/ColumnInfos.h"
#include "sorrel/Entry.h"
#include "support/TestHost.h"

namespace {

CString Ansi(const char* utf8) { return CString(sorrel::Utf8ToAnsi(utf8)); }

// The column model keeps its settings in the per-user store: every test gets a
// fresh one from the test host.
class CsvTest : public ::testing::Test {
 protected:
  static std::unique_ptr<CColumnInfos> Columns(const std::vector<UINT>& ids) {
    auto columns = std::make_unique<CColumnInfos>();
    for (UINT id : ids) columns->AddColumn(id, 80, 0, NO_LIMIT);
    return columns;
  }

  sorrel::test::TestHost host;
};

struct Items {
  std::vector<std::pair<UINT, const char*>> texts;
  double birthday = NO_BIRTHDAY;
};

std::unique_ptr<CEntry> Make(const char* name, const char* number, bool extItems, bool division,
                             const char* surname = "", const Items& items = {}) {
  auto e = std::make_unique<CEntry>(extItems ? 1 : 0, division ? 1 : 0);
  e->SetName(Ansi(name), NO_LIMIT);
  e->SetSurname(Ansi(surname), NO_LIMIT);
  e->SetNum(Ansi(number), NO_LIMIT);
  for (const auto& [id, value] : items.texts) e->SetExtItem(id, Ansi(value), NO_LIMIT);
  e->SetExtItem(ITEM_BIRTHDAY, items.birthday);
  return e;
}

struct CsvCase {
  const char* what;
  std::unique_ptr<CEntry> (*entry)();
  std::vector<UINT> columns;  // added in this order
  const char* line;           // UTF-8, without the CR LF
};

const Items kJan{{{ITEM_MOBILE, "+420777000111"}, {ITEM_CITY, "Praha"}, {ITEM_SYNC_ID, "LUID-1"}}, 27460.0};

const CsvCase kCsvCases[] = {
    {"no extended items, no division",
     [] { return Make("Jan Novák", "+420601123456", false, false); }, {6, 18, 31}, "Jan Novák,+420601123456"},
    {"no extended items, division on",
     [] { return Make("Jan", "+420601123456", false, true, "Novák"); }, {}, "Jan,Novák,+420601123456"},
    {"no extended items, division on, empty surname",
     [] { return Make("Jan", "1", false, true); }, {}, "Jan,,1"},
    {"columns 6, 18 and 31",
     [] { return Make("Jan Novák", "+420601123456", true, false, "", kJan); }, {6, 18, 31},
     "Jan Novák,+420601123456,+420777000111,Praha,27460.000000"},
    {"id order, not the order the columns were added",
     [] { return Make("Jan Novák", "+420601123456", true, false, "", kJan); }, {31, 18, 6},
     "Jan Novák,+420601123456,+420777000111,Praha,27460.000000"},
    {"an empty item keeps its field",
     [] { return Make("Jan Novák", "+420601123456", true, false, "", {{{ITEM_MOBILE, "+420777000111"}}, 27460.0}); },
     {6, 18, 31}, "Jan Novák,+420601123456,+420777000111,,27460.000000"},
    {"no birthday is written as the no-date value",
     [] { return Make("Jan", "1", true, false); }, {31}, "Jan,1,-36523.000000"},
    {"division on: the surname is the second field even when empty",
     [] { return Make("Jan", "1", true, true, "", kJan); }, {18}, "Jan,,1,Praha"},
    {"division on with a surname",
     [] { return Make("Jan", "1", true, true, "Novák", kJan); }, {18}, "Jan,Novák,1,Praha"},
    {"extended items but no extended columns",
     [] { return Make("Jan", "1", true, false, "", kJan); }, {}, "Jan,1"},
    {"synchronisation identifier, group, position and location are never written",
     [] { return Make("Jan", "1", true, false, "", kJan); }, {1, 2, 3, 4, 12, 26, 28}, "Jan,1"},
    {"values go out unquoted: a comma shifts the fields after it",
     [] { return Make("Novák, Jan", "1", true, false, "", {{{ITEM_NOTE, "say \"hi\"\nbye"}, {ITEM_URL, "u"}}}); },
     {11, 27}, "Novák, Jan,1,say \"hi\"\nbye,u"},
    {"item 30 is exported, item 28 is not",
     [] { return Make("A", "", true, false, "", {{{ITEM_FAX2, "f2"}, {ITEM_SYNC_ID, "s"}}}); }, {28, 30}, "A,,f2"},
};

TEST_F(CsvTest, Lines) {
  for (const CsvCase& c : kCsvCases) {
    auto columns = Columns(c.columns);
    auto entry = c.entry();
    CString out = "left over";
    entry->GetAsCSV(columns.get(), out);
    EXPECT_EQ(out, Ansi(c.line) + "\r\n") << c.what;
  }
}

TEST_F(CsvTest, EveryColumn) {
  std::vector<UINT> all;
  for (UINT id = 5; id <= 31; ++id) all.push_back(id);
  auto columns = Columns(all);
  auto e = Make("N", "0", true, false);
  for (UINT id = 5; id <= 30; ++id) e->SetExtItem(id, CString(std::to_string(id)), NO_LIMIT);
  e->SetExtItem(ITEM_BIRTHDAY, 36526.25);
  CString out;
  e->GetAsCSV(columns.get(), out);
  EXPECT_EQ(out,
            "N,0,5,6,7,8,9,10,11,13,14,15,16,17,18,19,20,21,22,23,24,25,27,29,30,36526.250000\r\n");
}

// The birthday goes out as "%lf" writes it, whatever the value.
TEST_F(CsvTest, BirthdayAsPrintfWritesIt) {
  auto columns = Columns({31});
  const double dates[] = {NO_BIRTHDAY, 0.0, -0.0, 27460.0, 36526.25, 0.0000005, 0.00000049, 2.5e-7,
                          1234567.8912345, -1e-9, 1e300, -1.7976931348623157e308};
  for (double date : dates) {
    auto e = Make("A", "1", true, false, "", {{}, date});
    CString out, expected;
    e->GetAsCSV(columns.get(), out);
    expected.Format("A,1,%lf\r\n", date);
    EXPECT_EQ(out, expected) << date;
  }
}

// A value goes out as "%s" writes it: up to a zero byte inside it.
TEST_F(CsvTest, ValueEndsAtAZeroByte) {
  auto columns = Columns({9});
  auto e = Make("A", "1", true, false);
  e->GetName() = CString("Jan\0hidden", 10);
  e->SetExtItem(ITEM_EMAIL, CString("a@b\0c", 5), NO_LIMIT);
  CString out;
  e->GetAsCSV(columns.get(), out);
  EXPECT_EQ(out.str(), std::string("Jan,1,a@b\r\n"));
}

// Splitting.

CString Caption(UINT stringId) {
  CString s;
  s.LoadString(stringId);
  return s;
}

TEST_F(CsvTest, SplitMakesOneEntryPerFilledNumberItem) {
  auto columns = Columns({5, 16});
  auto e = Make("Jan Novák", "+420601123456", true, true, "Novák",
                {{{ITEM_PAGER, "0609111"}, {ITEM_OFFICE, "+420222333444"}, {ITEM_EMAIL, "jan@example.cz"}}, 27460.0});
  e->SetGroupID(3, nullptr);
  e->SetIcon(4);
  e->ClearChangedFlag();

  CArray<CEntry*, CEntry*> entries;
  CEntry* host = e.get();
  entries.Add(host);
  e->SplitExtEntries2Singles(&entries, columns.get());

  ASSERT_EQ(entries.GetSize(), 3);
  EXPECT_EQ(entries[0], host);
  std::vector<std::unique_ptr<CEntry>> made;
  for (INT_PTR i = 1; i < entries.GetSize(); ++i) made.emplace_back(entries[i]);
  EXPECT_EQ(made[0]->GetName(), Ansi("Jan Novák (Kancelář)"));  // office first
  EXPECT_EQ(made[0]->GetNum(), "+420222333444");
  EXPECT_EQ(made[0]->IsNumInternational(), 1);
  EXPECT_EQ(made[1]->GetName(), Ansi("Jan Novák (Pager)"));
  EXPECT_EQ(made[1]->GetNum(), "0609111");
  EXPECT_EQ(made[1]->IsNumInternational(), 0);
  for (const auto& m : made) {
    EXPECT_EQ(m->Changed(), 0);
    EXPECT_EQ(m->GetExtendedItems(), nullptr);
    EXPECT_EQ(m->AllowsNameSurnameDivision(), 0);
    EXPECT_EQ(m->GetGroupID(), 0u);
    EXPECT_EQ(m->GetIcon(), 0);
  }

  // the entry keeps its own fields and loses every extended item
  EXPECT_EQ(e->GetExtendedItems(), nullptr);
  EXPECT_EQ(e->GetName(), Ansi("Jan Novák"));
  EXPECT_EQ(e->GetSurname(), Ansi("Novák"));
  EXPECT_EQ(e->GetNum(), "+420601123456");
  EXPECT_EQ(e->GetGroupID(), 3u);
  EXPECT_EQ(e->GetIcon(), 4);
  EXPECT_EQ(e->Changed(), 0);

  // a second split finds nothing to do; the line now has no items
  e->SplitExtEntries2Singles(&entries, columns.get());
  EXPECT_EQ(entries.GetSize(), 3);
  CString line;
  e->GetAsCSV(columns.get(), line);
  EXPECT_EQ(line, Ansi("Jan Novák,Novák,+420601123456\r\n"));
}

TEST_F(CsvTest, SplitTakesCaptionsFromTheColumnsElseFromTheStringTable) {
  auto columns = Columns({6});
  columns->FindColumnByID(6)->strCaption = "Cell";
  Items all;
  const UINT numbers[] = {25, 24, 23, 22, 16, 15, 8, 7, 6, 5, 30};  // filled in reverse
  for (UINT id : numbers) all.texts.push_back({id, "1"});
  auto e = Make("X", "", true, false, "", all);

  CArray<CEntry*, CEntry*> entries;
  e->SplitExtEntries2Singles(&entries, columns.get());
  std::vector<std::unique_ptr<CEntry>> made;
  for (CEntry* m : entries) made.emplace_back(m);

  // item order, not the order of filling; the second fax is not a number item
  const UINT expectedOrder[] = {5, 6, 7, 8, 15, 16, 22, 23, 24, 25};
  ASSERT_EQ(made.size(), std::size(expectedOrder));
  for (size_t i = 0; i < made.size(); ++i) {
    const UINT id = expectedOrder[i];
    const CString caption = id == 6 ? CString("Cell") : Caption(id - 4);
    EXPECT_EQ(made[i]->GetName(), "X (" + caption + ")") << id;
  }
  EXPECT_EQ(made[0]->GetName(), Ansi("X (Kancelář)"));

  // with no column model at all, every caption is the string table's
  auto other = Make("Y", "", true, false, "", {{{ITEM_INFO_NUMBER1, "2"}}});
  CArray<CEntry*, CEntry*> more;
  other->SplitExtEntries2Singles(&more, nullptr);
  ASSERT_EQ(more.GetSize(), 1);
  std::unique_ptr<CEntry> info(more[0]);
  EXPECT_EQ(info->GetName(), Ansi("Y (Info číslo 1)"));
}

TEST_F(CsvTest, SplitWithoutNumbersStillDropsTheItems) {
  auto columns = Columns({9, 10});
  auto e = Make("Jan", "1", true, false, "", {{{ITEM_EMAIL, "a@b"}, {ITEM_ADDRESS, "Street 1"}}, 1.0});
  CArray<CEntry*, CEntry*> entries;
  e->SplitExtEntries2Singles(&entries, columns.get());
  EXPECT_EQ(entries.GetSize(), 0);
  EXPECT_EQ(e->GetExtendedItems(), nullptr);

  // an entry that never had extended items is left as it was
  auto plain = Make("Eva", "2", false, false);
  plain->SplitExtEntries2Singles(&entries, columns.get());
  EXPECT_EQ(entries.GetSize(), 0);
}

}  // namespace
