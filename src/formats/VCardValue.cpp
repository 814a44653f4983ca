// The value codecs of the vCard reader and writer.
#include "formats/VCardValue.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/CodePageInternal.h"
#include "platform/Numbers.h"
#include "sorrel/CodePage.h"

namespace sorrel {

namespace {

// The byte of "=XY": the two characters read as strtol reads them in base 16,
// up to the first one that is not a hexadecimal digit (=4G is 0x04, =ZZ 0x00),
// after a leading blank or sign (=-1 is 0xFF, "= A" 0x0A, =+5 0x05). A table for
// the usual case of a first digit, as the decoder meets one per byte of an
// encoded value; anything else is the platform's reading.
struct HexDigits {
  std::array<signed char, 256> value;
  constexpr HexDigits() : value() {
    value.fill(-1);
    for (int c = '0'; c <= '9'; ++c) value[c] = static_cast<signed char>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
      value[c] = value[c + ('a' - 'A')] = static_cast<signed char>(c - 'A' + 10);
  }
};
constexpr HexDigits kHex;

inline char DecodedByte(char first, char second) {
  const int hi = kHex.value[static_cast<unsigned char>(first)];
  if (hi < 0) return static_cast<char>(HexPair(first, second));
  const int lo = kHex.value[static_cast<unsigned char>(second)];
  return static_cast<char>(lo < 0 ? hi : hi * 16 + lo);
}

// The quoted-printable UTF-8 of each byte of a single-byte code page ("á" is
// "=C3=A1"): every byte of such a code page is one UTF-16 character, so a
// value's encoding is the encodings of its bytes in a row. Built once per
// code page through the platform's converters.
struct QuotedPrintableTable {
  std::array<std::array<char, 12>, 256> text{};
  std::array<unsigned char, 256> length{};

  explicit QuotedPrintableTable(UINT codePage) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      WCHAR wide[2];
      char utf8[4];
      const int nWide = MultiByteToWideChar(codePage, 0, &byte, 1, wide, 2);
      const int nUtf8 =
          nWide > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, nWide, utf8, 4, nullptr, nullptr) : 0;
      for (int i = 0; i < nUtf8; ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        text[b][3 * i] = '=';
        text[b][3 * i + 1] = kHex[c >> 4];
        text[b][3 * i + 2] = kHex[c & 0x0F];
      }
      length[b] = static_cast<unsigned char>(3 * nUtf8);
    }
  }
};

// The table of the ANSI code page, or null for one that is not single-byte.
const QuotedPrintableTable* QuotedPrintableTableOfACP() {
  switch (ResolveCodePage(CP_ACP)) {
    case 1250: {
      static const QuotedPrintableTable table(1250);
      return &table;
    }
    case 1252: {
      static const QuotedPrintableTable table(1252);
      return &table;
    }
    default:
      return nullptr;
  }
}

}  // namespace

void DecodeVCardValue(CString& value, int nMode) {
  std::string& s = value.str();
  if (nMode == kVCardQuotedPrintable || nMode == kVCardQuotedPrintableUtf8) {
    size_t in = s.find('=');
    if (in != std::string::npos) {
      char* const text = s.data();
      const size_t n = s.size();
      size_t out = in;
      while (in < n) {
        if (text[in] != '=') {
          text[out++] = text[in++];
          continue;
        }
        // "=" with fewer than two characters after it ends the value; it and
        // what follows are dropped.
        if (in + 2 >= n) break;
        text[out++] = DecodedByte(text[in + 1], text[in + 2]);
        in += 3;
      }
      s.resize(out);
    }
    if (nMode == kVCardQuotedPrintableUtf8) Utf8ToAnsiInPlace(s);
  } else if (nMode == kVCardUtf7) {
    Utf7ToAnsiInPlace(s);
  }
}

// Eight bytes at a time: most values are 7-bit and short.
bool HasNonASCII(std::string_view text) {
  const char* p = text.data();
  size_t n = text.size();
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if (word & 0x8080808080808080ull) return true;
  }
  for (; n > 0; ++p, --n)
    if (static_cast<unsigned char>(*p) > 0x7F) return true;
  return false;
}

void AppendQuotedPrintableUtf8(std::string& out, std::string_view ansi) {
  if (const QuotedPrintableTable* table = QuotedPrintableTableOfACP()) {
    size_t at = out.size();
    out.resize(at + 9 * ansi.size());  // at most three UTF-8 bytes per byte
    char* dst = out.data() + at;
    for (unsigned char c : ansi) {
      std::memcpy(dst, table->text[c].data(), 9);
      dst += table->length[c];
    }
    out.resize(static_cast<size_t>(dst - out.data()));
    return;
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : AnsiToUtf8(ansi)) {
    const char escape[3] = {'=', kHex[c >> 4], kHex[c & 0x0F]};
    out.append(escape, 3);
  }
}

void AppendUtf7(std::string& out, std::string_view ansi) { out += AnsiToUtf7(ansi); }

}  // namespace sorrel
