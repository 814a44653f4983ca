// String resources and modules. The library carries its own string table (the
// Czech captions of the extended items); a host registers its own table, which
// CString::LoadString searches first, as the resource chain does on Windows.
#pragma once

#include <cstddef>

#include "sorrel/Types.h"

typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

// One string of a host's table: its resource id and its text in UTF-8. Texts are
// delivered in the process's ANSI code page, as the library's own are.
struct SorrelStringResource {
  UINT nID;
  const char* pszTextUtf8;
};

extern "C++" {
// The module of the library for "Sorrel.DLL" (any case, with or without the
// extension); the host's module for null; null for every other name.
SORREL_API HMODULE GetModuleHandleA(LPCSTR lpModuleName);

// Copies the string into the buffer, cut to cchBufferMax - 1 bytes and ended by a
// zero byte; the number of bytes copied, 0 when the module has no such string.
SORREL_API int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);

// Registers the host's string table (the strings are copied). A later call adds to
// it and replaces strings with the same id. Call it at start-up.
SORREL_API void SorrelRegisterStringTable(const SorrelStringResource* table, std::size_t count);
// Forgets the host's strings.
SORREL_API void SorrelClearStringTable();

// The library's version block: "FileVersion" and "ProductVersion" (the
// library's version with a fourth part 0, sorrel/Version.h),
// "OriginalFilename", "InternalName", "FileDescription", "ProductName". Null for
// any other name.
SORREL_API LPCSTR SorrelQueryVersionValue(LPCSTR lpName);
}
