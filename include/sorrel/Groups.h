// The caller groups of a phone and their one-line text form.
#pragma once

#include "sorrel/CArray.h"
#include "sorrel/CObject.h"
#include "sorrel/CString.h"

struct GroupInfo {
  UINT nID = 0;
  UINT nNewID = 0;
  CString strName;
  UINT nMaxLen = 0;
  UINT nReserved = 0;
  int nAttr = 0;
  int bChanged = 0;
};

class SORREL_API CGroups : public CObject {
  DECLARE_DYNCREATE(CGroups)

 public:
  CGroups();
  ~CGroups() override;
  CGroups(const CGroups&) = delete;
  CGroups& operator=(const CGroups&) = delete;

  int GetNGroups() const;
  GroupInfo* GetGroupByIndex(UINT index) const;
  GroupInfo* GetGroupByID(UINT id) const;
  UINT GetGroupIDByName(const CString& strName) const;
  UINT GetGroupIDByName(LPCSTR pszName) const;
  UINT Get1stFreeID() const;

  // 0 when a group with this id exists; otherwise appends it and returns 1.
  int AddGroup(UINT id, const CString& strName, UINT nMaxLen, int nAttr);
  // Takes over the record when it is accepted (1); the caller keeps it on 0.
  int AddGroup(GroupInfo* pGroup);
  // A new group under the first free id; returns that id.
  UINT AddGroup(const CString& strName);
  int RemoveGroup(UINT id);
  void SetNewID(UINT id, UINT nNewID);

  void SetMaxGroups(UINT n) { m_nMaxGroups = n; }
  UINT GetMaxGroups() const { return m_nMaxGroups; }
  void SetMaxLenOfEditableGroups(UINT n) { m_nMaxLenOfEditableGroups = n; }
  UINT GetMaxLenOfEditableGroups() const { return m_nMaxLenOfEditableGroups; }
  void SetMaxLen2AllGroups(UINT n);
  int AreEditable();

  int IsAnyGroupChanged() const;
  UINT GetNChangedGroups() const;
  void ClearChangedFlags();

  // The group text: long form (bShort 0) id,"name",maxlen,attr per group; short
  // form id,"name". Reading adds the text's groups to those already held.
  void FillFromText(const CString& strText, int bShort);
  void FillFromText(LPCSTR pszText, int bShort);
  void GetAsText(CString& strText, int bShort) const;

 private:
  CArray<GroupInfo*, GroupInfo*> m_Groups;
  int m_bEditable;
  UINT m_nMaxGroups;
  UINT m_nMaxLenOfEditableGroups;
};
