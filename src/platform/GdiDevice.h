// What a device context draws on. A device context (the object behind an HDC)
// keeps the selected objects, colours, background mode and current position; it
// hands measuring, drawing and page control to one Device: a printer, a painter
// over a window, or whatever else implements this interface (a test's device with
// fixed metrics). No toolkit type appears here.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "sorrel/Gdi.h"

namespace sorrel::gdi {

struct Pen {
  int style = PS_SOLID;
  int width = 0;  // 0 and 1 both draw one device unit
  COLORREF color = RGB(0, 0, 0);
};

struct TextStyle {
  COLORREF color = RGB(0, 0, 0);
  bool opaque = false;  // fill the text's box with `background` first
  COLORREF background = RGB(255, 255, 255);
  const RECT* clip = nullptr;  // draw only inside, when given
};

class Device {
 public:
  virtual ~Device() = default;

  // HORZRES, VERTRES, LOGPIXELSX, LOGPIXELSY, HORZSIZE, VERTSIZE; 0 for others.
  virtual int Caps(int index) const = 0;
  // The font for the following text calls; null: the device's own default font.
  virtual void SetFont(const LOGFONT* font) = 0;
  // Text is 8-bit in the process's ANSI code page. cx is the advance of the
  // whole text, cy the font's height (ascent + descent).
  virtual SIZE TextExtent(std::string_view text) = 0;
  // The text's top-left corner at (x, y).
  virtual void Text(int x, int y, std::string_view text, const TextStyle& style) = 0;
  // From (x1, y1) up to, not including, (x2, y2). Not called for a null pen.
  virtual void Line(int x1, int y1, int x2, int y2, const Pen& pen) = 0;
  virtual void Fill(const RECT& rect, COLORREF color) = 0;
  virtual void FocusRect(const RECT& rect) = 0;

  // Page control; each returns a positive number on success, 0 or less on failure.
  virtual int StartDoc(const std::string& docName) = 0;
  virtual int StartPage() = 0;
  virtual int EndPage() = 0;
  virtual int EndDoc() = 0;
};

// A new device context on `device`, owned by the handle until DeleteDC.
SORREL_MODULE_API HDC MakeDC(std::unique_ptr<Device> device);
// The device behind a handle; null for null or for a handle that is not live.
Device* DeviceOf(HDC hdc);

// The printer drivers CreateDC knows. A driver opens a device from the device and
// port names, or gives null when it cannot. "CUPS" and "PDF" are the toolkit's
// (Toolkit.h), so without one they open nothing; a host or a test may add its
// own (a later registration under a name replaces it).
using Driver = std::function<std::unique_ptr<Device>(const char* device, const char* port)>;
void RegisterDriver(const std::string& name, Driver driver);
void UnregisterDriver(const std::string& name);

// Where MessageBeep goes: the toolkit's beep (Toolkit.h) unless replaced (a test counts them).
// Returns the previous sink.
using BeepSink = std::function<void(UINT type)>;
BeepSink SetBeepSink(BeepSink sink);

}  // namespace sorrel::gdi
