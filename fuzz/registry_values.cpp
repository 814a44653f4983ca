// The other readers of stored settings: the font and print settings and the
// splash delay, whatever another program left in the per-user store (any type,
// any length, a face name without its zero), and the Win32 value query itself
// with buffers of every telling size.
// Input: an options byte (bit 1 font, bit 2 print settings, bit 3 splash delay,
// bit 4 raw queries), then the records of Settings.h.
#include <cstring>

#include "Settings.h"
#include "sorrel/PrintSettings.h"
#include "sorrel/Splash.h"

namespace {

using namespace sorrel::fuzz;

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
  LOGFONT font{};
  int pointSize = 0;
  RECT margins{};
  DWORD splashDelay = 0;

  bool operator==(const Outcome& other) const {
    return std::memcmp(&font, &other.font, sizeof font) == 0 && pointSize == other.pointSize &&
           std::memcmp(&margins, &other.margins, sizeof margins) == 0 && splashDelay == other.splashDelay;
  }
};

}  // namespace

SORREL_FUZZ_TARGET(registry_values) {
  Input in(data, size);
  const std::vector<Record> records = ReadRecords(in);
  ReadBothWays(data, size, records, [&](sorrel::SettingsValues& values) {
    if (in.Option(4)) {
      // The last write of a name is the one stored.
      for (size_t k = records.size(); k-- > 0;) {
        bool later = false;
        for (size_t j = k + 1; j < records.size(); ++j) later |= records[j].value == records[k].value;
        if (!later) Query(values, records[k].value->key, records[k].value->name, records[k].data.size());
      }
    }
    Outcome outcome;
    if (in.Option(1)) {
      char name[] = "Fuzz";
      LoadFontFromRegistry(name, &outcome.font);
      SORREL_FUZZ_CHECK(outcome.font.lfFaceName[LF_FACESIZE - 1] == '\0');
    }
    if (in.Option(2)) LoadPrintSettingsFromRegistry(&outcome.pointSize, &outcome.margins);
    if (in.Option(3)) outcome.splashDelay = GetSplashDelayFromRegistry();
    return outcome;
  });
  return 0;
}
