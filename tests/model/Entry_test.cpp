#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "sorrel/Entry.h"
#include "support/Cases.h"

TEST(Entry, CreatedFromItsClassDescription) {
  std::unique_ptr<CObject> object(RUNTIME_CLASS(CEntry)->CreateObject());
  ASSERT_STREQ(object->GetRuntimeClass()->m_lpszClassName, "CEntry");
  auto* entry = static_cast<CEntry*>(object.get());
  EXPECT_EQ(entry->GetExtendedItems() == nullptr && !entry->AllowsNameSurnameDivision() && !entry->Changed(), true);
}

// The change flag, setter by setter: each one on its own, on an entry that
// keeps name and surname apart and has extended items.
TEST(Entry, ChangeFlagOfEachSetter) {
  CGroups groups;
  groups.AddGroup(3, "VIP", 10, 0);
  const struct {
    const char* setter;
    std::function<void(CEntry&)> call;
    int bChanged;
  } cases[] = {
      {"SetName", [](CEntry& e) { e.SetName("Jan", NO_LIMIT); }, 1},
      {"SetName, same text", [](CEntry& e) { e.SetName("", NO_LIMIT); }, 1},
      {"SetSurname", [](CEntry& e) { e.SetSurname("Novak", NO_LIMIT); }, 1},
      {"SetNum", [](CEntry& e) { e.SetNum("+420", NO_LIMIT); }, 1},
      {"SetGroupID, another id", [&](CEntry& e) { e.SetGroupID(3, &groups); }, 1},
      {"SetGroupID, another id, no list", [](CEntry& e) { e.SetGroupID(4, nullptr); }, 1},
      {"SetGroupID, the same id", [&](CEntry& e) { e.SetGroupID(0, &groups); }, 0},
      {"Clear", [](CEntry& e) { e.Clear(); }, 1},
      {"SetLocation", [](CEntry& e) { e.SetLocation(5); }, 0},
      {"SetPos", [](CEntry& e) { e.SetPos(9); }, 0},
      {"SetIcon", [](CEntry& e) { e.SetIcon(2); }, 0},
      {"SetVIP", [](CEntry& e) { e.SetVIP(NO_LIMIT); }, 0},
      {"ClearVIP", [](CEntry& e) { e.ClearVIP(); }, 0},
      {"SetExtItem, text", [](CEntry& e) { e.SetExtItem(ITEM_NOTE, "note", NO_LIMIT); }, 0},
      {"SetExtItem, string", [](CEntry& e) { e.SetExtItem(ITEM_HOME, CString("1"), NO_LIMIT); }, 0},
      {"SetExtItem, birthday", [](CEntry& e) { e.SetExtItem(ITEM_BIRTHDAY, 36526.0); }, 0},
      {"AllowsNameSurnameDivision", [](CEntry& e) { e.AllowsNameSurnameDivision(0); }, 0},
      {"SetExtendedItemsPtr", [](CEntry& e) { delete e.GetExtendedItems(); e.SetExtendedItemsPtr(nullptr); }, 0},
      {"writing through GetName", [](CEntry& e) { e.GetName() = "Jan"; }, 0},
  };
  for (const auto& c : cases) {
    CEntry entry(1, 1);
    entry.ClearChangedFlag();
    c.call(entry);
    EXPECT_EQ(entry.Changed(), c.bChanged) << c.setter;
  }
}

TEST(Entry, TextsAndTheirFlags) {
  const auto cases = sorrel::test::ReadCases("model/data/entry-texts.tsv");
  ASSERT_EQ(cases.size(), 17u);
  for (const auto& c : cases) {
    ASSERT_GE(c.size(), 4u) << "a short line";
    SCOPED_TRACE(c[0] + " " + c[1]);
    const UINT limit = c[2] == "-" ? NO_LIMIT : UINT(std::stoul("0" + c[2]));
    const int international = c.size() > 5 && c[5] == "1";
    CEntry entry(0, 1);
    if (c[0] == "set") {
      const std::string stored = c[3] + (c[4] == "1" ? " VIP" : "");
      entry.SetSurname(c[1].c_str(), limit);
      EXPECT_EQ(entry.GetSurname().str() + (entry.IsVIP() ? " VIP" : ""), stored);
      entry.SetName("x!", NO_LIMIT);
      entry.SetName(c[1].c_str(), limit);
      EXPECT_EQ(entry.GetName().str() + (entry.IsVIP() ? " VIP" : ""), stored);
      entry.SetNum(c[1].c_str(), limit);
      EXPECT_EQ(entry.GetNum(), c[3].c_str());
      EXPECT_EQ(entry.IsNumInternational(), international);
    } else if (c[0] == "international") {
      CString num(c[1].c_str());
      EXPECT_EQ(entry.IsNumInternational(num), international);
      EXPECT_EQ(num, c[3].c_str());
    } else {
      entry.GetName() = c[1].c_str();
      c[0] == "SetVIP" ? entry.SetVIP(limit) : entry.ClearVIP();
      EXPECT_EQ(entry.GetName(), c[3].c_str());
      EXPECT_EQ(entry.IsVIP() + entry.Changed(), 0);  // the flag follows at the next SetName
    }
  }

  // Without division the surname is emptied, and nothing else moves.
  CEntry entry(0, 1);
  entry.SetSurname("Novak", NO_LIMIT);
  entry.SetLocation(5);
  entry.SetName("Jan!", NO_LIMIT);
  entry.ClearChangedFlag();
  entry.SetSurname("Other", NO_LIMIT);
  EXPECT_EQ(entry.GetSurname().str() + std::to_string(entry.IsVIP()) + std::to_string(entry.Changed()), "10");
  // Location 12 never switches division on.
  entry.SetLocation(12);
  EXPECT_EQ(entry.AllowsNameSurnameDivision(), 0);
}

TEST(Entry, GroupDecidesVIP) {
  CGroups groups;
  groups.AddGroup(1, "VIP", 10, 0);
  groups.AddGroup(2, "vip", 10, 0);
  CEntry entry;
  entry.SetGroupID(1, &groups);
  EXPECT_EQ(entry.IsVIP(), 1);
  // The same id again: the flag is worked out anew.
  entry.SetName("Jan", NO_LIMIT);
  entry.SetGroupID(1, &groups);
  EXPECT_EQ(entry.IsVIP(), 1);
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

// Emptiness and icons: without extended items their setters do nothing;
// neither the synchronisation id nor the group makes an entry non-empty; Clear
// keeps the place, the division and the synchronisation id.
TEST(Entry, EmptinessIconsAndClear) {
  CEntry bare;
  bare.SetExtItem(ITEM_NOTE, "note", NO_LIMIT);
  bare.SetExtItem(ITEM_BIRTHDAY, 36526.0);
  bare.SetIcon(1);
  EXPECT_EQ(bare.IsEmpty() + bare.AreIconsAssigned(), 2);

  CEntry entry(1, 1);
  CExtendedItems* items = entry.GetExtendedItems();
  entry.SetExtItem(ITEM_NOTE, "abcdef", 3);
  entry.SetExtItem(ITEM_SURNAME, "Novak", NO_LIMIT);  // held by the entry, not here
  entry.SetExtItem(ITEM_BIRTHDAY, "36526", NO_LIMIT);
  entry.SetExtItem(ITEM_NOTE2, 36526.0);
  EXPECT_EQ(items->GetNFilledItems(), 1u);
  EXPECT_EQ(*items->GetValuePtrByID(ITEM_NOTE), "abc");
  entry.SetExtItem(ITEM_NOTE, "", NO_LIMIT);
  entry.SetExtItem(ITEM_SYNC_ID, "LUID", NO_LIMIT);
  entry.SetGroupID(3, nullptr);
  EXPECT_EQ(entry.IsEmpty() * 10 + entry.AreIconsAssigned(), 10);
  items->SetIcon(ITEM_NOTE2, 2);
  EXPECT_EQ(entry.AreIconsAssigned(), 1);
  entry.SetExtItem(ITEM_BIRTHDAY, 0.0);
  EXPECT_EQ(entry.IsEmpty(), 0);

  entry.SetLocation(12);
  entry.SetPos(17);
  entry.SetName("Jan!", NO_LIMIT);
  entry.SetSurname("Novak", NO_LIMIT);
  entry.SetNum("+420", NO_LIMIT);
  entry.SetIcon(4);
  entry.Clear();
  EXPECT_EQ(entry.IsEmpty() * 10 + entry.AreIconsAssigned(), 10);
  EXPECT_EQ(entry.IsVIP() + entry.IsNumInternational() + int(entry.GetGroupID()) + entry.GetIcon(), 0);
  EXPECT_EQ(std::to_string(entry.GetLocation()) + "/" + std::to_string(entry.GetPos()), "12/17");
  EXPECT_EQ(entry.AllowsNameSurnameDivision(), 1);
  EXPECT_EQ(*items->GetValuePtrByID(ITEM_SYNC_ID), "LUID");
}
