// The vCard reader, with and without a groups list and a no-group text, into an
// entry with or without extended items; what it read then goes through one of the
// writers.
// Options byte: bit 0 a groups list, bit 1 that list already holds groups 1
// and "VIP", bit 2 a no-group text, bit 3 an entry with extended items, bits 4-5
// the writer the entry then goes through (none, 2.1 UTF-8, 2.1 UTF-7, 1.0).
#include <string_view>
#include <utility>

#include "FuzzTarget.h"
#include "sorrel/Entry.h"
#include "sorrel/Groups.h"

SORREL_FUZZ_TARGET(vcard) {
  sorrel::fuzz::Input in(data, size);
  CGroups groups;
  if (in.Option(1)) {
    groups.AddGroup(1, CString("Rodina"), 12, 3);
    groups.AddGroup(4, CString("VIP"), 12, 0);
  }
  CString noGroup("Bez skupiny");
  CEntry entry(in.Option(3), 1);

  CString card(in.text);
  int result = entry.FillFromVCard(card, in.Option(0) ? &groups : nullptr, in.Option(2) ? &noGroup : nullptr);
  SORREL_FUZZ_CHECK(result == 0 || result == 1);
  // Soft line breaks only ever shorten the card, and a card without an N line is refused.
  SORREL_FUZZ_CHECK(card.GetLength() <= int(in.text.size()));
  if (card.view().find("\r\nN") == std::string_view::npos) SORREL_FUZZ_CHECK(result == 0);
  // A category becomes at most one new group per property (X-ESI-CATEGORIES, CATEGORIES).
  SORREL_FUZZ_CHECK(groups.GetNGroups() <= (in.Option(1) ? 2 : 0) + 2);

  // The card as the reader left it has its soft line breaks removed; every plain
  // property a search of that text finds is read, wherever it stands (an "="
  // CR LF that the removal left behind hides nothing after it).
  if (result == 1) {
    const std::string_view text = card.view();
    auto plain = [&](std::string_view search) -> std::pair<bool, std::string_view> {
      const size_t at = text.find(search);
      if (at == std::string_view::npos) return {false, {}};
      const size_t start = at + search.size(), cr = text.find('\r', start);
      return {true, cr == std::string_view::npos ? std::string_view() : text.substr(start, cr - start)};
    };
    if (auto [found, value] = plain("\r\nTEL;HOME:"); found) SORREL_FUZZ_CHECK(entry.GetNum().view() == value);
    static constexpr std::pair<const char*, UINT> kPlain[] = {
        {"\r\nTEL;WORK:", ITEM_OFFICE}, {"\r\nTEL;CELL:", ITEM_MOBILE},     {"\r\nTEL;FAX:", ITEM_FAX},
        {"\r\nURL:", ITEM_URL},         {"\r\nTEL:", ITEM_OTHER_NUMBER},   {"\r\nX-IRMC-LUID:", ITEM_SYNC_ID},
        {"\r\nTEL;FAX;HOME:", ITEM_FAX2}, {"\r\nEMAIL;HOME;INTERNET:", ITEM_EMAIL2},
    };
    if (const CExtendedItems* items = entry.GetExtendedItems()) {
      for (const auto& [search, id] : kPlain)
        if (auto [found, value] = plain(search); found) SORREL_FUZZ_CHECK(items->GetValuePtrByID(id)->view() == value);
      auto email = plain("\r\nEMAIL;INTERNET;PREF:");
      if (!email.first) email = plain("\r\nEMAIL;INTERNET:");
      if (email.first) SORREL_FUZZ_CHECK(items->GetValuePtrByID(ITEM_EMAIL)->view() == email.second);
    }
  }

  // One writer per input keeps the executions many; the options pick which.
  // Values end at their first zero byte, as "%s" writes them: no card holds one.
  CString out;
  switch (in.options >> 4 & 3) {
    case 1: entry.GetAsVCardVer21(out, 65001, &groups); break;
    case 2: entry.GetAsVCardVer21(out, 65000, &groups); break;
    case 3: entry.GetAsVCardVer1(out, &groups); break;
    default: break;
  }
  SORREL_FUZZ_CHECK(out.view().find('\0') == std::string_view::npos);
  return 0;
}
