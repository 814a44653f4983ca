// The wait dialog under the offscreen platform, with quillon started from the
// current folder as "Quillon" on a private bus: OK once the server reports its
// phone, Cancel from the visible button or Escape, and no waiting thread left.
#include "sorrel/DlgWait4Quillon.h"

#include <gtest/gtest.h>

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
#include "sorrel/Quillon.h"
#include "support/Pixels.h"
#include "support/PrivateBus.h"

namespace {

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
    HANDLE left = OpenEventA(EVENT_ALL_ACCESS, FALSE, QUILLON_CONNECT_EVENT);
    EXPECT_EQ(left, nullptr) << "a handle of the connect event was left open";
    if (left) CloseHandle(left);
  }
  // "Quillon" in the current folder, as the installed program stands beside its name.
  void PutServerHere() { fs::create_symlink(sorrel::test::QuillonPath(), bus_.Dir() + "/Quillon"); }

  sorrel::test::PrivateBus bus_;
  fs::path old_;
  int baseline_ = 0;
};

TEST_F(WaitDialogTest, EndsWithOkWhenTheServerReportsItsPhone) {
  PutServerHere();
  const auto start = std::chrono::steady_clock::now();
  {
    ObservedWait dlg("Tovik9");
    dlg.onInit = [](ObservedWait& d) { sorrel::test::SavePng(Widget(d.m_hWnd)->grab().toImage(), "wait4quillon.png"); };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    // quillon sets the event a second after it starts.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900)) << "OK before the server said";
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
  const std::pair<std::string, std::function<void(ObservedWait&)>> cases[] = {
      {"button", [](ObservedWait& d) {
         auto* button = qobject_cast<QPushButton*>(Widget(d.GetDlgItem(IDOK)->m_hWnd));
         ASSERT_NE(button, nullptr);
         EXPECT_EQ(button->text().toStdString(), "Pracovat &bez připojeného telefonu");
         std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the thread is waiting by now
         QTest::mouseClick(button, Qt::LeftButton);
       }},
      {"escape", [](ObservedWait& d) { QTest::keyClick(Widget(d.m_hWnd), Qt::Key_Escape); }},
  };
  for (const auto& [what, act] : cases) {
    SCOPED_TRACE(what);
    {
      ObservedWait dlg("Tovik2");
      dlg.onInit = act;
      EXPECT_EQ(dlg.DoModal(), IDCANCEL);
      // Escape gives no pulse: its thread ends when the dialog goes.
      EXPECT_TRUE(what != "button" || ThreadsBackTo(baseline_)) << "the pulse ended the thread";
    }
    EXPECT_TRUE(ThreadsBackTo(baseline_)) << "the dialog has gone and no thread waits";
  }
}

}  // namespace
