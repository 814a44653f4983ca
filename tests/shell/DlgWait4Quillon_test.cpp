// The wait dialog under the offscreen platform, with quillon started from the
// current folder as "Quillon" on a private bus: OK once the server reports its
// phone, Cancel from the visible button or Escape, and no waiting thread left.
#include "sorrel/DlgWait4Quillon.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/qt/Application.h"
#include "support/Pixels.h"
#include "support/PrivateBus.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

int Threads() { return int(std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator())); }

// Waits up to a second for the process to be down to `count` threads.
bool ThreadsBackTo(int count) {
  for (int i = 0; i < 500 && Threads() > count; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return Threads() == count;
}

QWidget* Widget(HWND h) { return reinterpret_cast<QWidget*>(h); }

class ObservedWait : public CDlgWait4Quillon {
 public:
  using CDlgWait4Quillon::CDlgWait4Quillon;
  std::function<void(ObservedWait&)> onInit;
  BOOL OnInitDialog() override {
    BOOL r = CDlgWait4Quillon::OnInitDialog();
    if (onInit) QTimer::singleShot(0, Widget(m_hWnd), [this] { onInit(*this); });
    return r;
  }
};

class WaitDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(sorrel::qt::EnsureApplication(), nullptr);
    ASSERT_TRUE(bus_.Up());
    old_ = fs::current_path();
    fs::current_path(bus_.Dir());
    baseline_ = Threads();
  }
  void TearDown() override {
    fs::current_path(old_);
    EXPECT_TRUE(bus_.LeftoverEvents().empty()) << "the connect event was left in shared memory";
  }
  // "Quillon" in the current folder, as the installed program stands beside its name.
  void PutServerHere() { fs::create_symlink(sorrel::test::QuillonPath(), bus_.Dir() + "/Quillon"); }

  sorrel::test::PrivateBus bus_;
  fs::path old_;
  int baseline_ = 0;
};

TEST_F(WaitDialogTest, EndsWithOkWhenTheServerReportsItsPhone) {
  PutServerHere();
  auto start = Clock::now();
  {
    ObservedWait dlg("Tovik9");
    dlg.onInit = [](ObservedWait& d) { sorrel::test::SavePng(Widget(d.m_hWnd)->grab().toImage(), "wait4quillon.png"); };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    // quillon sets the event a second after it starts; the start itself may take
    // seconds while other tests start crowds of servers.
    double took = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_GE(took, 0.9);
    EXPECT_LT(took, 30.0);
    EXPECT_TRUE(ThreadsBackTo(baseline_)) << "the waiting thread ends once it has posted";
  }
  // The server got the argument list (server argument, server argument).
  pid_t server = bus_.PidOf("Tovik9");
  ASSERT_GT(server, 0);
  std::ifstream cmdline("/proc/" + std::to_string(server) + "/cmdline", std::ios::binary);
  std::string args((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
  EXPECT_EQ(args, std::string("-Tovik9\0-Tovik9\0", 16));
  bus_.Stop(server);
}

// With no server to start (none in the current folder) the dialog waits for the
// user: the visible button, or Escape.
TEST_F(WaitDialogTest, TheUserEndsTheWait) {
  struct Case {
    const char* what;
    std::function<void(ObservedWait&)> act;
    bool threadEndsBeforeTheDialogGoes;
  } cases[] = {
      {"button", [](ObservedWait& d) {
         auto* button = qobject_cast<QPushButton*>(Widget(d.GetDlgItem(IDOK)->m_hWnd));
         ASSERT_NE(button, nullptr);
         EXPECT_EQ(button->text().toStdString(), "Pracovat &bez připojeného telefonu");
         std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the thread is waiting by now
         QTest::mouseClick(button, Qt::LeftButton);
       }, true},
      {"escape", [](ObservedWait& d) { QTest::keyClick(Widget(d.m_hWnd), Qt::Key_Escape); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    {
      ObservedWait dlg("Tovik2");
      dlg.onInit = c.act;
      EXPECT_EQ(dlg.DoModal(), IDCANCEL);
      if (c.threadEndsBeforeTheDialogGoes) {
        EXPECT_TRUE(ThreadsBackTo(baseline_)) << "the pulse ended the thread";
      }
    }
    EXPECT_TRUE(ThreadsBackTo(baseline_)) << "the dialog has gone and no thread waits";
  }
}

}  // namespace
