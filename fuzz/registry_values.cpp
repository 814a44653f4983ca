// The readers of stored settings: whatever another program left in the per-user
// store (any type, any length, text without its zero) goes through the column
// model and sort-key chain, the font and print settings and the splash delay,
// and through RegQueryValueExA itself with buffers of every telling size.
// Input: an options byte (bit 0 columns and sort keys, bit 1 font, bit 2 print
// settings, bit 3 splash delay, bit 4 raw queries; bits 5-7 the primary column
// asked for), then records of a name index, a type, a two-byte length and the data.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzTarget.h"
#include "platform/RegistryInternal.h"
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

HKEY Create(const char* path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

// Every size RegQueryValueExA is asked with: none, too small by one, exact.
void Query(HKEY key, const char* name, size_t stored) {
  DWORD type = 0, size = 0;
  SORREL_FUZZ_CHECK(RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS);
  SORREL_FUZZ_CHECK(size == stored);
  std::vector<BYTE> exact(size);  // exactly as large: a write past it is a heap overflow
  DWORD got = size;
  SORREL_FUZZ_CHECK(RegQueryValueExA(key, name, nullptr, nullptr, exact.data(), &got) == ERROR_SUCCESS);
  SORREL_FUZZ_CHECK(got == size);
  if (size > 0) {
    // A buffer one byte short (never a null pointer, which would be a size query).
    std::vector<BYTE> small(std::max<DWORD>(size - 1, 1));
    got = size - 1;
    SORREL_FUZZ_CHECK(RegQueryValueExA(key, name, nullptr, nullptr, small.data(), &got) == ERROR_MORE_DATA);
    SORREL_FUZZ_CHECK(got == size);
  }
}

// Leaves the store as empty as it was: the next input meets the same state.
void Forget() {
  for (const char* path : {kListCtrl, "Software\\Tovik\\Marlow", kFont, "Software\\Tovik\\Fonts", kPrinting})
    RegDeleteKeyA(HKEY_CURRENT_USER, path);
  if (HKEY key = Create(kTovik)) {
    RegDeleteValueA(key, "SplashDelay");
    RegCloseKey(key);
  }
  RegDeleteKeyA(HKEY_CURRENT_USER, kTovik);
}

}  // namespace

SORREL_FUZZ_TARGET(registry_values) {
  UseOwnStore();
  sorrel::fuzz::Input in(data, size);

  struct Written {
    const StoredValue* value;
    size_t size;
  };
  std::vector<Written> written;
  const std::string& t = in.text;
  for (size_t i = 0; i + 4 <= t.size() && written.size() < 8;) {
    const StoredValue& value = kValues[static_cast<unsigned char>(t[i]) % kNValues];
    DWORD type = static_cast<unsigned char>(t[i + 1]);
    size_t length = (static_cast<unsigned char>(t[i + 2]) | static_cast<unsigned char>(t[i + 3]) << 8);
    i += 4;
    length = std::min(length, t.size() - i);
    std::vector<BYTE> bytes(t.begin() + long(i), t.begin() + long(i + length));  // exactly the data
    i += length;
    HKEY key = Create(value.key);
    if (!key) continue;
    if (RegSetValueExA(key, value.name, 0, type, bytes.data(), DWORD(bytes.size())) == ERROR_SUCCESS)
      written.push_back({&value, length});
    RegCloseKey(key);
  }

  if (in.Option(4)) {
    // The last write of a name is the one stored.
    for (size_t k = written.size(); k-- > 0;) {
      bool later = false;
      for (size_t j = k + 1; j < written.size(); ++j) later |= written[j].value == written[k].value;
      if (later) continue;
      HKEY key = Create(written[k].value->key);
      if (key) Query(key, written[k].value->name, written[k].size);
      RegCloseKey(key);
    }
  }
  if (in.Option(0)) {
    CColumnInfos columns;
    columns.AddColumn(5, 80, 0, 40);
    columns.LoadSecondarySortKeys(0xFFFFFFFF);
    const UINT primary = in.options >> 5;
    columns.LoadSecondarySortKeys(primary);
    // The chain holds only columns that exist, and the primary key asked for
    // (which stands alone when nothing else is left).
    for (UINT key : *columns.GetSortKeys())
      SORREL_FUZZ_CHECK(key == primary || columns.FindColumnByID(key) != nullptr);
  }
  if (in.Option(1)) {
    char name[] = "Fuzz";
    LOGFONT font;
    LoadFontFromRegistry(name, &font);
    SORREL_FUZZ_CHECK(font.lfFaceName[LF_FACESIZE - 1] == '\0');
  }
  if (in.Option(2)) {
    int pointSize = 0;
    RECT margins;
    LoadPrintSettingsFromRegistry(&pointSize, &margins);
  }
  if (in.Option(3)) (void)GetSplashDelayFromRegistry();
  Forget();
  return 0;
}
