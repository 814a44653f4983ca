// quillon as a host meets it: the book served on topic "Phonebook" and changed
// lines poked back into its file, names taken by the library's rule, the connect
// event, its command line; and `sorrel servers` listing what runs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sorrel/Sorrel.h"
#include "support/PrivateBus.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

// Runs a command; its exit status and what it printed (both streams).
int Shell(const std::string& command, std::string* out) {
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  char buf[4096];
  out->clear();
  for (size_t n; p && (n = fread(buf, 1, sizeof buf, p)) > 0;) out->append(buf, n);
  int status = p ? pclose(p) : -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class QuillonTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(bus_.Up() && dde_.inst); }
  // The text the server gives for `item`, without its terminating zero.
  bool Request(HCONV conv, const std::string& item, std::string* text) {
    bool got = dde_.Request(conv, item, text);
    text->resize(std::strlen(text->c_str()));
    return got;
  }
  sorrel::test::PrivateBus bus_;
  sorrel::test::DdeClient dde_;
};

// A host loads the groups and every slot, changes an entry and sends its line back.
TEST_F(QuillonTest, ServesTheBookAndTakesChangedLinesBack) {
  std::string real = bus_.Dir() + "/book.txt", link = bus_.Dir() + "/link.txt";
  fs::copy_file(std::string(SORREL_SOURCE_DIR) + "/examples/phonebook.txt", real);
  chmod(real.c_str(), 0640);
  fs::create_symlink(real, link);
  const std::vector<std::string> file = Lines(real);
  ASSERT_GT(bus_.StartQuillon({"-Tovik1", "--connect-after", "-1", "--book", link}, "Tovik1"), 0);

  HCONV conv = dde_.Connect("Tovik1", QUILLON_TOPIC_BOOK);
  ASSERT_NE(conv, nullptr);
  std::string text;
  ASSERT_TRUE(Request(conv, QUILLON_ITEM_GROUPS, &text));
  EXPECT_EQ(text, file[0]);
  CGroups groups;
  groups.FillFromText(text.c_str(), 0);
  ASSERT_TRUE(Request(conv, QUILLON_ITEM_COUNT, &text));
  ASSERT_EQ(std::atoi(text.c_str()), static_cast<int>(file.size()) - 1);
  std::vector<std::string> slots;
  for (size_t n = 1; n < file.size(); ++n) {
    ASSERT_TRUE(Request(conv, std::to_string(n), &text)) << "slot " << n;
    EXPECT_EQ(text, file[n]) << "slot " << n;
    slots.push_back(text);
  }

  // The first entry that is not "EMPTY", renamed and sent back.
  size_t slot = 1;
  while (slots[slot - 1] == "EMPTY") ++slot;
  CEntry entry;
  entry.FillFromText(slots[slot - 1].c_str(), 1, 1, 0, &groups);
  entry.SetName("Nové jméno", 0xFFFFFFFF);
  CString line;
  entry.GetAsText(line, 1, 1);
  ASSERT_TRUE(dde_.Poke(conv, std::to_string(slot), static_cast<const char*>(line)));
  std::vector<std::string> after = Lines(real);
  ASSERT_EQ(after.size(), file.size());
  std::string sent = static_cast<const char*>(line);
  ASSERT_EQ(sent.back(), '\n') << "GetAsText closes a line that has its location";
  sent.pop_back();
  EXPECT_EQ(after[slot], sent);
  for (size_t i = 0; i < file.size(); ++i) {
    if (i != slot) {
      EXPECT_EQ(after[i], file[i]) << "line " << i + 1 << " was not to change";
    }
  }
  struct stat st;
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u) << "the mode is kept";
  EXPECT_TRUE(fs::is_symlink(link)) << "the link is followed, not replaced";
  ASSERT_TRUE(Request(conv, std::to_string(slot), &text));
  EXPECT_EQ(text, sent);

  // What the phone cannot hold is refused and the file stays as it is.
  for (const std::string& item : {std::string("0"), std::to_string(file.size()), std::string(QUILLON_ITEM_COUNT)}) {
    EXPECT_FALSE(dde_.Poke(conv, item, "1,1,\"X\",\"1\"")) << item;
    EXPECT_EQ(DdeGetLastError(dde_.inst), UINT(DMLERR_NOTPROCESSED));
  }
  EXPECT_FALSE(dde_.Poke(conv, "1", "1,1,\"X\",\"1\"\n2,2,\"Y\",\"2\""));
  EXPECT_EQ(Lines(real), after);
  DdeDisconnect(conv);
}

// Without a name each server takes the next free one, as the hosts count.
TEST_F(QuillonTest, NamesFollowTheHostsRuleAndTheConnectEventComes) {
  ASSERT_GT(bus_.StartQuillon({"--connect-after", "-1"}, "Tovik1"), 0);
  ASSERT_GT(bus_.StartQuillon({"--connect-after", "-1"}, "Tovik2"), 0);
  ASSERT_GT(bus_.StartQuillon({"-Tovik7", "--connect-after", "-1"}, "Tovik7"), 0);
  ASSERT_GT(bus_.StartQuillon({"--connect-after", "300"}, "Tovik8"), 0);
  HANDLE connected = CreateEventA(nullptr, FALSE, FALSE, QUILLON_CONNECT_EVENT);
  EXPECT_EQ(WaitForSingleObject(connected, 3000), WAIT_OBJECT_0);
  CloseHandle(connected);

  std::string out;
  std::string sorrel = std::string(SORREL_BINARY_DIR) + "/tools/sorrel/sorrel";
  EXPECT_EQ(Shell(sorrel + " servers", &out), 0) << out;
  EXPECT_EQ(out,
            "NAME       NUMBER  PHONE BOOK HOST SMS TOOL\n"
            "Tovik1          1  no              no\n"
            "Tovik2          2  no              no\n"
            "Tovik7          7  no              no\n"
            "Tovik8          8  no              no\n"
            "4 running; a phone book host would take Tovik1 (a running server)\n");
}

TEST_F(QuillonTest, CommandLine) {
  std::string q = sorrel::test::QuillonPath(), out;
  struct Case {
    std::string args;
    int status;
    const char* says;
  } cases[] = {
      {"--help", 0, "usage: quillon"},
      {"--bogus", 2, "quillon: unknown argument --bogus"},
      {"--book", 2, "quillon: --book needs a value"},
      {"--book /nonexistent/book.txt", 2, "/nonexistent/book.txt: No such file or directory"},
      {"--misbehave sideways", 2, "--misbehave sideways: not one of"},
      {"--connect-after soon", 2, "--connect-after needs a number"},
      {"-Tovik1 -Tovik2", 2, "two instance names"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Shell(q + " " + c.args, &out), c.status) << c.args;
    EXPECT_NE(out.find(c.says), std::string::npos) << c.args << ": " << out;
  }
  EXPECT_TRUE(fs::is_symlink(fs::path(q).parent_path() / "Quillon")) << "the name the wait dialog starts";
}

}  // namespace
