// A group list as one line, for comparing with an expected one.
#pragma once

#include <string>

#include "sorrel/Groups.h"

namespace sorrel::test {

// id:name/maxlen/attr for every record, in list order.
inline std::string Describe(const CGroups& groups) {
  std::string out;
  for (int i = 0; i < groups.GetNGroups(); ++i) {
    const GroupInfo* g = groups.GetGroupByIndex(static_cast<UINT>(i));
    out += std::to_string(g->nID) + ":" + g->strName.str() + "/" + std::to_string(g->nMaxLen) + "/" +
           std::to_string(g->nAttr) + " ";
  }
  return out;
}

}  // namespace sorrel::test
