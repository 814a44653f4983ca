#include "sorrel/Entry.h"

#include <memory>

IMPLEMENT_DYNCREATE(CEntry, CObject)

namespace {

// The phone's mark of a VIP entry, at the end of the name.
constexpr char kVIPMark = '!';
// The group whose members are VIP entries (byte-wise, case-sensitive).
constexpr std::string_view kVIPGroupName = "VIP";

// Cuts text to its first nMaxLen characters unless nMaxLen is NO_LIMIT.
void CutToLimit(CString& text, UINT nMaxLen) {
  if (nMaxLen != NO_LIMIT && static_cast<UINT>(text.GetLength()) > nMaxLen) text.str().resize(nMaxLen);
}

bool EndsWithVIPMark(const CString& text) { return !text.IsEmpty() && text.view().back() == kVIPMark; }

}  // namespace

CEntry::CEntry(int bWithExtItems, int bAllowsNameSurnameDivision)
    : m_bChanged(0),
      m_bNumInternational(0),
      m_bVIP(0),
      m_nLocation(0),
      m_nPos(0),
      m_nGroupID(0),
      m_pExtItems(nullptr),
      m_nIcon(0),
      m_bAllowsNameSurnameDivision(bAllowsNameSurnameDivision) {
  // A new CExtendedItems is already in the cleared state.
  if (bWithExtItems) m_pExtItems = std::make_unique<CExtendedItems>().release();
}

CEntry::~CEntry() { delete m_pExtItems; }

void CEntry::SetLocation(UINT nLocation) {
  m_nLocation = nLocation;
  // Only these two memories keep name and surname apart; division is never
  // switched on here, and a stored surname stays.
  if (!sorrel::LocationKeepsNamesApart(nLocation)) m_bAllowsNameSurnameDivision = 0;
}

void CEntry::SetName(const CString& strName, UINT nMaxLen) {
  m_strName = strName;
  CutToLimit(m_strName, nMaxLen);
  m_bVIP = EndsWithVIPMark(m_strName) ? 1 : 0;
  m_bChanged = 1;
}

void CEntry::SetSurname(const CString& strSurname, UINT nMaxLen) {
  if (!m_bAllowsNameSurnameDivision) {
    m_strSurname.Empty();
    return;
  }
  m_strSurname = strSurname;
  CutToLimit(m_strSurname, nMaxLen);
  m_bVIP = EndsWithVIPMark(m_strSurname) ? 1 : 0;
  m_bChanged = 1;
}

void CEntry::SetNum(const CString& strNum, UINT nMaxLen) {
  m_strNum = strNum;
  CutToLimit(m_strNum, nMaxLen);
  // A "00" prefix is left as it is: only IsNumInternational(CString&) rewrites it.
  m_bNumInternational = !m_strNum.IsEmpty() && m_strNum.view().front() == '+' ? 1 : 0;
  m_bChanged = 1;
}

int CEntry::IsNumInternational(CString& strNum) const {
  std::string_view num = strNum.view();
  if (num.empty()) return 0;
  if (num.starts_with("00")) {
    strNum.str().replace(0, 2, 1, '+');
    return 1;
  }
  return num.front() == '+' ? 1 : 0;
}

void CEntry::SetVIP(UINT nMaxLen) {
  if (EndsWithVIPMark(m_strName)) return;
  std::string& name = m_strName.str();
  // A name at the phone's limit gives up its last character for the mark.
  if (!name.empty() && name.size() == nMaxLen) {
    name.back() = kVIPMark;
  } else {
    name += kVIPMark;
  }
}

void CEntry::ClearVIP() {
  if (EndsWithVIPMark(m_strName)) m_strName.str().pop_back();
}

void CEntry::SetGroupID(UINT nGroupID, CGroups* pGroups) {
  if (nGroupID != m_nGroupID) {
    m_bChanged = 1;
    m_nGroupID = nGroupID;
  }
  if (!pGroups) return;
  const GroupInfo* group = pGroups->GetGroupByID(m_nGroupID);
  m_bVIP = group && group->strName.view() == kVIPGroupName ? 1 : 0;
}

void CEntry::SetExtItem(UINT nID, LPCSTR pszValue, UINT nMaxLen) {
  SetExtItem(nID, CString(pszValue), nMaxLen);
}

void CEntry::SetExtItem(UINT nID, const CString& strValue, UINT nMaxLen) {
  if (!m_pExtItems || !CExtendedItems::IsTextItem(nID)) return;
  if (nMaxLen != NO_LIMIT && static_cast<UINT>(strValue.GetLength()) > nMaxLen) {
    m_pExtItems->SetValueByID(nID, strValue.Left(static_cast<int>(nMaxLen)));
  } else {
    m_pExtItems->SetValueByID(nID, strValue);
  }
}

void CEntry::SetExtItem(UINT nID, double dValue) {
  if (m_pExtItems && nID == ITEM_BIRTHDAY) m_pExtItems->SetValueByID(nID, dValue);
}

void CEntry::Clear() {
  const CString empty;
  SetName(empty, 0);
  SetNum(empty, 0);
  SetSurname(empty, 0);
  m_nGroupID = 0;
  m_nIcon = 0;
  // Clearing the items keeps the synchronisation identifier.
  if (m_pExtItems) m_pExtItems->Clear();
}

int CEntry::IsEmpty() const {
  if (!m_strName.IsEmpty() || !m_strNum.IsEmpty() || !m_strSurname.IsEmpty()) return 0;
  return !m_pExtItems || m_pExtItems->AreEmpty() ? 1 : 0;
}

int CEntry::AreIconsAssigned() const {
  if (m_nIcon != 0) return 1;
  if (!m_pExtItems) return 0;
  for (UINT id : {ITEM_INFO_NUMBER1, ITEM_INFO_NUMBER2, ITEM_NOTE, ITEM_NOTE2})
    if (m_pExtItems->GetIcon(id) != 0) return 1;
  return 0;
}
