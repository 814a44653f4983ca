#include "sorrel/CString.h"

#include <locale.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/CodePageInternal.h"
#include "platform/Resources.h"

namespace {

locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

// printf in the "C" locale: a host that sets its own locale (as toolkits do at
// start-up) must not turn "36526.000000" into "36526,000000" in the text forms.
void FormatInto(std::string& out, LPCSTR format, va_list args) {
  locale_t previous = uselocale(CLocale());
  char buffer[256];
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(buffer, sizeof buffer, format, copy);
  va_end(copy);
  if (n >= 0 && static_cast<size_t>(n) < sizeof buffer) {
    out.append(buffer, static_cast<size_t>(n));
  } else if (n >= 0) {
    size_t old = out.size();
    out.resize(old + static_cast<size_t>(n) + 1);
    std::vsnprintf(out.data() + old, static_cast<size_t>(n) + 1, format, args);
    out.resize(old + static_cast<size_t>(n));
  }
  uselocale(previous);
}

bool IsWhite(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

CString::CString(LPCSTR psz) : m_str(psz ? psz : "") {}
CString::CString(LPCSTR pch, int nLength) : m_str(pch ? pch : "", pch && nLength > 0 ? size_t(nLength) : 0) {}
CString::CString(char ch, int nRepeat) : m_str(nRepeat > 0 ? size_t(nRepeat) : 0, ch) {}

CString& CString::operator=(LPCSTR psz) {
  m_str = psz ? psz : "";
  return *this;
}

CString& CString::operator=(char ch) {
  m_str.assign(1, ch);
  return *this;
}

CString& CString::operator+=(const CString& s) {
  m_str += s.m_str;
  return *this;
}

CString& CString::operator+=(LPCSTR psz) {
  if (psz) m_str += psz;
  return *this;
}

CString& CString::operator+=(char ch) {
  m_str += ch;
  return *this;
}

CString operator+(const CString& a, const CString& b) { return CString(a.m_str + b.m_str); }
CString operator+(const CString& a, LPCSTR b) { return CString(a.m_str + (b ? b : "")); }
CString operator+(LPCSTR a, const CString& b) { return CString((a ? a : "") + b.m_str); }
CString operator+(const CString& a, char b) { return CString(a.m_str + b); }
CString operator+(char a, const CString& b) { return CString(a + b.m_str); }

bool operator==(const CString& a, const CString& b) { return a.str() == b.str(); }
bool operator==(const CString& a, LPCSTR b) { return a.str() == (b ? b : ""); }
bool operator<(const CString& a, const CString& b) { return a.str() < b.str(); }
bool operator<(const CString& a, LPCSTR b) { return a.Compare(b) < 0; }

int CString::Compare(LPCSTR psz) const { return m_str.compare(psz ? psz : ""); }

int CString::CompareNoCase(LPCSTR psz) const {
  const unsigned char* lower = sorrel::LowerTable();
  const auto* a = reinterpret_cast<const unsigned char*>(m_str.c_str());
  const auto* b = reinterpret_cast<const unsigned char*>(psz ? psz : "");
  for (;; ++a, ++b) {
    int ca = lower[*a], cb = lower[*b];
    if (ca != cb) return ca < cb ? -1 : 1;
    if (!ca) return 0;
  }
}

int CString::Find(char ch, int nStart) const {
  if (nStart < 0) nStart = 0;
  if (size_t(nStart) >= m_str.size()) return -1;
  size_t pos = m_str.find(ch, size_t(nStart));
  return pos == std::string::npos ? -1 : int(pos);
}

int CString::Find(LPCSTR pszSub, int nStart) const {
  if (nStart < 0) nStart = 0;
  if (size_t(nStart) > m_str.size()) return -1;
  size_t pos = m_str.find(pszSub ? pszSub : "", size_t(nStart));
  return pos == std::string::npos ? -1 : int(pos);
}

int CString::ReverseFind(char ch) const {
  size_t pos = m_str.rfind(ch);
  return pos == std::string::npos ? -1 : int(pos);
}

int CString::FindOneOf(LPCSTR pszCharSet) const {
  size_t pos = m_str.find_first_of(pszCharSet ? pszCharSet : "");
  return pos == std::string::npos ? -1 : int(pos);
}

CString CString::Left(int nCount) const {
  if (nCount <= 0) return CString();
  return CString(std::string_view(m_str).substr(0, size_t(nCount)));
}

CString CString::Right(int nCount) const {
  if (nCount <= 0) return CString();
  if (size_t(nCount) >= m_str.size()) return *this;
  return CString(std::string_view(m_str).substr(m_str.size() - size_t(nCount)));
}

CString CString::Mid(int nFirst) const { return Mid(nFirst, GetLength()); }

CString CString::Mid(int nFirst, int nCount) const {
  if (nFirst < 0) nFirst = 0;
  if (nCount <= 0 || size_t(nFirst) >= m_str.size()) return CString();
  return CString(std::string_view(m_str).substr(size_t(nFirst), size_t(nCount)));
}

void CString::Format(LPCSTR pszFormat, ...) {
  std::string out;
  va_list args;
  va_start(args, pszFormat);
  FormatInto(out, pszFormat, args);
  va_end(args);
  m_str.swap(out);
}

void CString::AppendFormat(LPCSTR pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  FormatInto(m_str, pszFormat, args);
  va_end(args);
}

CString& CString::MakeUpper() {
  const unsigned char* upper = sorrel::UpperTable();
  for (char& c : m_str) c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
  return *this;
}

CString& CString::MakeLower() {
  const unsigned char* lower = sorrel::LowerTable();
  for (char& c : m_str) c = static_cast<char>(lower[static_cast<unsigned char>(c)]);
  return *this;
}

CString& CString::MakeReverse() {
  std::reverse(m_str.begin(), m_str.end());
  return *this;
}

int CString::Replace(char chOld, char chNew) {
  int n = 0;
  for (char& c : m_str)
    if (c == chOld) c = chNew, ++n;
  return n;
}

int CString::Replace(LPCSTR pszOld, LPCSTR pszNew) {
  size_t oldLen = pszOld ? std::strlen(pszOld) : 0;
  if (oldLen == 0) return 0;
  std::string_view with(pszNew ? pszNew : "");
  std::string out;
  int n = 0;
  size_t from = 0;
  for (size_t pos; (pos = m_str.find(pszOld, from, oldLen)) != std::string::npos; from = pos + oldLen, ++n) {
    out.append(m_str, from, pos - from);
    out.append(with);
  }
  if (n == 0) return 0;
  out.append(m_str, from, std::string::npos);
  m_str.swap(out);
  return n;
}

int CString::Remove(char ch) {
  size_t old = m_str.size();
  m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
  return int(old - m_str.size());
}

int CString::Insert(int nIndex, char ch) {
  nIndex = std::clamp(nIndex, 0, GetLength());
  m_str.insert(size_t(nIndex), 1, ch);
  return GetLength();
}

int CString::Insert(int nIndex, LPCSTR psz) {
  nIndex = std::clamp(nIndex, 0, GetLength());
  m_str.insert(size_t(nIndex), psz ? psz : "");
  return GetLength();
}

int CString::Delete(int nIndex, int nCount) {
  if (nIndex < 0) nIndex = 0;
  if (nCount > 0 && size_t(nIndex) < m_str.size()) m_str.erase(size_t(nIndex), size_t(nCount));
  return GetLength();
}

CString& CString::TrimLeft() {
  size_t i = 0;
  while (i < m_str.size() && IsWhite(m_str[i])) ++i;
  m_str.erase(0, i);
  return *this;
}

CString& CString::TrimLeft(char chTarget) {
  size_t i = 0;
  while (i < m_str.size() && m_str[i] == chTarget) ++i;
  m_str.erase(0, i);
  return *this;
}

CString& CString::TrimLeft(LPCSTR pszTargets) {
  size_t i = m_str.find_first_not_of(pszTargets ? pszTargets : "");
  m_str.erase(0, i == std::string::npos ? m_str.size() : i);
  return *this;
}

CString& CString::TrimRight() {
  size_t n = m_str.size();
  while (n > 0 && IsWhite(m_str[n - 1])) --n;
  m_str.resize(n);
  return *this;
}

CString& CString::TrimRight(char chTarget) {
  size_t n = m_str.size();
  while (n > 0 && m_str[n - 1] == chTarget) --n;
  m_str.resize(n);
  return *this;
}

CString& CString::TrimRight(LPCSTR pszTargets) {
  size_t i = m_str.find_last_not_of(pszTargets ? pszTargets : "");
  m_str.resize(i == std::string::npos ? 0 : i + 1);
  return *this;
}

BOOL CString::LoadString(UINT nID) {
  std::string text;
  if (!sorrel::FindStringResource(nID, text)) return FALSE;
  m_str.swap(text);
  return TRUE;
}

LPSTR CString::GetBuffer(int nMinBufLength) {
  if (nMinBufLength > GetLength()) m_str.resize(size_t(nMinBufLength));
  return m_str.data();
}

LPSTR CString::GetBufferSetLength(int nNewLength) {
  m_str.resize(size_t(std::max(nNewLength, 0)));
  return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength) {
  if (nNewLength < 0) nNewLength = int(std::strlen(m_str.c_str()));
  m_str.resize(size_t(std::min(nNewLength, GetLength())));
}
