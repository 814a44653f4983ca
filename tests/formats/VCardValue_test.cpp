// The value codecs of the vCard reader and writer.
#include "formats/VCardValue.h"

#include <gtest/gtest.h>

#include <string>

#include "formats/VCardTestSupport.h"
#include "support/Cases.h"

using namespace vcardtest;

namespace {

std::string Decode(std::string_view raw, int nMode) {
  CString value(raw);
  sorrel::DecodeVCardValue(value, nMode);
  return value.str();
}

std::string Encoded(void (*append)(std::string&, std::string_view), std::string_view ansi) {
  std::string out;
  append(out, ansi);
  return out;
}

// The cases of vcard/values.txt: "d", a mode and a raw value to decode, or "e"
// and a value to encode, in UTF-8 with \t and \xNN for a tab and a byte. The
// .ref adds the decoded value (UTF-8, control bytes as \xNN), or whether the
// value holds a byte above 0x7F and its quoted-printable and UTF-7 forms.
TEST(VCardValue, GoldenValues) {
  ExpectGoldenCases("vcard/values.txt", [](const std::string& source) {
    const bool decode = source[0] == 'd';
    const std::string value = sorrel::test::Unescape(std::string_view(source).substr(decode ? 4 : 2));
    const CString ansi = Ansi(value);
    return "  " +
           (decode ? Show(CString(Decode(ansi.view(), source[2] - '0')))
                   : std::to_string(sorrel::HasNonASCII(ansi.view())) + " " +
                         Encoded(sorrel::AppendQuotedPrintableUtf8, ansi.view()) + " " +
                         Encoded(sorrel::AppendUtf7, ansi.view())) +
           "\n";
  });
}

// Every character of two UTF-8 bytes decodes as the platform's converter takes
// it, alone and between 7-bit text; longer and broken sequences too.
TEST(VCardValue, DecodesUtf8AsThePlatformDoes) {
  // Twice: once as the character is first met, once as it is known.
  for (int pass = 0; pass < 2; ++pass) {
    for (unsigned ch = 0x80; ch < 0x800; ++ch) {
      const std::string utf8 = {static_cast<char>(0xC0 | (ch >> 6)), static_cast<char>(0x80 | (ch & 0x3F))};
      for (const std::string& text : {utf8, "a" + utf8 + "b" + utf8})
        ASSERT_EQ(Decode(HexEscapes(text), 2), sorrel::Utf8ToAnsi(text)) << std::hex << ch;
    }
  }
  for (const char* text :
       {"\xE2\x82\xAC", "x\xC3", "\xC3x", "\xC0\x80", "\xF0\x9F\x98\x80", "\xA1", "\xC3\xA1\xE4\xB8\xAD"})
    EXPECT_EQ(Decode(HexEscapes(text), 2), sorrel::Utf8ToAnsi(text)) << text;
}

// Each byte of the code page, undefined ones too, encodes as the "=XX" of its
// UTF-8 from the platform's converter, alone and inside 7-bit text.
TEST(VCardValue, QuotedPrintableOfEveryByte) {
  for (int b = 0; b < 256; ++b) {
    const std::string text = {'a', static_cast<char>(b), 'b', static_cast<char>(b)};
    EXPECT_EQ(Encoded(sorrel::AppendQuotedPrintableUtf8, text), HexEscapes(sorrel::AnsiToUtf8(text))) << b;
  }
}

}  // namespace
