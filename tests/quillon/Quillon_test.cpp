// quillon as a host meets it: the book served on topic "Phonebook" and changed
// lines poked back into its file, names taken by the library's rule, the connect
// event, its command line; and `sorrel servers` listing what runs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sorrel/Sorrel.h"
#include "support/Cases.h"
#include "support/PrivateBus.h"
#include "support/RunCommand.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

class QuillonTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(bus_.Up() && dde_.inst); }
  // The text the server gives for `item`, up to its terminating zero.
  std::string Request(HCONV conv, const std::string& item) {
    std::string text;
    EXPECT_TRUE(dde_.Request(conv, item, &text)) << item;
    return text.c_str();
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
  ASSERT_GT(bus_.Serve("Tovik1", {"--book", link}), 0);

  HCONV conv = dde_.Connect("Tovik1", QUILLON_TOPIC_BOOK);
  ASSERT_NE(conv, nullptr);
  EXPECT_EQ(Request(conv, QUILLON_ITEM_GROUPS), file[0]);
  ASSERT_EQ(Request(conv, QUILLON_ITEM_COUNT), std::to_string(file.size() - 1));
  for (size_t n = 1; n < file.size(); ++n) EXPECT_EQ(Request(conv, std::to_string(n)), file[n]);

  // The first entry that is not "EMPTY", renamed and sent back.
  size_t slot = 1;
  while (file[slot] == "EMPTY") ++slot;
  CGroups groups;
  groups.FillFromText(file[0].c_str(), 0);
  CEntry entry;
  entry.FillFromText(file[slot].c_str(), 1, 1, 0, &groups);
  entry.SetName("Nové jméno", 0xFFFFFFFF);
  CString line;
  entry.GetAsText(line, 1, 1);
  ASSERT_TRUE(dde_.Poke(conv, std::to_string(slot), static_cast<const char*>(line)));
  std::string sent = static_cast<const char*>(line);
  ASSERT_EQ(sent.back(), '\n') << "GetAsText closes a line that has its location";
  sent.pop_back();
  std::vector<std::string> after = file;
  after[slot] = sent;
  EXPECT_EQ(Lines(real), after) << "that line changed, no other";
  struct stat st;
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u) << "the mode is kept";
  EXPECT_TRUE(fs::is_symlink(link)) << "the link is followed, not replaced";
  EXPECT_EQ(Request(conv, std::to_string(slot)), sent);

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
  ASSERT_GT(bus_.Serve("Tovik7"), 0);
  ASSERT_GT(bus_.StartQuillon({"--connect-after", "300"}, "Tovik8"), 0);
  HANDLE connected = CreateEventA(nullptr, FALSE, FALSE, QUILLON_CONNECT_EVENT);
  EXPECT_EQ(WaitForSingleObject(connected, 3000), WAIT_OBJECT_0);
  CloseHandle(connected);

  int status = -1;
  EXPECT_EQ(sorrel::test::RunCommand(SORREL_BINARY_DIR "/tools/sorrel/sorrel servers 2>&1", &status),
            "NAME       NUMBER  PHONE BOOK HOST SMS TOOL\n"
            "Tovik1          1  no              no\n"
            "Tovik2          2  no              no\n"
            "Tovik7          7  no              no\n"
            "Tovik8          8  no              no\n"
            "4 running; a phone book host would take Tovik1 (a running server)\n");
  EXPECT_EQ(status, 0);
}

TEST_F(QuillonTest, CommandLine) {
  const std::string q = sorrel::test::QuillonPath();
  const auto cases = sorrel::test::ReadCases("quillon/data/command-line.tsv");
  ASSERT_FALSE(cases.empty());
  for (const std::vector<std::string>& c : cases) {
    int status = -1;
    const std::string out = sorrel::test::RunCommand(q + " " + c[0] + " 2>&1", &status);
    EXPECT_EQ(status, std::stoi(c[1])) << c[0];
    EXPECT_NE(out.find(c[2]), std::string::npos) << c[0] << ": " << out;
  }
  EXPECT_TRUE(fs::is_symlink(fs::path(q).parent_path() / "Quillon")) << "the name the wait dialog starts";
}

}  // namespace
