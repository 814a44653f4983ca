// The test host: what a host application supplies to the library (its strings
// 61462-61465, 61576 and 61562, and a CMarlowList), on a fresh per-user profile in
// a temporary XDG_CONFIG_HOME so that every test meets a real, empty store.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sorrel/ListCtrl.h"
#include "sorrel/Registry.h"

namespace sorrel::test {

// A host's list that records the redraws the library asks of it.
class RecordingList : public CMarlowList {
 public:
  BOOL RedrawItems(int nFirst, int nLast) override {
    redraws.push_back({nFirst, nLast});
    return CMarlowList::RedrawItems(nFirst, nLast);
  }
  std::vector<std::pair<int, int>> redraws;  // first and last item of each
};

class TestHost {
 public:
  TestHost();   // registers the host strings and starts an empty profile
  ~TestHost();  // removes the profile folder
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;
  const std::string& ConfigHome() const { return m_configHome; }
  RecordingList list;

 private:
  std::string m_configHome;
};

// A registry handle closed when it goes; from a path under HKEY_CURRENT_USER,
// opened (or with `create` made) with all rights, null when that fails.
struct Key {
  HKEY h = nullptr;
  Key() = default;
  Key(const char* path, bool create);
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() { if (h) RegCloseKey(h); }
};

// The names of a key's sub-keys, or with `values` of its values, in the store's order.
std::vector<std::string> Names(HKEY key, bool values = false);

// The list control's column order array; empty when the control does not give it.
inline std::vector<int> ColumnOrder(const CListCtrl& list) {
  std::vector<int> order(size_t(list.GetColumnCount()));
  if (!list.GetColumnOrderArray(order.data())) order.clear();
  return order;
}

// Reading and writing the store as the test's own eyes, through the registry API.
// Paths are under HKEY_CURRENT_USER.
inline bool KeyExists(const char* path) { return Key(path, false).h != nullptr; }
std::optional<DWORD> ReadDword(const char* path, const char* name);
struct RawValue {
  DWORD type = REG_NONE;
  std::string data;
};
std::optional<RawValue> ReadRaw(const char* path, const char* name);  // nullopt: no such value
inline std::vector<std::string> ValueNames(const char* path) { return Names(Key(path, false).h, true); }
// These create the key when it is missing.
void WriteRaw(const char* path, const char* name, DWORD type, const std::string& data);
inline void WriteDword(const char* path, const char* name, DWORD value) {
  WriteRaw(path, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}
inline void WriteString(const char* path, const char* name, const std::string& text) {
  WriteRaw(path, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}
inline void DeleteValue(const char* path, const char* name) { RegDeleteValueA(Key(path, false).h, name); }
void DeleteTree(const char* path);  // the key and every key under it

}  // namespace sorrel::test
