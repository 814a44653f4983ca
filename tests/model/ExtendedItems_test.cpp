#include <gtest/gtest.h>

#include <cmath>

#include "sorrel/ExtendedItems.h"

// Every id from 0 to 40 has its own text slot or none; the date operations reach
// id 31 only; icons exist for items 11, 22, 23 and 29 only.
TEST(ExtendedItems, IdDispatch) {
  CExtendedItems items;
  for (UINT id = 0; id <= 40; ++id) {
    items.SetValueByID(id, CString(char('a' + id % 26), int(id)));
    items.SetValueByID(id, double(id));
    items.SetIcon(id, static_cast<unsigned char>(id));
  }
  for (UINT id = 0; id <= 40; ++id) {
    bool bText = id >= 5 && id <= 30 && id != 12 && id != 26;
    bool bIcon = id == 11 || id == 22 || id == 23 || id == 29;
    CString value("junk");
    items.GetValueByID(id, value);
    EXPECT_EQ(value, bText ? CString(char('a' + id % 26), int(id)) : CString()) << id;
    EXPECT_EQ(items.GetValueByID(id), id == 31 ? 31.0 : 0.0) << id;
    EXPECT_EQ(items.GetIcon(id), bIcon ? id : 0u) << id;
    EXPECT_EQ(items.SetIcon(id, 1), bIcon ? 1 : 0) << id;
  }
  // All 23 counted text items and the birthday.
  EXPECT_EQ(items.GetNFilledItems(), 24u);
}

TEST(ExtendedItems, SyncIdSurvivesClearAndDoesNotCount) {
  CExtendedItems items;
  items.SetValueByID(ITEM_SYNC_ID, CString("LUID-7"));
  items.SetValueByID(ITEM_NOTE, CString("x"));
  items.SetIcon(ITEM_NOTE, 3);
  items.Clear();
  EXPECT_EQ(*items.GetValuePtrByID(ITEM_SYNC_ID), "LUID-7");
  EXPECT_EQ(items.AreEmpty(), 1);
  EXPECT_EQ(items.GetNFilledItems(), 0u);
  EXPECT_EQ(items.GetIcon(ITEM_NOTE), 0);
  EXPECT_EQ(items.GetValueByID(ITEM_BIRTHDAY), NO_BIRTHDAY);
}

TEST(ExtendedItems, BirthdayIsSetOnlyAboveTheNoDateValue) {
  const struct {
    double dDate;
    bool bSet;
  } cases[] = {{NO_BIRTHDAY, false}, {-40000.0, false}, {std::nextafter(NO_BIRTHDAY, 0.0), true},
               {0.0, true},          {std::nan(""), false}};
  for (const auto& c : cases) {
    CExtendedItems items;
    items.SetValueByID(ITEM_BIRTHDAY, c.dDate);
    EXPECT_EQ(items.AreEmpty(), c.bSet ? 0 : 1) << c.dDate;
    EXPECT_EQ(items.GetNFilledItems(), c.bSet ? 1u : 0u) << c.dDate;
  }
}

TEST(ExtendedItems, AssignmentCopiesContentsButNotIcons) {
  CExtendedItems source, target;
  source.SetValueByID(ITEM_SYNC_ID, CString("LUID-1"));
  source.SetValueByID(ITEM_BIRTHDAY, 36526.0);
  source.SetIcon(ITEM_NOTE2, 9);
  target.SetValueByID(ITEM_FAX, CString("old"));
  target.SetIcon(ITEM_INFO_NUMBER1, 4);
  target = source;
  EXPECT_EQ(*target.GetValuePtrByID(ITEM_SYNC_ID) + *target.GetValuePtrByID(ITEM_FAX), "LUID-1");
  EXPECT_EQ(target.GetValueByID(ITEM_BIRTHDAY), 36526.0);
  EXPECT_EQ(target.GetIcon(ITEM_INFO_NUMBER1) * 10 + target.GetIcon(ITEM_NOTE2), 40);
}
