// The toolkit's devices behind device contexts: a painter on any paint device (a
// window, an image) and a printer (a CUPS queue or a PDF file) that owns its
// painter and turns the page calls into the printer's pages.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QString>

#include <memory>
#include <optional>

#include "platform/GdiDevice.h"

class QPrinter;

namespace sorrel::qt {

// 8-bit text in the process's ANSI code page as the toolkit's string.
QString FromAnsi(std::string_view text);
// The character of one byte of the ANSI code page.
QChar AnsiChar(unsigned char byte);
// The toolkit's font for a LOGFONT on a device (the height in its pixels).
QFont FontFor(const LOGFONT& lf, QPaintDevice* device);

class PainterDevice : public gdi::Device {
 public:
  // `painter` is not owned; `device` is the paint device measured against.
  PainterDevice(QPainter* painter, QPaintDevice* device);
  ~PainterDevice() override;

  int Caps(int index) const override;
  void SetFont(const LOGFONT* font) override;
  SIZE TextExtent(std::string_view text) override;
  void Text(int x, int y, std::string_view text, const gdi::TextStyle& style) override;
  void Line(int x1, int y1, int x2, int y2, const gdi::Pen& pen) override;
  void Fill(const RECT& rect, COLORREF color) override;
  void FocusRect(const RECT& rect) override;
  int StartDoc(const std::string&) override { return -1; }
  int StartPage() override { return -1; }
  int EndPage() override { return -1; }
  int EndDoc() override { return -1; }

 protected:
  bool Active() const { return m_painter != nullptr && m_painter->isActive(); }
  // Puts the selected font on a painter that has just begun.
  void ApplyFont();

  QPainter* m_painter;
  QPaintDevice* m_device;
  // The advance of every byte of the code page in the selected font: a text's
  // width is the sum of its characters' advances, as GDI measures it (no
  // kerning, which the fonts are drawn without).
  void MeasureAdvances();
  int Width(std::string_view text) const;

  QFont m_defaultFont;
  QFont m_font;
  QFontMetrics m_metrics;
  double m_advance[256] = {};
  bool m_saved = false;  // the painter's state was saved at construction
};

class PrinterDevice : public PainterDevice {
 public:
  explicit PrinterDevice(std::unique_ptr<QPrinter> printer);
  ~PrinterDevice() override;

  int Caps(int index) const override;
  int StartDoc(const std::string& docName) override;
  int StartPage() override;
  int EndPage() override;
  int EndDoc() override;

 private:
  std::unique_ptr<QPrinter> m_printer;
  QPainter m_ownPainter;
  bool m_inPage = false;
  int m_pagesEnded = 0;
};

}  // namespace sorrel::qt
