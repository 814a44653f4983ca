// sorrel export BOOK --csv: the library's CSV lines, or (--csv=rfc4180) a file
// for spreadsheets with a header, quoting, UTF-8 and a chosen delimiter.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Book.h"
#include "Command.h"
#include "ExportCsv.h"
#include "sorrel/ColumnInfos.h"
#include "sorrel/HostStrings.h"

namespace tool {

const char kCsvExportHelp[] =
    "--csv writes each entry as the library's CSV line, byte for byte: name,\n"
    "surname (entries that keep name and surname apart), number, then the items of\n"
    "the chosen columns in id order, the birthday as a day number; no header, no\n"
    "quoting (a comma inside a value shifts the fields after it), Windows-1250,\n"
    "CR LF line ends.\n"
    "\n"
    "--csv=rfc4180 writes the same fields for a spreadsheet: a header line with\n"
    "the column captions, every line with the same fields (a surname column when\n"
    "any entry keeps a surname apart), values quoted as RFC 4180 says, UTF-8, the\n"
    "birthday as YYYY-MM-DD.\n";

namespace {

struct ItemName {
  UINT id;
  const char* name;
};

// The items a CSV line can carry, in the order it carries them.
constexpr ItemName kItems[] = {
    {ITEM_OFFICE, "office"},     {ITEM_MOBILE, "mobile"},   {ITEM_HOME, "home"},
    {ITEM_FAX, "fax"},           {ITEM_EMAIL, "email"},     {ITEM_ADDRESS, "address"},
    {ITEM_NOTE, "note"},         {ITEM_COMPANY, "company"}, {ITEM_TITLE, "title"},
    {ITEM_OTHER_NUMBER, "other"}, {ITEM_PAGER, "pager"},    {ITEM_EMAIL2, "email2"},
    {ITEM_CITY, "city"},         {ITEM_STATE, "state"},     {ITEM_ZIP, "zip"},
    {ITEM_COUNTRY, "country"},   {ITEM_INFO_NUMBER1, "info1"}, {ITEM_INFO_NUMBER2, "info2"},
    {ITEM_INFO_NUMBER3, "info3"}, {ITEM_INFO_NUMBER4, "info4"}, {ITEM_URL, "url"},
    {ITEM_NOTE2, "note2"},       {ITEM_FAX2, "fax2"},       {ITEM_BIRTHDAY, "birthday"},
};

bool ParseColumns(const std::string& list, std::vector<UINT>& ids, std::string& error) {
  std::vector<bool> chosen(ITEM_BIRTHDAY + 1, false);
  size_t start = 0;
  for (;;) {
    size_t comma = list.find(',', start);
    std::string word = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (word == "all") {
      for (const ItemName& item : kItems) chosen[item.id] = true;
    } else {
      bool known = false;
      for (const ItemName& item : kItems)
        if (word == item.name || word == std::to_string(item.id)) chosen[item.id] = known = true;
      if (!known) {
        error = "--columns: \"" + word +
                "\" is not an exported item (name, surname and number always come first; position, location, "
                "group and synchronisation identifier are never exported)";
        return false;
      }
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  for (const ItemName& item : kItems)
    if (chosen[item.id]) ids.push_back(item.id);
  return true;
}

// The items some entry fills: what a host showing this book would have columns for.
std::vector<UINT> FilledItems(const std::vector<const CEntry*>& entries) {
  std::vector<UINT> ids;
  for (const ItemName& item : kItems) {
    for (const CEntry* e : entries) {
      const CExtendedItems* items = e->GetExtendedItems();
      if (!items) continue;
      CString value;
      items->GetValueByID(item.id, value);
      if (item.id == ITEM_BIRTHDAY ? CExtendedItems::IsBirthdaySet(items->GetValueByID(item.id)) : !value.IsEmpty()) {
        ids.push_back(item.id);
        break;
      }
    }
  }
  return ids;
}

// One field as RFC 4180 wants it: quoted when it holds the delimiter, a quote
// or a line break, with quotes doubled.
std::string Quote(const std::string& value, char delimiter) {
  if (value.find_first_of(std::string{delimiter, '"', '\r', '\n'}) == std::string::npos) return value;
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string IsoDate(double date) {
  if (!CExtendedItems::IsBirthdaySet(date)) return std::string();
  COleDateTime dt(date);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", dt.GetYear(), dt.GetMonth(), dt.GetDay());
  return buffer;
}

// The caption a host's list shows over the column: the host's strings for the
// name and the number, the library's item captions for the rest.
std::string Caption(UINT id) {
  CString caption;
  if (id == ITEM_NAME)
    caption.LoadString(IDS_COLUMN_NAME);
  else if (id == ITEM_NUMBER)
    caption.LoadString(IDS_COLUMN_NUMBER);
  else
    caption.LoadString(sorrel::ItemCaptionID(id));
  return ToUtf8(caption);
}

std::string Rfc4180(const std::vector<const CEntry*>& entries, const std::vector<UINT>& ids, char delimiter,
                    bool bom) {
  bool surnames = false;
  for (const CEntry* e : entries) surnames = surnames || e->AllowsNameSurnameDivision();

  std::vector<std::string> header{Caption(ITEM_NAME)};
  if (surnames) header.push_back(Caption(ITEM_SURNAME));
  header.push_back(Caption(ITEM_NUMBER));
  for (UINT id : ids) header.push_back(Caption(id));

  std::string out = bom ? "\xEF\xBB\xBF" : "";
  auto writeLine = [&](const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i) out += delimiter;
      out += Quote(fields[i], delimiter);
    }
    out += "\r\n";
  };
  writeLine(header);
  for (const CEntry* e : entries) {
    std::vector<std::string> fields{ToUtf8(e->GetName())};
    if (surnames) fields.push_back(e->AllowsNameSurnameDivision() ? ToUtf8(e->GetSurname()) : std::string());
    fields.push_back(ToUtf8(e->GetNum()));
    const CExtendedItems* items = e->GetExtendedItems();
    for (UINT id : ids) {
      CString value;
      if (items) items->GetValueByID(id, value);
      fields.push_back(id == ITEM_BIRTHDAY ? (items ? IsoDate(items->GetValueByID(id)) : std::string())
                                           : ToUtf8(value));
    }
    writeLine(fields);
  }
  return out;
}

}  // namespace

int RunCsvExport(const Args& args) {
  const std::string path = args.Operands()[0], out = args.Value("-o", "-"), columnList = args.Value("--columns"),
                    form = args.Value("--csv");
  std::string delimiterText = args.Value("--delimiter");
  const bool bom = args.Has("--bom"), haveDelimiter = args.Has("--delimiter");
  if (!form.empty() && form != "rfc4180")
    return Usage("export", "unknown CSV form '" + form + "': --csv or --csv=rfc4180");
  const bool rfc4180 = form == "rfc4180";
  if (args.Has("--charset")) return Usage("export", "--charset belongs to --vcard21");
  if (!rfc4180 && (bom || haveDelimiter))
    return Fail("export", "--bom and --delimiter belong to --csv=rfc4180; the library's lines have neither");
  char delimiter = ',';
  if (haveDelimiter) {
    if (delimiterText == "\\t" || delimiterText == "tab") delimiterText.assign(1, '\t');
    if (delimiterText.size() != 1 || delimiterText[0] == '"' || delimiterText[0] == '\r' || delimiterText[0] == '\n')
      return Fail("export", "--delimiter takes one character other than a quote or a line break, not '" +
                                delimiterText + "'");
    delimiter = delimiterText[0];
  }

  PhoneBook book;
  std::string error;
  if (!book.Load(path, error)) return Fail("export", error);
  std::vector<const CEntry*> entries;
  for (const Slot& slot : book.slots)
    if (!slot.entry->IsEmpty()) entries.push_back(slot.entry.get());

  std::vector<UINT> ids;
  if (columnList.empty())
    ids = FilledItems(entries);
  else if (!ParseColumns(columnList, ids, error))
    return Fail("export", error);

  SorrelRegisterSampleHostStrings();
  std::string text;
  if (rfc4180) {
    text = Rfc4180(entries, ids, delimiter, bom);
  } else {
    // The column model a host hands the library: the item columns it shows.
    // Like any host's, it keeps its column settings in the per-user store.
    auto columns = std::make_unique<CColumnInfos>();
    for (UINT id : ids) columns->AddColumn(id, 80, 0, NO_LIMIT);
    CString line;
    for (const CEntry* e : entries) {
      e->GetAsCSV(columns.get(), line);
      text += line.str();
    }
  }
  if (!WriteFileAtomically(out, text, error)) return Fail("export", error);
  return kOk;
}

}  // namespace tool
