// The items of a phone book entry beyond name, surname, main number and group,
// addressed by item id (5 to 31; ids 12 and 26 are held by the entry itself).
#pragma once

#include "sorrel/CString.h"

// Item ids shared by entries, list columns, the phone text form and vCard.
enum : UINT {
  ITEM_POSITION = 1,
  ITEM_LOCATION = 2,
  ITEM_NAME = 3,
  ITEM_NUMBER = 4,
  ITEM_OFFICE = 5,
  ITEM_MOBILE = 6,
  ITEM_HOME = 7,
  ITEM_FAX = 8,
  ITEM_EMAIL = 9,
  ITEM_ADDRESS = 10,
  ITEM_NOTE = 11,
  ITEM_SURNAME = 12,
  ITEM_COMPANY = 13,
  ITEM_TITLE = 14,
  ITEM_OTHER_NUMBER = 15,
  ITEM_PAGER = 16,
  ITEM_EMAIL2 = 17,
  ITEM_CITY = 18,
  ITEM_STATE = 19,
  ITEM_ZIP = 20,
  ITEM_COUNTRY = 21,
  ITEM_INFO_NUMBER1 = 22,
  ITEM_INFO_NUMBER2 = 23,
  ITEM_INFO_NUMBER3 = 24,
  ITEM_INFO_NUMBER4 = 25,
  ITEM_GROUP = 26,
  ITEM_URL = 27,
  ITEM_SYNC_ID = 28,
  ITEM_NOTE2 = 29,
  ITEM_FAX2 = 30,
  ITEM_BIRTHDAY = 31,
};

namespace sorrel {

// The library's string resource that holds the caption of item nID: strings 1
// to 23 for ids 5 to 27 and 24 to 26 for ids 29 to 31. The base items (1 to 4)
// and the synchronisation identifier (28) have none: 0.
constexpr UINT ItemCaptionID(UINT nID) {
  if (nID >= ITEM_OFFICE && nID < ITEM_SYNC_ID) return nID - (ITEM_OFFICE - 1);
  if (nID > ITEM_SYNC_ID && nID <= ITEM_BIRTHDAY) return nID - ITEM_OFFICE;
  return 0;
}

}  // namespace sorrel

// The value that stands for no birthday: 31 December 1799. A birthday is set only
// when it is greater.
constexpr double NO_BIRTHDAY = -36523.0;

class SORREL_API CExtendedItems {
 public:
  // A new object is in the cleared state.
  CExtendedItems();
  CExtendedItems(const CExtendedItems&) = delete;

  // Empties strValue, then copies the text item nID into it; every id without a
  // text item (31 included) leaves it empty.
  void GetValueByID(UINT nID, CString& strValue) const;
  // The birthday for id 31, 0.0 for every other id.
  double GetValueByID(UINT nID) const;
  void SetValueByID(UINT nID, const CString& strValue);
  void SetValueByID(UINT nID, double dValue);

  // The text item nID itself, or null for an id without a text item: reading
  // without a copy.
  const CString* GetValuePtrByID(UINT nID) const;

  // Non-empty text items other than the synchronisation identifier, plus 1 for
  // a set birthday.
  UINT GetNFilledItems() const;
  int AreEmpty() const;
  // Empties every text item but the synchronisation identifier, unsets the
  // birthday and the four icons.
  void Clear();

  // The icons of items 11, 22, 23 and 29.
  unsigned char GetIcon(UINT nID) const;
  int SetIcon(UINT nID, unsigned char nIcon);

  // Copies the 24 text items and the birthday; the icons stay as they were.
  CExtendedItems& operator=(const CExtendedItems& src);

  // True when id nID names one of the 24 text items.
  static bool IsTextItem(UINT nID);
  static bool IsBirthdaySet(double dBirthday) { return dBirthday > NO_BIRTHDAY; }

 private:
  // The phone text writer takes every item in one call rather than one by id.
  friend class CEntry;
  // The 24 text items in ascending id order; the sum of their lengths.
  size_t GetTextsInIDOrder(const CString** ppTexts) const;
  // The icons of items 22, 23, 11 and 29, in that order.
  void GetIcons(unsigned char* pIcons) const;

  CString* TextSlot(UINT nID);
  const CString* TextSlot(UINT nID) const;
  unsigned char* IconSlot(UINT nID);

  CString m_strOffice;       // 5
  CString m_strMobile;       // 6
  CString m_strHome;         // 7
  CString m_strFax;          // 8
  CString m_strEmail;        // 9
  CString m_strAddress;      // 10
  CString m_strNote;         // 11
  CString m_strCompany;      // 13
  CString m_strTitle;        // 14
  CString m_strOtherNum;     // 15
  CString m_strPager;        // 16
  CString m_strEmail2;       // 17
  CString m_strCity;         // 18
  CString m_strState;        // 19
  CString m_strZIP;          // 20
  CString m_strCountry;      // 21
  CString m_strInfoNum1;     // 22
  CString m_strInfoNum2;     // 23
  CString m_strInfoNum3;     // 24
  CString m_strInfoNum4;     // 25
  CString m_strURL;          // 27
  CString m_strSyncID;       // 28
  CString m_strNote2;        // 29
  CString m_strFax2;         // 30
  double m_dBirthday;        // 31
  unsigned char m_nIconInfoNum1;  // icon of item 22
  unsigned char m_nIconInfoNum2;  // icon of item 23
  unsigned char m_nIconNote;      // icon of item 11
  unsigned char m_nIconNote2;     // icon of item 29
};
