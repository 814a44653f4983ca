// The tool's file reading and book writing: whole files in one buffer, books
// written from pieces, and a new book's lines gathered in blocks.
#include "Book.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

class BookFiles : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "sorrel-book-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const char* name) const { return dir_ + "/" + name; }
  std::string Write(const char* name, const std::string& data) const {
    std::ofstream(Path(name), std::ios::binary) << data;
    return Path(name);
  }
  static std::string Read(const std::string& path) {
    std::string data, error;
    EXPECT_TRUE(tool::ReadFile(path, data, error)) << error;
    return data;
  }

  std::string dir_;
};

TEST_F(BookFiles, ReadsAWholeFileOfAnySize) {
  std::string big;
  for (int i = 0; big.size() < 300000; ++i) big += std::string("line ") + char(i % 256) + "\r\n\0\n";
  for (const std::string& data : {std::string(), std::string("x"), std::string("a\0b\r", 4), big})
    EXPECT_EQ(Read(Write("f", data)), data) << data.size();
}

// Standard input has no size: it is read as it comes.
TEST_F(BookFiles, ReadsStandardInputAsItComes) {
  std::string data;
  for (int i = 0; data.size() < 200000; ++i) data += std::to_string(i) + ",";
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const int savedStdin = dup(STDIN_FILENO);
  dup2(fds[0], STDIN_FILENO);
  close(fds[0]);
  std::thread writer([&] {
    EXPECT_EQ(write(fds[1], data.data(), data.size()), ssize_t(data.size()));
    close(fds[1]);
  });
  EXPECT_EQ(Read("-"), data);
  writer.join();
  dup2(savedStdin, STDIN_FILENO);
  close(savedStdin);
}

// A named pipe is no book: refused before it is opened, which would wait for a
// writer. (Folders, devices and missing files: the tool's table of command lines.)
TEST_F(BookFiles, RefusesANamedPipe) {
  const std::string fifo = Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string data = "old", error;
  EXPECT_FALSE(tool::ReadFile(fifo, data, error));
  EXPECT_EQ(error, fifo + ": not a regular file");
  EXPECT_FALSE(tool::WriteFileAtomically(fifo, std::vector<std::string_view>{"x"}, error));
  EXPECT_EQ(error, fifo + ": not a regular file");
}

// A new book written from its lines is the book PhoneBook writes of the same
// entries, also when the lines fill several blocks and one line is longer than
// a block.
TEST_F(BookFiles, SlotLinesWriteTheBookAsPhoneBookDoes) {
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
  std::string error;
  ASSERT_TRUE(lines.Save(Path("new.txt"), book.groups, error)) << error;
  const std::string written = Read(Path("new.txt"));
  EXPECT_NE(written.find("\"" + std::string(1500000, 'L') + "\""), std::string::npos);
  EXPECT_TRUE(written == book.ToText());
}

}  // namespace
