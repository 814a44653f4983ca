#include <gtest/gtest.h>

#include <vector>

#include "sorrel/CArray.h"

namespace {

std::vector<UINT> Items(const CArray<UINT, UINT>& a) { return {a.begin(), a.end()}; }

}  // namespace

TEST(CArray, AddAndIndex) {
  CArray<UINT, UINT> a;
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_EQ(a.GetUpperBound(), -1);
  EXPECT_EQ(a.Add(7), 0);
  EXPECT_EQ(a.Add(0xFFFFFFFF), 1);
  EXPECT_EQ(a.GetSize(), 2);
  EXPECT_EQ(a.GetCount(), 2);
  EXPECT_EQ(a[1], 0xFFFFFFFFu);
  a.SetAt(0, 9);
  a[1] = 3;
  EXPECT_EQ(Items(a), (std::vector<UINT>{9, 3}));
  EXPECT_EQ(a.GetData()[0], 9u);
}

TEST(CArray, InsertAtAndRemoveAt) {
  CArray<UINT, UINT> a;
  a.InsertAt(0, 5);
  a.InsertAt(0, 4);
  a.InsertAt(1, 8, 2);
  EXPECT_EQ(Items(a), (std::vector<UINT>{4, 8, 8, 5}));
  a.InsertAt(6, 1);  // beyond the end the array grows with default elements first
  EXPECT_EQ(Items(a), (std::vector<UINT>{4, 8, 8, 5, 0, 0, 1}));
  a.InsertAt(0, 9, 0);  // a count of 0 inserts nothing
  EXPECT_EQ(a.GetSize(), 7);

  a.RemoveAt(1, 2);
  EXPECT_EQ(Items(a), (std::vector<UINT>{4, 5, 0, 0, 1}));
  a.RemoveAt(3, 99);  // the count is cut at the end
  EXPECT_EQ(Items(a), (std::vector<UINT>{4, 5, 0}));
  a.RemoveAt(3);      // nothing there
  a.RemoveAt(-1);
  EXPECT_EQ(Items(a), (std::vector<UINT>{4, 5, 0}));
  a.RemoveAll();
  EXPECT_TRUE(a.IsEmpty());
}

TEST(CArray, SetSizeGrowsShrinksAndCopies) {
  CArray<UINT, UINT> a;
  a.SetSize(3);
  EXPECT_EQ(Items(a), (std::vector<UINT>{0, 0, 0}));
  a.SetAtGrow(5, 2);
  EXPECT_EQ(Items(a), (std::vector<UINT>{0, 0, 0, 0, 0, 2}));
  a.SetSize(2);
  EXPECT_EQ(a.GetSize(), 2);
  a.SetSize(-4);  // a negative size empties the array instead of failing
  EXPECT_TRUE(a.IsEmpty());

  CArray<UINT, UINT> b;
  b.Add(1);
  b.Add(2);
  a.Add(9);
  EXPECT_EQ(a.Append(b), 1);
  EXPECT_EQ(Items(a), (std::vector<UINT>{9, 1, 2}));
  a.Copy(b);
  EXPECT_EQ(Items(a), (std::vector<UINT>{1, 2}));
}

TEST(CArray, ArraysOfPointersDoNotOwn) {
  int x = 1, y = 2;
  {
    CArray<int*, int*> a;
    a.Add(&x);
    a.Add(&y);
    EXPECT_EQ(*a[1], 2);
  }  // destroying the array must leave what it pointed to alone (no double free under ASan)
  EXPECT_EQ(x + y, 3);
}
