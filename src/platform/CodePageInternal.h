// Conversions for the library's own use: whole strings, no buffer sizing.
#pragma once

#include <string>
#include <string_view>

#include "sorrel/Types.h"

namespace sorrel {

// Case mapping tables of the ANSI code page: table[b] is the byte's upper (lower)
// case, or b itself where the code page has no such letter.
const unsigned char* UpperTable();
const unsigned char* LowerTable();

// The code page that CP_ACP stands for.
UINT ResolveCodePage(UINT codePage);

// 8-bit text of the ANSI code page into UTF-8 or UTF-7, and back. Undefined
// bytes become U+FFFD; characters the code page lacks become a close letter or '?'.
SORREL_MODULE_API std::string AnsiToUtf8(std::string_view text);
SORREL_MODULE_API std::string Utf8ToAnsi(std::string_view text);
// UTF-7 as RFC 2152 describes it, every base64 run closed by '-' (some readers
// end a run only at an explicit '-').
std::string AnsiToUtf7(std::string_view text);
std::string Utf7ToAnsi(std::string_view text);
// The same two conversions over the text itself, which keeps its buffer: the
// result is never longer than the text.
void Utf8ToAnsiInPlace(std::string& text);
void Utf7ToAnsiInPlace(std::string& text);

}  // namespace sorrel
