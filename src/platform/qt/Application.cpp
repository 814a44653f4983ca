#include "platform/qt/Application.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdlib>

namespace sorrel::qt {

namespace {

// QApplication keeps references to argc and argv for its whole life.
int g_argc = 1;
char g_arg0[] = "sorrel";
char* g_argv[] = {g_arg0, nullptr};

bool HasDisplay() {
  const char* env[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  for (const char* name : env) {
    const char* v = std::getenv(name);
    if (v != nullptr && *v != '\0') return true;
  }
  return false;
}

}  // namespace

QApplication* EnsureApplication() {
  if (QCoreApplication* app = QCoreApplication::instance()) return qobject_cast<QApplication*>(app);
  if (!HasDisplay()) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Made once and kept for the life of the process, as a host's own would be.
  static QApplication* made = new QApplication(g_argc, g_argv);
  return made;
}

bool EnsureGuiApplication() {
  if (QCoreApplication* app = QCoreApplication::instance()) return qobject_cast<QGuiApplication*>(app) != nullptr;
  return EnsureApplication() != nullptr;
}

}  // namespace sorrel::qt
