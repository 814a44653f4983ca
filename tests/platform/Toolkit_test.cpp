// The platform with no toolkit registered (this program links the data half
// alone): what needs a window system fails as Windows does without one, quietly,
// and the rules that need no window still hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/Toolkit.h"
#include "sorrel/Button.h"
#include "sorrel/DlgWait4Quillon.h"
#include "sorrel/ListCtrl.h"
#include "sorrel/PrintDialog.h"

namespace {

const RECT kRect{0, 0, 200, 100};

// A window object over a handle the platform did not make.
struct AttachedParent : CWnd {
  int anything = 0;
  AttachedParent() { Attach(reinterpret_cast<HWND>(&anything)); }
};

TEST(Toolkit, WithoutOneWindowsAndPrintersAreNotMadeAndNothingIsPrinted) {
  ASSERT_EQ(sorrel::RegisterToolkit(nullptr), nullptr) << "the data half registers no toolkit";
  const std::string pdf = (std::filesystem::temp_directory_path() / "sorrel-windowless.pdf").string();
  std::filesystem::remove(pdf);

  struct Case {
    const char* what;
    std::function<bool()> failsCleanly;
  };
  const Case cases[] = {
      {"a frame window", [] {
         CWnd frame;
         return frame.Create(nullptr, "frame", WS_OVERLAPPEDWINDOW, kRect, nullptr, 0) == FALSE &&
                frame.m_hWnd == nullptr && !frame.IsWindowVisible() && frame.ShowWindow(SW_SHOW) == FALSE;
       }},
      {"a modal dialog from its template", [] {
         CDialog dialog(CDlgWait4Quillon::IDD);
         return dialog.DoModal() == -1 && dialog.m_hWnd == nullptr;
       }},
      {"a modeless dialog", [] {
         CDialog dialog;
         return dialog.Create(CDlgWait4Quillon::IDD) == FALSE && dialog.m_hWnd == nullptr;
       }},
      // The children ask the toolkit for their windows under a parent that has
      // one as far as the platform knows (a handle attached, as a host's is).
      {"a list control", [] {
         AttachedParent parent;
         CListCtrl list;
         return list.Create(LVS_REPORT, kRect, &parent, 1) == FALSE && list.m_hWnd == nullptr &&
                list.GetHeaderCtrl()->m_hWnd == nullptr;
       }},
      {"a button", [] {
         AttachedParent parent;
         CButton button;
         return button.Create("OK", BS_PUSHBUTTON, kRect, &parent, IDOK) == FALSE && button.m_hWnd == nullptr;
       }},
      {"a message posted to a handle", [] {
         AttachedParent window;
         return window.PostMessage(WM_COMMAND) == FALSE && PostMessage(window.m_hWnd, WM_CLOSE, 0, 0) == FALSE;
       }},
      {"a CUPS queue's context", [] { return CreateDCA("CUPS", "anything", "", nullptr) == nullptr; }},
      {"a PDF file's context, and no file", [&] {
         return CreateDCA("PDF", "PDF", pdf.c_str(), nullptr) == nullptr && !std::filesystem::exists(pdf);
       }},
      {"the default printer", [] {
         CPrintDialog dialog(TRUE, PD_RETURNDC);
         return dialog.GetDefaults() == FALSE && dialog.GetDriverName().IsEmpty() && dialog.m_pd.hDC == nullptr;
       }},
      {"the print dialog, keeping the printer chosen before", [&] {
         CPrintDialog dialog(FALSE, PD_RETURNDC);
         dialog.SelectPrinter("PDF", "PDF", pdf.c_str());
         return dialog.DoModal() == -1 && dialog.GetPortName() == pdf.c_str() && dialog.m_pd.hDC == nullptr &&
                dialog.CreatePrinterDC() == nullptr;
       }},
      {"a beep", [] { return MessageBeep(MB_OK) == TRUE; }},
  };
  for (const Case& c : cases) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(c.failsCleanly()) << c.what;
    EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "") << c.what;
  }
}

}  // namespace
