// A device context over a QPainter: how a window that paints itself hands the
// library's drawing code (CTovikButton::DrawItem, the list's rows) a CDC.
//
//   void MyWidget::paintEvent(QPaintEvent*) {
//     QPainter painter(this);
//     sorrel::qt::PainterDC dc(painter);     // dc.Hdc() for a DRAWITEMSTRUCT's hDC,
//     DrawSomething(dc.Cdc());               // dc.Cdc() (or CDC::FromHandle(dc.Hdc()))
//   }                                        // for a CDC*; released here
//
// The painter must be active for the life of the PainterDC. Device units are the
// painter's device pixels; LOGPIXELSX/Y are its logical dpi; the selected font
// starts as the painter's font. The painter's own state (pen, brush, font,
// clipping, composition) is saved at construction and restored at destruction.
// The context has no document: StartDoc and the page calls fail.
#pragma once

#include <memory>

#include "sorrel/Gdi.h"

class QPainter;

namespace sorrel::qt {

class PainterDC {
 public:
  explicit PainterDC(QPainter& painter);
  ~PainterDC();
  PainterDC(const PainterDC&) = delete;
  PainterDC& operator=(const PainterDC&) = delete;

  HDC Hdc() const { return m_dc.m_hDC; }
  CDC& Cdc() { return m_dc; }
  CDC* operator->() { return &m_dc; }

 private:
  CDC m_dc;  // owns the handle: deleted with this object
};

}  // namespace sorrel::qt
