// Events: local and named, auto and manual reset, pulses, waits on several events,
// and a named event's life across processes (its stale state, its removal).
#include "sorrel/Sync.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "platform/SyncInternal.h"
#include "support/Cases.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

bool ShmExists(const char* name) {
  return std::filesystem::exists("/dev/shm" + sorrel::sync::SharedObjectName(name));
}

// Each test gets a session of its own, so named events never meet another run's.
class Sync : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/sorrel-sync-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    for (const char* name : {"QuillonConnectEvent", "Test Event/1"})
      EXPECT_FALSE(ShmExists(name)) << name << ": a named event was left behind";
    std::filesystem::remove_all(dir_);
  }
  std::string dir_;
};

// The calls of platform/data/sync-calls.tsv, one a row.
TEST_F(Sync, EventCallsAndWhatTheyGive) {
  auto rows = sorrel::test::ReadCases("platform/data/sync-calls.tsv");
  ASSERT_FALSE(rows.empty());
  std::map<std::string, HANDLE> handles = {{"made-up", reinterpret_cast<HANDLE>(0x1234)}, {"null", nullptr}};
  for (const auto& row : rows) {
    const std::string& op = row[0];
    HANDLE& h = handles[row[1]];
    SetLastError(0);
    auto status = [](BOOL ok) -> std::string {
      return ok ? "ok" : GetLastError() == ERROR_INVALID_HANDLE ? "invalid-handle" : std::to_string(GetLastError());
    };
    std::string got;
    if (op == "create") {
      h = CreateEventA(nullptr, row[2] == "1", row[3] == "1", row[4].empty() ? nullptr : row[4].c_str());
      got = !h ? "null" : GetLastError() == ERROR_ALREADY_EXISTS ? "existing" : "new";
    } else if (op == "open") {
      h = OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, row[2].c_str());
      got = h ? "ok" : GetLastError() == ERROR_FILE_NOT_FOUND ? "not-found" : "null";
    } else if (op == "wait") {
      DWORD r = WaitForSingleObject(h, DWORD(std::stoul(row[2])));
      got = r == WAIT_OBJECT_0 ? "object-0" : r == WAIT_TIMEOUT ? "timeout" : r == WAIT_FAILED ? "failed" : "?";
    } else if (op == "shm") {
      got = ShmExists(row[1].c_str()) ? "yes" : "no";
    } else {
      BOOL (*call)(HANDLE) = op == "set" ? SetEvent : op == "reset" ? ResetEvent : op == "pulse" ? PulseEvent : CloseHandle;
      got = status(call(h));
    }
    EXPECT_EQ(got, row.back()) << op << " " << row[1];
  }
  HANDLE two[2] = {nullptr, nullptr};
  EXPECT_EQ(WaitForMultipleObjects(0, two, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS + 1, two, FALSE, 0), WAIT_FAILED);
}

TEST_F(Sync, TimeoutsAndWaitsOnSeveralEvents) {
  CEvent a, b(FALSE, TRUE);
  auto t = Clock::now();
  EXPECT_FALSE(a.Lock(150));
  EXPECT_GE(Clock::now() - t, milliseconds(150));
  EXPECT_LT(Clock::now() - t, milliseconds(400));

  HANDLE both[2] = {a, b};
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_TIMEOUT);
  b.SetEvent();
  a.SetEvent();
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0);      // the first set one
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);  // a was taken
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_FAILED);         // all-of waits are not kept

  // A local event pulsed wakes a wait that includes a named one, not only at its next poll.
  HANDLE named = CreateEventA(nullptr, FALSE, FALSE, "QuillonConnectEvent");
  ASSERT_NE(named, nullptr);
  CEvent cancel;
  std::thread canceller([&] {
    std::this_thread::sleep_for(milliseconds(100));
    t = Clock::now();
    cancel.PulseEvent();
  });
  HANDLE mixed[2] = {named, cancel};
  EXPECT_EQ(WaitForMultipleObjects(2, mixed, FALSE, INFINITE), WAIT_OBJECT_0 + 1);
  EXPECT_LT(Clock::now() - t, milliseconds(20));
  canceller.join();
  CloseHandle(named);
}

TEST_F(Sync, PulsesReleaseOnlyThoseWaiting) {
  CEvent autoEvent, manualEvent(FALSE, TRUE);
  for (CEvent* e : {&autoEvent, &manualEvent}) {
    EXPECT_TRUE(e->PulseEvent());  // nobody waits: nothing stays behind
    EXPECT_FALSE(e->Lock(0));
    std::atomic<int> released{0};
    std::thread w1([&] { released += e->Lock(600); });
    std::thread w2([&] { released += e->Lock(600); });
    std::this_thread::sleep_for(milliseconds(100));
    e->PulseEvent();
    w1.join();
    w2.join();
    // An auto-reset pulse lets one go (the other times out), a manual one both.
    EXPECT_EQ(released.load(), e == &autoEvent ? 1 : 2);
    EXPECT_FALSE(e->Lock(0)) << "a pulse leaves the event not signalled";
  }
}

// A child process sets the named event; the parent's wait sees it.
TEST_F(Sync, NamedEventsCrossProcesses) {
  HANDLE mine = CreateEventA(nullptr, FALSE, FALSE, "QuillonConnectEvent");
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
  pid_t child = fork();
  if (child == 0) {
    HANDLE theirs = OpenEventA(EVENT_MODIFY_STATE, FALSE, "QuillonConnectEvent");
    usleep(100000);
    _exit(theirs && SetEvent(theirs) && CloseHandle(theirs) ? 0 : 1);
  }
  EXPECT_EQ(WaitForSingleObject(mine, 5000), WAIT_OBJECT_0);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(WaitForSingleObject(mine, 0), WAIT_TIMEOUT) << "auto-reset across processes";
  CloseHandle(mine);
}

// A set state left by a holder that has ended is not handed to the next creator;
// one left by a holder still running is, as the event is still the same.
TEST_F(Sync, StaleSetStateOfADeadHolder) {
  for (bool holderAlive : {false, true}) {
    SCOPED_TRACE(holderAlive ? "holder alive" : "holder dead");
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    pid_t child = fork();
    if (child == 0) {
      SetEvent(CreateEventA(nullptr, FALSE, FALSE, "QuillonConnectEvent"));
      (void)!write(go[1], "1", 1);
      if (holderAlive) pause();
      _exit(0);  // dies holding the handle, as a crashed server does
    }
    char c;
    ASSERT_EQ(read(go[0], &c, 1), 1);
    if (!holderAlive) waitpid(child, nullptr, 0);
    HANDLE h = CreateEventA(nullptr, FALSE, FALSE, "QuillonConnectEvent");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(holderAlive ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS));
    EXPECT_EQ(WaitForSingleObject(h, 0), holderAlive ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
    if (holderAlive) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
    CloseHandle(h);
    close(go[0]);
    close(go[1]);
  }
}

}  // namespace
