// A device with fixed metrics: every character (spaces, CR and LF included) is the
// same width, every text the same height, and every call is written down, so that
// layout can be checked to the unit without fonts. It plugs in where a printer or
// a painter would, behind a real device context.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/GdiDevice.h"

namespace sorrel::test {

struct FixedMetrics {
  int charWidth = 10;
  int lineHeight = 40;
  int horzRes = 4800;
  int vertRes = 6800;
  int dpi = 600;
};

// One call on the device, as text: "text 10,20 abc", "line 0,0 0,100",
// "fill 0,0 10,10 #ff0000", "focus 0,0 10,10", "font Arial -75", "startdoc Name",
// "startpage", "endpage", "enddoc".
struct Recording {
  std::vector<std::string> calls;
  bool deleted = false;  // the device was destroyed (its context deleted)
  // Only the calls that begin with `prefix`.
  std::vector<std::string> Only(const std::string& prefix) const;
};

class FixedMetricsDevice : public gdi::Device {
 public:
  FixedMetricsDevice(FixedMetrics m, std::shared_ptr<Recording> rec) : m_m(m), m_rec(std::move(rec)) {}
  ~FixedMetricsDevice() override { m_rec->deleted = true; }
  int Caps(int i) const override {
    return i == HORZRES ? m_m.horzRes : i == VERTRES ? m_m.vertRes : i == LOGPIXELSX || i == LOGPIXELSY ? m_m.dpi : 0;
  }
  void SetFont(const LOGFONT* f) override {
    Note(f ? "font " + std::string(f->lfFaceName) + " " + std::to_string(f->lfHeight) : "font default");
  }
  SIZE TextExtent(std::string_view text) override { return SIZE{LONG(text.size()) * m_m.charWidth, m_m.lineHeight}; }
  void Text(int x, int y, std::string_view text, const gdi::TextStyle&) override {
    Note("text " + std::to_string(x) + "," + std::to_string(y) + " " + std::string(text));
  }
  void Line(int x1, int y1, int x2, int y2, const gdi::Pen&) override { Note("line " + Corners(x1, y1, x2, y2)); }
  void Fill(const RECT& rect, COLORREF color) override;
  void FocusRect(const RECT& r) override { Note("focus " + Corners(r.left, r.top, r.right, r.bottom)); }
  int StartDoc(const std::string& docName) override { return Note("startdoc " + docName); }
  int StartPage() override { return Note("startpage"); }
  int EndPage() override { return Note("endpage"); }
  int EndDoc() override { return Note("enddoc"); }

 private:
  static std::string Corners(long x1, long y1, long x2, long y2);  // "x1,y1 x2,y2"
  int Note(std::string call) {
    m_rec->calls.push_back(std::move(call));
    return 1;
  }
  FixedMetrics m_m;
  std::shared_ptr<Recording> m_rec;
};

// A device context on a fixed-metrics device; deleted with the CDC.
inline HDC MakeFixedDC(FixedMetrics m, std::shared_ptr<Recording> rec) {
  return gdi::MakeDC(std::make_unique<FixedMetricsDevice>(m, std::move(rec)));
}

// While it lives, CreateDC with the driver "FIXED" opens a fixed-metrics device
// (any device name but "missing") recording into `rec`.
class FixedDriver {
 public:
  FixedDriver(FixedMetrics m, std::shared_ptr<Recording> rec);
  ~FixedDriver() { gdi::UnregisterDriver("FIXED"); }
  int opened = 0;  // devices opened through it
};

}  // namespace sorrel::test
