#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/Numbers.h"

namespace {

// The C library's strtol (64-bit long) cut to the int range: what the Windows
// runtime's atoi gives, also for values beyond it.
int ReferenceAtoi(const std::string& s) {
  long v = std::strtol(s.c_str(), nullptr, 10);
  return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
}

const char* const kIntegers[] = {
    "0",           "42",          "  \t\n-17xyz", "+5",          "- 5",         "",
    "abc",         "0x1A",        "007",          "12 34",       "\v\f\r9",     "2147483647",
    "2147483648",  "-2147483648", "-2147483649",  "4294967295",  "99999999999999999999999",
    "-99999999999999999999999",   "+-3",          "1e5",         "3.9",         "\xE1" "5",
};

}  // namespace

TEST(Numbers, AtoiMatchesTheCLibrary) {
  for (const char* s : kIntegers) EXPECT_EQ(sorrel::Atoi(s), ReferenceAtoi(s)) << '"' << s << '"';
  EXPECT_EQ(sorrel::Atoi("4294967296"), INT_MAX);
  EXPECT_EQ(sorrel::AtoiUnsigned("-1"), 0xFFFFFFFFu);
  EXPECT_EQ(sorrel::AtoiUnsigned("4294967295"), 0x7FFFFFFFu);  // int first, as atoi reads it
}

TEST(Numbers, ReadOnlyTheGivenText) {
  std::string digits = "12345";
  EXPECT_EQ(sorrel::Atoi(std::string_view(digits).substr(0, 2)), 12);
  EXPECT_EQ(sorrel::Atoi(std::string_view(digits.data(), 0)), 0);
  EXPECT_EQ(sorrel::Atoi(std::string_view("7\0" "8", 3)), 7);
  EXPECT_DOUBLE_EQ(sorrel::Atof(std::string_view(digits).substr(1, 3)), 234.0);
  EXPECT_DOUBLE_EQ(sorrel::Atof(std::string_view("1.5\0" "7", 5)), 1.5);
}

TEST(Numbers, AtofMatchesTheCLibraryInTheCLocale) {
  const char* const cases[] = {
      "36526",  "36526.5", " -2.5e3x", ".5",     "5.",     "1e",   "1e+",   "1,5",   "",
      "abc",    "0x10",    "0x1p3",    "inf",    "-Infinity", "1e400", "-1e-400", "+.e1", "27460.000000",
      "\t\n3.25;4",
  };
  for (const char* s : cases) EXPECT_DOUBLE_EQ(sorrel::Atof(s), std::strtod(s, nullptr)) << '"' << s << '"';
  EXPECT_TRUE(std::isnan(sorrel::Atof("nan")));
}

// strtol with base 16 over exactly two characters, for every pair of bytes.
TEST(Numbers, HexPairIsStrtolOverTwoCharacters) {
  int differences = 0;
  for (int a = 1; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      char pair[3] = {char(a), char(b), '\0'};
      int expected = int(std::strtol(pair, nullptr, 16));
      int got = sorrel::HexPair(pair[0], pair[1]);
      if (got != expected && ++differences <= 10)
        ADD_FAILURE() << "HexPair(" << a << ", " << b << ") = " << got << ", strtol gives " << expected;
    }
  }
  EXPECT_EQ(differences, 0);
  // The examples the decoder relies on.
  EXPECT_EQ(sorrel::HexPair('4', 'G'), 0x04);
  EXPECT_EQ(sorrel::HexPair('Z', 'Z'), 0);
  EXPECT_EQ(sorrel::HexPair('c', '3'), 0xC3);
  EXPECT_EQ(sorrel::HexPair('0', '\0'), 0);
}
