// The Qt widgets behind the library's windows, and what they share: the handle of
// a widget, the messages its input becomes, the default processing of a message.
#pragma once

#include <QWidget>

#include "platform/WindowBackend.h"

class QMouseEvent;

namespace sorrel::qt {

inline HWND ToHwnd(const QWidget* w) { return reinterpret_cast<HWND>(const_cast<QWidget*>(w)); }
inline QWidget* ToWidget(HWND h) { return reinterpret_cast<QWidget*>(h); }

// A widget whose input goes through its window object first: the object's
// handlers see the message, and the widget's own handling runs as the message's
// default processing.
class MessageWidget {
 public:
  virtual ~MessageWidget() = default;
  // The widget's own handling of the message being delivered.
  virtual LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// The key flags of a mouse message for the event's buttons and modifiers.
WPARAM MouseKeyFlags(const QMouseEvent* event);

// Delivers a mouse event as a message to the widget's window object, or straight
// to its default processing when it has none. xOffset shifts x into the window's
// client coordinates (a scrolled header's).
void DeliverMouse(QWidget* widget, MessageWidget* self, UINT message, const QMouseEvent* event, int xOffset = 0);

// Sends WM_NOTIFY from a window to its parent window's object, now.
LRESULT NotifyParent(QWidget* from, NMHDR* header);

// Registers a widget made for a window: its destruction lets its objects go.
void Track(QWidget* widget);

// The list view and its header (ListView.cpp).
QWidget* CreateListView(const win::Params& params, QWidget* parent);
void ListViewChanged(QWidget* list, win::ListChange what, int first, int last);
QWidget* ListViewHeader(QWidget* list);

// The owner-drawn push button (OwnerDrawButton.cpp).
QWidget* CreateOwnerDrawButton(const win::Params& params, QWidget* parent);

}  // namespace sorrel::qt
