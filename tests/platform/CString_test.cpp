#include <gtest/gtest.h>

#include "sorrel/CString.h"

TEST(CString, FindLeftRightClamp) {
  CString s("abcdef");
  EXPECT_EQ(s.Find('z'), -1);
  EXPECT_EQ(s.Find("cd"), 2);
  EXPECT_EQ(s.Find(""), 0);
  EXPECT_EQ(s.Left(0), "");
  EXPECT_EQ(s.Left(-3), "");
  EXPECT_EQ(s.Left(10), "abcdef");
  EXPECT_EQ(s.Right(2), "ef");
  EXPECT_EQ(s.Right(6), "abcdef");
}
