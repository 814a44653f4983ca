// The window backend on Qt widgets: frames, plain children, static texts and
// pictures, push buttons, dialogs; messages posted across threads.
#include "platform/qt/Windows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

#include "platform/CodePageInternal.h"
#include "platform/qt/Application.h"
#include "platform/qt/Toolkit.h"
#include "resources/Dialogs.h"

namespace sorrel::qt {

namespace {

QString FromAnsi(const std::string& text) { return QString::fromStdString(AnsiToUtf8(text)); }

// A dialog's window: Escape and closing become IDCANCEL, which the dialog object
// handles (OnCancel ends the dialog); the toolkit's own reject never ends it.
class DialogWidget : public QDialog {
 public:
  using QDialog::QDialog;

 protected:
  void reject() override { Command(IDCANCEL); }
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    Command(IDCANCEL);
  }

 private:
  void Command(int id) {
    wnd::Deliver(ToHwnd(this), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }
};

QImage BitmapImage(UINT id) {
  res::Bitmap bitmap;
  if (!res::FindBitmap(id, bitmap)) return {};
  QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
  for (int y = 0; y < bitmap.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bitmap.width; ++x) line[x] = 0xFF000000u | bitmap.Pixel(x, y);
  }
  return image;
}

QWidget* MakeWidget(const win::Params& params, QWidget* parent) {
  const QString text = FromAnsi(params.text);
  switch (params.kind) {
    case win::Kind::Frame: {
      auto* w = new QWidget(parent, Qt::Window);
      w->setWindowTitle(text);
      return w;
    }
    case win::Kind::Dialog: {
      auto* d = new DialogWidget(parent);
      // A popup with a modal frame and no caption: a framed window without a title bar.
      if (!(params.style & WS_CAPTION)) d->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
      d->setWindowTitle(text);
      return d;
    }
    case win::Kind::Static: {
      auto* l = new QLabel(text, parent);
      Qt::Alignment align = (params.style & SS_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft;
      align |= (params.style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
      l->setAlignment(align);
      // '&' marks a mnemonic in a control's text, as in a button's.
      l->setText(text);
      return l;
    }
    case win::Kind::Picture: {
      auto* l = new QLabel(parent);
      QImage image = BitmapImage(params.bitmap);
      l->setPixmap(QPixmap::fromImage(image));
      l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return l;
    }
    case win::Kind::Button: {
      if ((params.style & 0xF) == BS_OWNERDRAW) return CreateOwnerDrawButton(params, parent);
      auto* b = new QPushButton(text, parent);
      b->setDefault((params.style & 0xF) == BS_DEFPUSHBUTTON);
      b->setAutoDefault(false);
      return b;
    }
    case win::Kind::ListView:
      return CreateListView(params, parent);
    case win::Kind::Header:
    case win::Kind::Child:
      return new QWidget(parent);
  }
  return nullptr;
}

// Clicks of a push button reach its parent window as WM_COMMAND, BN_CLICKED.
void ConnectButton(QWidget* w, UINT id) {
  if (auto* b = qobject_cast<QPushButton*>(w)) {
    QObject::connect(b, &QPushButton::clicked, b, [b, id] {
      if (QWidget* parent = b->parentWidget())
        wnd::Deliver(ToHwnd(parent), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(ToHwnd(b)));
    });
  }
}

}  // namespace

WPARAM MouseKeyFlags(const QMouseEvent* event) {
  WPARAM flags = 0;
  if (event->buttons() & Qt::LeftButton) flags |= MK_LBUTTON;
  if (event->buttons() & Qt::RightButton) flags |= MK_RBUTTON;
  if (event->buttons() & Qt::MiddleButton) flags |= MK_MBUTTON;
  if (event->modifiers() & Qt::ShiftModifier) flags |= MK_SHIFT;
  if (event->modifiers() & Qt::ControlModifier) flags |= MK_CONTROL;
  return flags;
}

void DeliverMouse(QWidget* widget, MessageWidget* self, UINT message, const QMouseEvent* event, int xOffset) {
  const QPoint p = event->position().toPoint();
  const LPARAM lParam = MAKELPARAM(p.x() + xOffset, p.y());
  bool delivered = false;
  wnd::Deliver(ToHwnd(widget), message, MouseKeyFlags(event), lParam, &delivered);
  if (!delivered) self->DefaultProcessing(message, MouseKeyFlags(event), lParam);
}

LRESULT NotifyParent(QWidget* from, NMHDR* header) {
  QWidget* parent = from->parentWidget();
  return parent ? wnd::Deliver(ToHwnd(parent), WM_NOTIFY, WPARAM(header->idFrom), LPARAM(header)) : 0;
}

void Track(QWidget* widget) {
  const HWND h = ToHwnd(widget);
  QObject::connect(widget, &QObject::destroyed, [h] { wnd::Destroyed(h); });
}

}  // namespace sorrel::qt

namespace sorrel::qt {

using win::Kind;
using win::Params;

HWND QtToolkit::Create(const Params& params) {
  if (!EnsureApplication()) return nullptr;
  QWidget* parent = ToWidget(params.parent);
  QWidget* w = MakeWidget(params, parent);
  if (!w) return nullptr;
  w->setProperty("sorrelControlId", params.id);
  const RECT& r = params.rect;
  if (r.right > r.left || r.bottom > r.top) {
    if (params.kind == Kind::Frame || params.kind == Kind::Dialog) {
      w->resize(r.right - r.left, r.bottom - r.top);
      if (params.kind == Kind::Frame) w->move(r.left, r.top);
    } else {
      w->setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
  }
  if (params.style & WS_DISABLED) w->setEnabled(false);
  if (!(params.style & WS_TABSTOP) && params.kind == Kind::Button) w->setFocusPolicy(Qt::ClickFocus);
  ConnectButton(w, params.id);
  Track(w);
  const bool topLevel = params.kind == Kind::Frame || params.kind == Kind::Dialog;
  if (!topLevel) w->setVisible((params.style & WS_VISIBLE) != 0);
  return ToHwnd(w);
}

void QtToolkit::Destroy(HWND hWnd) { delete ToWidget(hWnd); }

void QtToolkit::Show(HWND hWnd, int nCmdShow) {
  QWidget* w = ToWidget(hWnd);
  if (nCmdShow == SW_HIDE) {
    w->hide();
    return;
  }
  if (nCmdShow == SW_SHOWNOACTIVATE) w->setAttribute(Qt::WA_ShowWithoutActivating);
  w->show();
}

bool QtToolkit::IsVisible(HWND hWnd) { return ToWidget(hWnd)->isVisible(); }
void QtToolkit::Enable(HWND hWnd, bool bEnable) { ToWidget(hWnd)->setEnabled(bEnable); }
bool QtToolkit::IsEnabled(HWND hWnd) { return ToWidget(hWnd)->isEnabled(); }
void QtToolkit::Update(HWND hWnd) { ToWidget(hWnd)->repaint(); }
void QtToolkit::Invalidate(HWND hWnd) { ToWidget(hWnd)->update(); }

void QtToolkit::Move(HWND hWnd, const RECT& r) { ToWidget(hWnd)->setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top); }

RECT QtToolkit::ClientRect(HWND hWnd) {
  const QWidget* w = ToWidget(hWnd);
  return RECT{0, 0, w->width(), w->height()};
}

RECT QtToolkit::WindowRect(HWND hWnd) {
  const QWidget* w = ToWidget(hWnd);
  const QPoint p = w->mapToGlobal(QPoint(0, 0));
  return RECT{p.x(), p.y(), p.x() + w->width(), p.y() + w->height()};
}

void QtToolkit::SetText(HWND hWnd, const std::string& text) {
  QWidget* w = ToWidget(hWnd);
  const QString t = QString::fromStdString(AnsiToUtf8(text));
  if (auto* b = qobject_cast<QPushButton*>(w))
    b->setText(t);
  else if (auto* l = qobject_cast<QLabel*>(w))
    l->setText(t);
  else
    w->setWindowTitle(t);
}

std::string QtToolkit::GetText(HWND hWnd) {
  const QWidget* w = ToWidget(hWnd);
  QString t;
  if (auto* b = qobject_cast<const QPushButton*>(w))
    t = b->text();
  else if (auto* l = qobject_cast<const QLabel*>(w))
    t = l->text();
  else
    t = w->windowTitle();
  return Utf8ToAnsi(t.toStdString());
}

void QtToolkit::SetFocus(HWND hWnd) { ToWidget(hWnd)->setFocus(Qt::OtherFocusReason); }
HWND QtToolkit::GetFocus() { return ToHwnd(QApplication::focusWidget()); }
HWND QtToolkit::Parent(HWND hWnd) { return ToHwnd(ToWidget(hWnd)->parentWidget()); }

bool QtToolkit::Post(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // Queued on the application object, which lives on the GUI thread; the handle is
  // looked up there, so a window gone by then drops the message.
  // A host without an application object has no loop to run it: the message is
  // dropped, as it always was here.
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return true;
  QMetaObject::invokeMethod(
      app, [=] { wnd::Deliver(hWnd, message, wParam, lParam); }, Qt::QueuedConnection);
  return true;
}

LRESULT QtToolkit::DefaultProcessing(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (auto* self = dynamic_cast<MessageWidget*>(ToWidget(hWnd))) return self->DefaultProcessing(message, wParam, lParam);
  return 0;
}

void QtToolkit::DialogBaseUnits(const char* face, int pointSize, int& baseX, int& baseY) {
  if (!EnsureApplication()) return;
  QFont font(QString::fromLatin1(face));
  font.setPointSize(pointSize);
  const QFontMetrics fm(font);
  // The average width of the 52 letters, rounded, and the font's height.
  const int letters = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  baseX = (letters / 26 + 1) / 2;
  baseY = fm.height();
}

int QtToolkit::RunModal(HWND hDialog) {
  auto* d = qobject_cast<QDialog*>(ToWidget(hDialog));
  return d ? d->exec() : -1;
}

void QtToolkit::EndModal(HWND hDialog, int nResult) {
  if (auto* d = qobject_cast<QDialog*>(ToWidget(hDialog))) d->done(nResult);
}

void QtToolkit::ListChanged(HWND hList, win::ListChange what, int first, int last) {
  ListViewChanged(ToWidget(hList), what, first, last);
}

HWND QtToolkit::ListHeader(HWND hList) { return ToHwnd(ListViewHeader(ToWidget(hList))); }

}  // namespace sorrel::qt
