// The group text form: the phone's list of caller groups as one line, in the
// long form (id, name, limit, attribute) and the short one (id, name).
#include <algorithm>
#include <unordered_set>

#include "formats/TextForm.h"
#include "model/GroupRecord.h"
#include "platform/Numbers.h"
#include "sorrel/Groups.h"

void CGroups::FillFromText(LPCSTR pszText, int bShort) { FillFromText(CString(pszText), bShort); }

void CGroups::FillFromText(const CString& strText, int bShort) {
  if (strText.IsEmpty()) return;

  // A text of many groups must not cost a search of the list per group.
  std::unordered_set<UINT> known;
  for (const GroupInfo* group : m_Groups) known.insert(group->nID);
  auto add = [&](UINT id, std::string_view name, UINT nMaxLen, int nAttr) {
    if (!known.insert(id).second) return;  // the record already held keeps its name
    m_Groups.Add(sorrel::MakeGroup(id, name, nMaxLen, nAttr).release());
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
