#include "platform/qt/QtDevices.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QPaintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/qt/Application.h"
#include "platform/qt/PainterDC.h"
#include "platform/qt/Toolkit.h"
#include "sorrel/CodePage.h"

namespace sorrel::qt {

namespace {

// The code page's 256 characters, made once for each code page the process uses.
struct AnsiTable {
  UINT codePage = 0;
  QChar chars[256];
};

const AnsiTable& Table() {
  static thread_local AnsiTable table;
  const UINT acp = GetACP();
  if (table.codePage != acp) {
    for (int b = 0; b < 256; ++b) {
      const char c = char(b);
      WCHAR w = 0;
      table.chars[b] = MultiByteToWideChar(CP_ACP, 0, &c, 1, &w, 1) == 1 ? QChar(char16_t(w)) : QChar(0xFFFD);
    }
    table.codePage = acp;
  }
  return table;
}

}  // namespace

QChar AnsiChar(unsigned char byte) { return Table().chars[byte]; }

QString FromAnsi(std::string_view text) {
  const AnsiTable& table = Table();
  QString s(qsizetype(text.size()), Qt::Uninitialized);
  QChar* out = s.data();
  for (unsigned char b : text) *out++ = table.chars[b];
  return s;
}

QFont FontFor(const LOGFONT& lf, QPaintDevice* device) {
  char face[LF_FACESIZE + 1] = {};
  std::memcpy(face, lf.lfFaceName, LF_FACESIZE);
  QFont font(face[0] ? FromAnsi(face) : QStringLiteral("Arial"));
  // fontconfig answers for the face ("Arial" is Liberation Sans, with Arial's metrics).
  font.setStyleHint(QFont::SansSerif);
  LONG height = lf.lfHeight;
  if (height == 0) height = -MulDiv(12, device ? device->logicalDpiY() : 96, 72);
  font.setPixelSize(std::max<LONG>(1, std::labs(height)));
  if (height > 0) {
    // A positive height asks for the cell (ascent + descent), not the character.
    QFontMetricsF m(font, device);
    if (m.height() > 0)
      font.setPixelSize(std::max(1, int(std::lround(height * double(height) / m.height()))));
  }
  if (lf.lfWeight > 0) font.setWeight(QFont::Weight(std::clamp<LONG>(lf.lfWeight, 100, 900)));
  font.setItalic(lf.lfItalic != 0);
  font.setUnderline(lf.lfUnderline != 0);
  font.setStrikeOut(lf.lfStrikeOut != 0);
  // Device units are what the layout counts: no hinting that differs per size,
  // and no kerning, so that a text is as wide as its characters' advances.
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setKerning(false);
  return font;
}

namespace {

QColor ColourOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

Qt::PenStyle StyleOf(int style) {
  switch (style) {
    case PS_DASH: return Qt::DashLine;
    case PS_DOT: return Qt::DotLine;
    case PS_DASHDOT: return Qt::DashDotLine;
    case PS_DASHDOTDOT: return Qt::DashDotDotLine;
    case PS_NULL: return Qt::NoPen;
    default: return Qt::SolidLine;
  }
}

}  // namespace

PainterDevice::PainterDevice(QPainter* painter, QPaintDevice* device)
    : m_painter(painter),
      m_device(device),
      m_defaultFont(painter != nullptr && painter->isActive() ? painter->font() : QFont()),
      m_font(m_defaultFont),
      m_metrics(m_font, device) {
  m_defaultFont.setKerning(false);
  m_font = m_defaultFont;
  m_metrics = QFontMetrics(m_font, device);
  if (Active()) {
    m_painter->save();
    m_saved = true;
    m_painter->setFont(m_font);
  }
  MeasureAdvances();
}

void PainterDevice::MeasureAdvances() {
  QFontMetricsF m(m_font, m_device);
  for (int b = 0; b < 256; ++b) m_advance[b] = m.horizontalAdvance(AnsiChar((unsigned char)b));
}

int PainterDevice::Width(std::string_view text) const {
  double w = 0;
  for (unsigned char b : text) w += m_advance[b];
  return int(std::lround(w));
}

PainterDevice::~PainterDevice() {
  if (m_saved && Active()) m_painter->restore();
}

int PainterDevice::Caps(int index) const {
  if (m_device == nullptr) return 0;
  switch (index) {
    case HORZRES: return m_device->width();
    case VERTRES: return m_device->height();
    case LOGPIXELSX: return m_device->logicalDpiX();
    case LOGPIXELSY: return m_device->logicalDpiY();
    case HORZSIZE: return m_device->widthMM();
    case VERTSIZE: return m_device->heightMM();
    default: return 0;
  }
}

void PainterDevice::SetFont(const LOGFONT* font) {
  m_font = font != nullptr ? FontFor(*font, m_device) : m_defaultFont;
  m_metrics = QFontMetrics(m_font, m_device);
  MeasureAdvances();
  ApplyFont();
}

void PainterDevice::ApplyFont() {
  if (Active()) m_painter->setFont(m_font);
}

SIZE PainterDevice::TextExtent(std::string_view text) {
  return SIZE{Width(text), m_metrics.height()};
}

void PainterDevice::Text(int x, int y, std::string_view text, const gdi::TextStyle& style) {
  if (!Active() || text.empty()) return;
  QString s = FromAnsi(text);
  if (style.clip != nullptr) {
    m_painter->save();
    const RECT& c = *style.clip;
    m_painter->setClipRect(QRect(c.left, c.top, c.right - c.left, c.bottom - c.top), Qt::IntersectClip);
  }
  if (style.opaque)
    m_painter->fillRect(QRect(x, y, Width(text), m_metrics.height()), ColourOf(style.background));
  m_painter->setPen(ColourOf(style.color));
  m_painter->drawText(QPoint(x, y + m_metrics.ascent()), s);
  if (style.clip != nullptr) m_painter->restore();
}

void PainterDevice::Line(int x1, int y1, int x2, int y2, const gdi::Pen& pen) {
  if (!Active() || (x1 == x2 && y1 == y2)) return;
  // The end point is not drawn: the line stops one step short of it along its
  // longer axis, with the square cap that covers the last pixel drawn.
  const int dx = x2 - x1, dy = y2 - y1;
  const int steps = std::max(std::abs(dx), std::abs(dy));
  const double ex = x2 - double(dx) / steps, ey = y2 - double(dy) / steps;
  QPen qpen(ColourOf(pen.color), std::max(pen.width, 1), StyleOf(pen.style), Qt::SquareCap, Qt::MiterJoin);
  m_painter->setPen(qpen);
  if (std::abs(dx) == steps && std::abs(dy) == steps && steps == 1)
    m_painter->drawPoint(x1, y1);
  else
    m_painter->drawLine(QPointF(x1, y1), QPointF(std::round(ex), std::round(ey)));
}

void PainterDevice::Fill(const RECT& r, COLORREF color) {
  if (!Active() || r.right <= r.left || r.bottom <= r.top) return;
  m_painter->fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), ColourOf(color));
}

void PainterDevice::FocusRect(const RECT& r) {
  if (!Active() || r.right <= r.left || r.bottom <= r.top) return;
  // Every other pixel of the frame, inverted: drawn twice, the frame is gone.
  QVector<QPoint> points;
  auto add = [&](int x, int y) {
    if (((x - r.left) + (y - r.top)) % 2 == 0) points.append(QPoint(x, y));
  };
  for (int x = r.left; x < r.right; ++x) {
    add(x, r.top);
    if (r.bottom - 1 > r.top) add(x, r.bottom - 1);
  }
  for (int y = r.top + 1; y < r.bottom - 1; ++y) {
    add(r.left, y);
    if (r.right - 1 > r.left) add(r.right - 1, y);
  }
  m_painter->save();
  m_painter->setRenderHint(QPainter::Antialiasing, false);
  if (m_painter->paintEngine() != nullptr &&
      m_painter->paintEngine()->hasFeature(QPaintEngine::RasterOpModes)) {
    m_painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    m_painter->setPen(QPen(Qt::white, 1));
  } else {
    m_painter->setPen(QPen(Qt::gray, 1));
  }
  m_painter->drawPoints(points.constData(), int(points.size()));
  m_painter->restore();
}

// ---- printers ---------------------------------------------------------------------------

PrinterDevice::PrinterDevice(std::unique_ptr<QPrinter> printer)
    : PainterDevice(nullptr, printer.get()), m_printer(std::move(printer)) {
  m_painter = &m_ownPainter;
  m_defaultFont = FontFor(LOGFONT{}, m_device);
  m_font = m_defaultFont;
  m_metrics = QFontMetrics(m_font, m_device);
  MeasureAdvances();
}

PrinterDevice::~PrinterDevice() {
  // A context deleted inside its document still delivers what was drawn.
  if (m_ownPainter.isActive()) m_ownPainter.end();
}

int PrinterDevice::Caps(int index) const {
  switch (index) {
    case LOGPIXELSX: return m_printer->resolution();
    case LOGPIXELSY: return m_printer->resolution();
    default: return PainterDevice::Caps(index);
  }
}

int PrinterDevice::StartDoc(const std::string& docName) {
  if (m_ownPainter.isActive()) return -1;
  m_printer->setDocName(FromAnsi(docName));
  if (!m_ownPainter.begin(m_printer.get())) return -1;
  ApplyFont();
  m_inPage = false;
  m_pagesEnded = 0;
  return 1;
}

int PrinterDevice::StartPage() {
  if (!m_ownPainter.isActive() || m_inPage) return -1;
  // The painter's first page exists from the document's start; later ones are asked for.
  if (m_pagesEnded > 0 && !m_printer->newPage()) return -1;
  m_inPage = true;
  return 1;
}

int PrinterDevice::EndPage() {
  if (!m_ownPainter.isActive() || !m_inPage) return -1;
  m_inPage = false;
  ++m_pagesEnded;
  return 1;
}

int PrinterDevice::EndDoc() {
  if (!m_ownPainter.isActive()) return -1;
  return m_ownPainter.end() ? 1 : -1;
}

// ---- a painter's context -------------------------------------------------------------------

PainterDC::PainterDC(QPainter& painter) {
  m_dc.Attach(gdi::MakeDC(std::make_unique<PainterDevice>(&painter, painter.device())));
}

PainterDC::~PainterDC() = default;

// ---- the built-in printer drivers and the beep, for the platform core ----------------------

namespace {

std::unique_ptr<QPrinter> OpenQueue(const char* device) {
  if (device == nullptr || *device == '\0') return nullptr;
  const QString name = QString::fromUtf8(device);
  // Given a name it does not know, the toolkit would quietly print elsewhere.
  if (!QPrinterInfo::availablePrinterNames().contains(name)) return nullptr;
  auto printer = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(name), QPrinter::HighResolution);
  if (printer->printerName() != name) return nullptr;
  return printer;
}

std::unique_ptr<QPrinter> OpenPdf(const char* port) {
  if (port == nullptr || *port == '\0') return nullptr;
  const QString path = QString::fromUtf8(port);
  QFileInfo file(path);
  QFileInfo folder(file.absolutePath());
  if (!folder.isDir() || !folder.isWritable() || file.isDir() || (file.exists() && !file.isWritable()))
    return nullptr;
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(file.absoluteFilePath());
  printer->setPageSize(QPageSize(QPageSize::A4));
  return printer;
}

}  // namespace

std::unique_ptr<gdi::Device> QtToolkit::OpenPrinter(const std::string& driver, const char* device,
                                                    const char* port) {
  if (!EnsureGuiApplication()) return nullptr;
  std::unique_ptr<QPrinter> printer;
  if (driver == "CUPS")
    printer = OpenQueue(device);
  else if (driver == "PDF")
    printer = OpenPdf(port);
  if (!printer) return nullptr;
  return std::make_unique<PrinterDevice>(std::move(printer));
}

void QtToolkit::Beep() {
  if (EnsureApplication() != nullptr) QApplication::beep();
}

}  // namespace sorrel::qt
