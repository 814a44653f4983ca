// The book marlow holds: what goes back to the phone or into the file is the
// changed entries' new lines, and every other line exactly as it came.
#include "Book.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A group line, two ordinary slots, an empty one, and a damaged line that the
// reader takes but the writer would not give back byte for byte.
const char kBook[] =
    "1,\"Rodina\",12,0,2,\"VIP\",12,0\n"
    "2,1,\"Jan\"\"Novak\",\"+420601123456\",5,\"222333444\",2\n"
    "1,2,\"Eva\",\"0602111222\"\n"
    "EMPTY\n"
    "1,4,\"Petr\",\"0042060777\",,,\n";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class MarlowBook : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "marlow-book-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/book.txt";
    Reload();
  }
  void Reload() {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << kBook;
    std::string error;
    ASSERT_TRUE(book_.LoadFile(path_, error)) << error;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Saved() {
    std::string error;
    EXPECT_TRUE(book_.SaveFile(path_, error)) << error;
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string dir_;
  std::string path_;
  marlow::Book book_;
};

TEST_F(MarlowBook, ReadsGroupsAndSlotsUnchanged) {
  ASSERT_EQ(book_.slotList.size(), 4u);
  EXPECT_EQ(book_.groups.GetNGroups(), 2);
  EXPECT_TRUE(book_.ChangedLines().empty()) << "an empty slot just read is not a change";
  EXPECT_TRUE(book_.slotList[2].entry->IsEmpty());
  EXPECT_EQ(book_.slotList[0].entry->GetSurname().str(), "Novak");
  EXPECT_TRUE(book_.slotList[0].entry->IsVIP()) << "group 2 is named VIP";
  EXPECT_EQ(Saved(), kBook) << "nothing changed: every line as it came, the damaged one too";
}

TEST_F(MarlowBook, OnlyChangedSlotsGetNewLines) {
  struct Case {
    const char* what;
    void (*change)(marlow::Book&);
    unsigned slot;  // 0: nothing to send
    const char* line;
  };
  const Case cases[] = {
      {"a new number", [](marlow::Book& b) { b.slotList[1].entry->SetNum("0602999888", NO_LIMIT); }, 2,
       "1,2,\"Eva\",\"0602999888\""},
      {"a deleted entry", [](marlow::Book& b) { b.DeleteEntry(b.slotList[0].entry.get()); }, 1, "EMPTY"},
      {"the same group again", [](marlow::Book& b) { b.slotList[0].entry->SetGroupID(2, &b.groups); }, 0, ""},
      {"another group", [](marlow::Book& b) { b.slotList[0].entry->SetGroupID(1, &b.groups); }, 1,
       "2,1,\"Jan\"\"Novak\",\"+420601123456\",5,\"222333444\",1"},
      {"a new entry in the empty slot",
       [](marlow::Book& b) { b.NewEntry()->SetName("Ota", NO_LIMIT); }, 3, "2,2,\"Ota\"\"\",\"\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reload();
    c.change(book_);
    const auto changed = book_.ChangedLines();
    std::vector<std::string> expected = Lines(kBook);
    if (c.slot == 0) {
      EXPECT_TRUE(changed.empty()) << "a setter given the value the entry has changes nothing";
    } else {
      ASSERT_EQ(changed.size(), 1u);
      EXPECT_EQ(changed[0].slot, c.slot);
      EXPECT_EQ(changed[0].line, c.line);
      expected[c.slot] = c.line;
    }
    EXPECT_EQ(Lines(Saved()), expected);
    EXPECT_TRUE(book_.ChangedLines().empty()) << "saved entries count as sent";
  }
}

// An imported entry takes the free slot and hands over its items; then the phone
// has no room, and a book file takes a new slot at its end.
TEST_F(MarlowBook, AnImportedEntryTakesTheFreeSlotThenThePhoneIsFull) {
  CEntry imported(1, 1);
  imported.SetName("Karel", NO_LIMIT);
  imported.SetSurname("Dvorak", NO_LIMIT);
  imported.SetNum("+420777000111", NO_LIMIT);
  imported.SetExtItem(ITEM_EMAIL, "karel@example.cz", NO_LIMIT);
  book_.growable = false;
  CEntry* entry = book_.Adopt(imported);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(imported.GetExtendedItems(), nullptr);
  EXPECT_EQ(marlow::Book::LineOf(*entry), "2,2,\"Karel\"\"Dvorak\",\"+420777000111\",9,\"karel@example.cz\"");
  EXPECT_EQ(book_.SlotOf(entry), 3u);
  EXPECT_EQ(book_.NewEntry(), nullptr);
  book_.growable = true;
  ASSERT_NE(book_.NewEntry(), nullptr);
  EXPECT_EQ(book_.slotList.size(), 5u);
}

}  // namespace
