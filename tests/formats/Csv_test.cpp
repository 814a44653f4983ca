#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CodePageInternal.h"
#include "sorrel/ColumnInfos.h"
#include "sorrel/Entry.h"
#include "support/TestHost.h"

namespace {

CString Ansi(const char* utf8) { return CString(sorrel::Utf8ToAnsi(utf8)); }

struct EntryRow {
  const char* name;
  const char* number;
  bool extItems, division;
  const char* surname = "";
  std::vector<std::pair<UINT, const char*>> texts = {};
  double birthday = NO_BIRTHDAY;
};

std::unique_ptr<CEntry> Make(const EntryRow& s) {
  auto e = std::make_unique<CEntry>(s.extItems ? 1 : 0, s.division ? 1 : 0);
  e->SetName(Ansi(s.name), NO_LIMIT);
  e->SetSurname(Ansi(s.surname), NO_LIMIT);
  e->SetNum(Ansi(s.number), NO_LIMIT);
  for (const auto& [id, value] : s.texts) e->SetExtItem(id, Ansi(value), NO_LIMIT);
  e->SetExtItem(ITEM_BIRTHDAY, s.birthday);
  return e;
}

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

const std::vector<std::pair<UINT, const char*>> kJan{
    {ITEM_MOBILE, "+420777000111"}, {ITEM_CITY, "Praha"}, {ITEM_SYNC_ID, "LUID-1"}};

TEST_F(CsvTest, Lines) {
  const struct {
    const char* what;
    EntryRow entry;
    std::vector<UINT> columns;  // added in this order
    const char* line;           // UTF-8, without the CR LF
  } cases[] = {
      {"no extended items, no division", {"Jan Novák", "+420601123456", false, false}, {6, 18, 31},
       "Jan Novák,+420601123456"},
      {"no extended items, division on", {"Jan", "+420601123456", false, true, "Novák"}, {}, "Jan,Novák,+420601123456"},
      {"no extended items, division on, empty surname", {"Jan", "1", false, true}, {}, "Jan,,1"},
      {"columns 6, 18 and 31", {"Jan Novák", "+420601123456", true, false, "", kJan, 27460.0}, {6, 18, 31},
       "Jan Novák,+420601123456,+420777000111,Praha,27460.000000"},
      {"id order, not the order the columns were added", {"Jan Novák", "+420601123456", true, false, "", kJan, 27460.0},
       {31, 18, 6}, "Jan Novák,+420601123456,+420777000111,Praha,27460.000000"},
      {"an empty item keeps its field",
       {"Jan Novák", "+420601123456", true, false, "", {{6, "+420777000111"}}, 27460.0}, {6, 18, 31}, "Jan Novák,+420601123456,+420777000111,,27460.000000"},
      {"no birthday is written as the no-date value", {"Jan", "1", true, false}, {31}, "Jan,1,-36523.000000"},
      {"division on: the surname is the second field even when empty", {"Jan", "1", true, true, "", kJan}, {18},
       "Jan,,1,Praha"},
      {"division on with a surname", {"Jan", "1", true, true, "Novák", kJan}, {18}, "Jan,Novák,1,Praha"},
      {"extended items but no extended columns", {"Jan", "1", true, false, "", kJan}, {}, "Jan,1"},
      {"synchronisation identifier, group, position and location are never written",
       {"Jan", "1", true, false, "", kJan}, {1, 2, 3, 4, 12, 26, 28}, "Jan,1"},
      {"values go out unquoted: a comma shifts the fields after it",
       {"Novák, Jan", "1", true, false, "", {{ITEM_NOTE, "say \"hi\"\nbye"}, {ITEM_URL, "u"}}}, {11, 27},
       "Novák, Jan,1,say \"hi\"\nbye,u"},
      {"item 30 is exported, item 28 is not", {"A", "", true, false, "", {{ITEM_FAX2, "f2"}, {ITEM_SYNC_ID, "s"}}},
       {28, 30}, "A,,f2"},
  };
  for (const auto& c : cases) EXPECT_EQ(Line(*Make(c.entry), c.columns), (Ansi(c.line) + "\r\n").str()) << c.what;

  std::vector<UINT> all;
  for (UINT id = 5; id <= 31; ++id) all.push_back(id);
  auto e = Make({"N", "0", true, false});
  for (UINT id = 5; id <= 30; ++id) e->SetExtItem(id, CString(std::to_string(id)), NO_LIMIT);
  e->SetExtItem(ITEM_BIRTHDAY, 36526.25);
  EXPECT_EQ(Line(*e, all), "N,0,5,6,7,8,9,10,11,13,14,15,16,17,18,19,20,21,22,23,24,25,27,29,30,36526.250000\r\n");
}

// The birthday goes out as "%lf" writes it, whatever the value; a text value
// as "%s" writes it, up to a zero byte inside it.
TEST_F(CsvTest, BirthdayAndZeroBytesAsPrintfWritesThem) {
  for (double date : {NO_BIRTHDAY, 0.0, -0.0, 27460.0, 36526.25, 0.0000005, 0.00000049, 2.5e-7, 1234567.8912345, -1e-9,
                      1e300, -1.7976931348623157e308}) {
    CString expected;
    expected.Format("A,1,%lf\r\n", date);
    EXPECT_EQ(Line(*Make({"A", "1", true, false, "", {}, date}), {31}), expected.str()) << date;
  }
  auto e = Make({"A", "1", true, false});
  e->GetName() = CString("Jan\0hidden", 10);
  e->SetExtItem(ITEM_EMAIL, CString("a@b\0c", 5), NO_LIMIT);
  EXPECT_EQ(Line(*e, {9}), "Jan,1,a@b\r\n");
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
  auto e = Make({"Jan Novák", "+420601123456", true, true, "Novák",
                 {{ITEM_PAGER, "0609111"}, {ITEM_OFFICE, "+420222333444"}, {ITEM_EMAIL, "jan@example.cz"}}, 27460.0});
  e->SetGroupID(3, nullptr);
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
  EntryRow all{"X", "", true, false};
  for (UINT id : {25, 24, 23, 22, 16, 15, 8, 7, 6, 5, 30}) all.texts.push_back({id, "1"});  // filled in reverse
  auto e = Make(all);
  // item order, not the order of filling; the second fax is not a number item
  std::vector<std::string> expected;
  for (UINT id : {5, 6, 7, 8, 15, 16, 22, 23, 24, 25}) {
    CString caption;
    caption.LoadString(id - 4);
    expected.push_back("X (" + (id == 6 ? std::string("Cell") : sorrel::AnsiToUtf8(caption.view())) + ")|1|000000");
  }
  EXPECT_EQ(expected[0], "X (Kancelář)|1|000000");
  EXPECT_EQ(Split(*e, columns.get()), expected);

  // with no column model at all, every caption is the string table's
  auto other = Make({"Y", "", true, false, "", {{ITEM_INFO_NUMBER1, "2"}}});
  EXPECT_EQ(Split(*other, nullptr), std::vector<std::string>{"Y (Info číslo 1)|2|000000"});
}

TEST_F(CsvTest, SplitWithoutNumbersStillDropsTheItems) {
  auto columns = Columns({9, 10});
  auto e = Make({"Jan", "1", true, false, "", {{ITEM_EMAIL, "a@b"}, {ITEM_ADDRESS, "Street 1"}}, 1.0});
  EXPECT_EQ(Split(*e, columns.get()).size(), 0u);
  EXPECT_EQ(e->GetExtendedItems(), nullptr);
  // an entry that never had extended items is left as it was
  EXPECT_EQ(Split(*Make({"Eva", "2", false, false}), columns.get()).size(), 0u);
}

}  // namespace
