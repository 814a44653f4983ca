// The platform's toolkit on Qt: windows on widgets (Windows.cpp, ListView.cpp),
// printers and the beep (QtDevices.cpp), the print dialog (PrintDialog.cpp), the
// palette's colours (SysColor.cpp). Registered by Toolkit.cpp when the library
// is loaded.
#pragma once

#include "platform/Toolkit.h"

namespace sorrel::qt {

class QtToolkit final : public Toolkit {
 public:
  HWND Create(const win::Params& params) override;
  void Destroy(HWND hWnd) override;
  void Show(HWND hWnd, int nCmdShow) override;
  bool IsVisible(HWND hWnd) override;
  void Enable(HWND hWnd, bool bEnable) override;
  bool IsEnabled(HWND hWnd) override;
  void Update(HWND hWnd) override;
  void Invalidate(HWND hWnd) override;
  void Move(HWND hWnd, const RECT& rect) override;
  RECT ClientRect(HWND hWnd) override;
  RECT WindowRect(HWND hWnd) override;
  void SetText(HWND hWnd, const std::string& text) override;
  std::string GetText(HWND hWnd) override;
  void SetFocus(HWND hWnd) override;
  HWND GetFocus() override;
  HWND Parent(HWND hWnd) override;
  bool Post(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefaultProcessing(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  void DialogBaseUnits(const char* face, int pointSize, int& baseX, int& baseY) override;
  int RunModal(HWND hDialog) override;
  void EndModal(HWND hDialog, int nResult) override;
  void ListChanged(HWND hList, win::ListChange what, int first, int last) override;
  HWND ListHeader(HWND hList) override;
  std::unique_ptr<gdi::Device> OpenPrinter(const std::string& driver, const char* device,
                                           const char* port) override;
  INT_PTR PrintDialog(PrintChoice& choice) override;
  bool DefaultPrinter(std::string& name) override;
  void Beep() override;
  COLORREF SysColor(int nIndex) override;
};

}  // namespace sorrel::qt

// Defined by the object that registers the Qt toolkit: a static library's user
// names it (-u) so that the linker keeps that object, which nothing else refers to.
extern "C" const bool sorrel_qt_toolkit_registered;
