#include "sorrel/ExtendedItems.h"

#include <array>

namespace {

// The text items in id order; ids 12 (surname) and 26 (group) live in the entry
// and have no slot here. Indexed by id - 5.
constexpr UINT kFirstTextID = ITEM_OFFICE;
constexpr UINT kLastTextID = ITEM_FAX2;

using TextMember = CString CExtendedItems::*;

}  // namespace

// The slot table needs the private members, so it is built by a member function.
CString* CExtendedItems::TextSlot(UINT nID) {
  static constexpr std::array<TextMember, kLastTextID - kFirstTextID + 1> kSlots = {
      &CExtendedItems::m_strOffice,   &CExtendedItems::m_strMobile,   &CExtendedItems::m_strHome,
      &CExtendedItems::m_strFax,      &CExtendedItems::m_strEmail,    &CExtendedItems::m_strAddress,
      &CExtendedItems::m_strNote,     nullptr /* 12 surname */,       &CExtendedItems::m_strCompany,
      &CExtendedItems::m_strTitle,    &CExtendedItems::m_strOtherNum, &CExtendedItems::m_strPager,
      &CExtendedItems::m_strEmail2,   &CExtendedItems::m_strCity,     &CExtendedItems::m_strState,
      &CExtendedItems::m_strZIP,      &CExtendedItems::m_strCountry,  &CExtendedItems::m_strInfoNum1,
      &CExtendedItems::m_strInfoNum2, &CExtendedItems::m_strInfoNum3, &CExtendedItems::m_strInfoNum4,
      nullptr /* 26 group */,         &CExtendedItems::m_strURL,      &CExtendedItems::m_strSyncID,
      &CExtendedItems::m_strNote2,    &CExtendedItems::m_strFax2,
  };
  if (nID < kFirstTextID || nID > kLastTextID) return nullptr;
  TextMember member = kSlots[nID - kFirstTextID];
  return member ? &(this->*member) : nullptr;
}

const CString* CExtendedItems::TextSlot(UINT nID) const {
  return const_cast<CExtendedItems*>(this)->TextSlot(nID);
}

unsigned char* CExtendedItems::IconSlot(UINT nID) {
  switch (nID) {
    case ITEM_INFO_NUMBER1: return &m_nIconInfoNum1;
    case ITEM_INFO_NUMBER2: return &m_nIconInfoNum2;
    case ITEM_NOTE: return &m_nIconNote;
    case ITEM_NOTE2: return &m_nIconNote2;
    default: return nullptr;
  }
}

bool CExtendedItems::IsTextItem(UINT nID) {
  return nID >= kFirstTextID && nID <= kLastTextID && nID != ITEM_SURNAME && nID != ITEM_GROUP;
}

CExtendedItems::CExtendedItems()
    : m_dBirthday(NO_BIRTHDAY), m_nIconInfoNum1(0), m_nIconInfoNum2(0), m_nIconNote(0), m_nIconNote2(0) {}

void CExtendedItems::GetValueByID(UINT nID, CString& strValue) const {
  if (const CString* slot = TextSlot(nID)) {
    strValue = *slot;
  } else {
    strValue.Empty();
  }
}

double CExtendedItems::GetValueByID(UINT nID) const { return nID == ITEM_BIRTHDAY ? m_dBirthday : 0.0; }

void CExtendedItems::SetValueByID(UINT nID, const CString& strValue) {
  if (CString* slot = TextSlot(nID)) *slot = strValue;
}

void CExtendedItems::SetValueByID(UINT nID, double dValue) {
  if (nID == ITEM_BIRTHDAY) m_dBirthday = dValue;
}

const CString* CExtendedItems::GetValuePtrByID(UINT nID) const { return TextSlot(nID); }

UINT CExtendedItems::GetNFilledItems() const {
  UINT n = IsBirthdaySet(m_dBirthday) ? 1 : 0;
  for (UINT id = kFirstTextID; id <= kLastTextID; ++id) {
    // The synchronisation identifier is bookkeeping, not content.
    if (id == ITEM_SYNC_ID) continue;
    const CString* slot = TextSlot(id);
    if (slot && !slot->IsEmpty()) ++n;
  }
  return n;
}

int CExtendedItems::AreEmpty() const { return GetNFilledItems() == 0 ? 1 : 0; }

void CExtendedItems::Clear() {
  for (UINT id = kFirstTextID; id <= kLastTextID; ++id) {
    if (id == ITEM_SYNC_ID) continue;  // survives clearing so that a later sync still matches
    if (CString* slot = TextSlot(id)) slot->Empty();
  }
  m_dBirthday = NO_BIRTHDAY;
  m_nIconInfoNum1 = m_nIconInfoNum2 = m_nIconNote = m_nIconNote2 = 0;
}

size_t CExtendedItems::GetTextsInIDOrder(const CString** ppTexts) const {
  // The members themselves, declared in id order: no lookup per id.
  size_t nTotal = 0;
  for (const CString* text : {&m_strOffice, &m_strMobile, &m_strHome, &m_strFax, &m_strEmail, &m_strAddress,
                              &m_strNote, &m_strCompany, &m_strTitle, &m_strOtherNum, &m_strPager, &m_strEmail2,
                              &m_strCity, &m_strState, &m_strZIP, &m_strCountry, &m_strInfoNum1, &m_strInfoNum2,
                              &m_strInfoNum3, &m_strInfoNum4, &m_strURL, &m_strSyncID, &m_strNote2, &m_strFax2}) {
    *ppTexts++ = text;
    nTotal += text->view().size();
  }
  return nTotal;
}

void CExtendedItems::GetIcons(unsigned char* pIcons) const {
  pIcons[0] = m_nIconInfoNum1;
  pIcons[1] = m_nIconInfoNum2;
  pIcons[2] = m_nIconNote;
  pIcons[3] = m_nIconNote2;
}

unsigned char CExtendedItems::GetIcon(UINT nID) const {
  const unsigned char* slot = const_cast<CExtendedItems*>(this)->IconSlot(nID);
  return slot ? *slot : 0;
}

int CExtendedItems::SetIcon(UINT nID, unsigned char nIcon) {
  unsigned char* slot = IconSlot(nID);
  if (!slot) return 0;
  *slot = nIcon;
  return 1;
}

CExtendedItems& CExtendedItems::operator=(const CExtendedItems& src) {
  if (this == &src) return *this;
  for (UINT id = kFirstTextID; id <= kLastTextID; ++id) {
    if (CString* slot = TextSlot(id)) *slot = *src.TextSlot(id);
  }
  m_dBirthday = src.m_dBirthday;
  // The icons belong to the phone slot, not to the copied contents.
  return *this;
}
