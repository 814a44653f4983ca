// The toolkit under the window classes. The window classes keep every rule (message
// maps, dialogs, the list's columns and items); the toolkit backend makes the
// widgets, delivers their input as messages and shows what the classes hold.
// Declared here without toolkit types; the calls themselves are the toolkit's table
// (Toolkit.h).
#pragma once

#include <string>

#include "sorrel/Wnd.h"

class CListCtrl;

namespace sorrel::win {

enum class Kind { Frame, Child, Static, Button, Picture, Dialog, ListView, Header };

struct Params {
  Kind kind = Kind::Child;
  CWnd* owner = nullptr;    // the object that receives the window's messages
  std::string text;         // caption, in the ANSI code page
  DWORD style = 0;
  RECT rect{0, 0, 0, 0};    // pixels, in the parent's client area
  HWND parent = nullptr;
  UINT id = 0;
  UINT bitmap = 0;          // Picture: the library's bitmap to show
};

// What changed in a list control, for its view to show.
enum class ListChange { Columns, Order, Width, Items, ItemText, Selection, Redraw };

}  // namespace sorrel::win

// The dispatch into the window objects, called by the backend on the GUI thread.
namespace sorrel::wnd {
// Delivers a message to the window's object (WindowProc) as the message being
// handled, so that Default() finds it. 0 when the window has no object.
SORREL_MODULE_API LRESULT Deliver(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, bool* pDelivered = nullptr);
// Makes the window of the params for the object (params.owner is ignored) and binds
// them; FALSE when the object has a window already or the toolkit makes none.
bool CreateFor(CWnd* wnd, win::Params params);
// The toolkit destroyed the window (its parent went, or the user closed it).
SORREL_MODULE_API void Destroyed(HWND hWnd);
}  // namespace sorrel::wnd
