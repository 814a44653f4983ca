#include <gtest/gtest.h>

#include <iconv.h>

#include <regex>
#include <string>

#include "platform/CodePageInternal.h"
#include "sorrel/CodePage.h"
#include "support/Cases.h"

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

// UTF-16 as UTF-8 and back, by glibc: the cases' files hold UTF-8.
std::string Utf8(const std::u16string& text) {
  return Iconv("UTF-8", "UTF-16LE", std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2));
}
std::u16string Utf16(const std::string& text) {
  std::string bytes = Iconv("UTF-16LE", "UTF-8", text);
  return std::u16string(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
}

// glibc leaves a run open before a character that cannot be base64; ours closes
// every run with '-'. Closing glibc's runs makes the two comparable.
std::string CloseRuns(const std::string& utf7) {
  static const std::regex run(R"(\+([A-Za-z0-9+/]+)-?)");
  return std::regex_replace(utf7, run, "+$1-");
}

}  // namespace

TEST(CodePage, SizeQueriesAndWin32Errors) {
  auto cases = sorrel::test::ReadCases("platform/data/codepage-calls.tsv");
  ASSERT_FALSE(cases.empty());
  for (const auto& c : cases) {
    const UINT cp = UINT(std::stoul(c[1]));
    const bool noBuffer = c[4].rfind("null ", 0) == 0;
    const int length = std::stoi(c[3]), room = std::stoi(noBuffer ? c[4].substr(5) : c[4]);
    const std::u16string wide = Utf16(c[2]);
    char narrow[16] = {};
    WCHAR out[16] = {};
    BOOL used = FALSE;
    SetLastError(0);
    const int n = c[0] == "to-wide"
                      ? MultiByteToWideChar(cp, 0, c[2] == "(null)" ? nullptr : c[2].c_str(), length,
                                            noBuffer || !room ? nullptr : out, room)
                      : WideCharToMultiByte(cp, 0, wide.c_str(), length, noBuffer || !room ? nullptr : narrow, room,
                                            c[5].empty() ? nullptr : c[5].c_str(), c[6].empty() ? nullptr : &used);
    const DWORD error = GetLastError();
    std::string got = std::to_string(n);
    if (n == 0)
      got += error == ERROR_INSUFFICIENT_BUFFER   ? " insufficient-buffer"
             : error == ERROR_INVALID_PARAMETER ? " invalid-parameter"
                                                : "";
    else if (room)
      got += " " + (c[0] == "to-wide" ? Utf8(std::u16string(out, size_t(n))) : std::string(narrow, size_t(n)));
    EXPECT_EQ(got, c[7]) << c[0] << " " << c[1] << " " << c[2] << " " << c[3] << " " << c[4];
  }
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

// Every byte of Windows-1250 but the five it leaves undefined comes back to itself.
TEST(CodePage, DefinedBytesOf1250RoundTrip) {
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

TEST(CodePage, ToWideCases) {
  auto cases = sorrel::test::ReadCases("platform/data/codepage-to-wide.tsv");
  ASSERT_FALSE(cases.empty());
  for (const auto& c : cases) {
    SCOPED_TRACE(c[1]);
    UINT cp = UINT(std::stoul(c[0]));
    EXPECT_EQ(Utf8(ToWide(cp, c[2])), c[3]);
    int strict = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, c[2].data(), int(c[2].size()), nullptr, 0);
    EXPECT_EQ(strict == 0, c[4] == "1");
  }
  // A lone surrogate cannot be written as UTF-8.
  EXPECT_EQ(FromWide(CP_UTF8, u"a\xD800z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(FromWide(CP_UTF8, u"a\xD800z", nullptr, WC_ERR_INVALID_CHARS), "");
  // Into the ANSI code page a broken sequence becomes '?', the good text around it stays.
  EXPECT_EQ(sorrel::Utf8ToAnsi("Nov\xC3\xA1k \xC3"), "Nov\xE1k ?");
  EXPECT_EQ(sorrel::AnsiToUtf8("\xC8" "ern\xFD"), "\xC4\x8C" "ern\xC3\xBD");
  EXPECT_EQ(sorrel::AnsiToUtf8("a\x81"), "a\xEF\xBF\xBD");
}

TEST(CodePage, FromWideCases) {
  auto cases = sorrel::test::ReadCases("platform/data/codepage-from-wide.tsv");
  ASSERT_FALSE(cases.empty());
  for (const auto& c : cases) {
    BOOL used = -1;
    EXPECT_EQ(FromWide(UINT(std::stoul(c[0])), Utf16(c[1]), &used), c[2]) << c[0] << " " << c[1];
    EXPECT_EQ(used, c[3] == "1" ? TRUE : FALSE) << c[1];
  }
  // Without best fit, and with the caller's default character.
  BOOL used = FALSE;
  EXPECT_EQ(FromWide(1250, u"Ñ中", &used, WC_NO_BEST_FIT_CHARS, "*"), "**");
  EXPECT_TRUE(used);
  // The UTF-7 form both ways; the reader also takes runs other writers leave open.
  auto utf7 = sorrel::test::ReadCases("platform/data/codepage-utf7.tsv");
  ASSERT_FALSE(utf7.empty());
  for (const auto& c : utf7) {
    EXPECT_EQ(sorrel::AnsiToUtf7(c[0]), c[1]) << c[1];
    EXPECT_EQ(sorrel::Utf7ToAnsi(c[1]), c[0]) << c[1];
  }
  EXPECT_EQ(sorrel::Utf7ToAnsi("+AOE b"), "\xE1 b");
  EXPECT_EQ(sorrel::Utf7ToAnsi("Nov+AOE"), "Nov\xE1");
}

// glibc's UTF-7 writer as the oracle: after closing its open runs, its output and
// ours are the same, and it reads ours back to the same text.
TEST(CodePage, Utf7AgreesWithIconv) {
  auto cases = sorrel::test::ReadCases("platform/data/codepage-texts.tsv");
  ASSERT_FALSE(cases.empty());
  for (const auto& c : cases) {
    if (c[0] != "text") continue;
    const std::string& text = c[1];
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
  auto cases = sorrel::test::ReadCases("platform/data/codepage-texts.tsv");
  ASSERT_FALSE(cases.empty());
  const UINT acp = GetACP();
  for (UINT cp : {1250u, 1252u}) {
    ASSERT_TRUE(SorrelSetACP(cp));
    for (const auto& c : cases) {
      const std::string& text = c[1];
      std::string utf8 = text, utf7 = text;
      sorrel::Utf8ToAnsiInPlace(utf8);
      sorrel::Utf7ToAnsiInPlace(utf7);
      EXPECT_EQ(utf8, sorrel::Utf8ToAnsi(text)) << cp << " UTF-8 " << text;
      EXPECT_EQ(utf7, sorrel::Utf7ToAnsi(text)) << cp << " UTF-7 " << text;
    }
  }
  SorrelSetACP(acp);
}
