#include "support/TestHost.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "sorrel/HostStrings.h"

namespace sorrel::test {

TestHost::TestHost() {
  std::string pattern = (std::filesystem::temp_directory_path() / "sorrel-profile-XXXXXX").string();
  if (char* dir = mkdtemp(pattern.data())) m_configHome = dir;
  // The registry follows the location: its next call opens the store there.
  setenv("XDG_CONFIG_HOME", m_configHome.c_str(), 1);
  SorrelClearStringTable();
  SorrelRegisterSampleHostStrings();
}

TestHost::~TestHost() {
  SorrelClearStringTable();  // the next test, host or not, starts without the host's strings
  std::error_code ignored;
  if (!m_configHome.empty()) std::filesystem::remove_all(m_configHome, ignored);
}

Key::Key(const char* path, bool create) {
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS &&
      (!create || RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr)))
    h = nullptr;
}

std::vector<std::string> Names(HKEY key, bool values) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    LSTATUS status = values ? RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr)
                            : RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name, size);
  }
  return names;
}

std::optional<RawValue> ReadRaw(const char* path, const char* name) {
  Key key(path, false);
  DWORD type = 0, size = 0;
  if (!key.h || RegQueryValueExA(key.h, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  RawValue value{type, std::string(size, '\0')};
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

void WriteRaw(const char* path, const char* name, DWORD type, const std::string& data) {
  Key key(path, true);
  if (key.h) RegSetValueExA(key.h, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
}

void DeleteTree(const char* path) {
  std::vector<std::string> children;
  {
    Key key(path, false);
    if (!key.h) return;
    children = Names(key.h);
  }
  for (const std::string& child : children) DeleteTree((std::string(path) + "\\" + child).c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, path);
}

}  // namespace sorrel::test
