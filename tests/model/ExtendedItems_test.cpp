#include <gtest/gtest.h>

#include <cmath>

#include "sorrel/ExtendedItems.h"

namespace {

bool HasTextSlot(UINT id) { return id >= 5 && id <= 30 && id != 12 && id != 26; }

}  // namespace

// Every id from 0 to 40 either has its own text slot or none: a value written
// under one id is read back under that id only, and ids without a slot read empty.
TEST(ExtendedItems, IdDispatch) {
  CExtendedItems items;
  for (UINT id = 0; id <= 40; ++id) {
    CString value;
    value.Format("v%u", id);
    items.SetValueByID(id, value);
  }
  for (UINT id = 0; id <= 40; ++id) {
    CString value("junk");
    items.GetValueByID(id, value);
    CString expected;
    if (HasTextSlot(id)) expected.Format("v%u", id);
    EXPECT_EQ(value, expected) << "id " << id;
    EXPECT_EQ(CExtendedItems::IsTextItem(id), HasTextSlot(id)) << "id " << id;
    EXPECT_EQ(items.GetValuePtrByID(id) != nullptr, HasTextSlot(id)) << "id " << id;
  }
  // The date operations reach only id 31.
  items.SetValueByID(30, 5.0);
  items.SetValueByID(31, 36526.0);
  EXPECT_EQ(items.GetValueByID(30), 0.0);
  EXPECT_EQ(items.GetValueByID(31), 36526.0);
  // All 23 counted text items and the birthday.
  EXPECT_EQ(items.GetNFilledItems(), 24u);
}

TEST(ExtendedItems, SyncIdSurvivesClearAndDoesNotCount) {
  CExtendedItems items;
  EXPECT_EQ(items.AreEmpty(), 1);
  EXPECT_EQ(items.GetValueByID(ITEM_BIRTHDAY), NO_BIRTHDAY);
  items.SetValueByID(ITEM_SYNC_ID, CString("LUID-7"));
  items.SetValueByID(ITEM_NOTE, CString("x"));
  items.SetIcon(ITEM_NOTE, 3);
  items.Clear();
  CString sync;
  items.GetValueByID(ITEM_SYNC_ID, sync);
  EXPECT_EQ(sync, "LUID-7");
  EXPECT_EQ(items.AreEmpty(), 1);
  EXPECT_EQ(items.GetNFilledItems(), 0u);
  EXPECT_EQ(items.GetIcon(ITEM_NOTE), 0);
}

TEST(ExtendedItems, BirthdayIsSetOnlyAboveTheNoDateValue) {
  const struct {
    double dDate;
    bool bSet;
  } cases[] = {
      {NO_BIRTHDAY, false}, {-40000.0, false}, {std::nextafter(NO_BIRTHDAY, 0.0), true},
      {0.0, true},  // 30 December 1899
      {36526.0, true},      {std::nan(""), false},
  };
  for (const auto& c : cases) {
    CExtendedItems items;
    items.SetValueByID(ITEM_BIRTHDAY, c.dDate);
    EXPECT_EQ(items.AreEmpty(), c.bSet ? 0 : 1) << c.dDate;
    EXPECT_EQ(items.GetNFilledItems(), c.bSet ? 1u : 0u) << c.dDate;
  }
}

TEST(ExtendedItems, IconsOnlyForTheirFourItems) {
  CExtendedItems items;
  for (UINT id = 0; id <= 40; ++id) {
    bool bHasIcon = id == 11 || id == 22 || id == 23 || id == 29;
    EXPECT_EQ(items.SetIcon(id, static_cast<unsigned char>(id)), bHasIcon ? 1 : 0) << id;
  }
  for (UINT id = 0; id <= 40; ++id) {
    bool bHasIcon = id == 11 || id == 22 || id == 23 || id == 29;
    EXPECT_EQ(items.GetIcon(id), bHasIcon ? id : 0u) << id;
  }
}

TEST(ExtendedItems, AssignmentCopiesContentsButNotIcons) {
  CExtendedItems source;
  source.SetValueByID(ITEM_SYNC_ID, CString("LUID-1"));
  source.SetValueByID(ITEM_EMAIL, CString("jan@example.cz"));
  source.SetValueByID(ITEM_BIRTHDAY, 36526.0);
  source.SetIcon(ITEM_NOTE2, 9);
  CExtendedItems target;
  target.SetValueByID(ITEM_FAX, CString("old"));
  target.SetIcon(ITEM_INFO_NUMBER1, 4);

  target = source;
  CString value;
  target.GetValueByID(ITEM_SYNC_ID, value);
  EXPECT_EQ(value, "LUID-1");
  target.GetValueByID(ITEM_EMAIL, value);
  EXPECT_EQ(value, "jan@example.cz");
  target.GetValueByID(ITEM_FAX, value);
  EXPECT_EQ(value, "");
  EXPECT_EQ(target.GetValueByID(ITEM_BIRTHDAY), 36526.0);
  EXPECT_EQ(target.GetIcon(ITEM_INFO_NUMBER1), 4);
  EXPECT_EQ(target.GetIcon(ITEM_NOTE2), 0);
}
