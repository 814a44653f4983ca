// A registry key under HKEY_CURRENT_USER held for the length of one operation,
// as the settings readers and writers use it: every failure is silent, so a key
// that could not be opened reads as missing values and drops every write.
#pragma once

#include <cstring>
#include <memory>
#include <string>

#include "sorrel/Registry.h"

namespace sorrel {

// Where the settings keys find their values: the per-user registry. Only the fuzz
// target of the settings readers puts a table in memory in its place, so that
// millions of stored values a minute reach the readers; it checks that table
// against the registry itself on a share of its inputs.
class SettingsValues {
 public:
  virtual LSTATUS OpenKey(LPCSTR path, PHKEY key) = 0;
  // Opens the key, making it and the keys above it when they are missing.
  virtual LSTATUS CreateKey(LPCSTR path, PHKEY key) = 0;
  // As RegQueryValueExA without the type: the size alone without a buffer, the
  // size and ERROR_MORE_DATA into a buffer too small.
  virtual LSTATUS QueryValue(HKEY key, LPCSTR name, LPBYTE data, LPDWORD size) = 0;
  virtual LSTATUS SetValue(HKEY key, LPCSTR name, DWORD type, const BYTE* data, DWORD size) = 0;
  virtual LSTATUS CloseKey(HKEY key) = 0;

 protected:
  ~SettingsValues() = default;
};

// The values the settings keys use now: the registry unless a fuzz target has
// put its own in place.
SettingsValues& CurrentSettingsValues();
// Null puts the registry back. Not for use while a SettingsKey is open.
void UseSettingsValues(SettingsValues* values);

class SettingsKey {
 public:
  enum Mode { kOpen, kOpenOrCreate };

  SettingsKey(LPCSTR path, Mode mode) : m_values(CurrentSettingsValues()) {
    if (m_values.OpenKey(path, &m_key) == ERROR_SUCCESS) return;
    m_key = nullptr;
    if (mode == kOpenOrCreate && m_values.CreateKey(path, &m_key) != ERROR_SUCCESS) m_key = nullptr;
  }
  ~SettingsKey() { Close(); }
  SettingsKey(const SettingsKey&) = delete;
  SettingsKey& operator=(const SettingsKey&) = delete;

  bool IsOpen() const { return m_key != nullptr; }
  void Close() {
    if (m_key) m_values.CloseKey(m_key);
    m_key = nullptr;
  }

  // A value read into a 4-byte buffer; its stored type is not examined.
  bool ReadDword(LPCSTR name, DWORD& value) const {
    if (!m_key) return false;
    BYTE data[4] = {0, 0, 0, 0};
    DWORD size = sizeof data;
    if (m_values.QueryValue(m_key, name, data, &size) != ERROR_SUCCESS) return false;
    std::memcpy(&value, data, sizeof value);
    return true;
  }
  // Up to maxBytes of the value, cut at its first zero byte; false when the
  // value is missing or longer.
  bool ReadText(LPCSTR name, DWORD maxBytes, std::string& text) const {
    if (!m_key) return false;
    // Every limit the readers use fits on the stack; a larger one goes to the heap.
    char local[2048];
    std::unique_ptr<char[]> heap;
    char* buffer = local;
    if (maxBytes > sizeof local) buffer = (heap = std::make_unique_for_overwrite<char[]>(maxBytes)).get();
    DWORD size = maxBytes;
    if (m_values.QueryValue(m_key, name, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) return false;
    text.assign(buffer, strnlen(buffer, size));
    return true;
  }
  void WriteDword(LPCSTR name, DWORD value) const {
    if (m_key) m_values.SetValue(m_key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  }
  // The text with its terminating zero, as REG_SZ.
  void WriteText(LPCSTR name, LPCSTR text) const {
    if (m_key)
      m_values.SetValue(m_key, name, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(std::strlen(text) + 1));
  }

 private:
  SettingsValues& m_values;
  HKEY m_key = nullptr;
};

}  // namespace sorrel
