// The library's dialog descriptions and bitmaps, keyed by the resource ids the
// code looks them up by, as they would stand in a resource section.
#pragma once

#include <cstddef>

#include "sorrel/Types.h"

namespace sorrel::res {

enum class ControlKind { Static, Button, Picture };

// One control: its place and size in dialog units, its text (UTF-8), style bits
// (WS_*, BS_*, SS_*) and, for a picture, the bitmap it shows.
struct DialogControl {
  ControlKind kind;
  int nID;  // -1 for a control the code never addresses
  int x, y, cx, cy;
  const char* textUtf8;
  DWORD style;
  UINT nBitmap;
};

struct DialogTemplate {
  UINT nID;
  const char* language;
  const char* fontFace;
  int pointSize;
  int cx, cy;  // dialog units
  DWORD style;
  const DialogControl* controls;
  std::size_t nControls;
};

// Null for an id the library has no dialog for.
const DialogTemplate* FindDialog(UINT nID);

// A bitmap as stored: rows from the top, three bytes per pixel in the order
// blue, green, red, each row padded to a multiple of four bytes.
struct Bitmap {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  int stride = 0;
  const unsigned char* bottomUpRows = nullptr;  // the stored rows, the last row first
  // The colour of a pixel as 0xRRGGBB; x and y from the top left.
  SORREL_MODULE_API unsigned Pixel(int x, int y) const;
};

// False for an id the library has no bitmap for (or a damaged one).
SORREL_MODULE_API bool FindBitmap(UINT nID, Bitmap& bitmap);

// Dialog units into pixels for a dialog font whose average character width and
// height are baseX and baseY: x * baseX / 4 and y * baseY / 8, rounded as Windows'
// MulDiv rounds.
int DialogUnitsToPixelsX(int x, int baseX);
int DialogUnitsToPixelsY(int y, int baseY);

// "MS Sans Serif" 8 pt on a 96 dpi screen: the dialog base units the library's
// dialogs were laid out for, used where no font can be measured.
constexpr int kClassicBaseX = 6;
constexpr int kClassicBaseY = 13;

}  // namespace sorrel::res
