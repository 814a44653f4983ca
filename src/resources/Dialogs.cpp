#include "resources/Dialogs.h"

#include <cstdint>
#include <cstring>

#include "sorrel/Wnd.h"

namespace sorrel::res {

namespace {

using enum ControlKind;

// 158: waiting for the phone server to report its phone connection.
constexpr DialogControl kWait[] = {
    {Static, -1, 7, 7, 166, 12, "Čekání na připojení Quillonu k telefonu...",
     WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, 0},
    {Button, IDOK, 17, 29, 146, 14, "Pracovat &bez připojeného telefonu",
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
    {Button, IDCANCEL, 7, 28, 6, 15, "Cancel", WS_CHILD | WS_DISABLED | BS_PUSHBUTTON, 0},
};

// 159: the splash picture, with the two hidden buttons a dialog needs for
// Enter and Escape.
constexpr DialogControl kSplash[] = {
    {Button, IDOK, 0, 0, 20, 20, "O", WS_CHILD | WS_DISABLED | BS_PUSHBUTTON, 0},
    {Button, IDCANCEL, 180, 0, 20, 20, "C", WS_CHILD | WS_DISABLED | BS_PUSHBUTTON, 0},
    {Picture, 1002, 0, 0, 200, 138, "", WS_CHILD | WS_VISIBLE | SS_BITMAP, 160},
};

constexpr DialogTemplate kDialogs[] = {
    {158, "cs", "MS Sans Serif", 8, 180, 50, WS_POPUP | WS_VISIBLE | DS_MODALFRAME | DS_SETFONT, kWait,
     std::size(kWait)},
    {159, "en", "MS Sans Serif", 8, 200, 138, WS_POPUP | WS_VISIBLE | DS_MODALFRAME | DS_SETFONT, kSplash,
     std::size(kSplash)},
};

}  // namespace

// The splash picture as the design script draws it (splash160.bmp beside this file).
extern "C" const unsigned char sorrel_bitmap160[];
extern "C" const unsigned char sorrel_bitmap160_end[];
asm(".pushsection .rodata\n"
    ".balign 16\n"
    "sorrel_bitmap160:\n"
    ".incbin \"" SORREL_RESOURCE_DIR "/splash160.bmp\"\n"
    "sorrel_bitmap160_end:\n"
    ".popsection\n");

const DialogTemplate* FindDialog(UINT nID) {
  for (const DialogTemplate& d : kDialogs)
    if (d.nID == nID) return &d;
  return nullptr;
}

namespace {

uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

}  // namespace

bool FindBitmap(UINT nID, Bitmap& bitmap) {
  if (nID != 160) return false;
  const unsigned char* file = sorrel_bitmap160;
  const std::size_t size = std::size_t(sorrel_bitmap160_end - sorrel_bitmap160);
  // File header (14 bytes) and the information header that follows it.
  if (size < 54 || file[0] != 'B' || file[1] != 'M') return false;
  const uint32_t offset = Le32(file + 10);
  const int32_t width = int32_t(Le32(file + 18));
  const int32_t height = int32_t(Le32(file + 22));
  const int bits = file[28] | file[29] << 8;
  const uint32_t compression = Le32(file + 30);
  if (bits != 24 || compression != 0 || width <= 0 || height <= 0) return false;
  const int stride = (width * 3 + 3) & ~3;
  if (offset > size || size - offset < std::size_t(stride) * std::size_t(height)) return false;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.bitsPerPixel = bits;
  bitmap.stride = stride;
  bitmap.bottomUpRows = file + offset;
  return true;
}

unsigned Bitmap::Pixel(int x, int y) const {
  const unsigned char* p = bottomUpRows + std::size_t(height - 1 - y) * std::size_t(stride) + std::size_t(x) * 3;
  return unsigned(p[2]) << 16 | unsigned(p[1]) << 8 | p[0];
}

int DialogUnitsToPixelsX(int x, int baseX) { return (x * baseX * 2 + (x < 0 ? -4 : 4)) / 8; }
int DialogUnitsToPixelsY(int y, int baseY) { return (y * baseY * 2 + (y < 0 ? -8 : 8)) / 16; }

}  // namespace sorrel::res
