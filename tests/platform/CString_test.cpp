#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "sorrel/CString.h"
#include "support/Cases.h"

// The operations of platform/data/cstring.tsv, one a row.
TEST(CString, Operations) {
  auto cases = sorrel::test::ReadCases("platform/data/cstring.tsv");
  ASSERT_FALSE(cases.empty());
  for (const auto& c : cases) {
    CString s(c[1].data(), int(c[1].size()));
    const std::string& op = c[0];
    auto n = [&](size_t i) { return std::stoi(c[i]); };
    auto with = [&](int count) { return std::to_string(count) + "|" + s.str(); };
    auto sign = [](int r) { return std::to_string((r > 0) - (r < 0)); };
    std::string got = op == "find-char"         ? std::to_string(s.Find(c[2][0], n(3)))
                      : op == "find"            ? std::to_string(s.Find(c[2].c_str(), n(3)))
                      : op == "reverse-find"    ? std::to_string(s.ReverseFind(c[2][0]))
                      : op == "find-one-of"     ? std::to_string(s.FindOneOf(c[2].c_str()))
                      : op == "left"            ? s.Left(n(2)).str()
                      : op == "right"           ? s.Right(n(2)).str()
                      : op == "mid"             ? s.Mid(n(2), n(3)).str()
                      : op == "mid-to-end"      ? s.Mid(n(2)).str()
                      : op == "delete"          ? with(s.Delete(n(2), n(3)))
                      : op == "insert-char"     ? with(s.Insert(n(2), c[3][0]))
                      : op == "insert"          ? with(s.Insert(n(2), c[3].c_str()))
                      : op == "replace"         ? with(s.Replace(c[2].c_str(), c[3].c_str()))
                      : op == "replace-char"    ? with(s.Replace(c[2][0], c[3][0]))
                      : op == "remove"          ? with(s.Remove(c[2][0]))
                      : op == "trim-left"       ? s.TrimLeft().str()
                      : op == "trim-right"      ? s.TrimRight().str()
                      : op == "trim"            ? s.Trim().str()
                      : op == "trim-char"       ? s.TrimLeft(c[2][0]).TrimRight(c[2][0]).str()
                      : op == "trim-set"        ? s.TrimLeft(c[2].c_str()).TrimRight(c[3].c_str()).str()
                      : op == "upper"           ? s.MakeUpper().str()
                      : op == "lower"           ? s.MakeLower().str()
                      : op == "compare-no-case" ? sign(s.CompareNoCase(c[2].c_str()))
                      : op == "compare"         ? sign(s.Compare(c[2].c_str()))
                                                : "no such operation";
    EXPECT_EQ(got, c.back()) << op << " on \"" << c[1] << "\"";
  }
}

TEST(CString, ConstructionComparisonAndConcatenation) {
  EXPECT_EQ(CString("x\0y", 3).GetLength(), 3);  // embedded zeros survive
  EXPECT_EQ(CString(nullptr), "");
  EXPECT_EQ(CString("abc", -1), "");
  EXPECT_EQ(CString('-', 3), "---");
  EXPECT_EQ(CString('-', 0), "");
  CString a("ab");
  EXPECT_GT(a.Compare(nullptr), 0);
  EXPECT_EQ('<' + a + '>', "<ab>");
  EXPECT_EQ("x" + a + "y", "xaby");
  a += CString("c");
  a += "d";
  a += 'e';
  EXPECT_EQ(a, "abcde");
}

TEST(CString, FormatPrintfConversions) {
  CString s;
  s.Format("%u|%d|%s|%lf", 4294967295u, -7, "Nov\xE1k", 36526.0);
  EXPECT_EQ(s, "4294967295|-7|Nov\xE1k|36526.000000");
  // Longer than the first buffer tried: the second pass must see the same arguments.
  std::string longText(1000, 'x');
  s.Format("<%s>%d", longText.c_str(), 42);
  EXPECT_EQ(s.str(), "<" + longText + ">42");
  s.AppendFormat("%c%.2f", ';', 0.125);
  EXPECT_EQ(s.Right(6), "2;0.12");
}

TEST(CString, FormatKeepsTheDecimalPointUnderAHostLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  // A Czech host's own locale writes a decimal comma; scripts/install-deps makes it.
  if (!std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
    GTEST_SKIP() << "neither cs_CZ.UTF-8 nor de_DE.UTF-8 is installed on this machine";
  CString s;
  s.Format("%lf", 2.5);
  char direct[32];
  std::snprintf(direct, sizeof direct, "%lf", 2.5);
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_STREQ(direct, "2,500000");  // the locale really is in force
  EXPECT_EQ(s, "2.500000");
}

TEST(CString, BufferAccess) {
  CString s("abc");
  char* p = s.GetBuffer(10);
  std::snprintf(p, 10, "%s", "xy");
  s.ReleaseBuffer();  // up to the first zero byte
  EXPECT_EQ(s, "xy");
  p = s.GetBufferSetLength(4);
  p[2] = 'z';
  p[3] = 'w';
  s.ReleaseBuffer(3);
  EXPECT_EQ(s, "xyz");
  s.ReleaseBuffer(50);  // a length beyond the buffer keeps what there is
  EXPECT_EQ(s, "xyz");
}
