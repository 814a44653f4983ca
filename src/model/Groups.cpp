#include "sorrel/Groups.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "model/GroupRecord.h"
#include "platform/Numbers.h"

IMPLEMENT_DYNCREATE(CGroups, CObject)

namespace {

// The length a group added by name gets when the list has no group to copy it from.
constexpr UINT kDefaultMaxLen = 40;

}  // namespace

std::unique_ptr<GroupInfo> sorrel::MakeGroup(UINT id, std::string_view name, UINT nMaxLen, int nAttr) {
  auto group = std::make_unique<GroupInfo>();
  group->nID = id;
  group->strName = CString(name);
  group->nMaxLen = nMaxLen;
  group->nAttr = nAttr;
  return group;
}

CGroups::CGroups() : m_bEditable(0), m_nMaxGroups(0), m_nMaxLenOfEditableGroups(0) {}

CGroups::~CGroups() {
  for (GroupInfo* group : m_Groups) delete group;
}

int CGroups::GetNGroups() const { return static_cast<int>(m_Groups.GetSize()); }

GroupInfo* CGroups::GetGroupByIndex(UINT index) const {
  return index < static_cast<UINT>(m_Groups.GetSize()) ? m_Groups[index] : nullptr;
}

GroupInfo* CGroups::GetGroupByID(UINT id) const {
  for (GroupInfo* group : m_Groups)
    if (group->nID == id) return group;
  return nullptr;
}

UINT CGroups::GetGroupIDByName(const CString& strName) const {
  for (const GroupInfo* group : m_Groups)
    if (group->strName.view() == strName.view()) return group->nID;
  return 0;
}

UINT CGroups::GetGroupIDByName(LPCSTR pszName) const { return pszName ? GetGroupIDByName(CString(pszName)) : 0; }

UINT CGroups::Get1stFreeID() const {
  // The same answer as trying 1, 2, 3... against the list, without a search per try.
  std::vector<UINT> ids;
  ids.reserve(static_cast<size_t>(m_Groups.GetSize()));
  for (const GroupInfo* group : m_Groups) ids.push_back(group->nID);
  std::sort(ids.begin(), ids.end());
  UINT candidate = 1;
  for (UINT id : ids) {
    if (id > candidate) break;
    if (id == candidate) ++candidate;
  }
  return candidate;
}

int CGroups::AddGroup(UINT id, const CString& strName, UINT nMaxLen, int nAttr) {
  if (GetGroupByID(id)) return 0;
  m_Groups.Add(sorrel::MakeGroup(id, strName.view(), nMaxLen, nAttr).release());
  return 1;
}

int CGroups::AddGroup(GroupInfo* pGroup) {
  if (!pGroup || GetGroupByID(pGroup->nID)) return 0;
  m_Groups.Add(pGroup);
  return 1;
}

UINT CGroups::AddGroup(const CString& strName) {
  UINT id = Get1stFreeID();
  UINT nMaxLen = m_Groups.IsEmpty() ? kDefaultMaxLen : m_Groups[0]->nMaxLen;
  AddGroup(id, strName, nMaxLen, 1);
  return id;
}

int CGroups::RemoveGroup(UINT id) {
  for (INT_PTR i = 0; i < m_Groups.GetSize(); ++i) {
    if (m_Groups[i]->nID != id) continue;
    delete m_Groups[i];
    m_Groups.RemoveAt(i);
    return 1;
  }
  return 0;
}

void CGroups::SetNewID(UINT id, UINT nNewID) {
  if (GroupInfo* group = GetGroupByID(id)) group->nNewID = nNewID;
}

void CGroups::SetMaxLen2AllGroups(UINT n) {
  for (GroupInfo* group : m_Groups) group->nMaxLen = n;
}

int CGroups::AreEditable() {
  if (static_cast<UINT>(m_Groups.GetSize()) < m_nMaxGroups) m_bEditable = 1;
  return m_bEditable;
}

int CGroups::IsAnyGroupChanged() const { return GetNChangedGroups() != 0 ? 1 : 0; }

UINT CGroups::GetNChangedGroups() const {
  UINT n = 0;
  for (const GroupInfo* group : m_Groups)
    if (group->bChanged) ++n;
  return n;
}

void CGroups::ClearChangedFlags() {
  for (GroupInfo* group : m_Groups) group->bChanged = 0;
}

