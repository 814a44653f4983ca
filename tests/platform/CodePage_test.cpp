#include <gtest/gtest.h>

#include <iconv.h>

#include <regex>
#include <string>
#include <vector>

#include "platform/CodePageInternal.h"
#include "sorrel/CodePage.h"

namespace {

std::u16string ToWide(UINT cp, const std::string& text, DWORD flags = 0) {
  int n = MultiByteToWideChar(cp, flags, text.data(), int(text.size()), nullptr, 0);
  std::u16string out(size_t(n), u'\0');
  if (n > 0) MultiByteToWideChar(cp, flags, text.data(), int(text.size()), out.data(), n);
  return out;
}

std::string FromWide(UINT cp, const std::u16string& text, BOOL* usedDefault = nullptr, DWORD flags = 0,
                     const char* defaultChar = nullptr) {
  int n = WideCharToMultiByte(cp, flags, text.data(), int(text.size()), nullptr, 0, defaultChar, usedDefault);
  std::string out(size_t(n), '\0');
  if (n > 0) WideCharToMultiByte(cp, flags, text.data(), int(text.size()), out.data(), n, defaultChar, usedDefault);
  return out;
}

// glibc's converter, the oracle for UTF-7; the final flush writes a trailing run out.
std::string Iconv(const char* to, const char* from, const std::string& text) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return "<no converter>";
  std::string out(text.size() * 8 + 16, '\0');
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* o = out.data();
  size_t outLeft = out.size();
  size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv(cd, nullptr, nullptr, &o, &outLeft);
  iconv_close(cd);
  if (r == size_t(-1)) return "<iconv failed>";
  out.resize(out.size() - outLeft);
  return out;
}

// glibc leaves a run open before a character that cannot be base64; ours closes
// every run with '-'. Closing glibc's runs makes the two comparable.
std::string CloseRuns(const std::string& utf7) {
  static const std::regex run(R"(\+([A-Za-z0-9+/]+)-?)");
  return std::regex_replace(utf7, run, "+$1-");
}

}  // namespace

TEST(CodePage, SizeQueriesAndWin32Errors) {
  const char* text = "Nov\xE1k";
  EXPECT_EQ(MultiByteToWideChar(1250, 0, text, -1, nullptr, 0), 6);  // -1: the zero counts
  EXPECT_EQ(MultiByteToWideChar(1250, 0, text, 5, nullptr, 0), 5);
  WCHAR small[3];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(1250, 0, text, -1, small, 3), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  WCHAR wide[6];
  ASSERT_EQ(MultiByteToWideChar(1250, 0, text, -1, wide, 6), 6);
  EXPECT_EQ(std::u16string(wide), u"Novák");

  char narrow[8];
  EXPECT_EQ(WideCharToMultiByte(1250, 0, wide, -1, nullptr, 0, nullptr, nullptr), 6);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr), 7);
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow, 6, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_EQ(WideCharToMultiByte(1250, 0, wide, -1, narrow, 8, nullptr, nullptr), 6);
  EXPECT_STREQ(narrow, text);

  // Each of these is refused with ERROR_INVALID_PARAMETER.
  BOOL used = FALSE;
  struct Call {
    const char* what;
    int result;
  } calls[] = {
      {"null input", MultiByteToWideChar(1250, 0, nullptr, 3, wide, 6)},
      {"zero length", MultiByteToWideChar(1250, 0, text, 0, wide, 6)},
      {"length below -1", MultiByteToWideChar(1250, 0, text, -2, wide, 6)},
      {"negative output size", MultiByteToWideChar(1250, 0, text, 5, wide, -1)},
      {"output size without a buffer", MultiByteToWideChar(1250, 0, text, 5, nullptr, 6)},
      {"unknown code page", MultiByteToWideChar(1251, 0, text, 5, wide, 6)},
      {"wide zero length", WideCharToMultiByte(1250, 0, wide, 0, narrow, 8, nullptr, nullptr)},
      {"wide unknown code page", WideCharToMultiByte(437, 0, wide, 5, narrow, 8, nullptr, nullptr)},
      {"default char with UTF-8", WideCharToMultiByte(CP_UTF8, 0, wide, 5, narrow, 8, "?", nullptr)},
      {"used flag with UTF-7", WideCharToMultiByte(CP_UTF7, 0, wide, 5, narrow, 8, nullptr, &used)},
  };
  for (const Call& c : calls) EXPECT_EQ(c.result, 0) << c.what;
  SetLastError(0);
  MultiByteToWideChar(1251, 0, text, 5, wide, 6);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(IsValidCodePage(65000));
  EXPECT_FALSE(IsValidCodePage(1251));
}

TEST(CodePage, AnsiCodePageIs1250UnlessTheHostChoosesAnother) {
  EXPECT_EQ(GetACP(), 1250u);
  EXPECT_FALSE(SorrelSetACP(1251));
  EXPECT_EQ(ToWide(CP_ACP, "\x8A"), u"Š");
  ASSERT_TRUE(SorrelSetACP(1252));
  EXPECT_EQ(ToWide(CP_ACP, "\x8A"), u"Š");   // the same letter lives at 8A in both
  EXPECT_EQ(ToWide(CP_ACP, "\xE8"), u"è");   // but E8 is è in 1252, č in 1250
  SorrelSetACP(1250);
  EXPECT_EQ(ToWide(CP_ACP, "\xE8"), u"č");
}

// The five bytes Windows-1250 leaves undefined.
TEST(CodePage, UndefinedBytesOf1250) {
  for (unsigned char b : {0x81, 0x83, 0x88, 0x90, 0x98}) {
    std::string text = {'a', char(b), 'z'};
    EXPECT_EQ(ToWide(1250, text), u"a\uFFFDz") << int(b);
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(1250, MB_ERR_INVALID_CHARS, text.data(), 3, nullptr, 0), 0) << int(b);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
  }
  // Every other byte is defined and comes back to itself.
  int defined = 0;
  for (int b = 1; b < 256; ++b) {
    std::string one(1, char(b));
    std::u16string w = ToWide(1250, one);
    if (w == u"\uFFFD") continue;
    ++defined;
    EXPECT_EQ(FromWide(1250, w), one) << b;
  }
  EXPECT_EQ(defined, 250);
}

// A character the code page lacks becomes a close letter or the default
// character: never dropped, never a failure of the whole value.
TEST(CodePage, MissingCharactersAreReplacedNotDropped) {
  struct Case {
    UINT cp;
    std::u16string in;
    std::string out;
    bool usedDefault;
  } cases[] = {
      {1250, u"Ñandú", "Nand\xFA", false},       // ñ is not in 1250; ú is
      {1250, u"à la", "a la", false},
      {1250, u"Novák", "Nov\xE1k", false},
      {1250, u"x中y", "x?y", true},
      {1250, u"😀", "??", true},                 // each half of the pair
      {1252, u"Černý", "Cern\xFD", false},       // Č is not in 1252; ý is
      {1252, u"Łódź", "L\xF3" "dz", false},
      {1250, u"€", "\x80", false},
  };
  for (const Case& c : cases) {
    BOOL used = -1;
    EXPECT_EQ(FromWide(c.cp, c.in, &used), c.out) << c.cp << " " << c.out;
    EXPECT_EQ(used, c.usedDefault ? TRUE : FALSE) << c.out;
  }
  // Without best fit, and with the caller's default character.
  BOOL used = FALSE;
  EXPECT_EQ(FromWide(1250, u"Ñ中", &used, WC_NO_BEST_FIT_CHARS, "*"), "**");
  EXPECT_TRUE(used);
}

// Malformed input becomes U+FFFD (or nothing, for UTF-7's left-over bits) and the
// good text around it stays; MB_ERR_INVALID_CHARS refuses the same input whole.
TEST(CodePage, Utf8AndUtf7MalformedInput) {
  struct Case {
    UINT cp;
    const char* what;
    std::string in;
    std::u16string out;
    bool invalid;
  } cases[] = {
      {CP_UTF8, "two-byte letter", "\xC5\x98" "editel", u"Ředitel", false},
      {CP_UTF8, "four-byte character", "\xF0\x9F\x98\x80", u"😀", false},
      {CP_UTF8, "truncated at the end", "Nov\xC3", u"Nov\uFFFD", true},
      {CP_UTF8, "truncated three-byte", "\xE2\x82", u"\uFFFD\uFFFD", true},
      {CP_UTF8, "truncated before ASCII", "\xE2\x82" "A", u"\uFFFD\uFFFDA", true},
      {CP_UTF8, "lone continuation", "a\x80z", u"a\uFFFDz", true},
      {CP_UTF8, "overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD", true},
      {CP_UTF8, "overlong three-byte", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD", true},
      {CP_UTF8, "encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", true},
      {CP_UTF8, "beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", true},
      {CP_UTF8, "invalid lead", "\xFF" "a", u"\uFFFDa", true},
      {CP_UTF8, "embedded zero", std::string("a\0b", 3), std::u16string(u"a\0b", 3), false},
      {CP_UTF7, "lone plus at the end", "a+", u"a", false},
      {CP_UTF7, "unterminated run, bits left", "+AO", u"", true},
      {CP_UTF7, "run with non-zero padding", "+AOF-", u"á", true},
      {CP_UTF7, "8-bit byte", "a\xE1", u"a\uFFFD", true},
      {CP_UTF7, "run ended by a non-base64 char", "+AOE.x", u"á.x", false},
      {CP_UTF7, "empty run", "+-+-", u"++", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ToWide(c.cp, c.in), c.out);
    int strict = MultiByteToWideChar(c.cp, MB_ERR_INVALID_CHARS, c.in.data(), int(c.in.size()), nullptr, 0);
    EXPECT_EQ(strict == 0, c.invalid);
  }
  // A lone surrogate cannot be written as UTF-8.
  EXPECT_EQ(FromWide(CP_UTF8, u"a\xD800z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(FromWide(CP_UTF8, u"a\xD800z", nullptr, WC_ERR_INVALID_CHARS), "");
  // Into the ANSI code page a broken sequence becomes '?', the good text around it stays.
  EXPECT_EQ(sorrel::Utf8ToAnsi("Nov\xC3\xA1k \xC3"), "Nov\xE1k ?");
  EXPECT_EQ(sorrel::AnsiToUtf8("\xC8" "ern\xFD"), "\xC4\x8C" "ern\xC3\xBD");
  EXPECT_EQ(sorrel::AnsiToUtf8("a\x81"), "a\xEF\xBF\xBD");
}

TEST(CodePage, Utf7BothDirections) {
  struct Case {
    std::string ansi;  // Windows-1250
    std::string utf7;
  } cases[] = {
      {"Nov\xE1k", "Nov+AOE-k"},
      {"\xD8" "editel", "+AVg-editel"},
      {"\xE1 b", "+AOE- b"},      // closed before a space
      {"\xE1;b", "+AOEAOw-b"},    // ';' is optional-direct: it joins the run
      {"x\xE1", "x+AOE-"},        // closed at the end of the value
      {"\xE1-b", "+AOE--b"},      // the closing '-' and then a literal one
      {"a+b", "a+-b"},
      {"\xE1+", "+AOE-+-"},
      {"", ""},
      {"plain (text), ok?", "plain (text), ok?"},
      {"\x8A\x9A\x8E\x9E", "+AWABYQF9AX4-"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sorrel::AnsiToUtf7(c.ansi), c.utf7) << c.utf7;
    EXPECT_EQ(sorrel::Utf7ToAnsi(c.utf7), c.ansi) << c.utf7;
  }
  // The reader takes runs that other writers leave open, and the plain '+-'.
  EXPECT_EQ(sorrel::Utf7ToAnsi("+AOE b"), "\xE1 b");
  EXPECT_EQ(sorrel::Utf7ToAnsi("Nov+AOE"), "Nov\xE1");
  EXPECT_EQ(ToWide(CP_UTF7, "+2D3eAA-"), u"😀");
}

// glibc's UTF-7 writer as the oracle: after closing its open runs, its output and
// ours are the same, and it reads ours back to the same text.
TEST(CodePage, Utf7AgreesWithIconv) {
  const std::vector<std::string> utf8 = {
      "Novák",           "Ředitel",         "á b",           "Žluťoučký kůň úpěl ďábelské ódy",
      "a+b c",           "100% (hot) & new", "x!y\"z#$",      "Tom's \"café\"; 2nd",
      "tab\there\r\nCR", "~\\`{}|^_@[]",    "😀 emoji",       "ß µ Ω",
      "ends with š",     "á-b",             "Praha 4, 140 00", "",
  };
  for (const std::string& text : utf8) {
    std::u16string wide = ToWide(CP_UTF8, text);
    std::string ours = wide.empty() ? "" : FromWide(CP_UTF7, wide);
    std::string theirs = Iconv("UTF-7", "UTF-8", text);
    EXPECT_EQ(ours, CloseRuns(theirs)) << text << " (iconv: " << theirs << ")";
    EXPECT_EQ(Iconv("UTF-8", "UTF-7", ours), text) << ours;
  }
  // A '+' after a run: glibc takes it into the run, ours ends the run and writes the
  // literal "+-". Both are valid, and glibc reads ours.
  EXPECT_EQ(FromWide(CP_UTF7, u"á+b"), "+AOE-+-b");
  EXPECT_EQ(Iconv("UTF-8", "UTF-7", "+AOE-+-b"), "á+b");
}

// The conversions over the text itself write each byte at or before the last one
// read; they give what the copying ones give, 7-bit prefixes, characters that
// become two units, broken sequences and open runs included, in both code pages.
TEST(CodePage, InPlaceConversionsAgreeWithCopies) {
  const std::vector<std::string> texts = {
      "",          "plain",          "Nov\xC3\xA1k",      "\xC3\xA1\xC3\xA1\xC3\xA1", "a\xF0\x9F\x98\x80z",
      "Nov\xC3",   "\xE2\x82" "A",   "\xED\xA0\x80x",     "\xFF\xFE",                 "\xE4\xB8\xAD\xE6\x96\x87",
      "Nov+AOE-k", "+AOE b;+AOE",    "a+",                "+AO",                      "+AOF-",
      "a\xE1+-",   "+2D3eAA-x",      "+2D3eAA",           "+AWABYQF9AX4-",            "x+AOEAOw-b+-+-",
  };
  const UINT acp = GetACP();
  for (UINT cp : {1250u, 1252u}) {
    ASSERT_TRUE(SorrelSetACP(cp));
    for (const std::string& text : texts) {
      std::string utf8 = text, utf7 = text;
      sorrel::Utf8ToAnsiInPlace(utf8);
      sorrel::Utf7ToAnsiInPlace(utf7);
      EXPECT_EQ(utf8, sorrel::Utf8ToAnsi(text)) << cp << " UTF-8 " << text;
      EXPECT_EQ(utf7, sorrel::Utf7ToAnsi(text)) << cp << " UTF-7 " << text;
    }
  }
  SorrelSetACP(acp);
}
