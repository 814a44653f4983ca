// The readers of stored settings: whatever another program left in the per-user
// store (any type, any length, text without its zero) goes through the column
// model and sort-key chain, the font and print settings and the splash delay,
// and through the Win32 query with buffers of every telling size.
//
// The values reach the readers from a table in memory, which keeps to the
// registry's rules (names folded in the ANSI code page, a key made with the keys
// above it, the query's sizes): that way every input costs microseconds, not the
// dozens of store transactions it takes on disk. One input in kStoreShare (every
// input when the tests replay them) is also written to the real SQLite store and
// read back through the registry, and the readers must then come to exactly the
// same settings from both.
//
// Input: an options byte (bit 0 columns and sort keys, bit 1 font, bit 2 print
// settings, bit 3 splash delay, bit 4 raw queries; bits 5-7 the primary column
// asked for), then records of a name index, a type, a two-byte length and the data.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "FuzzTarget.h"
#include "platform/CodePageInternal.h"
#include "platform/RegistryInternal.h"
#include "platform/SettingsKey.h"
#include "sorrel/ColumnInfos.h"
#include "sorrel/PrintSettings.h"
#include "sorrel/Registry.h"
#include "sorrel/Splash.h"

namespace {

struct StoredValue {
  const char* key;
  const char* name;
};

constexpr const char* kListCtrl = "Software\\Tovik\\Marlow\\ListCtrl";
constexpr const char* kFont = "Software\\Tovik\\Fonts\\Fuzz";
constexpr const char* kPrinting = "Software\\Tovik\\Printing";
constexpr const char* kTovik = "Software\\Tovik";

constexpr StoredValue kValues[] = {
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
constexpr size_t kNValues = sizeof kValues / sizeof kValues[0];
constexpr unsigned kStoreShare = 1024;

// The registry's rules over a table in memory. Handles are numbers into the
// list of keys opened for this input. Keys, values and their buffers outlive the
// input that made them (an input clears them back to missing), so that a run
// spends its time in the readers rather than in the allocator.
class MemoryValues final : public sorrel::SettingsValues {
 public:
  LSTATUS OpenKey(LPCSTR path, PHKEY key) override {
    auto found = m_keys.find(Fold(path));
    if (found == m_keys.end() || !found->second.exists) return ERROR_FILE_NOT_FOUND;
    return Handle(found->second, key);
  }
  LSTATUS CreateKey(LPCSTR path, PHKEY key) override {
    const std::string& folded = Fold(path);
    for (size_t cut = folded.find('\\'); cut != std::string::npos; cut = folded.find('\\', cut + 1))
      m_keys[folded.substr(0, cut)].exists = true;
    Key& made = m_keys[folded];
    made.exists = true;
    return Handle(made, key);
  }
  LSTATUS QueryValue(HKEY key, LPCSTR name, LPBYTE data, LPDWORD size) override {
    const auto& values = Opened(key).values;
    auto found = values.find(Fold(name));
    if (found == values.end() || !found->second.exists) return ERROR_FILE_NOT_FOUND;
    return sorrel::CopyRegistryData(found->second.data, data, size);
  }
  LSTATUS SetValue(HKEY key, LPCSTR name, DWORD, const BYTE* data, DWORD size) override {
    Value& value = Opened(key).values[Fold(name)];
    value.exists = true;
    value.data.assign(reinterpret_cast<const char*>(data), size);
    return ERROR_SUCCESS;
  }
  LSTATUS CloseKey(HKEY) override { return ERROR_SUCCESS; }

  void Clear() {
    for (auto& [path, key] : m_keys) {
      key.exists = false;
      for (auto& [name, value] : key.values) value.exists = false;
    }
    m_open.clear();
  }

 private:
  struct Value {
    bool exists = false;
    std::string data;
  };
  struct Key {
    bool exists = false;
    std::unordered_map<std::string, Value> values;
  };

  const std::string& Fold(std::string_view text) {
    const unsigned char* upper = sorrel::UpperTable();
    m_folded.assign(text);
    for (char& c : m_folded) c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
    return m_folded;
  }
  LSTATUS Handle(Key& opened, PHKEY key) {
    m_open.push_back(&opened);
    *key = reinterpret_cast<HKEY>(m_open.size());
    return ERROR_SUCCESS;
  }
  Key& Opened(HKEY key) const { return *m_open.at(reinterpret_cast<size_t>(key) - 1); }

  std::unordered_map<std::string, Key> m_keys;  // nodes stay put: m_open points into it
  std::vector<Key*> m_open;
  std::string m_folded;
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
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    sorrel::ResetRegistryForTests();
  }
  ~OwnStore() {
    sorrel::ResetRegistryForTests();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

void UseOwnStore() { static OwnStore store; }

struct Record {
  const StoredValue* value;
  DWORD type;
  std::string_view data;
};

// Every size the query is asked with: none, too small by one, exact.
void Query(sorrel::SettingsValues& values, const char* path, const char* name, size_t stored) {
  HKEY key = nullptr;
  SORREL_FUZZ_CHECK(values.OpenKey(path, &key) == ERROR_SUCCESS);
  DWORD size = 0;
  SORREL_FUZZ_CHECK(values.QueryValue(key, name, nullptr, &size) == ERROR_SUCCESS);
  SORREL_FUZZ_CHECK(size == stored);
  std::vector<BYTE> exact(size);  // exactly as large: a write past it is a heap overflow
  DWORD got = size;
  SORREL_FUZZ_CHECK(values.QueryValue(key, name, exact.data(), &got) == ERROR_SUCCESS);
  SORREL_FUZZ_CHECK(got == size);
  if (size > 0) {
    // A buffer one byte short (never a null pointer, which would be a size query).
    std::vector<BYTE> small(std::max<DWORD>(size - 1, 1));
    got = size - 1;
    SORREL_FUZZ_CHECK(values.QueryValue(key, name, small.data(), &got) == ERROR_MORE_DATA);
    SORREL_FUZZ_CHECK(got == size);
  }
  values.CloseKey(key);
}

// What the readers made of the stored values.
struct Outcome {
  std::vector<UINT> sortKeys;
  LOGFONT font{};
  int pointSize = 0;
  RECT margins{};
  DWORD splashDelay = 0;

  bool operator==(const Outcome& other) const {
    return sortKeys == other.sortKeys && std::memcmp(&font, &other.font, sizeof font) == 0 &&
           pointSize == other.pointSize && std::memcmp(&margins, &other.margins, sizeof margins) == 0 &&
           splashDelay == other.splashDelay;
  }
};

Outcome ReadSettings(const std::vector<Record>& records, const sorrel::fuzz::Input& in,
                     sorrel::SettingsValues& values) {
  for (const Record& record : records) {
    HKEY key = nullptr;
    if (values.CreateKey(record.value->key, &key) != ERROR_SUCCESS) continue;
    SORREL_FUZZ_CHECK(values.SetValue(key, record.value->name, record.type,
                                      reinterpret_cast<const BYTE*>(record.data.data()),
                                      DWORD(record.data.size())) == ERROR_SUCCESS);
    values.CloseKey(key);
  }
  if (in.Option(4)) {
    // The last write of a name is the one stored.
    for (size_t k = records.size(); k-- > 0;) {
      bool later = false;
      for (size_t j = k + 1; j < records.size(); ++j) later |= records[j].value == records[k].value;
      if (!later) Query(values, records[k].value->key, records[k].value->name, records[k].data.size());
    }
  }

  Outcome outcome;
  if (in.Option(0)) {
    CColumnInfos columns;
    columns.AddColumn(5, 80, 0, 40);
    columns.LoadSecondarySortKeys(0xFFFFFFFF);
    const UINT primary = in.options >> 5;
    columns.LoadSecondarySortKeys(primary);
    // The chain holds only columns that exist, and the primary key asked for
    // (which stands alone when nothing else is left).
    for (UINT key : *columns.GetSortKeys()) {
      SORREL_FUZZ_CHECK(key == primary || columns.FindColumnByID(key) != nullptr);
      outcome.sortKeys.push_back(key);
    }
  }
  if (in.Option(1)) {
    char name[] = "Fuzz";
    LoadFontFromRegistry(name, &outcome.font);
    SORREL_FUZZ_CHECK(outcome.font.lfFaceName[LF_FACESIZE - 1] == '\0');
  }
  if (in.Option(2)) LoadPrintSettingsFromRegistry(&outcome.pointSize, &outcome.margins);
  if (in.Option(3)) outcome.splashDelay = GetSplashDelayFromRegistry();
  return outcome;
}

// Leaves the store as empty as it was: the next input meets the same state.
void ForgetStored() {
  for (const char* path : {kListCtrl, "Software\\Tovik\\Marlow", kFont, "Software\\Tovik\\Fonts", kPrinting})
    RegDeleteKeyA(HKEY_CURRENT_USER, path);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kTovik, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, "SplashDelay");
    RegCloseKey(key);
  }
  RegDeleteKeyA(HKEY_CURRENT_USER, kTovik);
}

bool ThroughStore(const std::uint8_t* data, size_t size) {
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

}  // namespace

SORREL_FUZZ_TARGET(registry_values) {
  sorrel::fuzz::Input in(data, size);
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

  static MemoryValues memory;
  sorrel::UseSettingsValues(&memory);
  const Outcome fromMemory = ReadSettings(records, in, memory);
  memory.Clear();
  sorrel::UseSettingsValues(nullptr);

  if (ThroughStore(data, size)) {
    UseOwnStore();
    const Outcome fromStore = ReadSettings(records, in, sorrel::CurrentSettingsValues());
    ForgetStored();
    SORREL_FUZZ_CHECK(fromStore == fromMemory);
  }
  return 0;
}
