// The choice of an instance name against real quillon servers on a private bus:
// every rule of the scan (a table in data/dde-scan.tsv), the hostile peers, the
// 64-server limit and the time a crowd of servers that never answer may cost.
#include "sorrel/DDEStuff.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "sorrel/Quillon.h"
#include "support/Cases.h"
#include "support/PrivateBus.h"

namespace {

const std::vector<std::string> kBoth{"--book-client", "--sms-client"};

// A bus of its own, a client on it, the servers started there and the scan.
struct Scan {
  // Starts Tovik<first> .. Tovik<last> at once; waits until Tovik1 .. Tovik<last> all serve.
  bool ServeMany(int first, int last, const std::vector<std::string>& extra) {
    for (int n = first; n <= last; ++n)
      if (bus.Serve("Tovik" + std::to_string(n), extra, false) <= 0) return false;
    return bus.WaitFor(QUILLON_SERVICE, last);
  }
  sorrel::test::PrivateBus bus;
  sorrel::test::DdeClient dde;
  CDDEStuff stuff{dde.inst, dde.Hsz(QUILLON_SERVICE), dde.Hsz(QUILLON_TOPIC_INSTANCE)};
};

class DDEStuffTest : public ::testing::Test, protected Scan {
 protected:
  void SetUp() override { ASSERT_TRUE(bus.Up() && dde.inst) << "dbus-daemon could not be started"; }
};

TEST(DDEStuff, ChoosesTheInstanceName) {
  const auto cases = sorrel::test::ReadCases("shell/data/dde-scan.tsv");
  ASSERT_FALSE(cases.empty());
  for (const std::vector<std::string>& c : cases) {
    ASSERT_EQ(c.size(), 7u);
    SCOPED_TRACE(c[0]);
    Scan s;  // each case on a bus of its own
    ASSERT_TRUE(s.bus.Up() && s.dde.inst);
    for (const std::string& server : sorrel::test::CaseSplit(c[1], ';')) {
      std::istringstream words(server);
      std::string instance;
      words >> instance;
      ASSERT_GT(s.bus.Serve(instance, {std::istream_iterator<std::string>(words), {}}), 0) << server;
    }
    const UINT mode = UINT(std::stoul(c[2]));
    const int result = std::stoi(c[3]);
    char name[32] = "unchanged";
    UINT number = 12345;
    int found = 77;
    EXPECT_EQ(s.stuff.GetFreeDDEServerName(mode, name, &number, &found), result);
    EXPECT_STREQ(name, c[4].c_str());
    EXPECT_EQ(number, UINT(std::stoul(c[5])));
    EXPECT_EQ(found, c[6] == "-" ? 77 : std::stoi(c[6]));
    CString str = "unchanged";  // the second form says the same
    EXPECT_EQ(s.stuff.GetFreeDDEServerName(mode, str, &number, &found), result);
    EXPECT_STREQ(str, c[4].c_str());
  }
}

// Mode 2 asks no server the second item, not even ahead of the answers it waits for.
TEST_F(DDEStuffTest, NumberOnlyNeverAsksTheSecondItem) {
  const std::string log = bus.Dir() + "/requests.log";
  ASSERT_GT(bus.Serve("Tovik1", {"--log", log}), 0);
  ASSERT_GT(bus.Serve("Tovik2", {"--log", log, "--book-client"}), 0);
  char name[32];
  UINT number = 0;
  int found = 3;
  // A server takes what one client sends in the order it was sent: once the second
  // call has its answers, every request of the first has been logged.
  for (int call = 0; call < 2; ++call) ASSERT_EQ(stuff.GetFreeDDEServerName(2, name, &number, &found), 1);
  std::ifstream in(log);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            "Instance Instance\nInstance Instance\nInstance Instance\nInstance Instance\n");
}

// A host that holds a conversation on the phone book topic is the client "41" asks
// about; once it has gone the server is free again.
TEST_F(DDEStuffTest, AnAttachedHostTakesItsServer) {
  ASSERT_GT(bus.Serve("Tovik1"), 0);
  HCONV conv = dde.Connect("Tovik1", QUILLON_TOPIC_BOOK);
  ASSERT_NE(conv, nullptr);
  struct {
    bool attached;
    UINT mode;
    const char* name;
    int found;
  } steps[] = {{true, 0, "Tovik2", 0}, {true, 1, "Tovik1", 1}, {false, 0, "Tovik1", 1}};
  for (const auto& s : steps) {
    if (!s.attached && conv) DdeDisconnect(std::exchange(conv, nullptr));
    CString name;
    UINT number = 0;
    int found = 7;
    ASSERT_EQ(stuff.GetFreeDDEServerName(s.mode, name, &number, &found), 1);
    EXPECT_STREQ(name, s.name) << s.mode;
    EXPECT_EQ(found, s.found) << s.mode;
  }
}

TEST_F(DDEStuffTest, SixtyFiveServersAreTooMany) {
  ASSERT_TRUE(ServeMany(1, 64, kBoth));
  CString name = "unchanged";
  UINT number = 0;
  int found = 5;
  ASSERT_EQ(stuff.GetFreeDDEServerName(0, name, &number, &found), 1);
  EXPECT_STREQ(name, "Tovik65");
  ASSERT_TRUE(ServeMany(65, 65, kBoth));
  name = "unchanged";
  found = 5;
  EXPECT_EQ(stuff.GetFreeDDEServerName(0, name, &number, &found), 0);
  EXPECT_STREQ(name, "unchanged");
  EXPECT_EQ(number, 66u) << "the number is set all the same";
  EXPECT_EQ(found, 5);
}

// 64 servers that never answer are asked at once: one time-out, not 64.
TEST_F(DDEStuffTest, ServersThatNeverAnswerCostOneTimeOut) {
  ASSERT_TRUE(ServeMany(1, 64, {"--misbehave", "hang"}));
  char name[32];
  UINT number = 0;
  int found = 5;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(stuff.GetFreeDDEServerName(0, name, &number, &found), 1);
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_STREQ(name, "Tovik1");
  EXPECT_EQ(found, 0);
  EXPECT_GE(took, 1.9);
  EXPECT_LE(took, 2.2);
}

}  // namespace
