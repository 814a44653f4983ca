#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "sorrel/Entry.h"

TEST(Entry, CreatedFromItsClassDescription) {
  std::unique_ptr<CObject> object(RUNTIME_CLASS(CEntry)->CreateObject());
  ASSERT_NE(object, nullptr);
  EXPECT_STREQ(object->GetRuntimeClass()->m_lpszClassName, "CEntry");
  EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CObject)));
  auto* entry = static_cast<CEntry*>(object.get());
  EXPECT_EQ(entry->GetExtendedItems(), nullptr);
  EXPECT_EQ(entry->AllowsNameSurnameDivision(), 0);
  EXPECT_EQ(entry->Changed(), 0);
  EXPECT_EQ(entry->IsEmpty(), 1);

  CEntry withItems(1, 1);
  ASSERT_NE(withItems.GetExtendedItems(), nullptr);
  EXPECT_EQ(withItems.GetExtendedItems()->AreEmpty(), 1);
  EXPECT_EQ(withItems.AllowsNameSurnameDivision(), 1);
}

TEST(Entry, LimitedSettersCutAndSetTheirFlags) {
  const struct {
    const char* pszInput;
    UINT nMaxLen;
    const char* pszStored;
    int bFlag;  // VIP for names, international for numbers
  } names[] = {
      {"Jan!", NO_LIMIT, "Jan!", 1}, {"Jan", NO_LIMIT, "Jan", 0}, {"abcdef", 3, "abc", 0},
      {"abcdef", 0, "", 0},          {"abcdef", NO_LIMIT, "abcdef", 0}, {"ab!cd", 3, "ab!", 1},
      {"", NO_LIMIT, "", 0},
  },
    numbers[] = {
        {"+420123", NO_LIMIT, "+420123", 1}, {"00420123456", NO_LIMIT, "00420123456", 0},
        {"+420123", 0, "", 0},               {"123+", 3, "123", 0},
    };
  for (const auto& c : names) {
    CEntry entry(0, 1);
    entry.SetName(c.pszInput, c.nMaxLen);
    EXPECT_EQ(entry.GetName(), c.pszStored) << c.pszInput;
    EXPECT_EQ(entry.IsVIP(), c.bFlag) << c.pszInput;
    EXPECT_EQ(entry.Changed(), 1);
    entry.SetSurname(c.pszInput, c.nMaxLen);
    EXPECT_EQ(entry.GetSurname(), c.pszStored) << c.pszInput;
    EXPECT_EQ(entry.IsVIP(), c.bFlag) << c.pszInput;
  }
  for (const auto& c : numbers) {
    CEntry entry;
    entry.SetNum(c.pszInput, c.nMaxLen);
    EXPECT_EQ(entry.GetNum(), c.pszStored) << c.pszInput;
    EXPECT_EQ(entry.IsNumInternational(), c.bFlag) << c.pszInput;
    EXPECT_EQ(entry.Changed(), 1);
  }
}

TEST(Entry, SurnameNeedsDivision) {
  CEntry entry(0, 1);
  entry.SetSurname("Novak", NO_LIMIT);
  entry.ClearChangedFlag();
  entry.AllowsNameSurnameDivision(0);
  entry.SetName("Jan!", NO_LIMIT);
  entry.ClearChangedFlag();
  entry.SetSurname("Other", NO_LIMIT);
  EXPECT_EQ(entry.GetSurname(), "");
  EXPECT_EQ(entry.Changed(), 0);
  EXPECT_EQ(entry.IsVIP(), 1);
}

TEST(Entry, NormalisesInternationalNumbers) {
  const struct {
    const char* pszIn;
    const char* pszOut;
    int bInternational;
  } cases[] = {
      {"00420123456", "+420123456", 1}, {"+420", "+420", 1}, {"0", "0", 0}, {"", "", 0}, {"000", "+0", 1},
  };
  CEntry entry;
  for (const auto& c : cases) {
    CString num(c.pszIn);
    EXPECT_EQ(entry.IsNumInternational(num), c.bInternational) << c.pszIn;
    EXPECT_EQ(num, c.pszOut) << c.pszIn;
  }
  EXPECT_EQ(entry.Changed(), 0);
}

TEST(Entry, VIPMark) {
  const struct {
    const char* pszName;
    bool bSet;  // SetVIP, else ClearVIP
    UINT nMaxLen;
    const char* pszResult;
  } cases[] = {
      {"Jan", true, 10, "Jan!"},          {"abcdefghij", true, 10, "abcdefghi!"},
      {"Jan!", true, 10, "Jan!"},         {"", true, 0, "!"},
      {"", true, 5, "!"},                 {"abcdefghijkl", true, 10, "abcdefghijkl!"},
      {"Jan!!", false, 0, "Jan!"},        {"Jan", false, 0, "Jan"},
      {"!", false, 0, ""},
  };
  for (const auto& c : cases) {
    CEntry entry;
    entry.GetName() = c.pszName;
    c.bSet ? entry.SetVIP(c.nMaxLen) : entry.ClearVIP();
    EXPECT_EQ(entry.GetName(), c.pszResult) << c.pszName;
    // The flag follows only at the next SetName.
    EXPECT_EQ(entry.IsVIP(), 0);
    EXPECT_EQ(entry.Changed(), 0);
  }
}

TEST(Entry, GroupDecidesVIP) {
  CGroups groups;
  groups.AddGroup(1, "VIP", 10, 0);
  groups.AddGroup(2, "vip", 10, 0);
  CEntry entry;
  entry.SetGroupID(1, &groups);
  EXPECT_EQ(entry.IsVIP(), 1);
  EXPECT_EQ(entry.Changed(), 1);

  // The same id again: no change, but the flag is worked out anew.
  entry.ClearChangedFlag();
  entry.SetName("Jan", NO_LIMIT);
  entry.ClearChangedFlag();
  entry.SetGroupID(1, &groups);
  EXPECT_EQ(entry.IsVIP(), 1);
  EXPECT_EQ(entry.Changed(), 0);

  entry.SetGroupID(2, nullptr);  // without a list the flag stays
  EXPECT_EQ(entry.IsVIP(), 1);
  EXPECT_EQ(entry.GetGroupID(), 2u);
  entry.SetGroupID(2, &groups);  // names compare case-sensitively
  EXPECT_EQ(entry.IsVIP(), 0);

  entry.SetGroupID(1, &groups);
  groups.RemoveGroup(1);
  entry.SetGroupID(1, &groups);  // an id the list no longer knows
  EXPECT_EQ(entry.IsVIP(), 0);
  EXPECT_EQ(entry.GetGroupID(), 1u);
}

TEST(Entry, LocationSwitchesDivisionOffOnly) {
  const struct {
    int bDivision;
    UINT nLocation;
    int bAfter;
  } cases[] = {{1, 5, 0}, {1, 2, 1}, {1, 12, 1}, {0, 2, 0}, {0, 12, 0}, {1, 1, 0}};
  for (const auto& c : cases) {
    CEntry entry(0, c.bDivision);
    entry.GetSurname() = "Novak";
    entry.SetLocation(c.nLocation);
    entry.SetPos(4);
    entry.SetIcon(3);
    EXPECT_EQ(entry.AllowsNameSurnameDivision(), c.bAfter) << c.nLocation;
    EXPECT_EQ(entry.GetSurname(), "Novak");
    EXPECT_EQ(entry.Changed(), 0);
  }
}

TEST(Entry, ExtendedItemsThroughTheEntry) {
  CEntry bare;
  bare.SetExtItem(ITEM_NOTE, "note", NO_LIMIT);
  bare.SetExtItem(ITEM_BIRTHDAY, 36526.0);
  EXPECT_EQ(bare.IsEmpty(), 1);

  CEntry entry(1);
  CExtendedItems* items = entry.GetExtendedItems();
  entry.SetExtItem(ITEM_NOTE, "abcdef", 3);
  entry.SetExtItem(ITEM_EMAIL, CString("a@b"), NO_LIMIT);
  entry.SetExtItem(ITEM_SURNAME, "Novak", NO_LIMIT);  // held by the entry, not here
  entry.SetExtItem(ITEM_BIRTHDAY, "36526", NO_LIMIT);
  entry.SetExtItem(ITEM_NOTE2, 36526.0);
  EXPECT_EQ(entry.Changed(), 0);
  EXPECT_EQ(entry.GetSurname(), "");
  EXPECT_EQ(items->GetNFilledItems(), 2u);
  CString value;
  items->GetValueByID(ITEM_NOTE, value);
  EXPECT_EQ(value, "abc");
  entry.SetExtItem(ITEM_BIRTHDAY, 36526.0);
  EXPECT_EQ(items->GetValueByID(ITEM_BIRTHDAY), 36526.0);

  // A replacement object becomes the entry's; the caller frees the old one.
  std::unique_ptr<CExtendedItems> old(items);
  entry.SetExtendedItemsPtr(new CExtendedItems);
  EXPECT_EQ(entry.IsEmpty(), 1);
}

TEST(Entry, EmptinessAndIcons) {
  CEntry entry(1);
  CExtendedItems* items = entry.GetExtendedItems();
  items->SetValueByID(ITEM_SYNC_ID, CString("LUID"));
  items->SetValueByID(ITEM_BIRTHDAY, NO_BIRTHDAY);
  entry.SetGroupID(3, nullptr);
  entry.SetIcon(1);
  EXPECT_EQ(entry.IsEmpty(), 1);
  EXPECT_EQ(entry.AreIconsAssigned(), 1);
  entry.SetIcon(0);
  EXPECT_EQ(entry.AreIconsAssigned(), 0);
  items->SetIcon(ITEM_NOTE2, 2);
  EXPECT_EQ(entry.AreIconsAssigned(), 1);
  items->SetValueByID(ITEM_BIRTHDAY, 0.0);
  EXPECT_EQ(entry.IsEmpty(), 0);

  CEntry plain;
  plain.GetSurname() = "x";
  EXPECT_EQ(plain.IsEmpty(), 0);
}

TEST(Entry, ClearKeepsPlaceAndSyncId) {
  CEntry entry(1, 1);
  entry.SetLocation(2);
  entry.SetPos(17);
  entry.SetName("Jan!", NO_LIMIT);
  entry.SetSurname("Novak", NO_LIMIT);
  entry.SetNum("+420", NO_LIMIT);
  entry.SetGroupID(3, nullptr);
  entry.SetIcon(4);
  entry.SetExtItem(ITEM_SYNC_ID, "LUID", NO_LIMIT);
  entry.SetExtItem(ITEM_HOME, "123", NO_LIMIT);
  entry.ClearChangedFlag();

  entry.Clear();
  EXPECT_EQ(entry.Changed(), 1);
  EXPECT_EQ(entry.IsEmpty(), 1);
  EXPECT_EQ(entry.IsVIP(), 0);
  EXPECT_EQ(entry.IsNumInternational(), 0);
  EXPECT_EQ(entry.GetSurname(), "");
  EXPECT_EQ(entry.GetGroupID(), 0u);
  EXPECT_EQ(entry.GetIcon(), 0);
  EXPECT_EQ(entry.GetLocation(), 2u);
  EXPECT_EQ(entry.GetPos(), 17u);
  EXPECT_EQ(entry.AllowsNameSurnameDivision(), 1);
  CString sync;
  entry.GetExtendedItems()->GetValueByID(ITEM_SYNC_ID, sync);
  EXPECT_EQ(sync, "LUID");
}
