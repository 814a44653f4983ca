// Prefix change and national renumbering of an entry's phone numbers.
#include <string_view>

#include "model/ItemLists.h"
#include "sorrel/Entry.h"

namespace {

// Prefixes that only lose their leading 0 when renumbered, and the same
// prefixes behind the country code "+42".
constexpr std::string_view kNationalPrefixes[] = {"0601", "0602", "0603", "0604", "0605", "0606",
                                                  "0607", "0608", "072",  "073",  "077"};
constexpr std::string_view kInternationalPrefixes[] = {"+420601", "+420602", "+420603", "+420604",
                                                       "+420605", "+420606", "+420607", "+420608",
                                                       "+42072",  "+42073",  "+42077"};

// Together with a national number's leading 0 this gives +420.
constexpr LPCSTR kCountryPrefix = "+42";

bool StartsWith(const CString& number, std::string_view prefix) { return number.view().starts_with(prefix); }

// The memories that renumbering leaves alone; every other code is renumbered.
bool IsExcludedLocation(UINT location) {
  switch (location) {
    case 0: case 4: case 5: case 6: case 7: case 9: case 10: case 11:
      return true;
    default:
      return false;
  }
}

// Runs op on the main number, then on each number item, writing every item
// back: renumbering normalises a leading "00" even where it reports no change.
template <class Op>
void ForEachNumber(CString& mainNumber, CExtendedItems* items, Op op) {
  op(mainNumber);
  if (!items) return;
  CString number;
  for (UINT id : sorrel::kNumberItems) {
    items->GetValueByID(id, number);
    op(number);
    items->SetValueByID(id, number);
  }
}

}  // namespace

int CEntry::ReplacePrefix(CString& number, const CString& oldPrefix, const CString& newPrefix) {
  if (number.IsEmpty() || !StartsWith(number, oldPrefix.view())) return 0;
  number = newPrefix + number.Mid(oldPrefix.GetLength());
  m_bChanged = 1;
  return 1;
}

int CEntry::ChangePrefixes(CString oldPrefix, CString newPrefix) {
  ForEachNumber(m_strNum, m_pExtItems, [&](CString& number) { ReplacePrefix(number, oldPrefix, newPrefix); });
  return m_bChanged;
}

int CEntry::IsBuiltInPrefix(CString& number) const {
  if (number.IsEmpty()) return 0;
  if (IsNumInternational(number)) {
    for (std::string_view prefix : kInternationalPrefixes)
      if (StartsWith(number, prefix)) return 1;
  } else {
    for (std::string_view prefix : kNationalPrefixes)
      if (StartsWith(number, prefix)) return 1;
  }
  return 0;
}

CString CEntry::FindRenumPrefix(CString& number, CArray<RenumPrefix, RenumPrefix&>& rules, int bInternational,
                                int& nOldPrefixLen) const {
  for (const RenumPrefix& rule : rules) {
    const CString& oldPrefix = bInternational ? rule.strOldIntPrefix : rule.strOldNatPrefix;
    if (StartsWith(number, oldPrefix.view())) {
      // The first rule that matches decides, even when it has no new prefix.
      nOldPrefixLen = oldPrefix.GetLength();
      return bInternational ? rule.strNewIntPrefix : rule.strNewNatPrefix;
    }
  }
  return CString();
}

int CEntry::RenumberNumber(CString& number, CArray<RenumPrefix, RenumPrefix&>& rules, int toInternational) const {
  if (number.IsEmpty()) return 0;
  if (IsBuiltInPrefix(number)) {
    if (IsNumInternational(number)) return 0;
    if (toInternational)
      number = kCountryPrefix + number;
    else
      number.Delete(0, 1);
    return 1;
  }

  int changed = 0;
  if (toInternational && !IsNumInternational(number) && number[0] == '0') {
    number = kCountryPrefix + number;
    changed = 1;
  }
  int oldPrefixLength = 0;
  CString newPrefix = FindRenumPrefix(number, rules, IsNumInternational(number), oldPrefixLength);
  if (newPrefix.IsEmpty()) return changed;
  number = newPrefix + number.Mid(oldPrefixLength);
  return 1;
}

int CEntry::Renumber(CArray<RenumPrefix, RenumPrefix&>& rules, int toInternational) {
  if (IsExcludedLocation(m_nLocation)) return 0;
  ForEachNumber(m_strNum, m_pExtItems, [&](CString& number) {
    if (RenumberNumber(number, rules, toInternational)) m_bChanged = 1;
  });
  return m_bChanged;
}
