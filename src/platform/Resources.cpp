#include "sorrel/Resources.h"
#include "sorrel/Version.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <string_view>

#include "platform/CodePageInternal.h"
#include "platform/Resources.h"

namespace {

// Two distinct addresses stand for the two modules.
char g_libraryModule;
char g_hostModule;

HMODULE LibraryModule() { return reinterpret_cast<HMODULE>(&g_libraryModule); }
HMODULE HostModule() { return reinterpret_cast<HMODULE>(&g_hostModule); }

// The library's own string table, set once at load time by the part of the
// library that owns the texts.
constinit const SorrelStringResource* g_libraryTable = nullptr;
constinit std::size_t g_libraryCount = 0;

struct HostTable {
  std::shared_mutex mutex;
  std::map<UINT, std::string> utf8;
};

HostTable& Host() {
  static HostTable table;
  return table;
}

bool FindLibraryString(UINT id, std::string& text) {
  for (std::size_t i = 0; i < g_libraryCount; ++i) {
    if (g_libraryTable[i].nID == id) {
      text = sorrel::Utf8ToAnsi(g_libraryTable[i].pszTextUtf8);
      return true;
    }
  }
  return false;
}

bool FindHostString(UINT id, std::string& text) {
  HostTable& t = Host();
  std::shared_lock lock(t.mutex);
  auto it = t.utf8.find(id);
  if (it == t.utf8.end()) return false;
  text = sorrel::Utf8ToAnsi(it->second);
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
  if (!lpModuleName) return HostModule();
  std::string_view name(lpModuleName);
  if (EqualsNoCase(name, "Sorrel.DLL") || EqualsNoCase(name, "Sorrel") ||
      EqualsNoCase(name, "libsorrel.so.1") || EqualsNoCase(name, "libsorrel.so"))
    return LibraryModule();
  return nullptr;
}

int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
  if (!lpBuffer || cchBufferMax <= 0) return 0;
  std::string text;
  bool found = hInstance == LibraryModule() ? FindLibraryString(uID, text)
               : hInstance == HostModule()  ? FindHostString(uID, text)
                                            : false;
  size_t n = found ? std::min(text.size(), size_t(cchBufferMax - 1)) : 0;
  std::memcpy(lpBuffer, text.data(), n);
  lpBuffer[n] = '\0';
  return int(n);
}

void SorrelRegisterStringTable(const SorrelStringResource* table, std::size_t count) {
  HostTable& t = Host();
  std::unique_lock lock(t.mutex);
  for (std::size_t i = 0; table && i < count; ++i)
    t.utf8[table[i].nID] = table[i].pszTextUtf8 ? table[i].pszTextUtf8 : "";
}

void SorrelClearStringTable() {
  HostTable& t = Host();
  std::unique_lock lock(t.mutex);
  t.utf8.clear();
}

LPCSTR SorrelQueryVersionValue(LPCSTR lpName) {
  static constexpr std::pair<std::string_view, LPCSTR> kVersion[] = {
      {"FileVersion", SORREL_FILE_VERSION},
      {"ProductVersion", SORREL_FILE_VERSION},
      {"OriginalFilename", "Sorrel.DLL"},
      {"InternalName", "Sorrel"},
      {"FileDescription", "Sorrel DLL"},
      {"ProductName", "Sorrel Dynamic Link Library"},
  };
  if (!lpName) return nullptr;
  for (const auto& [name, value] : kVersion)
    if (name == lpName) return value;
  return nullptr;
}

namespace sorrel {

void SetLibraryStringTable(const SorrelStringResource* table, std::size_t count) {
  g_libraryTable = table;
  g_libraryCount = table ? count : 0;
}

bool FindStringResource(UINT nID, std::string& text) {
  return FindHostString(nID, text) || FindLibraryString(nID, text);
}

int LoadCaption(UINT nID, CString& strText) {
  char buffer[256];
  int n = LoadStringA(GetModuleHandleA("Sorrel.DLL"), nID, buffer, sizeof buffer);
  if (n == 0)
    strText.Empty();
  else
    strText = CString(buffer, n);
  return n;
}

}  // namespace sorrel
