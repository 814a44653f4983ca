// The toolkit under the platform: one table of the operations the window classes,
// the device contexts, the print dialog and the system colours hand to a window
// system. The platform holds a pointer to the registered table and calls through
// it; a backend (platform/qt) registers its own. With none registered the platform
// behaves as Windows does without a window system: windows and printer contexts
// are not made (null, FALSE, -1), queries answer "none", the system colours are
// the default scheme's, and nothing is shown, printed or beeped.
#pragma once

#include <memory>
#include <string>

#include "platform/GdiDevice.h"
#include "platform/WindowBackend.h"

namespace sorrel {

// The print dialog's choice: on the way in the printer chosen so far and the
// caller's PD_ flags; on the way out the printer the user took, the range
// (PD_SELECTION, PD_PAGENUMS and the pages) and the number of copies.
struct PrintChoice {
  HWND owner = nullptr;
  std::string driver, device, port;
  DWORD flags = 0;
  WORD fromPage = 1;
  WORD toPage = 0xFFFF;
  WORD copies = 1;
};

class Toolkit {
 public:
  // Windows. Create makes the widget, or null when it cannot be made; a child
  // shows when its style has WS_VISIBLE, a top-level window waits for Show.
  virtual HWND Create(const win::Params& params) = 0;
  virtual void Destroy(HWND hWnd) = 0;
  virtual void Show(HWND hWnd, int nCmdShow) = 0;
  virtual bool IsVisible(HWND hWnd) = 0;
  virtual void Enable(HWND hWnd, bool bEnable) = 0;
  virtual bool IsEnabled(HWND hWnd) = 0;
  virtual void Update(HWND hWnd) = 0;
  virtual void Invalidate(HWND hWnd) = 0;
  virtual void Move(HWND hWnd, const RECT& rect) = 0;
  virtual RECT ClientRect(HWND hWnd) = 0;
  virtual RECT WindowRect(HWND hWnd) = 0;
  virtual void SetText(HWND hWnd, const std::string& text) = 0;
  virtual std::string GetText(HWND hWnd) = 0;
  virtual void SetFocus(HWND hWnd) = 0;
  virtual HWND GetFocus() = 0;
  virtual HWND Parent(HWND hWnd) = 0;
  // Queues a message for the GUI thread; safe from any thread. False when it cannot.
  virtual bool Post(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // The widget's own handling of the input message being delivered to it.
  virtual LRESULT DefaultProcessing(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;

  // Dialogs: the dialog font's base units (baseX and baseY left as they are when
  // it cannot measure), a modal run, its end.
  virtual void DialogBaseUnits(const char* face, int pointSize, int& baseX, int& baseY) = 0;
  virtual int RunModal(HWND hDialog) = 0;
  virtual void EndModal(HWND hDialog, int nResult) = 0;

  // A list control's view follows the control (`last` -1: to the end); the header
  // window of a list view.
  virtual void ListChanged(HWND hList, win::ListChange what, int first, int last) = 0;
  virtual HWND ListHeader(HWND hList) = 0;

  // The built-in printer drivers ("CUPS" queues, "PDF" files): a device, or null
  // when the printer cannot be opened or the driver is not one of them.
  virtual std::unique_ptr<gdi::Device> OpenPrinter(const std::string& driver, const char* device,
                                                   const char* port) = 0;
  // The print dialog: IDOK with `choice` filled in, IDCANCEL, or -1 when no dialog
  // can be shown.
  virtual INT_PTR PrintDialog(PrintChoice& choice) = 0;
  // The print system's default queue; false when there is none.
  virtual bool DefaultPrinter(std::string& name) = 0;
  virtual void Beep() = 0;
  // GetSysColor's answer for the index (0 for an unknown one).
  virtual COLORREF SysColor(int nIndex) = 0;

 protected:
  // A toolkit is registered, never deleted through this table: it lives for the
  // whole process, also through the destructors of static objects.
  ~Toolkit() = default;
};

// The registered toolkit, or the windowless one when none is. The first call that
// finds none registered runs the toolkit loader once, if one is registered.
Toolkit& TheToolkit();
// The shared library registers a loader that opens the toolkit module beside it
// (whose loading registers its toolkit); programs linking the objects themselves
// register their toolkit directly and have no loader.
using ToolkitLoader = void (*)();
void RegisterToolkitLoader(ToolkitLoader loader);
// Registers a toolkit (null: back to none) and returns the one registered before.
// Any thread; the toolkit must outlive its registration.
SORREL_MODULE_API Toolkit* RegisterToolkit(Toolkit* toolkit);

}  // namespace sorrel
