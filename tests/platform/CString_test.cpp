#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "sorrel/CString.h"

// Every position and count out of range is clamped, never read past the text.
TEST(CString, FindLeftRightMidClamp) {
  CString s("a;b;c");
  EXPECT_EQ(s.Find(';', 2), 3);
  EXPECT_EQ(s.Find(';', -5), 1);  // a negative start counts from the beginning
  EXPECT_EQ(s.Find(';', 5), -1);  // at the end: nothing left to search
  EXPECT_EQ(s.Find(';', 99), -1);
  EXPECT_EQ(s.Find(""), 0);
  EXPECT_EQ(s.Find("", 5), 5);  // the empty text is found where the search starts
  EXPECT_EQ(s.Find("", 6), -1);
  EXPECT_EQ(s.Find("c;"), -1);
  EXPECT_EQ(s.ReverseFind(';'), 3);
  EXPECT_EQ(s.FindOneOf("xc"), 4);
  EXPECT_EQ(CString().Find('a'), -1);
  EXPECT_EQ(s.Left(-3), "");
  EXPECT_EQ(s.Left(10), "a;b;c");
  EXPECT_EQ(s.Right(2), ";c");
  EXPECT_EQ(s.Right(4), ";b;c");  // one short of the whole
  EXPECT_EQ(s.Right(9), "a;b;c");

  // Mid and Delete on "abcdef": the first index, the count, and what each leaves.
  const struct {
    int first, count;
    const char *mid, *deleted;
  } cases[] = {{2, 2, "cd", "abef"}, {4, 10, "ef", "abcd"}, {6, 1, "", "abcdef"}, {9, 1, "", "abcdef"},
               {-2, 2, "ab", "cdef"}, {1, 0, "", "abcdef"}, {1, -1, "", "abcdef"}, {1, 1, "b", "acdef"}};
  CString t("abcdef");
  for (const auto& c : cases) {
    EXPECT_EQ(t.Mid(c.first, c.count), c.mid) << c.first << "," << c.count;
    CString d(t);
    EXPECT_EQ(d.Delete(c.first, c.count), CString(c.deleted).GetLength()) << c.first << "," << c.count;
    EXPECT_EQ(d, c.deleted) << c.first << "," << c.count;
  }
  EXPECT_EQ(t.Mid(3), "def");
  EXPECT_EQ(t.Mid(-1), "abcdef");
  EXPECT_EQ(t.Mid(7), "");
}

TEST(CString, ConstructionComparisonAndConcatenation) {
  EXPECT_EQ(CString("x\0y", 3).GetLength(), 3);  // embedded zeros survive
  EXPECT_EQ(CString(nullptr), "");
  EXPECT_EQ(CString("abc", -1), "");
  EXPECT_EQ(CString('-', 3), "---");
  EXPECT_EQ(CString('-', 0), "");
  CString a("ab");
  EXPECT_TRUE(CString("\xE1") > CString("z"));  // byte order: 8-bit letters sort after ASCII
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

// The case tables follow Windows-1250, not only ASCII.
TEST(CString, CaseMappingInWindows1250) {
  // á š ž č ř ů and their capitals
  const char* lower = "\xE1\x9A\x9E\xE8\xF8\xF9novak";
  const char* upper = "\xC1\x8A\x8E\xC8\xD8\xD9NOVAK";
  EXPECT_EQ(CString(lower).MakeUpper(), upper);
  EXPECT_EQ(CString(upper).MakeLower(), lower);
  // µ and ß have no capital inside the code page; undefined bytes are left alone.
  EXPECT_EQ(CString("\xB5\xDF\x81\x83\x88\x90\x98").MakeUpper(), "\xB5\xDF\x81\x83\x88\x90\x98");
  EXPECT_EQ(CString("\xC8" "ERN\xDD").CompareNoCase("\xE8" "ern\xFD"), 0);  // ČERNÝ, černý
  EXPECT_LT(CString("a").CompareNoCase("B"), 0);
  EXPECT_GT(CString("ab").CompareNoCase("A"), 0);
}

TEST(CString, ReplaceDeleteInsertRemove) {
  CString s("a,b,,c");
  EXPECT_EQ(s.Replace(",", ";;"), 3);
  EXPECT_EQ(s, "a;;b;;;;c");
  EXPECT_EQ(s.Replace("", "x"), 0);  // an empty pattern replaces nothing
  EXPECT_EQ(s.Replace(';', ','), 6);
  EXPECT_EQ(s.Remove(','), 6);
  EXPECT_EQ(s, "abc");
  CString aa("aaaa");
  EXPECT_EQ(aa.Replace("aa", "a"), 2);  // matches do not overlap, output is not rescanned
  EXPECT_EQ(aa, "aa");

  CString t("ace");
  EXPECT_EQ(t.Insert(1, 'b'), 4);
  EXPECT_EQ(t.Insert(99, "!"), 5);  // beyond the end: appended
  EXPECT_EQ(t.Insert(-1, '>'), 6);  // before the start: prepended
  EXPECT_EQ(t, ">abce!");
}

TEST(CString, TrimAndBufferAccess) {
  CString s(" \t\r\nab c \n");
  EXPECT_EQ(CString(s).TrimLeft(), "ab c \n");
  EXPECT_EQ(CString(s).TrimRight(), " \t\r\nab c");
  EXPECT_EQ(CString("xxaxx").TrimLeft('x').TrimRight('x'), "a");
  EXPECT_EQ(CString("\"';a;'\"").TrimLeft("\"'").TrimRight("\"';"), ";a");
  EXPECT_EQ(CString("   ").Trim(), "");

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
