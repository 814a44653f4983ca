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

const char kVCardHelp[] =
    "Writes every entry of the phone book (empty slots left out) as one vCard file\n"
    "or as CSV. BOOK - reads standard input.\n"
    "\n"
    "--vcard21 writes vCard 2.1 with job title, other number, second e-mail and fax,\n"
    "birthday and the group (X-ESI-CATEGORIES), each card exactly as the library\n"
    "writes it, lines ended by CR LF. Texts with accented letters are labelled:\n"
    "--charset utf8 (the default) writes them as UTF-8 quoted-printable, which every\n"
    "common reader decodes; --charset utf7 writes UTF-7, closing every base64 run\n"
    "with '-' because some readers end a run only there.\n"
    "\n"
    "--vcard10 writes vCard 1.0: name, address, company, four numbers, e-mail, web\n"
    "address and the group as CATEGORIES. Version 1.0 writes the group name\n"
    "unlabelled in Windows-1250: readers that expect UTF-8 garble accented group\n"
    "names, so the export warns once, naming those groups.\n"
    "\n";

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

int RunVCard(const tool::Args& args) {
  struct {
    std::string book, out;
    bool v10;
    UINT codePage = CP_UTF8;
  } o{args.Operands()[0], args.Value("-o", "-"), args.Has("--vcard10")};
  for (const char* csvOnly : {"--columns", "--bom", "--delimiter"})
    if (args.Has(csvOnly)) return tool::Usage("export", std::string(csvOnly) + " belongs to --csv");
  if (args.Has("--charset")) {
    const std::string value = args.Value("--charset");
    if (value != "utf8" && value != "utf7")
      return tool::Fail("export", "--charset takes utf8 or utf7, not \"" + value + "\"");
    if (o.v10) return tool::Fail("export", "--charset belongs to --vcard21: version 1.0 writes UTF-8");
    o.codePage = value == "utf8" ? CP_UTF8 : CP_UTF7;
  }
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

int Run(const tool::Args& args) {
  int formats = 0;
  for (const char* format : {"--vcard21", "--vcard10", "--csv"}) formats += args.Has(format);
  if (formats > 1) return tool::Usage("export", "give one format: --vcard21, --vcard10 or --csv");
  if (formats == 0) return tool::Usage("export", "which format? give --vcard21, --vcard10 or --csv");
  return args.Has("--csv") ? tool::RunCsvExport(args) : RunVCard(args);
}

const std::string kHelp = std::string(kVCardHelp) + tool::kCsvExportHelp;

const tool::CommandSpec kSpec{
    "export", "write a phone book as vCard or CSV", "BOOK", 1, 1, kHelp.c_str(),
    {{"--vcard21", nullptr, "vCard 2.1"},
     {"--vcard10", nullptr, "vCard 1.0"},
     {"--charset", "utf8|utf7", "the character set of accented texts in vCard 2.1 (default utf8)"},
     {"--csv", "rfc4180", "the library's CSV lines; =rfc4180: a file for spreadsheets", true},
     {"--columns", "LIST",
      "CSV: the item columns, comma-separated ids or names: office\n"
      "mobile home fax email address note company title other\n"
      "pager email2 city state zip country info1 info2 info3\n"
      "info4 url note2 fax2 birthday, or \"all\"; default: the\n"
      "items some entry of the book fills"},
     {"--bom", nullptr, "start the file with the UTF-8 byte order mark (rfc4180)"},
     {"--delimiter", "C", "the field delimiter, one character, e.g. ';' (rfc4180)"},
     {"-o", "FILE", "write to FILE (default: standard output)"}},
    "Exit status: 0 written, 2 usage or I/O error.\n", &Run};

}  // namespace

SORREL_COMMAND(kSpec);
