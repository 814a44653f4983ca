// One phone book entry: the contents of one slot of a phone's phone book plus,
// where the host asks for them, the extended items.
#pragma once

#include "sorrel/CArray.h"
#include "sorrel/CObject.h"
#include "sorrel/CString.h"
#include "sorrel/ExtendedItems.h"
#include "sorrel/Groups.h"

class CColumnInfos;

// The "no limit" value of the length limits.
constexpr UINT NO_LIMIT = 0xFFFFFFFF;

namespace sorrel {

// The memory locations the record gives a meaning to. The phone server numbers
// the memories; what the other codes mean is the host's business.
// Only these may keep name and surname apart.
constexpr bool LocationKeepsNamesApart(UINT nLocation) { return nLocation == 2 || nLocation == 12; }
// Only these get extended items made when the phone text form is read with them.
constexpr bool LocationHoldsExtendedItems(UINT nLocation) {
  return nLocation == 1 || LocationKeepsNamesApart(nLocation);
}

}  // namespace sorrel

// One renumbering rule: prefixes to look for and their replacements, for numbers
// in international form (starting with "+") and in national form.
struct RenumPrefix {
  CString strOldIntPrefix;
  CString strNewIntPrefix;
  CString strOldNatPrefix;
  CString strNewNatPrefix;
};

class SORREL_API CEntry : public CObject {
  DECLARE_DYNCREATE(CEntry)

 public:
  CEntry(int bWithExtItems = 0, int bAllowsNameSurnameDivision = 0);
  ~CEntry() override;
  CEntry(const CEntry&) = delete;
  CEntry& operator=(const CEntry&) = delete;

  // ---- fields --------------------------------------------------------------
  // Writing through these references changes no flag.
  CString& GetName() { return m_strName; }
  const CString& GetName() const { return m_strName; }
  CString& GetSurname() { return m_strSurname; }
  const CString& GetSurname() const { return m_strSurname; }
  CString& GetNum() { return m_strNum; }
  const CString& GetNum() const { return m_strNum; }
  int IsNumInternational() const { return m_bNumInternational; }
  int Changed() const { return m_bChanged; }
  void SetChangedFlag() { m_bChanged = 1; }
  void ClearChangedFlag() { m_bChanged = 0; }
  UINT GetLocation() const { return m_nLocation; }
  UINT GetPos() const { return m_nPos; }
  void SetPos(UINT nPos) { m_nPos = nPos; }
  int IsVIP() const { return m_bVIP; }
  UINT GetGroupID() const { return m_nGroupID; }
  CExtendedItems* GetExtendedItems() const { return m_pExtItems; }
  // Stores the pointer as it is: the object held before is the caller's, the one
  // passed in (separately allocated, or null) becomes the entry's.
  void SetExtendedItemsPtr(CExtendedItems* pExtItems) { m_pExtItems = pExtItems; }
  int AllowsNameSurnameDivision() const { return m_bAllowsNameSurnameDivision; }
  void AllowsNameSurnameDivision(int bAllows) { m_bAllowsNameSurnameDivision = bAllows; }
  unsigned char GetIcon() const { return m_nIcon; }
  void SetIcon(unsigned char nIcon) { m_nIcon = nIcon; }

  // ---- setters with rules --------------------------------------------------
  // Only locations 2 and 12 may keep name and surname apart.
  void SetLocation(UINT nLocation);
  // Store, cut to nMaxLen (NO_LIMIT for none), VIP from a trailing "!", changed.
  void SetName(const CString& strName, UINT nMaxLen);
  void SetSurname(const CString& strSurname, UINT nMaxLen);
  void SetNum(const CString& strNum, UINT nMaxLen);
  // Normalises a leading "00" of strNum to "+"; 1 when strNum is international.
  int IsNumInternational(CString& strNum) const;
  void SetVIP(UINT nMaxLen);
  void ClearVIP();
  void SetGroupID(UINT nGroupID, CGroups* pGroups);
  void SetExtItem(UINT nID, LPCSTR pszValue, UINT nMaxLen);
  void SetExtItem(UINT nID, const CString& strValue, UINT nMaxLen);
  void SetExtItem(UINT nID, double dValue);
  void Clear();

  int IsEmpty() const;
  int AreIconsAssigned() const;

  // ---- the phone text form --------------------------------------------------
  void GetAsText(CString& strText, int bWithLocation, int bWithSyncID) const;
  // The string overload cuts the fields off the front of strText as it reads
  // them: on return strText holds a remainder of the line.
  void FillFromText(CString& strText, int bWithLocation, int bCreateExtItems, int bJoinNames,
                    CGroups* pGroups);
  void FillFromText(LPCSTR pszText, int bWithLocation, int bCreateExtItems, int bJoinNames,
                    CGroups* pGroups);
  // The parameters of the phone-book write command: index,"number",type,"name".
  void GetAsText4AT(CString& strText, LPCSTR pszIndex) const;


  // ---- vCard ---------------------------------------------------------------
  // Reads one card (lines ended by CR LF). The card's quoted-printable soft line
  // breaks are removed in place. 1 when the card was read to its end, 0 when it
  // was rejected (fields set before the rejection keep their values).
  int FillFromVCard(CString& card, CGroups* groups, CString* noGroupName);
  void GetAsVCardVer1(CString& out, CGroups* groups) const;
  // codePage 65001 writes non-ASCII values as UTF-8 quoted-printable, any other
  // value as UTF-7.
  void GetAsVCardVer21(CString& out, UINT codePage, CGroups* groups) const;

  // ---- CSV and splitting ---------------------------------------------------
  void GetAsCSV(CColumnInfos* columns, CString& out) const;
  void SplitExtEntries2Singles(CArray<CEntry*, CEntry*>* entries, CColumnInfos* columns);

  // ---- search and renumbering ----------------------------------------------
  int ContainsSubstr(CString text, int caseSensitive) const;
  int ChangePrefixes(CString oldPrefix, CString newPrefix);
  int Renumber(CArray<RenumPrefix, RenumPrefix&>& rules, int toInternational);

 private:
  // vCard property lines
  void WriteVCardN(CString& line, UINT codePage) const;
  void WriteVCardADR(CString& line, UINT codePage) const;
  void WriteVCardTITLE(CString& line, UINT codePage) const;
  void WriteVCardORG(CString& line, UINT codePage) const;
  void WriteVCardCategories(CString& line, UINT codePage, CGroups* groups, int bVer1) const;

  // renumbering
  int ReplacePrefix(CString& number, const CString& oldPrefix, const CString& newPrefix);
  int RenumberNumber(CString& number, CArray<RenumPrefix, RenumPrefix&>& rules, int toInternational) const;
  int IsBuiltInPrefix(CString& number) const;
  CString FindRenumPrefix(CString& number, CArray<RenumPrefix, RenumPrefix&>& rules, int bInternational,
                          int& nOldPrefixLen) const;

  CString m_strName;
  CString m_strSurname;
  CString m_strNum;
  int m_bChanged;
  int m_bNumInternational;
  int m_bVIP;
  UINT m_nLocation;
  UINT m_nPos;
  UINT m_nGroupID;
  CExtendedItems* m_pExtItems;
  unsigned char m_nIcon;
  int m_bAllowsNameSurnameDivision;
};
