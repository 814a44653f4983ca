#include "sorrel/Splash.h"

#include <chrono>
#include <thread>

#include "platform/x11/SplashWindow.h"
#include "resources/Dialogs.h"
#include "sorrel/Resources.h"
#include "sorrel/Sync.h"

unsigned int ShowSplash(void* event) {
  const DWORD delay = GetSplashDelayFromRegistry();
  if (delay == 0) return 0;

  // The dialog and the picture come from this library's own resources, whichever
  // module the host's resources are in.
  std::unique_ptr<sorrel::x11::SplashWindow> window;
  const sorrel::res::DialogTemplate* dialog = sorrel::res::FindDialog(159);
  sorrel::res::Bitmap picture;
  if (GetModuleHandleA("Sorrel.dll") && dialog && sorrel::res::FindBitmap(160, picture)) {
    // No font can be measured on the thread's own connection: the dialog's units
    // are those of its font, "MS Sans Serif" 8 pt, on a 96 dpi screen.
    const int width = sorrel::res::DialogUnitsToPixelsX(dialog->cx, sorrel::res::kClassicBaseX);
    const int height = sorrel::res::DialogUnitsToPixelsY(dialog->cy, sorrel::res::kClassicBaseY);
    window = sorrel::x11::SplashWindow::Show(picture, width, height);
  }

  // The host goes on with its start-up while the picture stays up.
  if (event) ::PulseEvent(static_cast<HANDLE>(*static_cast<CSyncObject*>(event)));
  std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  window.reset();
  return 0;
}
