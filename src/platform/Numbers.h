// Number reading for the text forms: the runtime library's text-to-number
// conversions, without their undefined behaviour and without the host's locale.
#pragma once

#include <string_view>

#include "sorrel/Types.h"

namespace sorrel {

// Like atoi: leading blanks, an optional sign, the digits up to the first other
// character; 0 when there are none. A value beyond the int range gives INT_MAX or
// INT_MIN, as the Windows runtime's atoi does.
int Atoi(std::string_view text);

// Atoi read into an unsigned field: the int's bit pattern, so "-1" is 0xFFFFFFFF.
inline UINT AtoiUnsigned(std::string_view text) { return static_cast<UINT>(Atoi(text)); }

// Like atof in the "C" locale: leading blanks, then the longest decimal or
// exponent form; 0.0 when there is none.
double Atof(std::string_view text);

// Like strtol with base 16 over exactly two characters: an optional leading blank
// or sign, then the hexadecimal digits up to the first other character; 0 when
// none. A '-' gives a negative result.
int HexPair(char first, char second);

}  // namespace sorrel
