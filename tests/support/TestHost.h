// The test host: what a host application supplies to the library (its strings
// 61462-61465, 61576 and 61562, and a CMarlowList), on a fresh per-user profile in
// a temporary XDG_CONFIG_HOME so that every test meets a real, empty store.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sorrel/ListCtrl.h"
#include "sorrel/Registry.h"

namespace sorrel::test {

class TestHost {
 public:
  TestHost();   // registers the host strings and starts an empty profile
  ~TestHost();  // removes the profile folder
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  const std::string& ConfigHome() const { return m_configHome; }
  CMarlowList list;

 private:
  std::string m_configHome;
};

// Makes the registry open its store anew, where XDG_CONFIG_HOME points now.
void ResetStore();

// Reading and writing the store as the test's own eyes, through the registry API.
// Paths are under HKEY_CURRENT_USER.
bool KeyExists(const char* path);
std::optional<DWORD> ReadDword(const char* path, const char* name);
// The data with its type; nullopt when the value is missing.
struct RawValue {
  DWORD type = REG_NONE;
  std::string data;
};
std::optional<RawValue> ReadRaw(const char* path, const char* name);
// The names of the values of the key, in the store's order.
std::vector<std::string> ValueNames(const char* path);
// These create the key when it is missing.
void WriteDword(const char* path, const char* name, DWORD value);
void WriteString(const char* path, const char* name, const std::string& text);
void WriteRaw(const char* path, const char* name, DWORD type, const std::string& data);
void DeleteValue(const char* path, const char* name);
// Deletes the key and every key under it.
void DeleteTree(const char* path);

}  // namespace sorrel::test
