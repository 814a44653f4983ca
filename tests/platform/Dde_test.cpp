// The DDE calls against quillon servers on a private bus: string handles, requests
// and pokes, the error codes, and each kind of hostile peer.
#include "sorrel/Dde.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <thread>

#include "sorrel/Quillon.h"
#include "support/PrivateBus.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

class DdeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bus_.Up());
    ASSERT_NE(inst_, 0u);
  }
  sorrel::test::PrivateBus bus_;
  sorrel::test::DdeClient dde_;
  const DWORD inst_ = dde_.inst;
};

TEST_F(DdeTest, StringHandlesAreOnePerTextWithoutCase) {
  HSZ a = dde_.Hsz("Quillon"), b = dde_.Hsz("QUILLON"), c = dde_.Hsz("Tovik1");
  EXPECT_EQ(a, b);
  EXPECT_EQ(DdeCmpStringHandles(a, b), 0);
  EXPECT_NE(DdeCmpStringHandles(a, c), 0);
  char buf[8];
  EXPECT_EQ(DdeQueryStringA(inst_, a, nullptr, 0, CP_WINANSI), 7u);
  EXPECT_EQ(DdeQueryStringA(inst_, c, buf, 4, CP_WINANSI), 3u);
  EXPECT_STREQ(buf, "Tov");
  EXPECT_EQ(DdeCreateStringHandleA(inst_, "x", CP_WINUNICODE), nullptr);
  EXPECT_EQ(DdeGetLastError(inst_), UINT(DMLERR_INVALIDPARAMETER));
  EXPECT_EQ(DdeGetLastError(inst_), UINT(DMLERR_NO_ERROR)) << "reading the code forgets it";
  EXPECT_TRUE(DdeFreeStringHandle(inst_, a));
  EXPECT_TRUE(DdeFreeStringHandle(inst_, b));
  EXPECT_FALSE(DdeFreeStringHandle(inst_, a)) << "freed twice";
  EXPECT_EQ(DdeGetLastError(inst_ + 100), UINT(DMLERR_DLL_NOT_INITIALIZED));
}

TEST_F(DdeTest, ConnectingFindsOnlyServersThatTakeTheTopic) {
  EXPECT_EQ(dde_.Connect("Tovik1", "Instance"), nullptr);
  EXPECT_EQ(DdeGetLastError(inst_), UINT(DMLERR_NO_CONV_ESTABLISHED));
  ASSERT_GT(bus_.Serve("Tovik1"), 0);
  EXPECT_EQ(dde_.Connect("Tovik1", "No such topic"), nullptr);
  EXPECT_EQ(DdeGetLastError(inst_), UINT(DMLERR_NO_CONV_ESTABLISHED));
  HCONV conv = dde_.Connect("tovik1", "INSTANCE");  // DDE names know no case
  ASSERT_NE(conv, nullptr);
  std::string text;
  UINT error;
  ASSERT_TRUE(dde_.Request(conv, "Instance", &text, &error));
  EXPECT_EQ(text, std::string("1", 2));
  EXPECT_FALSE(dde_.Request(conv, "No such item", &text, &error));
  EXPECT_EQ(error, UINT(DMLERR_NOTPROCESSED));
  EXPECT_TRUE(DdeDisconnect(conv));
  EXPECT_FALSE(DdeDisconnect(conv));
  EXPECT_EQ(DdeClientTransaction(nullptr, 0, conv, dde_.Hsz("Instance"), CF_TEXT, XTYP_REQUEST, 2000, nullptr),
            nullptr);
}

// Each hostile answer is an error code (or, for bytes of the right type, the
// bytes) within the time-out, and a good answer afterwards clears the code.
TEST_F(DdeTest, HostilePeers) {
  struct Case {
    const char* how;
    bool data;
    UINT error;
    long long minMs, maxMs;
  } cases[] = {
      {"hang", false, DMLERR_DATAACKTIMEOUT, 1900, 2100},
      {"slow:300", true, DMLERR_NO_ERROR, 290, 1000},
      {"noise", true, DMLERR_NO_ERROR, 0, 500},
      {"garbage", false, DMLERR_NOTPROCESSED, 0, 500},
      {"wrong-type", false, DMLERR_NOTPROCESSED, 0, 500},
      {"oversized", false, DMLERR_MEMORY_ERROR, 0, 1000},
  };
  ASSERT_GT(bus_.Serve("Tovik1"), 0);
  HCONV good = dde_.Connect("Tovik1", "Instance");
  ASSERT_NE(good, nullptr);
  int n = 2;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    std::string name = "Tovik" + std::to_string(n++);
    ASSERT_GT(bus_.Serve(name, {"--misbehave", c.how}), 0);
    HCONV conv = dde_.Connect(name.c_str(), "Instance");
    ASSERT_NE(conv, nullptr);
    std::string text;
    UINT error;
    auto start = Clock::now();
    EXPECT_EQ(dde_.Request(conv, "Instance", &text, &error), c.data);
    long long took = MsSince(start);
    EXPECT_EQ(error, c.error);
    EXPECT_GE(took, c.minMs);
    EXPECT_LE(took, c.maxMs);
    ASSERT_TRUE(dde_.Request(good, "Instance", &text, &error));
    EXPECT_EQ(error, UINT(DMLERR_NO_ERROR));
    DdeDisconnect(conv);
  }
}

// A server that ends while a request waits on it: an error at once, not the time-out.
TEST_F(DdeTest, AServerThatVanishesMidCall) {
  pid_t pid = bus_.Serve("Tovik1", {"--misbehave", "hang"});
  HCONV conv = dde_.Connect("Tovik1", "Instance");
  ASSERT_NE(conv, nullptr);
  std::thread killer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    bus_.Stop(pid, SIGKILL);
  });
  std::string text;
  UINT error;
  auto start = Clock::now();
  EXPECT_FALSE(dde_.Request(conv, "Instance", &text, &error, 10000));
  EXPECT_LT(MsSince(start), 2000);
  EXPECT_EQ(error, UINT(DMLERR_SERVER_DIED));
  killer.join();
}

}  // namespace
