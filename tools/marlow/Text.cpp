#include "Text.h"

#include <sorrel/CodePage.h>

namespace marlow {

QString ToQt(const std::string& text) {
  if (text.empty()) return QString();
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
  if (n <= 0) return QString::fromLatin1(text.data(), qsizetype(text.size()));
  std::u16string wide(size_t(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), n);
  return QString::fromUtf16(wide.data(), n);
}

QString ToQt(const CString& text) { return ToQt(text.str()); }

CString FromQt(const QString& text) {
  if (text.isEmpty()) return CString();
  const auto* wide = reinterpret_cast<LPCWSTR>(text.utf16());
  const int n = WideCharToMultiByte(CP_ACP, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return CString();
  std::string bytes(size_t(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, int(text.size()), bytes.data(), n, nullptr, nullptr);
  return CString(std::string_view(bytes));
}

}  // namespace marlow
