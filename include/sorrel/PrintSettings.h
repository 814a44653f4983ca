// The print font, font size and page margins, kept per user in the registry under
// HKEY_CURRENT_USER\Software\Tovik ("Fonts\<name>" and "Printing"). The loaders
// always return a complete set of values and store the defaults on first use; the
// savers write only into keys that already exist.
#pragma once

#include "sorrel/Types.h"

extern "C++" {
// Writes the fourteen values of the font under "Software\Tovik\Fonts\<fontName>".
SORREL_API void SaveFont2Registry(char* fontName, LOGFONT* font);
// Height -16, face name "Arial" and zeros for whatever is not stored.
SORREL_API void LoadFontFromRegistry(char* fontName, LOGFONT* font);
// The point size in tenths of a point; the margins in hundredths of a millimetre.
SORREL_API void SavePrintSettings2Registry(int pointSize, RECT margins);
// 100 and four zero margins for whatever is not stored.
SORREL_API void LoadPrintSettingsFromRegistry(int* pointSize, RECT* margins);
}
