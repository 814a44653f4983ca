// The system colours from the toolkit's palette (the Active group), as the
// desktop's theme gives them.
#include <QApplication>
#include <QPalette>

#include "platform/qt/Application.h"
#include "platform/qt/Toolkit.h"
#include "sorrel/Button.h"

namespace sorrel::qt {

namespace {

COLORREF FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

}  // namespace

COLORREF QtToolkit::SysColor(int nIndex) {
  if (!EnsureGuiApplication()) return 0;
  const QPalette palette = QGuiApplication::palette();
  const auto active = [&](QPalette::ColorRole role) { return FromQColor(palette.color(QPalette::Active, role)); };
  switch (nIndex) {
    case COLOR_BTNTEXT:
      return active(QPalette::ButtonText);
    case COLOR_BTNFACE:
      return active(QPalette::Button);
    case COLOR_3DLIGHT:
      return active(QPalette::Midlight);
    case COLOR_BTNHIGHLIGHT:
      return active(QPalette::Light);
    case COLOR_BTNSHADOW:
      return active(QPalette::Dark);
    case COLOR_3DDKSHADOW:
      return active(QPalette::Shadow);
    case COLOR_WINDOW:
      return active(QPalette::Base);
    case COLOR_WINDOWTEXT:
      return active(QPalette::Text);
    case COLOR_HIGHLIGHT:
      return active(QPalette::Highlight);
    case COLOR_HIGHLIGHTTEXT:
      return active(QPalette::HighlightedText);
    case COLOR_GRAYTEXT:
      return FromQColor(palette.color(QPalette::Disabled, QPalette::Text));
    default:
      return 0;
  }
}

}  // namespace sorrel::qt
