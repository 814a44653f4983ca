#include <gtest/gtest.h>

#include <memory>

#include "sorrel/Groups.h"
#include "support/DescribeGroups.h"

using sorrel::test::Describe;

TEST(Groups, IdsNamesAndEditing) {
  CGroups groups;
  EXPECT_EQ(groups.Get1stFreeID(), 1u);
  EXPECT_EQ(groups.AddGroup("First"), 1u);
  EXPECT_EQ(Describe(groups), "1:First/40/1 ");
  groups.SetMaxLen2AllGroups(16);
  groups.AddGroup(4, "Family", 8, 0);
  EXPECT_EQ(groups.AddGroup(4, "Again", 8, 0), 0);
  auto duplicate = std::make_unique<GroupInfo>();
  duplicate->nID = 1;
  EXPECT_EQ(groups.AddGroup(duplicate.get()), 0);  // refused: still the caller's
  EXPECT_EQ(groups.AddGroup("Second"), 2u);
  EXPECT_EQ(groups.GetGroupByID(2)->nMaxLen, 16u);
  EXPECT_EQ(groups.Get1stFreeID(), 3u);
  EXPECT_EQ(groups.GetGroupIDByName("family"), 0u);
  EXPECT_EQ(groups.GetGroupIDByName(CString("Family")), 4u);

  EXPECT_EQ(groups.RemoveGroup(1), 1);
  EXPECT_EQ(groups.RemoveGroup(1), 0);
  EXPECT_EQ(Describe(groups), "4:Family/8/0 2:Second/16/1 ");
  EXPECT_EQ(groups.Get1stFreeID(), 1u);

  // Editable only ever rises outside a text read.
  groups.SetMaxGroups(3);
  EXPECT_EQ(groups.AreEditable(), 1);
  groups.AddGroup("Third");
  EXPECT_EQ(groups.AreEditable(), 1);
}
