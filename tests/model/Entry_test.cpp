#include <gtest/gtest.h>

#include <memory>

#include "sorrel/Entry.h"

TEST(Entry, CreatedFromItsClassDescription) {
  std::unique_ptr<CObject> object(RUNTIME_CLASS(CEntry)->CreateObject());
  ASSERT_NE(object, nullptr);
  EXPECT_STREQ(object->GetRuntimeClass()->m_lpszClassName, "CEntry");
  auto* entry = static_cast<CEntry*>(object.get());
  EXPECT_EQ(entry->GetExtendedItems(), nullptr);
  EXPECT_EQ(entry->AllowsNameSurnameDivision(), 0);
  EXPECT_EQ(entry->Changed(), 0);
}

// Name, surname and number: cut to the limit, flag from the stored text, changed.
TEST(Entry, LimitedSetters) {
  const struct {
    const char* pszInput;
    UINT nMaxLen;
    const char* pszStored;
    int bVIP, bInternational;
  } cases[] = {
      {"Jan!", NO_LIMIT, "Jan!", 1, 0},   {"abcdef", 3, "abc", 0, 0},         {"abcdef", 0, "", 0, 0},
      {"ab!cd", 3, "ab!", 1, 0},          {"+420123", NO_LIMIT, "+420123", 0, 1},
      {"00420123456", NO_LIMIT, "00420123456", 0, 0},  // only IsNumInternational rewrites "00"
  };
  for (const auto& c : cases) {
    CEntry entry(0, 1);
    entry.SetSurname(c.pszInput, c.nMaxLen);
    EXPECT_EQ(entry.GetSurname(), c.pszStored) << c.pszInput;
    EXPECT_EQ(entry.IsVIP(), c.bVIP) << c.pszInput;
    entry.SetName("x!", NO_LIMIT);
    entry.SetName(c.pszInput, c.nMaxLen);
    EXPECT_EQ(entry.GetName(), c.pszStored) << c.pszInput;
    EXPECT_EQ(entry.IsVIP(), c.bVIP) << c.pszInput;
    entry.SetNum(c.pszInput, c.nMaxLen);
    EXPECT_EQ(entry.GetNum(), c.pszStored) << c.pszInput;
    EXPECT_EQ(entry.IsNumInternational(), c.bInternational) << c.pszInput;
    EXPECT_EQ(entry.Changed(), 1);
  }

  // Without division the surname is emptied, and nothing else moves.
  CEntry entry(0, 1);
  entry.SetSurname("Novak", NO_LIMIT);
  entry.SetLocation(5);
  entry.SetName("Jan!", NO_LIMIT);
  entry.ClearChangedFlag();
  entry.SetSurname("Other", NO_LIMIT);
  EXPECT_EQ(entry.GetSurname(), "");
  EXPECT_EQ(entry.IsVIP(), 1);
  // Place and icon leave the change flag; location 12 never switches division on.
  entry.SetLocation(12);
  entry.SetPos(3);
  entry.SetIcon(2);
  EXPECT_EQ(entry.Changed(), 0);
  EXPECT_EQ(entry.AllowsNameSurnameDivision(), 0);

  const struct {
    const char *pszIn, *pszOut;
    int bInternational;
  } numbers[] = {{"00420123", "+420123", 1}, {"+4", "+4", 1}, {"0", "0", 0}, {"", "", 0}};
  for (const auto& c : numbers) {
    CString num(c.pszIn);
    EXPECT_EQ(entry.IsNumInternational(num), c.bInternational) << c.pszIn;
    EXPECT_EQ(num, c.pszOut) << c.pszIn;
  }
}

TEST(Entry, VIPMark) {
  const struct {
    const char* pszName;
    bool bSet;  // SetVIP, else ClearVIP
    UINT nMaxLen;
    const char* pszResult;
  } cases[] = {
      {"Jan", true, 10, "Jan!"},   {"abcdefghij", true, 10, "abcdefghi!"}, {"Jan!", true, 10, "Jan!"},
      {"", true, 0, "!"},          {"abcdefghijkl", true, 10, "abcdefghijkl!"},
      {"Jan!!", false, 0, "Jan!"}, {"Jan", false, 0, "Jan"},
  };
  for (const auto& c : cases) {
    CEntry entry;
    entry.GetName() = c.pszName;
    c.bSet ? entry.SetVIP(c.nMaxLen) : entry.ClearVIP();
    EXPECT_EQ(entry.GetName(), c.pszResult) << c.pszName;
    EXPECT_EQ(entry.IsVIP(), 0);  // the flag follows at the next SetName
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
  // The same id again changes nothing, but the flag is worked out anew.
  entry.SetName("Jan", NO_LIMIT);
  entry.ClearChangedFlag();
  entry.SetGroupID(1, &groups);
  EXPECT_EQ(entry.IsVIP(), 1);
  EXPECT_EQ(entry.Changed(), 0);
  entry.SetGroupID(2, nullptr);  // without a list the flag stays
  EXPECT_EQ(entry.IsVIP(), 1);
  entry.SetGroupID(2, &groups);  // names compare case-sensitively
  EXPECT_EQ(entry.IsVIP(), 0);
  entry.SetGroupID(1, &groups);
  groups.RemoveGroup(1);
  entry.SetGroupID(1, &groups);  // an id the list no longer knows
  EXPECT_EQ(entry.IsVIP(), 0);
  EXPECT_EQ(entry.GetGroupID(), 1u);
}

TEST(Entry, ExtendedItemsEmptinessAndIcons) {
  CEntry bare;
  bare.SetExtItem(ITEM_NOTE, "note", NO_LIMIT);
  bare.SetExtItem(ITEM_BIRTHDAY, 36526.0);
  bare.SetIcon(1);
  EXPECT_EQ(bare.IsEmpty(), 1);
  EXPECT_EQ(bare.AreIconsAssigned(), 1);

  CEntry entry(1);
  CExtendedItems* items = entry.GetExtendedItems();
  entry.SetExtItem(ITEM_NOTE, "abcdef", 3);
  entry.SetExtItem(ITEM_SURNAME, "Novak", NO_LIMIT);  // held by the entry, not here
  entry.SetExtItem(ITEM_BIRTHDAY, "36526", NO_LIMIT);
  entry.SetExtItem(ITEM_NOTE2, 36526.0);
  EXPECT_EQ(entry.Changed(), 0);
  EXPECT_EQ(items->GetNFilledItems(), 1u);
  EXPECT_EQ(*items->GetValuePtrByID(ITEM_NOTE), "abc");

  entry.SetExtItem(ITEM_NOTE, "", NO_LIMIT);
  entry.SetExtItem(ITEM_SYNC_ID, "LUID", NO_LIMIT);
  entry.SetGroupID(3, nullptr);
  EXPECT_EQ(entry.IsEmpty(), 1);
  EXPECT_EQ(entry.AreIconsAssigned(), 0);
  items->SetIcon(ITEM_NOTE2, 2);
  EXPECT_EQ(entry.AreIconsAssigned(), 1);
  entry.SetExtItem(ITEM_BIRTHDAY, 0.0);
  EXPECT_EQ(entry.IsEmpty(), 0);
}

TEST(Entry, ClearKeepsPlaceDivisionAndSyncId) {
  CEntry entry(1, 1);
  entry.SetLocation(12);
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
  EXPECT_EQ(entry.IsVIP() + entry.IsNumInternational() + int(entry.GetGroupID()) + entry.GetIcon(), 0);
  EXPECT_EQ(entry.GetLocation(), 12u);
  EXPECT_EQ(entry.GetPos(), 17u);
  EXPECT_EQ(entry.AllowsNameSurnameDivision(), 1);
  EXPECT_EQ(*entry.GetExtendedItems()->GetValuePtrByID(ITEM_SYNC_ID), "LUID");
}
