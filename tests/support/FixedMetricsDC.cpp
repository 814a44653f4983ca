#include "support/FixedMetricsDC.h"

#include <cstdio>

namespace sorrel::test {

std::vector<std::string> Recording::Only(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& c : calls)
    if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
  return out;
}

int FixedMetricsDevice::Caps(int index) const {
  switch (index) {
    case HORZRES: return m_m.horzRes;
    case VERTRES: return m_m.vertRes;
    case LOGPIXELSX:
    case LOGPIXELSY: return m_m.dpi;
    default: return 0;
  }
}

void FixedMetricsDevice::SetFont(const LOGFONT* font) {
  m_rec->calls.push_back(font ? "font " + std::string(font->lfFaceName) + " " + std::to_string(font->lfHeight)
                              : "font default");
}

SIZE FixedMetricsDevice::TextExtent(std::string_view text) {
  return SIZE{LONG(text.size()) * m_m.charWidth, m_m.lineHeight};
}

void FixedMetricsDevice::Text(int x, int y, std::string_view text, const gdi::TextStyle&) {
  m_rec->calls.push_back("text " + std::to_string(x) + "," + std::to_string(y) + " " + std::string(text));
}

void FixedMetricsDevice::Line(int x1, int y1, int x2, int y2, const gdi::Pen&) {
  char b[96];
  std::snprintf(b, sizeof b, "line %d,%d %d,%d", x1, y1, x2, y2);
  m_rec->calls.push_back(b);
}

void FixedMetricsDevice::Fill(const RECT& r, COLORREF c) {
  char b[96];
  std::snprintf(b, sizeof b, "fill %d,%d %d,%d #%02x%02x%02x", int(r.left), int(r.top), int(r.right),
                int(r.bottom), GetRValue(c), GetGValue(c), GetBValue(c));
  m_rec->calls.push_back(b);
}

void FixedMetricsDevice::FocusRect(const RECT& r) {
  char b[96];
  std::snprintf(b, sizeof b, "focus %d,%d %d,%d", int(r.left), int(r.top), int(r.right), int(r.bottom));
  m_rec->calls.push_back(b);
}

HDC MakeFixedDC(FixedMetrics m, std::shared_ptr<Recording> rec) {
  return gdi::MakeDC(std::make_unique<FixedMetricsDevice>(m, std::move(rec)));
}

FixedDriver::FixedDriver(FixedMetrics m, std::shared_ptr<Recording> rec) {
  gdi::RegisterDriver("FIXED", [this, m, rec](const char* device, const char*) -> std::unique_ptr<gdi::Device> {
    if (device != nullptr && std::string(device) == "missing") return nullptr;
    ++opened;
    return std::make_unique<FixedMetricsDevice>(m, rec);
  });
}

FixedDriver::~FixedDriver() { gdi::UnregisterDriver("FIXED"); }

}  // namespace sorrel::test
