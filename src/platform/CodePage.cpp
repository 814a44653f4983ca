// Code pages over glibc: the single-byte tables are read once from iconv, UTF-8
// and UTF-7 are coded by hand (no converter state, no allocation per character).
#include "sorrel/CodePage.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/CodePageInternal.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

thread_local DWORD t_lastError = ERROR_SUCCESS;
std::atomic<UINT> g_acp{1250};

locale_t Utf8Locale() {
  static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return loc;
}

// ---- single-byte code pages ----------------------------------------------

struct SingleByteTable {
  UINT codePage = 0;
  const char* iconvName = nullptr;
  std::array<char16_t, 256> toWide{};
  std::array<bool, 256> defined{};
  std::unordered_map<char16_t, unsigned char> fromWide;
  std::array<unsigned char, 256> upper{};
  std::array<unsigned char, 256> lower{};
  std::mutex bestFitMutex;
  std::unordered_map<char16_t, int> bestFit;  // -1: none
  // Every UTF-16 unit to its byte without a lock: 0-255 the code page's own
  // byte, 256-511 a close letter (256 + byte), kNoFit none, kNotAsked not yet
  // looked up.
  std::unique_ptr<std::atomic<std::int16_t>[]> narrow;
};

constexpr std::int16_t kNotAsked = -1;
constexpr std::int16_t kNoFit = -2;

void BuildTable(SingleByteTable& t) {
  iconv_t cd = iconv_open("UTF-16LE", t.iconvName);
  for (int b = 0; b < 256; ++b) {
    t.defined[b] = false;
    t.toWide[b] = kReplacement;
    if (cd == reinterpret_cast<iconv_t>(-1)) continue;
    char in = static_cast<char>(b);
    unsigned char out[4];
    char* pin = &in;
    char* pout = reinterpret_cast<char*>(out);
    size_t inLeft = 1, outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &pin, &inLeft, &pout, &outLeft) != static_cast<size_t>(-1) && outLeft == 2) {
      t.toWide[b] = static_cast<char16_t>(out[0] | (out[1] << 8));
      t.defined[b] = true;
      t.fromWide.emplace(t.toWide[b], static_cast<unsigned char>(b));
    }
  }
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  t.narrow = std::make_unique<std::atomic<std::int16_t>[]>(65536);
  for (size_t ch = 0; ch < 65536; ++ch) t.narrow[ch].store(kNotAsked, std::memory_order_relaxed);
  for (auto [wide, byte] : t.fromWide) t.narrow[wide].store(byte, std::memory_order_relaxed);

  for (int b = 0; b < 256; ++b) {
    t.upper[b] = t.lower[b] = static_cast<unsigned char>(b);
    if (!t.defined[b]) continue;
    auto map = [&](wint_t w) -> int {
      auto it = t.fromWide.find(static_cast<char16_t>(w));
      return it == t.fromWide.end() ? b : it->second;
    };
    t.upper[b] = static_cast<unsigned char>(map(towupper_l(t.toWide[b], Utf8Locale())));
    t.lower[b] = static_cast<unsigned char>(map(towlower_l(t.toWide[b], Utf8Locale())));
  }
}

SingleByteTable* TableFor(UINT codePage) {
  static SingleByteTable cp1250, cp1252;
  static std::once_flag once1250, once1252;
  if (codePage == 1250) {
    std::call_once(once1250, [] {
      cp1250.codePage = 1250;
      cp1250.iconvName = "CP1250";
      BuildTable(cp1250);
    });
    return &cp1250;
  }
  if (codePage == 1252) {
    std::call_once(once1252, [] {
      cp1252.codePage = 1252;
      cp1252.iconvName = "CP1252";
      BuildTable(cp1252);
    });
    return &cp1252;
  }
  return nullptr;
}

// A close letter of the code page for a character it lacks (Č for a Latin-1
// reader becomes C), as glibc's transliteration under C.UTF-8 finds it; -1 when
// there is none.
int BestFit(SingleByteTable& t, char16_t ch) {
  std::lock_guard lock(t.bestFitMutex);
  auto it = t.bestFit.find(ch);
  if (it != t.bestFit.end()) return it->second;
  int result = -1;
  if (ch < 0xD800 || ch > 0xDFFF) {
    std::string name = std::string(t.iconvName) + "//TRANSLIT";
    locale_t previous = uselocale(Utf8Locale());
    iconv_t cd = iconv_open(name.c_str(), "UTF-16LE");
    if (cd != reinterpret_cast<iconv_t>(-1)) {
      char in[2] = {static_cast<char>(ch & 0xFF), static_cast<char>(ch >> 8)};
      char out[8];
      char* pin = in;
      char* pout = out;
      size_t inLeft = 2, outLeft = sizeof out;
      if (iconv(cd, &pin, &inLeft, &pout, &outLeft) != static_cast<size_t>(-1) &&
          sizeof out - outLeft == 1 && out[0] != '?')
        result = static_cast<unsigned char>(out[0]);
      iconv_close(cd);
    }
    uselocale(previous);
  }
  t.bestFit.emplace(ch, result);
  return result;
}

// The byte for a UTF-16 unit: the code page's own, else (with bestFit) a close
// letter; -1 when there is none.
int Narrow(SingleByteTable& t, char16_t ch, bool bestFit) {
  std::int16_t known = t.narrow[ch].load(std::memory_order_relaxed);
  if (known >= 0 && known < 256) return known;
  if (!bestFit) return -1;
  if (known == kNotAsked) {
    int fit = BestFit(t, ch);
    known = fit >= 0 ? std::int16_t(256 + fit) : kNoFit;
    t.narrow[ch].store(known, std::memory_order_relaxed);
  }
  return known == kNoFit ? -1 : known - 256;
}

// ---- UTF-8 -----------------------------------------------------------------

// The decoders hand each UTF-16 unit to `out`, which appends it to a UTF-16
// string or turns it straight into a byte of the code page: one pass, no
// intermediate string, whatever the size of the value.
template <class Sink>
void DecodeUtf8(std::string_view in, Sink&& out, bool& invalid) {
  const auto* s = reinterpret_cast<const unsigned char*>(in.data());
  size_t n = in.size();
  for (size_t i = 0; i < n;) {
    unsigned c = s[i];
    if (c < 0x80) {
      out(static_cast<char16_t>(c));
      ++i;
      continue;
    }
    int extra;
    char32_t cp, min;
    if (c >= 0xC2 && c <= 0xDF) extra = 1, cp = c & 0x1F, min = 0x80;
    else if (c >= 0xE0 && c <= 0xEF) extra = 2, cp = c & 0x0F, min = 0x800;
    else if (c >= 0xF0 && c <= 0xF4) extra = 3, cp = c & 0x07, min = 0x10000;
    else {
      out(kReplacement);
      invalid = true;
      ++i;
      continue;
    }
    size_t j = i + 1;
    int k = 0;
    for (; k < extra && j < n && (s[j] & 0xC0) == 0x80; ++k, ++j) cp = (cp << 6) | (s[j] & 0x3F);
    if (k < extra || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      // A broken sequence: one replacement for the lead byte, go on after it.
      out(kReplacement);
      invalid = true;
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out(static_cast<char16_t>(cp));
    }
    i = j;
  }
}

void EncodeUtf8(std::u16string_view in, std::string& out, bool& invalid) {
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
      invalid = true;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
}

// ---- UTF-7 (RFC 2152) ------------------------------------------------------

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Set D of RFC 2152 plus space, tab, CR and LF. The optional direct characters
// (!"#$%&*;<=>@[]^_`{|}) go into base64, as glibc's converter writes them.
bool IsDirect(char16_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '\'': case '(': case ')': case ',': case '-': case '.': case '/': case ':': case '?':
    case ' ': case '\t': case '\r': case '\n':
      return true;
    default:
      return false;
  }
}

void EncodeUtf7(std::u16string_view in, std::string& out) {
  size_t i = 0;
  while (i < in.size()) {
    char16_t c = in[i];
    if (c == '+') {
      out += "+-";
      ++i;
      continue;
    }
    if (IsDirect(c)) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    // A base64 run over the characters up to the next direct one (or '+').
    out.push_back('+');
    unsigned bits = 0;
    int nbits = 0;
    while (i < in.size() && !IsDirect(in[i]) && in[i] != '+') {
      bits = (bits << 16) | in[i++];
      nbits += 16;
      while (nbits >= 6) {
        nbits -= 6;
        out.push_back(kBase64[(bits >> nbits) & 0x3F]);
      }
    }
    if (nbits > 0) out.push_back(kBase64[(bits << (6 - nbits)) & 0x3F]);
    // Every run is closed explicitly, also where RFC 2152 would let the '-' go.
    out.push_back('-');
  }
}

template <class Sink>
void DecodeUtf7(std::string_view in, Sink&& out, bool& invalid) {
  size_t i = 0;
  while (i < in.size()) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    if (c != '+') {
      if (c >= 0x80) {
        out(kReplacement);
        invalid = true;
      } else {
        out(c);
      }
      ++i;
      continue;
    }
    ++i;
    if (i < in.size() && in[i] == '-') {  // "+-" is a literal plus sign
      out(u'+');
      ++i;
      continue;
    }
    unsigned bits = 0;
    int nbits = 0;
    int v;
    while (i < in.size() && (v = Base64Value(static_cast<unsigned char>(in[i]))) >= 0) {
      bits = (bits << 6) | static_cast<unsigned>(v);
      nbits += 6;
      if (nbits >= 16) {
        nbits -= 16;
        out(static_cast<char16_t>((bits >> nbits) & 0xFFFF));
      }
      ++i;
    }
    // Leftover bits must be zero padding of fewer than six bits.
    if (nbits >= 6 || (bits & ((1u << nbits) - 1)) != 0) invalid = true;
    if (i < in.size() && in[i] == '-') ++i;  // the '-' that closes a run is absorbed
  }
}

// ---- dispatch --------------------------------------------------------------

bool ToWide(UINT cp, std::string_view in, DWORD flags, std::u16string& out, DWORD& error) {
  bool invalid = false;
  auto append = [&out](char16_t ch) { out.push_back(ch); };
  if (cp == CP_UTF8 || cp == CP_UTF7) out.reserve(out.size() + in.size());  // never more units than bytes
  if (cp == CP_UTF8) {
    DecodeUtf8(in, append, invalid);
  } else if (cp == CP_UTF7) {
    DecodeUtf7(in, append, invalid);
  } else if (SingleByteTable* t = TableFor(cp)) {
    out.reserve(out.size() + in.size());
    for (unsigned char b : in) {
      if (!t->defined[b]) invalid = true;
      out.push_back(t->toWide[b]);
    }
  } else {
    error = ERROR_INVALID_PARAMETER;
    return false;
  }
  if (invalid && (flags & MB_ERR_INVALID_CHARS)) {
    error = ERROR_NO_UNICODE_TRANSLATION;
    return false;
  }
  return true;
}

bool FromWide(UINT cp, std::u16string_view in, DWORD flags, char defaultChar, std::string& out,
              bool& usedDefault, DWORD& error) {
  bool invalid = false;
  if (cp == CP_UTF8) {
    EncodeUtf8(in, out, invalid);
  } else if (cp == CP_UTF7) {
    EncodeUtf7(in, out);
  } else if (SingleByteTable* t = TableFor(cp)) {
    out.reserve(out.size() + in.size());
    for (char16_t ch : in) {
      if (ch < 0x80) {
        out.push_back(static_cast<char>(ch));
        continue;
      }
      int fit = Narrow(*t, ch, !(flags & WC_NO_BEST_FIT_CHARS));
      if (fit >= 0) {
        out.push_back(static_cast<char>(fit));
      } else {
        out.push_back(defaultChar);
        usedDefault = true;
      }
    }
  } else {
    error = ERROR_INVALID_PARAMETER;
    return false;
  }
  if (invalid && (flags & WC_ERR_INVALID_CHARS)) {
    error = ERROR_NO_UNICODE_TRANSLATION;
    return false;
  }
  return true;
}

}  // namespace

// ---- Win32 surface -----------------------------------------------------------

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }

UINT GetACP() { return g_acp.load(); }

BOOL SorrelSetACP(UINT codePage) {
  if (codePage != 1250 && codePage != 1252) return FALSE;
  g_acp.store(codePage);
  return TRUE;
}

BOOL IsValidCodePage(UINT CodePage) {
  return CodePage == 1250 || CodePage == 1252 || CodePage == CP_UTF7 || CodePage == CP_UTF8;
}

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar) {
  if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
      (cchWideChar > 0 && !lpWideCharStr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : size_t(cbMultiByte);
  std::u16string wide;
  DWORD error = ERROR_SUCCESS;
  if (!ToWide(sorrel::ResolveCodePage(CodePage), std::string_view(lpMultiByteStr, length), dwFlags, wide, error)) {
    SetLastError(error);
    return 0;
  }
  if (cchWideChar == 0) return static_cast<int>(wide.size());
  if (wide.size() > size_t(cchWideChar)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpWideCharStr, wide.data(), wide.size() * sizeof(WCHAR));
  return static_cast<int>(wide.size());
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        LPBOOL lpUsedDefaultChar) {
  UINT cp = sorrel::ResolveCodePage(CodePage);
  if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
      (cbMultiByte > 0 && !lpMultiByteStr) ||
      ((cp == CP_UTF7 || cp == CP_UTF8) && (lpDefaultChar || lpUsedDefaultChar))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = 0;
  if (cchWideChar == -1) {
    while (lpWideCharStr[length]) ++length;
    ++length;
  } else {
    length = size_t(cchWideChar);
  }
  std::string narrow;
  bool usedDefault = false;
  DWORD error = ERROR_SUCCESS;
  char defaultChar = lpDefaultChar ? *lpDefaultChar : '?';
  if (!FromWide(cp, std::u16string_view(lpWideCharStr, length), dwFlags, defaultChar, narrow, usedDefault, error)) {
    SetLastError(error);
    return 0;
  }
  if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
  if (cbMultiByte == 0) return static_cast<int>(narrow.size());
  if (narrow.size() > size_t(cbMultiByte)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpMultiByteStr, narrow.data(), narrow.size());
  return static_cast<int>(narrow.size());
}

// ---- the library's own conversions -------------------------------------------

namespace sorrel {

UINT ResolveCodePage(UINT codePage) { return codePage == CP_ACP ? GetACP() : codePage; }

const unsigned char* UpperTable() { return TableFor(GetACP())->upper.data(); }
const unsigned char* LowerTable() { return TableFor(GetACP())->lower.data(); }

namespace {

std::string Convert(UINT from, UINT to, std::string_view text) {
  SingleByteTable* target = TableFor(to);
  if (target && (from == CP_UTF8 || from == CP_UTF7)) {
    std::string out;
    out.reserve(text.size());
    auto narrow = [&out, target](char16_t ch) {
      int byte = ch < 0x80 ? ch : Narrow(*target, ch, true);
      out.push_back(byte >= 0 ? static_cast<char>(byte) : '?');
    };
    bool invalid = false;
    if (from == CP_UTF8)
      DecodeUtf8(text, narrow, invalid);
    else
      DecodeUtf7(text, narrow, invalid);
    return out;
  }
  std::u16string wide;
  DWORD error = ERROR_SUCCESS;
  ToWide(from, text, 0, wide, error);
  std::string out;
  bool usedDefault = false;
  FromWide(to, wide, 0, '?', out, usedDefault, error);
  return out;
}

// UTF-8 or UTF-7 (from) into the ANSI code page over the text itself, from
// position start on, where the text before is 7-bit and means itself. No
// character takes fewer bytes than the one byte it becomes, and a decoder hands
// a character over only after reading all of its bytes, so every byte is
// written at or before the last one read.
void ToAnsiInPlace(UINT from, std::string& s, size_t start) {
  SingleByteTable* target = TableFor(GetACP());
  if (!target) {
    s = Convert(from, GetACP(), s);
    return;
  }
  char* out = s.data() + start;
  auto narrow = [&out, target](char16_t ch) {
    int byte = ch < 0x80 ? ch : Narrow(*target, ch, true);
    *out++ = byte >= 0 ? static_cast<char>(byte) : '?';
  };
  bool invalid = false;
  const std::string_view rest(s.data() + start, s.size() - start);
  if (from == CP_UTF8)
    DecodeUtf8(rest, narrow, invalid);
  else
    DecodeUtf7(rest, narrow, invalid);
  s.resize(static_cast<size_t>(out - s.data()));
}

}  // namespace

std::string AnsiToUtf8(std::string_view text) {
  // 7-bit text is the same in both; most values are, so skip the round trip.
  bool ascii = true;
  for (unsigned char c : text) ascii &= c < 0x80;
  if (ascii) return std::string(text);
  return Convert(GetACP(), CP_UTF8, text);
}

std::string Utf8ToAnsi(std::string_view text) { return Convert(CP_UTF8, GetACP(), text); }
std::string AnsiToUtf7(std::string_view text) { return Convert(GetACP(), CP_UTF7, text); }
std::string Utf7ToAnsi(std::string_view text) { return Convert(CP_UTF7, GetACP(), text); }

void Utf8ToAnsiInPlace(std::string& text) {
  // 7-bit text is the same in both; most values are, so it is only looked at.
  size_t start = 0;
  while (start < text.size() && static_cast<unsigned char>(text[start]) < 0x80) ++start;
  if (start < text.size()) ToAnsiInPlace(CP_UTF8, text, start);
}

void Utf7ToAnsiInPlace(std::string& text) {
  // Outside a base64 run every 7-bit character but '+' stands for itself.
  size_t start = 0;
  while (start < text.size() && static_cast<unsigned char>(text[start]) < 0x80 && text[start] != '+') ++start;
  if (start < text.size()) ToAnsiInPlace(CP_UTF7, text, start);
}

}  // namespace sorrel
