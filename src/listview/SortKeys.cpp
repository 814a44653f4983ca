// The sort-key chain of the list view and the comparison of two entries by it.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

#include "listview/ColumnValueName.h"
#include "platform/Numbers.h"
#include "platform/SettingsKey.h"
#include "sorrel/ColumnInfos.h"

namespace {

using sorrel::SettingsKey;

constexpr UINT kNotFound = 0xFFFFFFFF;
constexpr UINT kDefaultChain[] = {ITEM_NAME, ITEM_LOCATION, ITEM_POSITION, ITEM_NUMBER};
// The longest stored chain that is read; a longer one is ignored as a whole.
constexpr DWORD kChainBufferSize = 2048;

template <class T>
int CompareNumbers(T a, T b) {
  return a > b ? 1 : a < b ? -1 : 0;
}

// The runtime's case-insensitive comparison under its default locale folds only
// A to Z (to lower case) and compares bytes as unsigned values, no collation.
constexpr std::array<unsigned char, 256> kFolded = [] {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c)
    table[size_t(c)] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  return table;
}();

// The text rule: folded bytes up to the first difference, then the shorter text
// first, except that an empty text sorts last. The empty test waits until one
// text turns out to be the start of the other, where it alone can change the
// answer; most pairs differ, or tie, long before that.
inline int CompareTexts(const CString& first, const CString& second) {
  const std::string& a = first.str();
  const std::string& b = second.str();
  const size_t nA = a.size(), nB = b.size();
  const size_t n = std::min(nA, nB);
  const auto* x = reinterpret_cast<const unsigned char*>(a.data());
  const auto* y = reinterpret_cast<const unsigned char*>(b.data());
  for (size_t i = 0; i < n; ++i) {
    if (x[i] == y[i]) continue;
    if (int d = kFolded[x[i]] - kFolded[y[i]]) return d;
  }
  if (nA == nB) return 0;
  if (n == 0) return nA == 0 ? 1 : -1;  // the empty text is the start of every other
  return nA < nB ? -1 : 1;
}

// Entries without extended items sort last; 2 means both have them.
int ComparePresence(const CExtendedItems* a, const CExtendedItems* b) {
  if (a && b) return 2;
  if (!a && !b) return 0;
  return a ? -1 : 1;
}

// A group id that the collection does not know counts as no group.
const GroupInfo* GroupOf(const CEntry& entry, CGroups& groups) {
  return entry.GetGroupID() == 0 ? nullptr : groups.GetGroupByID(entry.GetGroupID());
}

int CompareByKey(UINT nKey, CEntry& first, CEntry& second, CGroups* pGroups) {
  switch (nKey) {
    case ITEM_POSITION:
      return CompareNumbers(first.GetPos(), second.GetPos());
    case ITEM_LOCATION:
      return CompareNumbers(first.GetLocation(), second.GetLocation());
    case ITEM_NAME:
      return CompareTexts(first.GetName(), second.GetName());
    case ITEM_NUMBER:
      return CompareTexts(first.GetNum(), second.GetNum());
    case ITEM_SURNAME:
      return CompareTexts(first.GetSurname(), second.GetSurname());
    case ITEM_GROUP: {
      if (!pGroups) return 0;
      const GroupInfo* a = GroupOf(first, *pGroups);
      const GroupInfo* b = GroupOf(second, *pGroups);
      if (!a || !b) return CompareNumbers(a == nullptr, b == nullptr);
      return CompareTexts(a->strName, b->strName);
    }
    case ITEM_URL:
    case ITEM_SYNC_ID:
      return 0;
    case ITEM_BIRTHDAY: {
      const CExtendedItems* a = first.GetExtendedItems();
      const CExtendedItems* b = second.GetExtendedItems();
      int presence = ComparePresence(a, b);
      if (presence != 2) return presence;
      return CompareNumbers(a->GetValueByID(ITEM_BIRTHDAY), b->GetValueByID(ITEM_BIRTHDAY));
    }
    default: {
      if (!CExtendedItems::IsTextItem(nKey)) return 0;
      const CExtendedItems* a = first.GetExtendedItems();
      const CExtendedItems* b = second.GetExtendedItems();
      int presence = ComparePresence(a, b);
      if (presence != 2) return presence;
      return CompareTexts(*a->GetValuePtrByID(nKey), *b->GetValuePtrByID(nKey));
    }
  }
}

// The general chain, one key after the other. Kept out of line so that the
// default chain's path stays a small function with few registers to save.
[[gnu::noinline]] int CompareByKeys(const UINT* keys, const UINT* end, CEntry& first, CEntry& second,
                                    CGroups* pGroups) {
  for (; keys != end; ++keys)
    if (int result = CompareByKey(*keys, first, second, pGroups)) return result;
  return 0;
}

// The default chain written out: no jump per key, and the name's text rule
// inline, where most pairs are decided or found tied.
inline int CompareByDefaultChain(const CEntry& first, const CEntry& second) {
  if (int result = CompareTexts(first.GetName(), second.GetName())) return result;
  if (int result = CompareNumbers(first.GetLocation(), second.GetLocation())) return result;
  if (int result = CompareNumbers(first.GetPos(), second.GetPos())) return result;
  return CompareTexts(first.GetNum(), second.GetNum());
}

sorrel::ColumnValueName ChainValueName(UINT nPrimaryID) { return {nPrimaryID, "SecondarySortingKeys"}; }

void AppendDefaultChain(CArray<UINT, UINT>& keys) {
  for (UINT id : kDefaultChain) keys.Add(id);
}

}  // namespace

int CColumnInfos::CompareEntries(CEntry& first, CEntry& second, CGroups* pGroups) {
  if (m_SortKeys.IsEmpty()) m_SortKeys.Add(ITEM_POSITION);
  const UINT* keys = m_SortKeys.GetData();
  const UINT* const end = keys + m_SortKeys.GetSize();
  // The host may change the keys between any two calls, so the chain is looked
  // at every time; seeing whether it starts with the default four costs one
  // 16-byte comparison of memory the sort keeps hot.
  if (end - keys >= std::ssize(kDefaultChain) && std::memcmp(keys, kDefaultChain, sizeof kDefaultChain) == 0) {
    if (int result = CompareByDefaultChain(first, second)) return result;
    keys += std::size(kDefaultChain);
    if (keys == end) return 0;
  }
  return CompareByKeys(keys, end, first, second, pGroups);
}

UINT CColumnInfos::GetColumnIDByPriority(UINT nPriority) {
  return nPriority < UINT(m_SortKeys.GetSize()) ? m_SortKeys[nPriority] : kNotFound;
}

UINT CColumnInfos::GetColumnPriorityByID(UINT nID) {
  for (INT_PTR i = 0; i < m_SortKeys.GetSize(); ++i)
    if (m_SortKeys[i] == nID) return UINT(i);
  return kNotFound;
}

void CColumnInfos::ChangeSortKeyPriority(UINT nPriority1, UINT nPriority2) {
  const UINT n = UINT(m_SortKeys.GetSize());
  if (nPriority1 >= n || nPriority2 >= n) return;
  UINT id = m_SortKeys[nPriority1];
  m_SortKeys[nPriority1] = m_SortKeys[nPriority2];
  m_SortKeys[nPriority2] = id;
}

void CColumnInfos::LoadSecondarySortKeys(UINT nPrimaryID) {
  SettingsKey key(m_strRegKey, SettingsKey::kOpen);
  if (!key.IsOpen()) {
    // Added to whatever chain there is; the correction below trims it.
    AppendDefaultChain(m_SortKeys);
  } else {
    m_SortKeys.RemoveAll();
    UINT primary = nPrimaryID;
    if (nPrimaryID == kNotFound) {
      DWORD stored;
      if (!key.ReadDword("PrimarySortingKey", stored)) {
        AppendDefaultChain(m_SortKeys);
        return;
      }
      primary = stored;
    }
    m_SortKeys.Add(primary);
    std::string chain;
    if (key.ReadText(ChainValueName(primary), kChainBufferSize, chain)) {
      // Every piece between commas is one key, read like atoi; an empty text is one key 0.
      std::string_view rest(chain);
      for (;;) {
        size_t comma = rest.find(',');
        m_SortKeys.Add(sorrel::AtoiUnsigned(rest.substr(0, comma)));
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
      }
    }
  }
  key.Close();
  CorrectSecondarySortKeys(nPrimaryID);
}

void CColumnInfos::SaveSecondarySortKeys() {
  const INT_PTR n = m_SortKeys.GetSize();
  if (n < 2) return;
  SettingsKey key(m_strRegKey, SettingsKey::kOpenOrCreate);
  // The keys after the primary one as signed numbers between commas.
  std::string chain;
  char number[16];
  for (INT_PTR i = 1; i < n; ++i) {
    if (i > 1) chain += ',';
    chain.append(number, std::to_chars(number, number + sizeof number, int(m_SortKeys[i])).ptr);
  }
  key.WriteText(ChainValueName(m_SortKeys[0]), chain.c_str());
  key.WriteDword("PrimarySortingKey", m_SortKeys[0]);
}

void CColumnInfos::CorrectSecondarySortKeys(UINT nPrimaryID) {
  for (INT_PTR i = m_SortKeys.GetSize() - 1; i >= 0; --i)
    if (!FindColumnByID(m_SortKeys[i])) m_SortKeys.RemoveAt(i);
  INT_PTR kept = m_SortKeys.GetSize();
  if (kept == 0) {
    if (nPrimaryID == kNotFound)
      AppendDefaultChain(m_SortKeys);
    else
      m_SortKeys.Add(nPrimaryID);
  }
  if (m_Columns.GetSize() > kept) {
    for (ColumnInfo* column : m_Columns)
      if (GetColumnPriorityByID(column->nID) == kNotFound) m_SortKeys.Add(column->nID);
  }
}
