// Conversion between the 8-bit ANSI code page, UTF-16, UTF-8 and UTF-7 with the
// Win32 signatures and results. Supported code pages: 0 (CP_ACP, the process's
// ANSI code page), 1250, 1252, 65000 (UTF-7) and 65001 (UTF-8).
#pragma once

#include "sorrel/Types.h"

#define CP_ACP 0
#define CP_UTF7 65000
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400
#define WC_ERR_INVALID_CHARS 0x00000080

#define ERROR_SUCCESS 0L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_FLAGS 1004L
#define ERROR_NO_UNICODE_TRANSLATION 1113L

extern "C++" {
// Characters of the source that the code page cannot hold: into UTF-16 an
// undefined byte becomes U+FFFD (or fails with MB_ERR_INVALID_CHARS); out of
// UTF-16 a character becomes a close letter where one exists, else the default
// character ('?'). The result is the number of units written, or with a zero
// output size the number needed; 0 on failure, with the reason in GetLastError.
SORREL_API int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr,
                                   int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar);
SORREL_API int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr,
                                   int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte,
                                   LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar);

// The process's ANSI code page: 1250 unless the host chose another.
SORREL_API UINT GetACP();
// Sets the process's ANSI code page (1250 or 1252); FALSE for any other.
// Call it at start-up, before any text is converted or case-mapped.
SORREL_API BOOL SorrelSetACP(UINT codePage);
SORREL_API BOOL IsValidCodePage(UINT CodePage);

SORREL_API DWORD GetLastError();
SORREL_API void SetLastError(DWORD dwErrCode);
}
