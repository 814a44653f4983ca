#include "platform/SettingsKey.h"

#include <atomic>

namespace sorrel {
namespace {

class RegistryValues final : public SettingsValues {
 public:
  LSTATUS OpenKey(LPCSTR path, PHKEY key) override {
    return RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, key);
  }
  LSTATUS CreateKey(LPCSTR path, PHKEY key) override {
    return RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                           key, nullptr);
  }
  LSTATUS QueryValue(HKEY key, LPCSTR name, LPBYTE data, LPDWORD size) override {
    return RegQueryValueExA(key, name, nullptr, nullptr, data, size);
  }
  LSTATUS SetValue(HKEY key, LPCSTR name, DWORD type, const BYTE* data, DWORD size) override {
    return RegSetValueExA(key, name, 0, type, data, size);
  }
  LSTATUS CloseKey(HKEY key) override { return RegCloseKey(key); }
};

RegistryValues theRegistry;
std::atomic<SettingsValues*> current{nullptr};

}  // namespace

SettingsValues& CurrentSettingsValues() {
  SettingsValues* values = current.load(std::memory_order_acquire);
  return values ? *values : theRegistry;
}

void UseSettingsValues(SettingsValues* values) { current.store(values, std::memory_order_release); }

}  // namespace sorrel
