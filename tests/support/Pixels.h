// Looking at pixels: grabbed widgets and X11 screens saved where a person can look
// at them (test-output/ of the build folder), and small helpers to compare colours.
#pragma once

#include <QDir>
#include <QImage>
#include <QString>

namespace sorrel::test {

// Writes the image as a PNG into the build's test-output folder.
inline void SavePng(const QImage& image, const char* name) {
  const QString dir = QStringLiteral(SORREL_BINARY_DIR "/test-output");
  QDir().mkpath(dir);
  image.save(dir + QLatin1Char('/') + QLatin1String(name), "PNG");
}

// 0xRRGGBB of a pixel.
inline unsigned Rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }

}  // namespace sorrel::test
