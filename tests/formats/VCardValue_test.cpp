// The value codecs of the vCard reader and writer.
#include "formats/VCardValue.h"

#include <gtest/gtest.h>

#include <string>

#include "formats/VCardTestSupport.h"

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

// Decoding by mode; what the cases of read.txt already reads through a whole
// card (=4G, =ZZ, a cut "=X", an open UTF-7 run) is not repeated here.
TEST(VCardValue, DecodesByMode) {
  const struct {
    const char* raw;
    int nMode;
    std::string_view expected;  // UTF-8 of the 8-bit result
  } cases[] = {
      {"=41=42", 0, "=41=42"}, {"=41=42", 1, "AB"}, {"a=4=41", 1, "a\x04" "41"},  // "=4=" is one escape
      {"=41=", 1, "A"},        {"=", 1, ""},        {"", 1, ""},
      {"=C3=A1", 2, "á"},      {"=C3=A1", 1, "Ăˇ"},  // the two UTF-8 bytes read as Windows-1250
      {"=E4=B8=AD", 2, "?"},   {"=C3", 2, "?"},     // a character the code page lacks, a broken sequence
      {"Nov+AOE-k", 3, "Novák"}, {"a+-b", 3, "a+b"}, {"=41", 3, "=41"},
      // strtol over the two characters: a leading blank or sign leaves one digit.
      {"=-1", 1, "˙"}, {"= A", 1, "\n"}, {"=+5", 1, "\x05"}, {"=\t5x", 1, "\x05x"}, {"=-F", 1, "ń"},
      {"=0x", 1, std::string_view("\0", 1)}, {"=+-", 1, std::string_view("\0", 1)},
      {"= g", 1, std::string_view("\0", 1)}, {"=-1", 2, "?"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Decode(c.raw, c.nMode), Ansi(c.expected).str()) << c.nMode << " on " << c.raw;
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

TEST(VCardValue, Encoders) {
  const struct {
    const char* ansi;  // UTF-8 of the 8-bit value
    int nonASCII;
    const char* qp;
    const char* utf7;
  } cases[] = {
      {"", 0, "", ""},
      {"Jan", 0, "=4A=61=6E", "Jan"},
      {"\x7F", 0, "=7F", "+AH8-"},
      {"á", 1, "=C3=A1", "+AOE-"},
      {"Novák", 1, "=4E=6F=76=C3=A1=6B", "Nov+AOE-k"},
      {"Ředitel", 1, "=C5=98=65=64=69=74=65=6C", "+AVg-editel"},
      // every run closed, before a blank, before a direct character, at the end
      {"á b", 1, "=C3=A1=20=62", "+AOE- b"},
      {"áb", 1, "=C3=A1=62", "+AOE-b"},
      {"Čáp.", 1, "=C4=8C=C3=A1=70=2E", "+AQwA4Q-p."},
      // optional direct characters travel in base64, a plus sign as "+-"
      {"a;b!", 0, "=61=3B=62=21", "a+ADs-b+ACE-"},
      {"+420", 0, "=2B=34=32=30", "+-420"},
      {"€", 1, "=E2=82=AC", "+IKw-"},
  };
  for (const auto& c : cases) {
    const CString ansi = Ansi(c.ansi);
    EXPECT_EQ(sorrel::HasNonASCII(ansi.view()), c.nonASCII) << c.ansi;
    EXPECT_EQ(Encoded(sorrel::AppendQuotedPrintableUtf8, ansi.view()), c.qp) << c.ansi;
    EXPECT_EQ(Encoded(sorrel::AppendUtf7, ansi.view()), c.utf7) << c.ansi;
  }
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
