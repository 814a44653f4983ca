// The value codecs of the vCard reader and writer: how a property's value is
// decoded from the encoding its parameters name, and encoded in the two
// character-set forms the writer offers. Texts are in the 8-bit code page.
#pragma once

#include <string>
#include <string_view>

#include "sorrel/CString.h"

namespace sorrel {

// The encodings a value's parameter list can name.
enum : int { kVCardPlain = 0, kVCardQuotedPrintable = 1, kVCardQuotedPrintableUtf8 = 2, kVCardUtf7 = 3 };

// Decodes the value in place. Quoted-printable turns each "=XY" into one byte
// and drops an "=" with fewer than two characters after it together with the
// rest; the UTF-8 and UTF-7 forms then come back to the 8-bit code page. Any
// other mode leaves the value as it is.
void DecodeVCardValue(CString& value, int nMode);

// True when the text holds a byte above 0x7F, which a property line can only
// carry in one of the character-set forms.
bool HasNonASCII(std::string_view text);

// Appends every byte of the text's UTF-8 as "=XX", letters and spaces too:
// three characters per byte and no soft line breaks.
void AppendQuotedPrintableUtf8(std::string& out, std::string_view ansi);

// Appends the text as UTF-7, every base64 run closed with '-'.
void AppendUtf7(std::string& out, std::string_view ansi);

}  // namespace sorrel
