#include "platform/SettingsKey.h"
#include "sorrel/Splash.h"

namespace {

using sorrel::SettingsKey;

constexpr LPCSTR kTovikKey = "Software\\Tovik";
constexpr DWORD kDefaultDelay = 2000;

}  // namespace

DWORD GetSplashDelayFromRegistry() {
  SettingsKey key(kTovikKey, SettingsKey::kOpen);
  if (!key.IsOpen()) {
    SettingsKey created(kTovikKey, SettingsKey::kOpenOrCreate);
    created.WriteDword("SplashDelay", kDefaultDelay);
    return kDefaultDelay;
  }
  DWORD delay;
  return key.ReadDword("SplashDelay", delay) ? delay : kDefaultDelay;
}

void SetSplashDelay2Registry(DWORD delay) {
  // A request above 500 ms is stored 75 ms shorter.
  const DWORD stored = delay > 500 ? delay - 75 : delay;
  SettingsKey key(kTovikKey, SettingsKey::kOpen);
  key.WriteDword("SplashDelay", stored);
}
