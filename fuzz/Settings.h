// What the fuzz targets of the settings readers share: the values another program
// may have left in the per-user store, a table in memory that keeps the registry's
// rules, and the check of that table against the real SQLite store.
//
// The values reach the readers from the table: an input then costs microseconds,
// not the dozens of store transactions it takes on disk. One input in
// kStoreShare (every input when the tests replay them) is also written to the
// real store and read back through the registry, and the readers must then come
// to exactly the same settings from both.
//
// An input is an options byte (its meaning is the target's), then records of a
// name index, a type, a two-byte length and the data; at most eight are read.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzTarget.h"
#include "platform/CodePageInternal.h"
#include "platform/RegistryInternal.h"
#include "platform/SettingsKey.h"
#include "sorrel/Registry.h"

// The scaffolding is left out of the coverage the fuzzer steers by: only the
// readers' own branches should count, and the table's loops would otherwise cost
// a callback for every byte compared.
#if defined(__clang__) && !defined(SORREL_FUZZ_REPLAY)
#define SORREL_FUZZ_SCAFFOLD __attribute__((no_sanitize("coverage")))
#else
#define SORREL_FUZZ_SCAFFOLD
#endif

namespace sorrel::fuzz {

struct StoredValue {
  const char* key;
  const char* name;
};

inline constexpr const char* kListCtrl = "Software\\Tovik\\Marlow\\ListCtrl";
inline constexpr const char* kFont = "Software\\Tovik\\Fonts\\Fuzz";
inline constexpr const char* kPrinting = "Software\\Tovik\\Printing";
inline constexpr const char* kTovik = "Software\\Tovik";

// Every target takes every value, so that one corpus serves them all.
inline constexpr StoredValue kValues[] = {
    {kListCtrl, "PrimarySortingKey"},   {kListCtrl, "AscendingSort"},
    {kListCtrl, "Column1SecondarySortingKeys"}, {kListCtrl, "Column3SecondarySortingKeys"},
    {kListCtrl, "Column5SecondarySortingKeys"}, {kListCtrl, "Column1Position"},
    {kListCtrl, "Column2Position"},     {kListCtrl, "Column3Width"},
    {kListCtrl, "Column4Justification"}, {kListCtrl, "Column5Position"},
    {kListCtrl, "Column5Width"},        {kFont, "Height"},
    {kFont, "Weight"},                  {kFont, "Italic"},
    {kFont, "CharSet"},                 {kFont, "FaceName"},
    {kPrinting, "FontPointSize"},       {kPrinting, "LeftBorder"},
    {kPrinting, "BottomBorder"},        {kTovik, "SplashDelay"},
};
inline constexpr unsigned kStoreShare = 1024;

struct Record {
  const StoredValue* value;
  DWORD type;
  std::string_view data;  // into the input's text
};

SORREL_FUZZ_SCAFFOLD inline std::vector<Record> ReadRecords(const Input& in) {
  constexpr size_t kNValues = sizeof kValues / sizeof kValues[0];
  std::vector<Record> records;
  const std::string& t = in.text;
  for (size_t i = 0; i + 4 <= t.size() && records.size() < 8;) {
    const StoredValue& value = kValues[static_cast<unsigned char>(t[i]) % kNValues];
    DWORD type = static_cast<unsigned char>(t[i + 1]);
    size_t length = (static_cast<unsigned char>(t[i + 2]) | static_cast<unsigned char>(t[i + 3]) << 8);
    i += 4;
    length = std::min(length, t.size() - i);
    records.push_back({&value, type, std::string_view(t).substr(i, length)});
    i += length;
  }
  return records;
}

// The registry's rules over a table in memory: names folded in the ANSI code
// page, a key made with the keys above it, the query's sizes. Handles are
// numbers into the list of keys opened for this input. The table is a few dozen
// rows searched in order; rows and their buffers outlive the input that made
// them (an input clears them back to missing), so that a run spends its time in
// the readers rather than in the allocator.
class MemoryValues final : public SettingsValues {
 public:
  SORREL_FUZZ_SCAFFOLD LSTATUS OpenKey(LPCSTR path, PHKEY key) override {
    Fold(path);
    const size_t found = FindKey(m_folded);
    if (found == m_keys.size() || !m_keys[found].exists) return ERROR_FILE_NOT_FOUND;
    return Handle(found, key);
  }
  SORREL_FUZZ_SCAFFOLD LSTATUS CreateKey(LPCSTR path, PHKEY key) override {
    Fold(path);
    const std::string folded = m_folded;
    for (size_t cut = folded.find('\\'); cut != std::string::npos; cut = folded.find('\\', cut + 1)) {
      Fold(std::string_view(folded).substr(0, cut));
      m_keys[MakeKey(m_folded)].exists = true;
    }
    Fold(folded);
    const size_t made = MakeKey(m_folded);
    m_keys[made].exists = true;
    return Handle(made, key);
  }
  SORREL_FUZZ_SCAFFOLD LSTATUS QueryValue(HKEY key, LPCSTR name, LPBYTE data, LPDWORD size) override {
    Fold(name);
    const size_t found = FindValue(Opened(key), m_folded);
    if (found == m_values.size() || !m_values[found].exists) return ERROR_FILE_NOT_FOUND;
    return CopyRegistryData(m_values[found].data, data, size);
  }
  SORREL_FUZZ_SCAFFOLD LSTATUS SetValue(HKEY key, LPCSTR name, DWORD, const BYTE* data, DWORD size) override {
    const size_t keyIndex = Opened(key);
    Fold(name);
    size_t found = FindValue(keyIndex, m_folded);
    if (found == m_values.size()) m_values.push_back({keyIndex, m_folded, m_hash, false, {}});
    m_values[found].exists = true;
    m_values[found].data.assign(reinterpret_cast<const char*>(data), size);
    return ERROR_SUCCESS;
  }
  LSTATUS CloseKey(HKEY) override { return ERROR_SUCCESS; }

  SORREL_FUZZ_SCAFFOLD void Clear() {
    for (Key& key : m_keys) key.exists = false;
    for (Value& value : m_values) value.exists = false;
    m_open.clear();
  }

 private:
  struct Key {
    std::string path;  // folded
    std::uint32_t hash;
    bool exists;
  };
  struct Value {
    size_t key;
    std::string name;  // folded
    std::uint32_t hash;
    bool exists;
    std::string data;
  };

  // Byte by byte here rather than memcmp, which the fuzzer would watch.
  SORREL_FUZZ_SCAFFOLD static bool Same(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i] != b[i]) return false;
    return true;
  }
  // The text folded into m_folded, and its hash into m_hash: rows are told
  // apart by the hash first.
  SORREL_FUZZ_SCAFFOLD void Fold(std::string_view text) {
    const unsigned char* upper = UpperTable();
    m_folded.assign(text);
    std::uint32_t hash = 2166136261u;
    for (char& c : m_folded) {
      c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
      hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    m_hash = hash;
  }
  // These take the text just folded.
  SORREL_FUZZ_SCAFFOLD size_t FindKey(std::string_view path) const {
    size_t i = 0;
    while (i < m_keys.size() && !(m_keys[i].hash == m_hash && Same(m_keys[i].path, path))) ++i;
    return i;
  }
  SORREL_FUZZ_SCAFFOLD size_t MakeKey(std::string_view path) {
    const size_t found = FindKey(path);
    if (found == m_keys.size()) m_keys.push_back({std::string(path), m_hash, false});
    return found;
  }
  SORREL_FUZZ_SCAFFOLD size_t FindValue(size_t key, std::string_view name) const {
    size_t i = 0;
    while (i < m_values.size() &&
           !(m_values[i].hash == m_hash && m_values[i].key == key && Same(m_values[i].name, name)))
      ++i;
    return i;
  }
  SORREL_FUZZ_SCAFFOLD LSTATUS Handle(size_t index, PHKEY key) {
    m_open.push_back(index);
    *key = reinterpret_cast<HKEY>(m_open.size());
    return ERROR_SUCCESS;
  }
  size_t Opened(HKEY key) const { return m_open.at(reinterpret_cast<size_t>(key) - 1); }

  std::vector<Key> m_keys;
  std::vector<Value> m_values;
  std::vector<size_t> m_open;
  std::string m_folded;
  std::uint32_t m_hash = 0;
};

// A store of this process's own, on a memory file system where there is one,
// removed when the process ends.
struct OwnStore {
  std::string dir;
  OwnStore() {
    std::filesystem::path base =
        std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    dir = (base / "sorrel-fuzz-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);  // the registry opens its store there
  }
  ~OwnStore() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

// One store for the process, whichever targets it holds.
inline void UseOwnStore() { static OwnStore store; }

SORREL_FUZZ_SCAFFOLD inline void WriteRecords(SettingsValues& values, const std::vector<Record>& records) {
  for (const Record& record : records) {
    HKEY key = nullptr;
    if (values.CreateKey(record.value->key, &key) != ERROR_SUCCESS) continue;
    SORREL_FUZZ_CHECK(values.SetValue(key, record.value->name, record.type,
                                      reinterpret_cast<const BYTE*>(record.data.data()),
                                      DWORD(record.data.size())) == ERROR_SUCCESS);
    values.CloseKey(key);
  }
}

// Leaves the store as empty as it was: the next input meets the same state.
inline void ForgetStored() {
  for (const char* path : {kListCtrl, "Software\\Tovik\\Marlow", kFont, "Software\\Tovik\\Fonts", kPrinting})
    RegDeleteKeyA(HKEY_CURRENT_USER, path);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kTovik, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, "SplashDelay");
    RegCloseKey(key);
  }
  RegDeleteKeyA(HKEY_CURRENT_USER, kTovik);
}

SORREL_FUZZ_SCAFFOLD inline bool ThroughStore(const std::uint8_t* data, size_t size) {
#if defined(SORREL_FUZZ_REPLAY)
  (void)data;
  (void)size;
  return true;
#else
  std::uint32_t hash = 2166136261u;  // FNV-1a: the same input always takes the same way
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash % kStoreShare == 0;
#endif
}

// Writes the input's records to the table and runs read(values, records) over it;
// on a share of the inputs does the same over the real store, and the two
// outcomes must be equal.
template <class Read>
void ReadBothWays(const std::uint8_t* data, size_t size, const std::vector<Record>& records, Read read) {
  static MemoryValues memory;
  UseSettingsValues(&memory);
  WriteRecords(memory, records);
  const auto fromMemory = read(static_cast<SettingsValues&>(memory));
  memory.Clear();
  UseSettingsValues(nullptr);

  if (ThroughStore(data, size)) {
    UseOwnStore();
    SettingsValues& registry = CurrentSettingsValues();
    WriteRecords(registry, records);
    const auto fromStore = read(registry);
    ForgetStored();
    SORREL_FUZZ_CHECK(fromStore == fromMemory);
  }
}

}  // namespace sorrel::fuzz
