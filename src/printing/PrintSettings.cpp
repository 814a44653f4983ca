#include "sorrel/PrintSettings.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/SettingsKey.h"

namespace {

using sorrel::SettingsKey;

template <class T>
struct FontField {
  LPCSTR name;
  T LOGFONT::*field;
};

// The signed fields of a font, stored as their 32-bit patterns.
constexpr FontField<LONG> kLongFields[] = {
    {"Height", &LOGFONT::lfHeight},
    {"Width", &LOGFONT::lfWidth},
    {"Escapement", &LOGFONT::lfEscapement},
    {"Orientation", &LOGFONT::lfOrientation},
    {"Weight", &LOGFONT::lfWeight},
};

// The byte fields, stored zero-extended; only the low 8 bits are read back.
constexpr FontField<BYTE> kByteFields[] = {
    {"Italic", &LOGFONT::lfItalic},
    {"Underline", &LOGFONT::lfUnderline},
    {"StrikeOut", &LOGFONT::lfStrikeOut},
    {"CharSet", &LOGFONT::lfCharSet},
    {"OutPrecision", &LOGFONT::lfOutPrecision},
    {"ClipPrecision", &LOGFONT::lfClipPrecision},
    {"Quality", &LOGFONT::lfQuality},
    {"PitchAndFamily", &LOGFONT::lfPitchAndFamily},
};

// A stored face name is read up to 255 bytes; a longer one keeps the default.
constexpr DWORD kFaceNameReadLimit = 255;

constexpr LPCSTR kPrintingKey = "Software\\Tovik\\Printing";

std::string FontKey(const char* fontName) {
  return std::string("Software\\Tovik\\Fonts\\") + (fontName ? fontName : "");
}

// Brings the key into being so that a later save has somewhere to write.
bool CreateKey(const std::string& path) {
  SettingsKey key(path.c_str(), SettingsKey::kOpenOrCreate);
  return key.IsOpen();
}

// The print settings as margins: RECT's fields hold the four margins.
struct PrintValue {
  LPCSTR name;
  LONG RECT::*margin;  // null for the point size
};
constexpr PrintValue kPrintValues[] = {
    {"FontPointSize", nullptr}, {"LeftBorder", &RECT::left},  {"RightBorder", &RECT::right},
    {"TopBorder", &RECT::top},  {"BottomBorder", &RECT::bottom},
};

}  // namespace

void SaveFont2Registry(char* fontName, LOGFONT* font) {
  if (!font) return;
  SettingsKey key(FontKey(fontName).c_str(), SettingsKey::kOpen);
  if (!key.IsOpen()) return;
  for (const auto& f : kLongFields) key.WriteDword(f.name, DWORD(font->*f.field));
  for (const auto& f : kByteFields) key.WriteDword(f.name, DWORD(font->*f.field));
  char face[LF_FACESIZE + 1] = {};
  std::memcpy(face, font->lfFaceName, LF_FACESIZE);  // a face name without its zero still ends here
  key.WriteText("FaceName", face);
}

void LoadFontFromRegistry(char* fontName, LOGFONT* font) {
  if (!font) return;
  *font = LOGFONT{};
  font->lfHeight = -16;
  std::strcpy(font->lfFaceName, "Arial");

  const std::string path = FontKey(fontName);
  SettingsKey key(path.c_str(), SettingsKey::kOpen);
  if (!key.IsOpen()) {
    if (CreateKey(path)) SaveFont2Registry(fontName, font);
    return;
  }
  DWORD value;
  for (const auto& f : kLongFields)
    if (key.ReadDword(f.name, value)) font->*f.field = LONG(value);
  for (const auto& f : kByteFields)
    if (key.ReadDword(f.name, value)) font->*f.field = BYTE(value & 0xFF);
  std::string face;
  if (key.ReadText("FaceName", kFaceNameReadLimit, face)) {
    face.resize(std::min(face.size(), size_t(LF_FACESIZE - 1)));
    std::memset(font->lfFaceName, 0, LF_FACESIZE);
    std::memcpy(font->lfFaceName, face.data(), face.size());
  }
}

void SavePrintSettings2Registry(int pointSize, RECT margins) {
  SettingsKey key(kPrintingKey, SettingsKey::kOpen);
  if (!key.IsOpen()) return;
  for (const PrintValue& v : kPrintValues)
    key.WriteDword(v.name, v.margin ? DWORD(margins.*v.margin) : DWORD(pointSize));
}

void LoadPrintSettingsFromRegistry(int* pointSize, RECT* margins) {
  int size = 100;
  RECT borders{0, 0, 0, 0};
  {
    SettingsKey key(kPrintingKey, SettingsKey::kOpen);
    if (key.IsOpen()) {
      DWORD value;
      for (const PrintValue& v : kPrintValues) {
        if (!key.ReadDword(v.name, value)) continue;
        if (v.margin)
          borders.*v.margin = LONG(value);
        else
          size = int(value);
      }
    } else if (CreateKey(kPrintingKey)) {
      SavePrintSettings2Registry(size, borders);
    }
  }
  if (pointSize) *pointSize = size;
  if (margins) *margins = borders;
}
