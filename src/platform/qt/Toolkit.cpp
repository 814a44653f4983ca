// Registers the Qt toolkit as its code is loaded: the toolkit module holds this
// object as it holds all others; a program linking the static archive keeps it by
// asking for sorrel_qt_toolkit_registered (the library target says so). Only the
// pointer is set here; Qt itself starts with the first window, font or printer.
#include "platform/qt/Toolkit.h"

namespace {

constinit sorrel::qt::QtToolkit g_toolkit;

}  // namespace

extern "C" const bool sorrel_qt_toolkit_registered = (sorrel::RegisterToolkit(&g_toolkit), true);
