// The splash screen on a real X server (an Xvfb the test starts and stops): the
// window found on the server with the picture's pixels while the thread sleeps,
// gone after; delay 0 and no server at all.
#include <gtest/gtest.h>

// After gtest, whose names Xlib's macros (None, Bool) would take.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "resources/Dialogs.h"
#include "sorrel/Splash.h"
#include "sorrel/Sync.h"
#include "support/TestHost.h"

namespace {

using Clock = std::chrono::steady_clock;

// A private X server, our child: the shell tells its pid and becomes Xvfb, which
// tells the display number it chose once it listens. It also ends when its last
// client goes, should the test end without its destructors (Xlib exits on an X error).
struct Xvfb {
  Xvfb() : m_pipe(popen("echo $$; exec Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp -terminate 2>/dev/null",
                        "r")) {
    char number[16];
    if (m_pipe && std::fscanf(m_pipe, "%d %15s", &m_pid, number) == 2) m_display = std::string(":") + number;
  }
  ~Xvfb() {
    if (m_pid > 0) kill(m_pid, SIGTERM);
    if (m_pipe) pclose(m_pipe);  // waits for it
  }
  FILE* m_pipe;
  pid_t m_pid = 0;
  std::string m_display;  // ":N", empty when the server did not start
};

struct Found { Window id; XWindowAttributes attrs; };

// The mapped top-level windows of the server, topmost last.
std::vector<Found> Windows(Display* d) {
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  std::vector<Found> found;
  XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n);
  for (unsigned i = 0; i < n; ++i) {
    XWindowAttributes a;
    if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable) found.push_back({children[i], a});
  }
  if (children) XFree(children);
  return found;
}

class SplashTest : public ::testing::Test {
 protected:
  void SetUp() override { XInitThreads(); }  // before any other Xlib call of the process

  // Runs ShowSplash on a worker thread; `whileUp` runs once the event was pulsed.
  // Returns whether it was, and the time from the pulse to the thread's end.
  std::pair<bool, Clock::duration> Run(DWORD waitMs, const std::function<void()>& whileUp = {}) {
    CEvent event;
    // A pulse reaches only a thread already waiting: the splash starts a little
    // after the wait does, as a host's start-up takes longer than its first wait.
    std::thread worker([&event] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      ShowSplash(&event);
    });
    const bool pulsed = event.Lock(waitMs);
    const auto t0 = Clock::now();
    if (pulsed && whileUp) whileUp();
    worker.join();
    return {pulsed, Clock::now() - t0};
  }

  sorrel::test::TestHost profile;
};

}  // namespace

TEST_F(SplashTest, ThePictureIsUpOnTopWhileTheThreadSleepsAndGoneAfter) {
  Xvfb server;
  if (server.m_display.empty()) GTEST_SKIP() << "Xvfb (package xvfb) is not installed or did not start";
  setenv("DISPLAY", server.m_display.c_str(), 1);
  GetSplashDelayFromRegistry();  // makes the key, which storing needs
  SetSplashDelay2Registry(500);
  Display* d = XOpenDisplay(server.m_display.c_str());
  ASSERT_NE(d, nullptr);
  // A window of someone else's that the splash must cover.
  Window other = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 640, 480, 0, 0, 0xFFFFFF);
  XMapWindow(d, other);
  XSync(d, False);

  sorrel::res::Bitmap picture;
  ASSERT_TRUE(sorrel::res::FindBitmap(160, picture));
  std::optional<Found> splash;
  int wrong = 0;
  auto [pulsed, up] = Run(5000, [&] {
    std::vector<Found> found = Windows(d);
    ASSERT_FALSE(found.empty());
    splash = found.back();  // the topmost
    ASSERT_NE(splash->id, other);
    XImage* image = XGetImage(d, splash->id, 0, 0, unsigned(splash->attrs.width), unsigned(splash->attrs.height),
                              AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    // The screen is 24-bit true colour: a pixel is 0xRRGGBB.
    for (int y = 0; y < splash->attrs.height; ++y)
      for (int x = 0; x < splash->attrs.width; ++x) wrong += (XGetPixel(image, x, y) & 0xFFFFFF) != picture.Pixel(x, y);
    XDestroyImage(image);
  });
  ASSERT_TRUE(pulsed);
  ASSERT_TRUE(splash);
  // Dialog 159: 200 x 138 dialog units of "MS Sans Serif" 8 pt; the picture's last row is cut.
  EXPECT_EQ(splash->attrs.width, 300);
  EXPECT_EQ(splash->attrs.height, 224);
  EXPECT_TRUE(splash->attrs.override_redirect);
  EXPECT_EQ(splash->attrs.x, (640 - 300) / 2);
  EXPECT_EQ(wrong, 0);
  EXPECT_GE(up, std::chrono::milliseconds(400));
  std::vector<Found> after = Windows(d);
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].id, other);
  XCloseDisplay(d);
}

// Without a server the event is still pulsed and the thread still sleeps; a delay
// of 0 returns at once without pulsing.
TEST_F(SplashTest, WithoutAServerOnlyTheDelayCounts) {
  unsetenv("DISPLAY");
  GetSplashDelayFromRegistry();
  for (DWORD delay : {300u, 0u}) {
    SCOPED_TRACE(delay);
    SetSplashDelay2Registry(delay);
    const auto t0 = Clock::now();
    auto [pulsed, asleep] = Run(delay ? 5000 : 300);
    EXPECT_EQ(pulsed, delay != 0);
    if (delay) EXPECT_GE(asleep, std::chrono::milliseconds(250));
    else EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(1000));
  }
}
