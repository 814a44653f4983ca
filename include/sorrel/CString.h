// 8-bit text in the process's ANSI code page, with the class library's string
// semantics: lengths and positions count bytes, Find gives -1 when absent, and
// Left/Right/Mid clamp their counts instead of failing.
#pragma once

#include <string>
#include <string_view>

#include "sorrel/Types.h"

class SORREL_API CString {
 public:
  CString() = default;
  CString(const CString&) = default;
  CString(CString&&) noexcept = default;
  CString(LPCSTR psz);                       // NOLINT: implicit, as in the class library
  CString(LPCSTR pch, int nLength);
  CString(char ch, int nRepeat = 1);
  explicit CString(std::string_view sv) : m_str(sv) {}
  ~CString() = default;

  CString& operator=(const CString&) = default;
  CString& operator=(CString&&) noexcept = default;
  CString& operator=(LPCSTR psz);
  CString& operator=(char ch);

  int GetLength() const { return static_cast<int>(m_str.size()); }
  BOOL IsEmpty() const { return m_str.empty(); }
  void Empty() { m_str.clear(); }

  operator LPCSTR() const { return m_str.c_str(); }  // NOLINT
  LPCSTR GetString() const { return m_str.c_str(); }
  char GetAt(int nIndex) const { return m_str[static_cast<size_t>(nIndex)]; }
  char operator[](int nIndex) const { return GetAt(nIndex); }
  void SetAt(int nIndex, char ch) { m_str[static_cast<size_t>(nIndex)] = ch; }

  CString& operator+=(const CString& s);
  CString& operator+=(LPCSTR psz);
  CString& operator+=(char ch);
  SORREL_API friend CString operator+(const CString& a, const CString& b);
  SORREL_API friend CString operator+(const CString& a, LPCSTR b);
  SORREL_API friend CString operator+(LPCSTR a, const CString& b);
  SORREL_API friend CString operator+(const CString& a, char b);
  SORREL_API friend CString operator+(char a, const CString& b);

  // Byte-wise comparison; negative, 0 or positive.
  int Compare(LPCSTR psz) const;
  // Case-insensitive comparison folding the letters of the ANSI code page.
  int CompareNoCase(LPCSTR psz) const;

  // Position of the first occurrence at or after nStart, -1 when absent or when
  // nStart lies beyond the end. An empty substring is found at nStart.
  int Find(char ch, int nStart = 0) const;
  int Find(LPCSTR pszSub, int nStart = 0) const;
  int ReverseFind(char ch) const;
  int FindOneOf(LPCSTR pszCharSet) const;

  CString Left(int nCount) const;
  CString Right(int nCount) const;
  CString Mid(int nFirst) const;
  CString Mid(int nFirst, int nCount) const;

  // printf formatting in the "C" locale, whatever locale the host has set.
  void Format(LPCSTR pszFormat, ...) __attribute__((format(printf, 2, 3)));
  void AppendFormat(LPCSTR pszFormat, ...) __attribute__((format(printf, 2, 3)));

  // Case mapping by the ANSI code page (Windows-1250: á to Á, š to Š).
  CString& MakeUpper();
  CString& MakeLower();
  CString& MakeReverse();

  int Replace(char chOld, char chNew);
  int Replace(LPCSTR pszOld, LPCSTR pszNew);
  int Remove(char ch);
  int Insert(int nIndex, char ch);
  int Insert(int nIndex, LPCSTR psz);
  int Delete(int nIndex, int nCount = 1);

  CString& TrimLeft();
  CString& TrimLeft(char chTarget);
  CString& TrimLeft(LPCSTR pszTargets);
  CString& TrimRight();
  CString& TrimRight(char chTarget);
  CString& TrimRight(LPCSTR pszTargets);
  CString& Trim() { return TrimRight().TrimLeft(); }

  // Loads a string resource: first from the tables a host registered, then from
  // the library's own table. FALSE (and the string unchanged) when no table has it.
  BOOL LoadString(UINT nID);

  // Direct access to the characters; ReleaseBuffer(-1) takes the length up to
  // the first zero byte.
  LPSTR GetBuffer(int nMinBufLength);
  LPSTR GetBufferSetLength(int nNewLength);
  void ReleaseBuffer(int nNewLength = -1);

  // Bridges to the standard library for code that is not ported from Windows.
  const std::string& str() const { return m_str; }
  std::string& str() { return m_str; }
  std::string_view view() const { return m_str; }

 private:
  std::string m_str;
};

SORREL_API bool operator==(const CString& a, const CString& b);
SORREL_API bool operator==(const CString& a, LPCSTR b);
SORREL_API bool operator<(const CString& a, const CString& b);
SORREL_API bool operator<(const CString& a, LPCSTR b);
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
inline bool operator!=(const CString& a, LPCSTR b) { return !(a == b); }
inline bool operator==(LPCSTR a, const CString& b) { return b == a; }
inline bool operator!=(LPCSTR a, const CString& b) { return !(b == a); }
inline bool operator>(const CString& a, const CString& b) { return b < a; }
inline bool operator<=(const CString& a, const CString& b) { return !(b < a); }
inline bool operator>=(const CString& a, const CString& b) { return !(a < b); }
