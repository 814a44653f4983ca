#include "support/TestHost.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/RegistryInternal.h"
#include "sorrel/HostStrings.h"

namespace sorrel::test {

namespace {

struct Key {
  HKEY h = nullptr;
  Key(const char* path, bool create) {
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &h) == ERROR_SUCCESS) return;
    h = nullptr;
    if (create &&
        RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != ERROR_SUCCESS)
      h = nullptr;
  }
  ~Key() {
    if (h) RegCloseKey(h);
  }
};

}  // namespace

TestHost::TestHost() {
  std::string pattern = (std::filesystem::temp_directory_path() / "sorrel-profile-XXXXXX").string();
  if (char* dir = mkdtemp(pattern.data())) m_configHome = dir;
  setenv("XDG_CONFIG_HOME", m_configHome.c_str(), 1);
  ResetRegistryForTests();
  SorrelClearStringTable();
  SorrelRegisterSampleHostStrings();
}

TestHost::~TestHost() {
  ResetRegistryForTests();
  std::error_code ignored;
  if (!m_configHome.empty()) std::filesystem::remove_all(m_configHome, ignored);
}

void ResetStore() { ResetRegistryForTests(); }

bool KeyExists(const char* path) { return Key(path, false).h != nullptr; }

std::optional<RawValue> ReadRaw(const char* path, const char* name) {
  Key key(path, false);
  if (!key.h) return std::nullopt;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.h, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  RawValue value;
  value.type = type;
  value.data.resize(size);
  if (RegQueryValueExA(key.h, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data.data()), &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  value.data.resize(size);
  return value;
}

std::optional<DWORD> ReadDword(const char* path, const char* name) {
  std::optional<RawValue> raw = ReadRaw(path, name);
  if (!raw || raw->type != REG_DWORD || raw->data.size() != 4) return std::nullopt;
  DWORD value;
  std::memcpy(&value, raw->data.data(), 4);
  return value;
}

std::vector<std::string> ValueNames(const char* path) {
  std::vector<std::string> names;
  Key key(path, false);
  if (!key.h) return names;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD length = sizeof name;
    if (RegEnumValueA(key.h, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

void WriteRaw(const char* path, const char* name, DWORD type, const std::string& data) {
  Key key(path, true);
  if (key.h)
    RegSetValueExA(key.h, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
}

void WriteDword(const char* path, const char* name, DWORD value) {
  WriteRaw(path, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}

void WriteString(const char* path, const char* name, const std::string& text) {
  WriteRaw(path, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void DeleteValue(const char* path, const char* name) {
  Key key(path, false);
  if (key.h) RegDeleteValueA(key.h, name);
}

void DeleteTree(const char* path) {
  std::vector<std::string> children;
  {
    Key key(path, false);
    if (!key.h) return;
    for (DWORD i = 0;; ++i) {
      char name[256];
      DWORD length = sizeof name;
      if (RegEnumKeyExA(key.h, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      children.emplace_back(name, length);
    }
  }
  for (const std::string& child : children) DeleteTree((std::string(path) + "\\" + child).c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, path);
}

}  // namespace sorrel::test
