// A registry key under HKEY_CURRENT_USER held for the length of one operation,
// as the settings readers and writers use it: every failure is silent, so a key
// that could not be opened reads as missing values and drops every write.
#pragma once

#include <cstring>
#include <string>

#include "sorrel/Registry.h"

namespace sorrel {

class SettingsKey {
 public:
  enum Mode { kOpen, kOpenOrCreate };

  SettingsKey(LPCSTR path, Mode mode) {
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &m_key) == ERROR_SUCCESS) return;
    m_key = nullptr;
    if (mode == kOpenOrCreate &&
        RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &m_key, nullptr) != ERROR_SUCCESS)
      m_key = nullptr;
  }
  ~SettingsKey() { Close(); }
  SettingsKey(const SettingsKey&) = delete;
  SettingsKey& operator=(const SettingsKey&) = delete;

  bool IsOpen() const { return m_key != nullptr; }
  void Close() {
    if (m_key) RegCloseKey(m_key);
    m_key = nullptr;
  }

  // A value read into a 4-byte buffer; its stored type is not examined.
  bool ReadDword(LPCSTR name, DWORD& value) const {
    if (!m_key) return false;
    BYTE data[4] = {0, 0, 0, 0};
    DWORD size = sizeof data;
    if (RegQueryValueExA(m_key, name, nullptr, nullptr, data, &size) != ERROR_SUCCESS) return false;
    std::memcpy(&value, data, sizeof value);
    return true;
  }
  // Up to maxBytes of the value, cut at its first zero byte; false when the
  // value is missing or longer.
  bool ReadText(LPCSTR name, DWORD maxBytes, std::string& text) const {
    if (!m_key) return false;
    std::string buffer(size_t(maxBytes) + 1, '\0');
    DWORD size = maxBytes;
    if (RegQueryValueExA(m_key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
      return false;
    text.assign(buffer.c_str());
    return true;
  }
  void WriteDword(LPCSTR name, DWORD value) const {
    if (m_key) RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  }
  // The text with its terminating zero, as REG_SZ.
  void WriteText(LPCSTR name, LPCSTR text) const {
    if (m_key)
      RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(std::strlen(text) + 1));
  }

 private:
  HKEY m_key = nullptr;
};

}  // namespace sorrel
