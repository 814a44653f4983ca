// The choice of an instance name against real quillon servers on a private bus:
// every rule of the scan, the hostile peers, the 64-server limit and the time a
// crowd of servers that never answer may cost.
#include "sorrel/DDEStuff.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sorrel/Quillon.h"
#include "support/PrivateBus.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

class DDEStuffTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bus_.Up()) << "dbus-daemon could not be started";
    ASSERT_EQ(DdeInitializeA(&inst_, nullptr, APPCMD_CLIENTONLY, 0), UINT(DMLERR_NO_ERROR));
    service_ = DdeCreateStringHandleA(inst_, QUILLON_SERVICE, CP_WINANSI);
    topic_ = DdeCreateStringHandleA(inst_, QUILLON_TOPIC_INSTANCE, CP_WINANSI);
  }
  void TearDown() override {
    DdeFreeStringHandle(inst_, service_);
    DdeFreeStringHandle(inst_, topic_);
    DdeUninitialize(inst_);
  }
  // Starts a server named `name` with `extra` options and waits until it serves.
  void Serve(const std::string& name, std::vector<std::string> extra = {}) {
    extra.insert(extra.begin(), {"-" + name, "--connect-after", "-1"});
    ASSERT_GT(bus_.StartQuillon(extra, name), 0);
    ASSERT_EQ(bus_.Count(name), 1) << name << " is not on the bus";
  }
  // Starts servers Tovik<first> .. Tovik<last> at once and waits for all.
  void ServeMany(int first, int last, std::vector<std::string> extra = {}) {
    for (int n = first; n <= last; ++n) {
      std::vector<std::string> args{"-Tovik" + std::to_string(n), "--connect-after", "-1"};
      args.insert(args.end(), extra.begin(), extra.end());
      ASSERT_GT(bus_.StartQuillon(args), 0);
    }
    ASSERT_TRUE(bus_.WaitFor(QUILLON_SERVICE, last - first + 1));
  }

  sorrel::test::PrivateBus bus_;
  DWORD inst_ = 0;
  HSZ service_ = nullptr, topic_ = nullptr;
};

struct Case {
  const char* what;
  std::vector<std::pair<std::string, std::vector<std::string>>> servers;  // in the order they start
  UINT mode;
  int result;
  const char* name;
  UINT number;
  int found;  // -1: left as the caller set it
};

const std::vector<std::string> kBook{"--book-client"}, kSms{"--sms-client"}, kBoth{"--book-client", "--sms-client"};

const Case kCases[] = {
    {"no server, phone book host", {}, 0, 1, "Tovik1", 1, 0},
    {"no server, SMS tool", {}, 1, 1, "Tovik1", 1, 0},
    {"no server, number only", {}, 2, 1, "Tovik1", 1, -1},
    {"1 and 4, both with a client", {{"Tovik1", kBoth}, {"Tovik4", kBoth}}, 0, 1, "Tovik5", 5, 0},
    {"1 and 4, SMS tool", {{"Tovik1", kBoth}, {"Tovik4", kBoth}}, 1, 1, "Tovik5", 5, 0},
    {"the first without a phone book host is taken",
     {{"Tovik1", kBook}, {"Tovik4", {}}, {"Tovik7", {}}}, 0, 1, "Tovik4", 4, 1},
    {"the SMS tool asks for its own kind", {{"Tovik1", kBook}, {"Tovik4", kSms}}, 1, 1, "Tovik1", 1, 1},
    {"a server with an SMS tool only is free for a phone book host", {{"Tovik2", kSms}, {"Tovik3", kBook}}, 0, 1,
     "Tovik2", 2, 1},
    {"number only: the clients do not matter", {{"Tovik1", {}}, {"Tovik4", {}}}, 2, 1, "Tovik5", 5, -1},
    {"the list goes by the order the servers started", {{"Tovik8", {}}, {"Tovik3", {}}}, 0, 1, "Tovik8", 8, 1},
    {"a server that never answers is skipped, and nothing else",
     {{"Tovik9", {"--misbehave", "hang"}}, {"Tovik2", kBook}}, 0, 1, "Tovik3", 3, 0},
    {"a slow answer within the time-out counts",
     {{"Tovik6", {"--misbehave", "slow:1500"}}, {"Tovik2", kBook}}, 2, 1, "Tovik7", 7, -1},
    {"a slow answer past the time-out does not",
     {{"Tovik6", {"--misbehave", "slow:2300"}}, {"Tovik2", kBook}}, 2, 1, "Tovik3", 3, -1},
    // Bytes that are no number read as 0 (atoi); the answers of the wrong shape,
    // type or size are no answers.
    {"hostile peers",
     {{"Tovik30", {"--misbehave", "noise"}},
      {"Tovik50", {"--misbehave", "garbage"}},
      {"Tovik60", {"--misbehave", "wrong-type"}},
      {"Tovik80", {"--misbehave", "oversized"}},
      {"Tovik2", kBook}},
     0, 1, "Tovik3", 3, 0},
};

TEST_F(DDEStuffTest, ChoosesTheInstanceName) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    sorrel::test::PrivateBus bus;  // each case on a bus of its own
    ASSERT_TRUE(bus.Up());
    DWORD inst = 0;
    ASSERT_EQ(DdeInitializeA(&inst, nullptr, APPCMD_CLIENTONLY, 0), UINT(DMLERR_NO_ERROR));
    HSZ service = DdeCreateStringHandleA(inst, QUILLON_SERVICE, CP_WINANSI);
    HSZ topic = DdeCreateStringHandleA(inst, QUILLON_TOPIC_INSTANCE, CP_WINANSI);
    for (const auto& [name, extra] : c.servers) {
      std::vector<std::string> args{"-" + name, "--connect-after", "-1"};
      args.insert(args.end(), extra.begin(), extra.end());
      ASSERT_GT(bus.StartQuillon(args, name), 0);
    }
    CDDEStuff dde(inst, service, topic);
    char name[32] = "unchanged";
    UINT number = 12345;
    int found = 77;
    EXPECT_EQ(dde.GetFreeDDEServerName(c.mode, name, &number, &found), c.result);
    EXPECT_STREQ(name, c.name);
    EXPECT_EQ(number, c.number);
    EXPECT_EQ(found, c.found == -1 ? 77 : c.found);

    CString str = "unchanged";  // the second form says the same
    found = 77;
    EXPECT_EQ(dde.GetFreeDDEServerName(c.mode, str, &number, &found), c.result);
    EXPECT_STREQ(str, c.name);
    DdeFreeStringHandle(inst, service);
    DdeFreeStringHandle(inst, topic);
    DdeUninitialize(inst);
  }
}

// Mode 2 never asks the second item; modes 0 and 1 ask it of the servers they
// reach and no other.
TEST_F(DDEStuffTest, AsksOnlyWhatTheModeNeeds) {
  std::string log = bus_.Dir() + "/requests.log";
  Serve("Tovik1", {"--log", log});
  Serve("Tovik2", {"--log", log, "--book-client"});
  CDDEStuff dde(inst_, service_, topic_);
  char name[32];
  UINT number = 0;
  int found = 3;
  struct Step {
    UINT mode;
    const char* asked;  // the requests the servers saw, in order of arrival, sorted
  } steps[] = {{2, "Instance Instance\nInstance Instance\n"}, {0, "Instance 41\nInstance Instance\nInstance Instance\n"}};
  for (const Step& s : steps) {
    std::ofstream(log, std::ios::trunc).close();  // the servers append to it
    ASSERT_EQ(dde.GetFreeDDEServerName(s.mode, name, &number, &found), 1);
    // A request whose answer was not waited for (the one started ahead to a server
    // left unchosen) may still be on its way. A server takes what one client sends
    // in the order it was sent, so once every server has answered a connect sent
    // now, each has logged every request the call made.
    HCONVLIST again = DdeConnectList(inst_, service_, topic_, nullptr, nullptr);
    int answered = 0;
    for (HCONV c = nullptr; (c = DdeQueryNextServer(again, c)) != nullptr;) ++answered;
    DdeDisconnectList(again);
    ASSERT_EQ(answered, 2) << "a server did not answer the connect that follows the call";
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    std::sort(lines.begin(), lines.end());
    std::string asked;
    for (const std::string& l : lines) asked += l + "\n";
    // Tovik1 has no phone book host: it is chosen and Tovik2 is not asked for "41"
    // (a request started ahead may reach it; only its answer would count).
    if (s.mode == 0) {
      EXPECT_EQ(std::string(name), "Tovik1");
      EXPECT_TRUE(asked == s.asked || asked == "Instance 41\nInstance 41\nInstance Instance\nInstance Instance\n")
          << asked;
    } else {
      EXPECT_EQ(asked, s.asked);
      EXPECT_EQ(found, 3);
    }
  }
}

// A host that holds a conversation on the phone book topic is the client "41" asks about.
TEST_F(DDEStuffTest, AnAttachedHostTakesItsServer) {
  Serve("Tovik1");
  CDDEStuff dde(inst_, service_, topic_);
  CString name;
  UINT number = 0;
  int found = 0;
  ASSERT_EQ(dde.GetFreeDDEServerName(0, name, &number, &found), 1);
  EXPECT_STREQ(name, "Tovik1");
  EXPECT_EQ(found, 1);

  HSZ server = DdeCreateStringHandleA(inst_, name, CP_WINANSI);
  HSZ book = DdeCreateStringHandleA(inst_, QUILLON_TOPIC_BOOK, CP_WINANSI);
  HCONV conv = DdeConnect(inst_, server, book, nullptr);
  ASSERT_NE(conv, nullptr);
  ASSERT_EQ(dde.GetFreeDDEServerName(0, name, &number, &found), 1);
  EXPECT_STREQ(name, "Tovik2");
  EXPECT_EQ(found, 0);
  ASSERT_EQ(dde.GetFreeDDEServerName(1, name, &number, &found), 1);  // no SMS tool yet
  EXPECT_STREQ(name, "Tovik1");
  EXPECT_EQ(found, 1);

  DdeDisconnect(conv);
  ASSERT_EQ(dde.GetFreeDDEServerName(0, name, &number, &found), 1);
  EXPECT_STREQ(name, "Tovik1");
  DdeFreeStringHandle(inst_, server);
  DdeFreeStringHandle(inst_, book);
}

TEST_F(DDEStuffTest, SixtyFiveServersAreTooMany) {
  ServeMany(1, 64, kBoth);
  CDDEStuff dde(inst_, service_, topic_);
  CString name = "unchanged";
  UINT number = 0;
  int found = 5;
  ASSERT_EQ(dde.GetFreeDDEServerName(0, name, &number, &found), 1);
  EXPECT_STREQ(name, "Tovik65");
  ServeMany(65, 65, kBoth);
  ASSERT_TRUE(bus_.WaitFor(QUILLON_SERVICE, 65));
  name = "unchanged";
  found = 5;
  EXPECT_EQ(dde.GetFreeDDEServerName(0, name, &number, &found), 0);
  EXPECT_STREQ(name, "unchanged");
  EXPECT_EQ(number, 66u) << "the number is set all the same";
  EXPECT_EQ(found, 5);
}

// 64 servers that never answer are asked at once: one time-out, not 64.
TEST_F(DDEStuffTest, ServersThatNeverAnswerCostOneTimeOut) {
  ServeMany(1, 64, {"--misbehave", "hang"});
  CDDEStuff dde(inst_, service_, topic_);
  char name[32];
  UINT number = 0;
  int found = 5;
  auto start = Clock::now();
  ASSERT_EQ(dde.GetFreeDDEServerName(0, name, &number, &found), 1);
  double took = SecondsSince(start);
  EXPECT_STREQ(name, "Tovik1");
  EXPECT_EQ(found, 0);
  EXPECT_GE(took, 1.9);
  EXPECT_LE(took, 2.2);
  std::printf("64 silent servers: %.3f s\n", took);
}

}  // namespace
