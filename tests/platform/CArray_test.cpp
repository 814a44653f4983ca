#include <gtest/gtest.h>

#include <vector>

#include "sorrel/CArray.h"

namespace {

std::vector<UINT> Items(const CArray<UINT, UINT>& a) { return {a.begin(), a.end()}; }

}  // namespace

TEST(CArray, GrowingAndShrinkingAtTheEdges) {
  CArray<UINT, UINT> a;
  EXPECT_EQ(a.GetUpperBound(), -1);
  EXPECT_EQ(a.Add(4), 0);
  EXPECT_EQ(a.Add(5), 1);
  a.InsertAt(1, 8, 2);
  a.InsertAt(6, 1);  // beyond the end the array grows with default elements first
  a.InsertAt(0, 9, 0);  // a count of 0 inserts nothing
  EXPECT_EQ(Items(a), (std::vector<UINT>{4, 8, 8, 5, 0, 0, 1}));
  a.RemoveAt(1, 2);
  a.RemoveAt(3, 99);  // the count is cut at the end
  a.RemoveAt(3);      // nothing there
  a.RemoveAt(-1);
  EXPECT_EQ(Items(a), (std::vector<UINT>{4, 5, 0}));
  a.SetAtGrow(4, 2);
  EXPECT_EQ(Items(a), (std::vector<UINT>{4, 5, 0, 0, 2}));
  a.SetSize(-4);  // a negative size empties the array instead of failing
  EXPECT_TRUE(a.IsEmpty());

  CArray<UINT, UINT> b;
  b.Add(1);
  b.Add(0xFFFFFFFF);
  a.Add(9);
  EXPECT_EQ(a.Append(b), 1);  // the index of the first element appended
  EXPECT_EQ(Items(a), (std::vector<UINT>{9, 1, 0xFFFFFFFF}));
  a.Copy(b);
  EXPECT_EQ(Items(a), Items(b));
}
