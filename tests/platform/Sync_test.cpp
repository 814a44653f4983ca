// Events: local and named, auto and manual reset, pulses, waits on several events,
// and a named event's life across processes (its stale state, its removal).
#include "sorrel/Sync.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/SyncInternal.h"

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

TEST_F(Sync, LocalEventsAndBadHandles) {
  struct Case {
    BOOL manual, initial;
    DWORD first, second;  // two waits of 0 ms
  } cases[] = {
      {FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},  // an auto-reset event is taken once
      {TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},  // a manual one stays set
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "manual " << c.manual << " initial " << c.initial);
    HANDLE h = CreateEventA(nullptr, c.manual, c.initial, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(WaitForSingleObject(h, 0), c.first);
    EXPECT_EQ(WaitForSingleObject(h, 0), c.second);
    for (BOOL (*unset)(HANDLE) : {ResetEvent, PulseEvent}) {  // a set event pulsed ends reset too
      EXPECT_TRUE(SetEvent(h));
      EXPECT_TRUE(unset(h));
      EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_TIMEOUT);
    }
    EXPECT_TRUE(CloseHandle(h));
  }

  HANDLE closed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  ASSERT_TRUE(CloseHandle(closed));
  for (HANDLE bad : {reinterpret_cast<HANDLE>(0x1234), closed, static_cast<HANDLE>(nullptr)}) {
    EXPECT_FALSE(SetEvent(bad));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(PulseEvent(bad));
    EXPECT_FALSE(CloseHandle(bad));
    EXPECT_EQ(WaitForSingleObject(bad, 10), WAIT_FAILED);
  }
  HANDLE two[2] = {nullptr, nullptr};
  EXPECT_EQ(WaitForMultipleObjects(0, two, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS + 1, two, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(OpenEventA(SYNCHRONIZE, FALSE, "Test Event/1"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
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

TEST_F(Sync, NamesAreOneEventPerSessionAndGoWithTheLastHandle) {
  HANDLE a = CreateEventA(nullptr, TRUE, FALSE, "Test Event/1");
  HANDLE b = CreateEventA(nullptr, FALSE, TRUE, "Test Event/1");  // opens a's: manual, not set
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
  HANDLE c = OpenEventA(SYNCHRONIZE, FALSE, "Local\\Test Event/1");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_TIMEOUT);
  SetEvent(c);
  EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_OBJECT_0);
  CloseHandle(a);
  CloseHandle(b);
  EXPECT_TRUE(ShmExists("Test Event/1"));
  CloseHandle(c);
  EXPECT_FALSE(ShmExists("Test Event/1"));
}

}  // namespace
