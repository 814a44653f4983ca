// sorrel check: reads every line into an entry, writes it back, and reports each
// line that does not come back byte for byte.
#include <cstdio>
#include <string>
#include <vector>

#include "Book.h"
#include "Command.h"

namespace {

const char kDescription[] =
    "Reads every line of the phone book into an entry as the host does, writes the\n"
    "entry back in the phone text form and reports each line that does not come\n"
    "back byte for byte. Losses that the phone text form is known to have are told\n"
    "apart from real damage:\n"
    "  - the surname of an entry that has no extended items is not written;\n"
    "  - a birthday at or below the no-date value is not written;\n"
    "  - with --no-sync-id (as a host that writes without it), the synchronisation\n"
    "    identifier is not written.\n"
    "BOOK - reads standard input.\n";

// Removes the first ,<id>,"..." item of a phone text line, if any.
bool RemoveItem(std::string& line, int id) {
  // Appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict) on a literal + a string.
  std::string key = ",";
  key += std::to_string(id);
  key += ",\"";
  size_t start = line.find(key);
  if (start == std::string::npos) return false;
  size_t end = line.find("\",", start + key.size());
  end = end == std::string::npos ? line.size() : end + 1;
  line.erase(start, end - start);
  return true;
}

// The first place where two lines differ, with a little of each around it.
std::string DescribeDifference(const std::string& raw, const std::string& written) {
  size_t i = 0;
  while (i < raw.size() && i < written.size() && raw[i] == written[i]) ++i;
  auto around = [i](const std::string& s) {
    size_t from = i < 16 ? 0 : i - 16;
    std::string part = s.substr(from, 40);
    return (from > 0 ? "..." : "") + tool::ToUtf8(part) + (from + 40 < s.size() ? "..." : "");
  };
  return "from byte " + std::to_string(i + 1) + " the line reads [" + around(raw) +
         "] but the entry writes [" + around(written) + "]";
}

// What is structurally wrong with a slot line, where it can be told.
std::string StructuralReason(const std::string& raw) {
  size_t open = raw.find('"');
  if (open == std::string::npos) return "the line has no quoted name";
  size_t nameEnd = raw.find("\",", open + 1);
  if (nameEnd == std::string::npos) {
    size_t close = raw.find('"', open + 1);
    if (close == std::string::npos) return "the name has no closing quote";
    if (close + 1 == raw.size()) return "the line ends after the name: it has no number field";
    return "the name's closing quote is not followed by a comma, so the name runs on into the number";
  }
  if (raw.compare(nameEnd, 3, "\",\"") != 0) return "the number does not follow the name as a quoted field";
  return std::string();
}

struct Verdict {
  bool identical = false;
  bool damaged = false;
  std::vector<std::string> notes;
};

Verdict Judge(const tool::Slot& slot, bool withSyncId) {
  Verdict v;
  const CEntry& entry = *slot.entry;
  std::string written;
  if (entry.IsEmpty()) {
    written = "EMPTY";
  } else {
    CString text;
    entry.GetAsText(text, 1, withSyncId ? 1 : 0);
    written = text.str();
    if (!written.empty() && written.back() == '\n') written.pop_back();
  }
  if (written == slot.raw) {
    v.identical = true;
    return v;
  }

  // Take the known losses out of the line as it stood and compare again.
  std::string expected = slot.raw;
  if (!entry.GetExtendedItems() && !entry.GetSurname().IsEmpty()) {
    std::string pair = "\"\"" + entry.GetSurname().str() + "\"";
    size_t at = expected.find(pair);
    if (at != std::string::npos) {
      expected.erase(at + 1, pair.size() - 1);
      v.notes.push_back("known loss: the surname \"" + tool::ToUtf8(entry.GetSurname()) +
                        "\" is not kept by an entry without extended items");
    }
  }
  if (entry.GetExtendedItems() && !CExtendedItems::IsBirthdaySet(entry.GetExtendedItems()->GetValueByID(ITEM_BIRTHDAY)) &&
      RemoveItem(expected, ITEM_BIRTHDAY))
    v.notes.push_back("known loss: a birthday at or below the no-date value is not written");
  if (!withSyncId && RemoveItem(expected, ITEM_SYNC_ID))
    v.notes.push_back("known loss: the synchronisation identifier is not written");
  if (expected != written) {
    v.damaged = true;
    if (!entry.GetExtendedItems() && slot.raw.find(",\"", slot.raw.find("\",\"") + 3) != std::string::npos &&
        !sorrel::LocationHoldsExtendedItems(entry.GetLocation()))
      v.notes.push_back("damage: location " + std::to_string(entry.GetLocation()) +
                        " keeps no extended items, so the line's items are dropped");
    std::string reason = StructuralReason(slot.raw);
    v.notes.push_back("damage: " + (reason.empty() ? std::string() : reason + "; ") +
                      DescribeDifference(expected, written));
  }
  return v;
}

int Run(const tool::Args& args) {
  const bool withSyncId = !args.Has("--no-sync-id"), strict = args.Has("--strict"), quiet = args.Has("--quiet");
  const std::string path = args.Operands()[0];

  tool::PhoneBook book;
  std::string error;
  if (!book.Load(path, error)) return tool::Fail("check", error);

  size_t identical = 0, known = 0, damaged = 0;
  CString groupText;
  book.groups.GetAsText(groupText, 0);
  if (groupText.str() != book.groupLine) {
    ++damaged;
    if (!quiet)
      std::printf("%s:1: damage: group table %s\n", path.c_str(),
                  DescribeDifference(book.groupLine, groupText.str()).c_str());
  }
  for (const tool::Slot& slot : book.slots) {
    Verdict v = Judge(slot, withSyncId);
    if (v.identical) {
      ++identical;
      continue;
    }
    (v.damaged ? damaged : known)++;
    if (!quiet)
      for (const std::string& note : v.notes) std::printf("%s:%d: %s\n", path.c_str(), slot.lineNumber, note.c_str());
  }
  std::printf("%s: %zu slot lines: %zu came back byte for byte, %zu with known losses, %zu damaged\n",
              path.c_str(), book.slots.size(), identical, known, damaged);
  return damaged > 0 || (strict && known > 0) ? tool::kFindings : tool::kOk;
}

const tool::CommandSpec kSpec{
    "check", "read every line and write it back; report what does not survive", "BOOK", 1, 1, kDescription,
    {{"--no-sync-id", nullptr, "write back without the synchronisation identifier"},
     {"--strict", nullptr, "count known losses as findings too"},
     {"--quiet", nullptr, "print only the summary"}},
    "Exit status: 0 every line came back (or only known losses), 1 damage found,\n2 usage or I/O error.\n",
    &Run};

}  // namespace

SORREL_COMMAND(kSpec);
