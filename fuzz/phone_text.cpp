// The phone text form reader, both overloads, every option combination.
// Options byte: bit 0 location, bit 1 create extended items, bit 2 join names,
// bit 3 a groups list, bit 4 the character-pointer overload, bit 5 an entry that
// already has extended items, bit 6 name/surname division allowed beforehand.
#include <string_view>

#include "FuzzTarget.h"
#include "sorrel/Entry.h"
#include "sorrel/Groups.h"

SORREL_FUZZ_TARGET(phone_text) {
  sorrel::fuzz::Input in(data, size);
  // The reader only looks groups up: one list serves every input.
  static CGroups groups;
  static const bool filled = [] {
    groups.AddGroup(1, CString("Rodina"), 12, 0);
    groups.AddGroup(4, CString("VIP"), 12, 0);
    return true;
  }();
  (void)filled;
  CEntry entry(in.Option(5), in.Option(6));
  entry.SetIcon(9);

  CString line(in.text);
  if (in.Option(4)) {
    // The character-pointer overload sees the text up to its first zero byte,
    // and must leave the caller's characters as they were.
    std::string before = in.text;
    entry.FillFromText(in.text.c_str(), in.Option(0), in.Option(1), in.Option(2), in.Option(3) ? &groups : nullptr);
    SORREL_FUZZ_CHECK(in.text == before);
  } else {
    entry.FillFromText(line, in.Option(0), in.Option(1), in.Option(2), in.Option(3) ? &groups : nullptr);
    // What is left is a piece of the line, never more than it.
    SORREL_FUZZ_CHECK(line.GetLength() <= int(in.text.size()));
  }
  std::string seen = in.Option(4) ? std::string(in.text.c_str()) : in.text;
  bool emptySlot = seen.empty() || seen == "EMPTY";
  SORREL_FUZZ_CHECK(entry.Changed() == (emptySlot ? 1 : 0));

  // The writers over whatever the reader made: texts end at their first zero
  // byte, so none reaches the phone server.
  CString out;
  entry.GetAsText(out, 1, 1);
  SORREL_FUZZ_CHECK(out.view().find('\0') == std::string_view::npos);
  entry.GetAsText(out, 0, 0);
  SORREL_FUZZ_CHECK(out.view().find('\0') == std::string_view::npos);
  entry.GetAsText4AT(out, "1");
  SORREL_FUZZ_CHECK(out.view().find('\0') == std::string_view::npos);
  return 0;
}
