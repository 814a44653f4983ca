#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/Numbers.h"
#include "support/Cases.h"

namespace {

// The C library's strtol (64-bit long) cut to the int range: what the Windows
// runtime's atoi gives, also for values beyond it.
int ReferenceAtoi(const std::string& s) {
  long v = std::strtol(s.c_str(), nullptr, 10);
  return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
}

}  // namespace

TEST(Numbers, AtoiAndAtofMatchTheCLibrary) {
  auto cases = sorrel::test::ReadCases("platform/data/numbers.tsv");
  ASSERT_FALSE(cases.empty());
  for (const auto& c : cases) {
    if (c[0] == "atoi")
      EXPECT_EQ(sorrel::Atoi(c[1]), ReferenceAtoi(c[1])) << '"' << c[1] << '"';
    else
      EXPECT_DOUBLE_EQ(sorrel::Atof(c[1]), std::strtod(c[1].c_str(), nullptr)) << '"' << c[1] << '"';
  }
  EXPECT_TRUE(std::isnan(sorrel::Atof("nan")));
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
}
