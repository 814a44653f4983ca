#include "support/FixedMetricsDC.h"

#include <cstdio>

namespace sorrel::test {

std::vector<std::string> Recording::Only(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& c : calls)
    if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
  return out;
}

std::string FixedMetricsDevice::Corners(long x1, long y1, long x2, long y2) {
  char b[64];
  std::snprintf(b, sizeof b, "%ld,%ld %ld,%ld", x1, y1, x2, y2);
  return b;
}

void FixedMetricsDevice::Fill(const RECT& r, COLORREF c) {
  char rgb[8];
  std::snprintf(rgb, sizeof rgb, "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
  Note("fill " + Corners(r.left, r.top, r.right, r.bottom) + " #" + rgb);
}

FixedDriver::FixedDriver(FixedMetrics m, std::shared_ptr<Recording> rec) {
  gdi::RegisterDriver("FIXED", [this, m, rec](const char* device, const char*) -> std::unique_ptr<gdi::Device> {
    if (device != nullptr && std::string(device) == "missing") return nullptr;
    ++opened;
    return std::make_unique<FixedMetricsDevice>(m, rec);
  });
}

}  // namespace sorrel::test
