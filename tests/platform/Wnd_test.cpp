// Windows and dialogs on the real toolkit (offscreen): message maps, messages
// posted from another thread, dialogs built from the library's descriptions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <thread>

#include "platform/CodePageInternal.h"
#include "platform/Toolkit.h"
#include "platform/qt/Application.h"
#include "resources/Dialogs.h"
#include "sorrel/Wnd.h"
#include "support/Pixels.h"

namespace {

constexpr UINT WM_CONNECTED = WM_USER + 1;

// A dialog on the wait description that records what reaches its handlers.
class RecordingDialog : public CDialog {
 public:
  RecordingDialog() : CDialog(158) {}
  std::thread::id handlerThread;
  int initCount = 0, okCount = 0;
  std::function<void(RecordingDialog&)> onInit;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    ++initCount;
    if (onInit) onInit(*this);
    return TRUE;
  }
  void OnOK() override {
    ++okCount;
    EndDialog(IDCANCEL + 40);
  }
  afx_msg LRESULT OnConnected(WPARAM wParam, LPARAM lParam) {
    handlerThread = std::this_thread::get_id();
    EndDialog(int(wParam + lParam));
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RecordingDialog, CDialog)
ON_MESSAGE(WM_CONNECTED, OnConnected)
END_MESSAGE_MAP()

QWidget* Widget(const CWnd& w) { return reinterpret_cast<QWidget*>(w.m_hWnd); }

class WndTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(sorrel::qt::EnsureApplication(), nullptr); }
};

}  // namespace

TEST_F(WndTest, MessagePostedFromAnotherThreadReachesTheMapOnTheGuiThread) {
  RecordingDialog dlg;
  std::thread poster;
  dlg.onInit = [&](RecordingDialog& d) { poster = std::thread(::PostMessage, d.m_hWnd, WM_CONNECTED, 40, 2); };
  EXPECT_EQ(dlg.DoModal(), 42);
  poster.join();
  EXPECT_EQ(dlg.initCount, 1);
  EXPECT_EQ(dlg.handlerThread, std::this_thread::get_id());
  EXPECT_EQ(dlg.m_hWnd, nullptr);  // the window is gone after the run
}

TEST_F(WndTest, ButtonsAndEscapeReachTheCommandHandlers) {
  struct Case {
    const char* what;
    std::function<void(RecordingDialog&)> act;
    INT_PTR result;
    int okCount;
  } cases[] = {
      // Button 1 of the wait dialog is IDOK: the dialog's OnOK decides the result.
      {"click", [](RecordingDialog& d) { QTest::mouseClick(qobject_cast<QPushButton*>(Widget(*d.GetDlgItem(IDOK))), Qt::LeftButton); }, 42, 1},
      {"escape", [](RecordingDialog& d) { QTest::keyClick(Widget(d), Qt::Key_Escape); }, IDCANCEL, 0},
      {"end", [](RecordingDialog& d) { d.EndDialog(7); }, 7, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingDialog dlg;
    dlg.onInit = [&](RecordingDialog& d) { QTimer::singleShot(0, Widget(d), [&] { c.act(d); }); };
    EXPECT_EQ(dlg.DoModal(), c.result);
    EXPECT_EQ(dlg.okCount, c.okCount);
  }
}

TEST_F(WndTest, DialogsTakeTheirSizeAndControlsFromTheDescription) {
  RecordingDialog dlg;
  QImage shot;
  dlg.onInit = [&](RecordingDialog& d) {
    int bx = 0, by = 0;
    sorrel::TheToolkit().DialogBaseUnits("MS Sans Serif", 8, bx, by);
    RECT rc;
    d.GetClientRect(&rc);
    EXPECT_EQ(rc.right, sorrel::res::DialogUnitsToPixelsX(180, bx));
    EXPECT_EQ(rc.bottom, sorrel::res::DialogUnitsToPixelsY(50, by));
    CWnd* ok = d.GetDlgItem(IDOK);
    CWnd* cancel = d.GetDlgItem(IDCANCEL);
    ASSERT_TRUE(ok && cancel);
    CString text;
    ok->GetWindowText(text);
    EXPECT_STREQ(text, sorrel::Utf8ToAnsi("Pracovat &bez připojeného telefonu").c_str());
    EXPECT_TRUE(ok->IsWindowEnabled());
    EXPECT_FALSE(cancel->IsWindowEnabled());
    EXPECT_FALSE(Widget(*cancel)->isVisibleTo(Widget(d)));
    QTimer::singleShot(0, Widget(d), [&] {
      shot = Widget(d)->grab().toImage();
      d.EndDialog(IDOK);
    });
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  sorrel::test::SavePng(shot, "dialog158.png");
  EXPECT_FALSE(shot.isNull());

  // The unit rule itself: MulDiv rounding, half away from zero.
  struct {
    int units, base, x, y;
  } rules[] = {{200, 6, 300, 150}, {138, 13, 449, 224}, {7, 13, 23, 11}, {1, 6, 2, 1}, {0, 6, 0, 0}};
  for (const auto& r : rules) {
    EXPECT_EQ(sorrel::res::DialogUnitsToPixelsX(r.units, r.base), r.x) << r.units << " " << r.base;
    EXPECT_EQ(sorrel::res::DialogUnitsToPixelsY(r.units, r.base), r.y) << r.units << " " << r.base;
  }
}

TEST_F(WndTest, ADialogWithoutDescriptionFailsAndWindowsLetGoOfDestroyedWidgets) {
  CDialog missing(4711);
  EXPECT_EQ(missing.DoModal(), -1);

  CWnd frame;
  ASSERT_TRUE(frame.Create(nullptr, "Frame", WS_OVERLAPPEDWINDOW, CRect(0, 0, 200, 100), nullptr, 0));
  CWnd child;
  ASSERT_TRUE(child.Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(10, 10, 50, 50), &frame, 12));
  EXPECT_EQ(child.GetParent(), &frame);
  EXPECT_EQ(frame.GetDlgItem(12), &child);
  EXPECT_EQ(CWnd::FromHandle(child.m_hWnd), &child);
  // A host's widget destroyed behind the object's back leaves it without a window.
  delete Widget(frame);
  EXPECT_EQ(frame.m_hWnd, nullptr);
  EXPECT_EQ(child.m_hWnd, nullptr);
  EXPECT_FALSE(child.PostMessage(WM_USER));
}
