#include "sorrel/Groups.h"

#include <algorithm>
#include <memory>
#include <unordered_set>
#include <vector>

#include "model/TextForm.h"
#include "platform/Numbers.h"

IMPLEMENT_DYNCREATE(CGroups, CObject)

namespace {

// The length a group added by name gets when the list has no group to copy it from.
constexpr UINT kDefaultMaxLen = 40;

std::unique_ptr<GroupInfo> MakeGroup(UINT id, std::string_view name, UINT nMaxLen, int nAttr) {
  auto group = std::make_unique<GroupInfo>();
  group->nID = id;
  group->strName = CString(name);
  group->nMaxLen = nMaxLen;
  group->nAttr = nAttr;
  return group;
}

}  // namespace

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
  m_Groups.Add(MakeGroup(id, strName.view(), nMaxLen, nAttr).release());
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

void CGroups::FillFromText(LPCSTR pszText, int bShort) { FillFromText(CString(pszText), bShort); }

void CGroups::FillFromText(const CString& strText, int bShort) {
  if (strText.IsEmpty()) return;

  // A text of many groups must not cost a search of the list per group.
  std::unordered_set<UINT> known;
  for (const GroupInfo* group : m_Groups) known.insert(group->nID);
  auto add = [&](UINT id, std::string_view name, UINT nMaxLen, int nAttr) {
    if (!known.insert(id).second) return;  // the record already held keeps its name
    m_Groups.Add(MakeGroup(id, name, nMaxLen, nAttr).release());
  };

  // Every pass removes at least the id's comma or the rest of the text, so the
  // loop ends.
  sorrel::TextCursor cursor(strText.view());
  sorrel::NextOccurrence nameEnds("\",");
  while (!cursor.AtEnd()) {
    UINT id = sorrel::AtoiUnsigned(cursor.Rest());
    cursor.CutField(',', 1);  // the id, its comma and the name's opening quote

    std::string_view name;
    size_t nameEnd = nameEnds.In(cursor);
    if (nameEnd == sorrel::TextCursor::npos) {
      if (bShort) {
        // The last record of the short form: its name ends at its closing quote.
        add(id, cursor.Rest().substr(0, cursor.Find('"')), 0, 0);
        break;
      }
      cursor.Skip(1);
    } else {
      name = cursor.Take(nameEnd);
      cursor.Skip(2);
    }
    if (bShort) {
      add(id, name, 0, 0);
      continue;
    }

    UINT nMaxLen = sorrel::AtoiUnsigned(cursor.Rest());
    cursor.CutField(',');
    add(id, name, nMaxLen, sorrel::Atoi(cursor.Rest()));
    size_t attrEnd = cursor.Find(',');
    if (attrEnd == sorrel::TextCursor::npos) break;  // the attribute was the last field
    cursor.Skip(attrEnd + 1);
  }

  if (static_cast<UINT>(m_Groups.GetSize()) < m_nMaxGroups) {
    m_bEditable = 1;
  } else {
    m_bEditable = std::any_of(m_Groups.begin(), m_Groups.end(),
                              [](const GroupInfo* group) { return group->nMaxLen != 0; })
                      ? 1
                      : 0;
  }
}

void CGroups::GetAsText(CString& strText, int bShort) const {
  std::string& out = strText.str();
  out.clear();
  for (const GroupInfo* group : m_Groups) {
    sorrel::AppendDecimal(out, group->nID);
    out += ',';
    sorrel::AppendQuoted(out, group->strName.view());
    out += ',';
    if (bShort) continue;
    // The third field is the list-wide limit; the record's own nMaxLen is not written.
    sorrel::AppendDecimal(out, m_nMaxLenOfEditableGroups);
    out += ',';
    sorrel::AppendDecimal(out, static_cast<UINT>(group->nAttr));
    out += ',';
  }
  if (!out.empty()) out.pop_back();  // the comma after the last field
}
