// The group text reader, both forms and both overloads.
// Options byte: bit 0 short form, bit 1 the character-pointer overload, bit 2 a
// list that already holds groups, bits 4-7 the phone's maximum number of groups.
#include <string_view>
#include <unordered_set>

#include "FuzzTarget.h"
#include "sorrel/Groups.h"

SORREL_FUZZ_TARGET(group_text) {
  sorrel::fuzz::Input in(data, size);
  CGroups groups;
  groups.SetMaxGroups(in.options >> 4);
  groups.SetMaxLenOfEditableGroups(12);
  if (in.Option(2)) {
    groups.AddGroup(1, CString("Rodina"), 12, 0);
    groups.AddGroup(7, CString("VIP"), 0, 1);
  }
  int before = groups.GetNGroups();

  CString text(in.text);
  if (in.Option(1))
    groups.FillFromText(in.text.c_str(), in.Option(0));
  else
    groups.FillFromText(text, in.Option(0));
  SORREL_FUZZ_CHECK(text.str() == in.text);  // the reader works on a copy

  // Groups are only ever added, each id once.
  int n = groups.GetNGroups();
  SORREL_FUZZ_CHECK(n >= before);
  std::unordered_set<UINT> ids;
  for (int i = 0; i < n; ++i) {
    GroupInfo* group = groups.GetGroupByIndex(UINT(i));
    SORREL_FUZZ_CHECK(group && ids.insert(group->nID).second);
  }
  SORREL_FUZZ_CHECK(groups.GetGroupByIndex(UINT(n)) == nullptr);

  // Names end at their first zero byte, as "%s" writes them.
  CString out;
  groups.GetAsText(out, 0);
  SORREL_FUZZ_CHECK(out.view().find('\0') == std::string_view::npos);
  groups.GetAsText(out, 1);
  SORREL_FUZZ_CHECK(out.view().find('\0') == std::string_view::npos);
  return 0;
}
