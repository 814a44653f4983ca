// The owner-drawn push button: the toolkit's button for its behaviour (press,
// click, focus, default), its face painted by the button object's DrawItem through
// a device context over the widget.
#include <QPainter>
#include <QPushButton>

#include "platform/CodePageInternal.h"
#include "platform/qt/PainterDC.h"
#include "platform/qt/Windows.h"
#include "sorrel/Button.h"

namespace sorrel::qt {

namespace {

class OwnerDrawButton : public QPushButton {
 public:
  OwnerDrawButton(const QString& text, UINT id, QWidget* parent) : QPushButton(text, parent), m_id(id) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    auto* button = dynamic_cast<CButton*>(CWnd::FromHandle(ToHwnd(this)));
    if (!button) return;
    QPainter painter(this);
    PainterDC dc(painter);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = m_id;
    dis.itemAction = ODA_DRAWENTIRE;
    if (isDown()) dis.itemState |= ODS_SELECTED;
    if (hasFocus()) dis.itemState |= ODS_FOCUS;
    if (!isEnabled()) dis.itemState |= ODS_DISABLED;
    if (isDefault()) dis.itemState |= ODS_DEFAULT;
    dis.hwndItem = ToHwnd(this);
    dis.hDC = dc.Hdc();
    dis.rcItem = RECT{0, 0, width(), height()};
    button->DrawItem(&dis);
  }

 private:
  UINT m_id;
};

}  // namespace

QWidget* CreateOwnerDrawButton(const win::Params& params, QWidget* parent) {
  auto* b = new OwnerDrawButton(QString::fromStdString(AnsiToUtf8(params.text)), params.id, parent);
  b->setDefault((params.style & 0xF) == BS_DEFPUSHBUTTON);
  b->setAutoDefault(false);
  return b;
}

}  // namespace sorrel::qt
