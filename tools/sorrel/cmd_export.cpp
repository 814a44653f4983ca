// sorrel export: a phone book as one vCard file (version 2.1 or 1.0) or as CSV.
// Each format is one row of kFormats: the row that a command line asks for runs.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "Book.h"
#include "Command.h"
#include "ExportCsv.h"

namespace {

const char kVCardUsage[] =
    "usage: sorrel export BOOK --vcard21 [--charset utf8|utf7] [-o FILE]\n"
    "       sorrel export BOOK --vcard10 [-o FILE]\n"
    "\n"
    "Writes every entry of the phone book (empty slots left out) as one vCard file,\n"
    "each card exactly as the library writes it, lines ended by CR LF.\n"
    "\n"
    "--vcard21 writes vCard 2.1 with job title, other number, second e-mail and fax,\n"
    "birthday and the group (X-ESI-CATEGORIES). Texts with accented letters are\n"
    "labelled: --charset utf8 (the default) writes them as UTF-8 quoted-printable,\n"
    "which every common reader decodes; --charset utf7 writes UTF-7, closing every\n"
    "base64 run with '-' because some readers end a run only there.\n"
    "\n"
    "--vcard10 writes vCard 1.0: name, address, company, four numbers, e-mail, web\n"
    "address and the group as CATEGORIES. Version 1.0 writes the group name\n"
    "unlabelled in Windows-1250: readers that expect UTF-8 garble accented group\n"
    "names, so the export warns once, naming those groups.\n"
    "\n"
    "  -o FILE    write to FILE (default: standard output)\n"
    "\n"
    "Exit status: 0 written, 2 usage or I/O error.\n";

struct VCardOptions {
  std::string book;
  std::string out = "-";
  bool v10 = false;
  UINT codePage = CP_UTF8;
};

int ParseVCardArgs(const std::vector<std::string>& args, VCardOptions& o) {
  bool formatGiven = false, charsetGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--vcard21" || a == "--vcard10") {
      if (formatGiven) return tool::Fail("export", "give one of --vcard21 and --vcard10");
      formatGiven = true;
      o.v10 = a == "--vcard10";
    } else if (a == "--charset" || a == "-o") {
      if (i + 1 == args.size()) return tool::Fail("export", a + " needs a value");
      const std::string& value = args[++i];
      if (a == "-o") {
        o.out = value;
      } else if (value == "utf8" || value == "utf7") {
        o.codePage = value == "utf8" ? CP_UTF8 : CP_UTF7;
        charsetGiven = true;
      } else {
        return tool::Fail("export", "--charset takes utf8 or utf7, not \"" + value + "\"");
      }
    } else if (a.size() > 1 && a[0] == '-') {
      return tool::Fail("export", "unknown option " + a + "\n\n" + kVCardUsage);
    } else if (o.book.empty()) {
      o.book = a;
    } else {
      return tool::Fail("export", "one phone book only, not also \"" + a + "\"");
    }
  }
  if (o.book.empty()) return tool::Fail("export", std::string("no phone book given\n\n") + kVCardUsage);
  if (o.v10 && charsetGiven) return tool::Fail("export", "--charset belongs to --vcard21: version 1.0 writes UTF-8");
  return tool::kOk;
}

bool HasAccents(const CString& text) {
  for (unsigned char c : text.str())
    if (c > 0x7F) return true;
  return false;
}

// The names of the groups whose category line version 1.0 writes as unlabelled
// 8-bit text, each once, in the order of the entries.
std::vector<std::string> AccentedGroups(const tool::PhoneBook& book) {
  std::vector<std::string> names;
  std::set<UINT> seen;
  for (const tool::Slot& slot : book.slots) {
    if (slot.entry->IsEmpty()) continue;
    const GroupInfo* group = book.groups.GetGroupByID(slot.entry->GetGroupID());
    if (group && HasAccents(group->strName) && seen.insert(group->nID).second)
      names.push_back(tool::ToUtf8(group->strName));
  }
  return names;
}

int RunVCard(const std::vector<std::string>& args) {
  VCardOptions o;
  if (int rc = ParseVCardArgs(args, o); rc != tool::kOk) return rc;
  tool::PhoneBook book;
  std::string error;
  if (!book.Load(o.book, error)) return tool::Fail("export", error);

  std::string out;
  for (const tool::Slot& slot : book.slots) {
    if (slot.entry->IsEmpty()) continue;
    CString card;
    if (o.v10)
      slot.entry->GetAsVCardVer1(card, &book.groups);
    else
      slot.entry->GetAsVCardVer21(card, o.codePage, &book.groups);
    out += card.str();
  }
  if (o.v10) {
    std::vector<std::string> groups = AccentedGroups(book);
    if (!groups.empty()) {
      std::string list;
      for (const std::string& g : groups) list += (list.empty() ? "\"" : ", \"") + g + "\"";
      std::fprintf(stderr,
                   "sorrel export: warning: vCard 1.0 writes the group as an unlabelled Windows-1250 category; "
                   "readers that expect UTF-8 will garble the accented group name%s %s; --vcard21 "
                   "writes categories in UTF-8 with their charset named.\n",
                   groups.size() > 1 ? "s" : "", list.c_str());
    }
  }
  if (!tool::WriteFileAtomically(o.out, out, error)) return tool::Fail("export", error);
  return tool::kOk;
}

bool WantsVCard(const std::vector<std::string>& args) {
  for (const std::string& a : args)
    if (a == "--vcard21" || a == "--vcard10") return true;
  return false;
}

// The formats of the export: the one whose test matches the arguments runs.
struct Format {
  bool (*wanted)(const std::vector<std::string>& args);
  int (*run)(const std::vector<std::string>& args);
};

const Format kFormats[] = {
    {&WantsVCard, &RunVCard},
    {&tool::WantsCsv, &tool::RunCsvExport},
};

const std::string kUsage = std::string(kVCardUsage) + "\n" + tool::kCsvExportUsage;

int Run(const std::vector<std::string>& args) {
  const Format* chosen = nullptr;
  for (const Format& f : kFormats) {
    if (!f.wanted(args)) continue;
    if (chosen) return tool::Fail("export", "give one format: --vcard21, --vcard10 or --csv");
    chosen = &f;
  }
  if (!chosen) return tool::Fail("export", "which format? give --vcard21, --vcard10 or --csv\n\n" + kUsage);
  return chosen->run(args);
}

}  // namespace

SORREL_COMMAND("export", "write a phone book as vCard or CSV", kUsage.c_str(), &Run);
