#include "platform/Toolkit.h"

#include <atomic>
#include <mutex>

#include "sorrel/Button.h"

namespace sorrel {

namespace {

// No window system: what Windows answers when a call needs one it does not have.
class Windowless final : public Toolkit {
 public:
  HWND Create(const win::Params&) override { return nullptr; }
  void Destroy(HWND) override {}
  void Show(HWND, int) override {}
  bool IsVisible(HWND) override { return false; }
  void Enable(HWND, bool) override {}
  bool IsEnabled(HWND) override { return false; }
  void Update(HWND) override {}
  void Invalidate(HWND) override {}
  void Move(HWND, const RECT&) override {}
  RECT ClientRect(HWND) override { return RECT{0, 0, 0, 0}; }
  RECT WindowRect(HWND) override { return RECT{0, 0, 0, 0}; }
  void SetText(HWND, const std::string&) override {}
  std::string GetText(HWND) override { return {}; }
  void SetFocus(HWND) override {}
  HWND GetFocus() override { return nullptr; }
  HWND Parent(HWND) override { return nullptr; }
  bool Post(HWND, UINT, WPARAM, LPARAM) override { return false; }
  LRESULT DefaultProcessing(HWND, UINT, WPARAM, LPARAM) override { return 0; }
  void DialogBaseUnits(const char*, int, int&, int&) override {}
  int RunModal(HWND) override { return -1; }
  void EndModal(HWND, int) override {}
  void ListChanged(HWND, win::ListChange, int, int) override {}
  HWND ListHeader(HWND) override { return nullptr; }
  std::unique_ptr<gdi::Device> OpenPrinter(const std::string&, const char*, const char*) override { return nullptr; }
  INT_PTR PrintDialog(PrintChoice&) override { return -1; }
  bool DefaultPrinter(std::string&) override { return false; }
  void Beep() override {}
  // The default scheme's colours, as Windows documents them.
  COLORREF SysColor(int nIndex) override {
    switch (nIndex) {
      case COLOR_WINDOW:
      case COLOR_HIGHLIGHTTEXT:
      case COLOR_BTNHIGHLIGHT:
        return RGB(0xFF, 0xFF, 0xFF);
      case COLOR_WINDOWTEXT:
      case COLOR_BTNTEXT:
        return RGB(0, 0, 0);
      case COLOR_HIGHLIGHT:
        return RGB(0x00, 0x78, 0xD7);
      case COLOR_BTNFACE:
        return RGB(0xF0, 0xF0, 0xF0);
      case COLOR_BTNSHADOW:
        return RGB(0xA0, 0xA0, 0xA0);
      case COLOR_GRAYTEXT:
        return RGB(0x6D, 0x6D, 0x6D);
      case COLOR_3DDKSHADOW:
        return RGB(0x69, 0x69, 0x69);
      case COLOR_3DLIGHT:
        return RGB(0xE3, 0xE3, 0xE3);
      default:
        return 0;
    }
  }
};

constinit Windowless g_windowless;
constinit std::atomic<Toolkit*> g_registered{nullptr};

constinit std::atomic<ToolkitLoader> g_loader{nullptr};
std::once_flag g_loaded;

}  // namespace

Toolkit& TheToolkit() {
  Toolkit* t = g_registered.load(std::memory_order_acquire);
  if (t == nullptr) {
    if (ToolkitLoader loader = g_loader.load(std::memory_order_acquire)) {
      std::call_once(g_loaded, loader);
      t = g_registered.load(std::memory_order_acquire);
    }
  }
  return t != nullptr ? *t : g_windowless;
}

void RegisterToolkitLoader(ToolkitLoader loader) { g_loader.store(loader, std::memory_order_release); }

Toolkit* RegisterToolkit(Toolkit* toolkit) { return g_registered.exchange(toolkit, std::memory_order_acq_rel); }

}  // namespace sorrel

DWORD GetSysColor(int nIndex) { return sorrel::TheToolkit().SysColor(nIndex); }
