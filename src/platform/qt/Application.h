// The toolkit's application object. The library owns no main loop: a host that
// shows windows creates its own QApplication; a host without one (the sorrel tool
// printing to a file, a test) gets one made here the first time a window, a font
// or a printer is needed.
#pragma once

class QApplication;

namespace sorrel::qt {

// The running QApplication, created on the calling thread when there is none.
// Without a display (no DISPLAY, no WAYLAND_DISPLAY and no QT_QPA_PLATFORM) it
// uses the offscreen platform, so that printing works on a machine with no screen.
// Null when the process already runs a plain QCoreApplication or QGuiApplication
// (a host that chose no widgets): callers that need only fonts and painting may
// use QGuiApplication::instance() then.
QApplication* EnsureApplication();

// True when a QGuiApplication (or QApplication) exists or could be made.
bool EnsureGuiApplication();

}  // namespace sorrel::qt
