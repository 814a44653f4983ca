// The tool's book writing: a new book's lines gathered in blocks and written from
// pieces. (Reading files, standard input and refusing what is no book: tool_test.py.)
#include "Book.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

// A new book written from its lines is the book PhoneBook writes of the same
// entries, also when the lines fill several blocks and one line is longer than
// a block.
TEST(SlotLines, WriteTheBookAsPhoneBookDoes) {
  std::string text = "1,\"Rodina\",40,1,3,\"Pr\xE1\x63\x65\",40,1\n";
  for (int i = 1; i <= 12000; ++i)
    text += "2," + std::to_string(i) + ",\"Name " + std::to_string(i) + "\"\"Surname\",\"+420" + std::to_string(i) +
            "\",9,\"n" + std::to_string(i) + "@example.cz\"," + std::to_string(i % 4) + "\n";
  text += "2,12001,\"" + std::string(1500000, 'L') + "\",\"1\"\n";
  text += "2,12002,\"After\",\"2\"\n";
  tool::PhoneBook book;
  book.Parse(text);
  ASSERT_EQ(book.slots.size(), 12002u);
  tool::SlotLines lines;
  for (const tool::Slot& slot : book.slots) lines.Add(tool::PhoneBook::SlotLine(*slot.entry));
  EXPECT_EQ(lines.Count(), 12002u);
  const std::string path = std::filesystem::temp_directory_path() / ("sorrel-lines-" + std::to_string(getpid()));
  std::string error, written;
  ASSERT_TRUE(lines.Save(path, book.groups, error)) << error;
  EXPECT_TRUE(tool::ReadFile(path, written, error)) << error;
  std::filesystem::remove(path);
  EXPECT_NE(written.find("\"" + std::string(1500000, 'L') + "\""), std::string::npos);
  EXPECT_TRUE(written == book.ToText());
}
