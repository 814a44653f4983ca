// A window owned by the calling thread: opened on the thread's own connection to
// the X server, so that a worker thread can show a picture while the GUI thread
// goes on (the toolkit's widgets live on the GUI thread only).
#pragma once

#include <memory>

#include "resources/Dialogs.h"

namespace sorrel::x11 {

class SplashWindow {
 public:
  // Shows the picture at its own size from the window's top-left corner, in a
  // window of width x height pixels centred on the screen, above every other
  // window, and paints it once. Null when there is no X server to show it on.
  static std::unique_ptr<SplashWindow> Show(const res::Bitmap& picture, int width, int height);
  ~SplashWindow();  // destroys the window and closes the connection
  SplashWindow(const SplashWindow&) = delete;
  SplashWindow& operator=(const SplashWindow&) = delete;

  // The window's X id, for whoever wants to find it on the server.
  unsigned long Id() const;

 private:
  struct Impl;
  explicit SplashWindow(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> m_impl;
};

}  // namespace sorrel::x11
