#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "sorrel/PrintSettings.h"
#include "support/TestHost.h"

namespace {

using namespace sorrel::test;

constexpr const char* kPrinting = "Software\\Tovik\\Printing";
constexpr const char* kFont = "Software\\Tovik\\Fonts\\List";
char kFontName[] = "List";

class PrintSettingsTest : public ::testing::Test {
 protected:
  TestHost host;
};

LOGFONT LoadFont() {
  LOGFONT font;
  std::memset(&font, 0x5A, sizeof font);  // nothing of this may survive
  LoadFontFromRegistry(kFontName, &font);
  return font;
}

}  // namespace

// Loading from a fresh profile gives the defaults and writes them under their names.
TEST_F(PrintSettingsTest, FreshProfile) {
  int size = -1;
  RECT margins{1, 2, 3, 4};
  LoadPrintSettingsFromRegistry(&size, &margins);
  EXPECT_EQ(size, 100);
  EXPECT_EQ(margins.left | margins.top | margins.right | margins.bottom, 0);
  EXPECT_EQ(ValueNames(kPrinting),
            (std::vector<std::string>{"FontPointSize", "LeftBorder", "RightBorder", "TopBorder", "BottomBorder"}));
  EXPECT_EQ(ReadDword(kPrinting, "FontPointSize"), 100u);
  EXPECT_EQ(ReadDword(kPrinting, "BottomBorder"), 0u);

  const LOGFONT font = LoadFont(), expected{-16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"};
  EXPECT_EQ(std::memcmp(&font, &expected, sizeof font), 0);  // the face name's tail zeroed too
  EXPECT_EQ(ValueNames(kFont), (std::vector<std::string>{"Height", "Width", "Escapement", "Orientation", "Weight",
                                                        "Italic", "Underline", "StrikeOut", "CharSet",
                                                        "OutPrecision", "ClipPrecision", "Quality",
                                                        "PitchAndFamily", "FaceName"}));
  EXPECT_EQ(ReadDword(kFont, "Height"), 0xFFFFFFF0u);
  auto face = ReadRaw(kFont, "FaceName");
  ASSERT_TRUE(face);
  EXPECT_EQ(face->type, DWORD(REG_SZ));
  EXPECT_EQ(face->data, std::string("Arial", 6));
}

TEST_F(PrintSettingsTest, SavingBeforeAnyLoadCreatesNothing) {
  LOGFONT font = LoadFont();  // another font's key exists; this one's does not
  char other[] = "Other";
  SaveFont2Registry(other, &font);
  SavePrintSettings2Registry(120, RECT{1, 2, 3, 4});
  EXPECT_FALSE(KeyExists("Software\\Tovik\\Fonts\\Other"));
  EXPECT_FALSE(KeyExists(kPrinting));
}

TEST_F(PrintSettingsTest, SavedFontFieldsGoUnderTheirNames) {
  LOGFONT font = LoadFont();
  font = LOGFONT{-21, 2, 3, 4, 700, 6, 7, 8, 238, 10, 11, 12, 0x22, "Liberation Sans"};
  SaveFont2Registry(kFontName, &font);
  const std::pair<const char*, DWORD> stored[] = {
      {"Height", 0xFFFFFFEB}, {"Width", 2},        {"Escapement", 3},    {"Orientation", 4},  {"Weight", 700},
      {"Italic", 6},          {"Underline", 7},    {"StrikeOut", 8},     {"CharSet", 238},    {"OutPrecision", 10},
      {"ClipPrecision", 11},  {"Quality", 12},     {"PitchAndFamily", 0x22}};
  for (const auto& [name, value] : stored) EXPECT_EQ(ReadDword(kFont, name), value) << name;
  LOGFONT back = LoadFont();
  EXPECT_EQ(std::memcmp(&back, &font, sizeof font), 0);
}

TEST_F(PrintSettingsTest, HandEditedFontValues) {
  LoadFont();
  WriteDword(kFont, "Height", 4294967280u);
  WriteDword(kFont, "Italic", 257);
  WriteDword(kFont, "Weight", 0x80000000u);
  WriteRaw(kFont, "Width", REG_BINARY, std::string(8, '\x01'));  // too long for 4 bytes: default
  DeleteValue(kFont, "Quality");
  WriteString(kFont, "FaceName", std::string(40, 'F'));
  LOGFONT font = LoadFont();
  // height, italic, weight, width (unreadable), quality (missing)
  EXPECT_EQ((std::array<LONG, 5>{font.lfHeight, font.lfItalic, font.lfWeight, font.lfWidth, font.lfQuality}),
            (std::array<LONG, 5>{-16, 1, LONG(0x80000000u), 0, 0}));
  EXPECT_EQ(std::string(font.lfFaceName), std::string(31, 'F'));
  EXPECT_FALSE(ReadDword(kFont, "Quality"));  // not written back

  struct {
    std::string stored;
    const char* loaded;
  } faces[] = {
      {std::string(255, 'G') + '\0', "Arial"},           // 256 bytes: cannot be read
      {std::string(254, 'G') + '\0', nullptr},           // 255 bytes: read and cut to 31
      {std::string("Ti\0mes", 6), "Ti"},                 // ends at its first zero
      {std::string("Courier"), "Courier"},               // without a terminating zero
      {std::string(), ""},                               // empty data
  };
  for (const auto& f : faces) {
    WriteRaw(kFont, "FaceName", REG_SZ, f.stored);
    std::string expected = f.loaded ? f.loaded : std::string(31, 'G');
    EXPECT_EQ(std::string(LoadFont().lfFaceName), expected);
  }
}

TEST_F(PrintSettingsTest, DeletedValueFallsBackUntilTheNextSave) {
  int size;
  RECT margins;
  LoadPrintSettingsFromRegistry(&size, &margins);
  SavePrintSettings2Registry(90, RECT{10, 20, 30, 40});
  DeleteValue(kPrinting, "TopBorder");
  LoadPrintSettingsFromRegistry(&size, &margins);
  EXPECT_EQ((std::array{LONG(size), margins.left, margins.top, margins.right, margins.bottom}),
            (std::array<LONG, 5>{90, 10, 0, 30, 40}));
  EXPECT_FALSE(ReadDword(kPrinting, "TopBorder"));
  SavePrintSettings2Registry(size, margins);
  EXPECT_EQ(ReadDword(kPrinting, "TopBorder"), 0u);
}
