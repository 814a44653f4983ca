// Writes a table of phone book entries as vCards in the three forms the library
// writes (2.1 in UTF-8 quoted-printable, 2.1 in UTF-7, 1.0) and, beside each
// file, what a correct reader must decode from it, in UTF-8. The peers' dumps are
// compared against these expectations by compare.py.
//
// usage: vcard_generator OUTDIR
//   OUTDIR/cards-utf8.vcf  cards-utf7.vcf  cards-v10.vcf
//   OUTDIR/expected-utf8.json  expected-utf7.json  expected-v10.json (one JSON object per line)
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/CodePageInternal.h"
#include "sorrel/Sorrel.h"

namespace {

// One entry of the table, texts in UTF-8. Empty strings are empty fields.
struct Row {
  const char* surname;
  const char* name;
  const char* main;       // the entry's main number
  const char* office;     // item 5
  const char* mobile;     // item 6
  const char* fax;        // item 8
  const char* other;      // item 15
  const char* fax2;       // item 30
  const char* email;      // item 9
  const char* email2;     // item 17
  const char* url;        // item 27
  const char* street;     // item 10
  const char* city;       // item 18
  const char* postal;     // item 20
  const char* country;    // item 21
  const char* company;    // item 13
  const char* title;      // item 14
  UINT group;             // id in the group table below, 0 for none
  int year, month, day;   // birthday, year 0 for none
};

struct Group {
  UINT id;
  const char* name;
};

const Group kGroups[] = {{1, "Rodina"}, {2, "Přátelé"}, {3, "Work"}, {4, "VIP"}, {5, "Škola a kroužky"}};

// Czech letters in every text field, accented letters before a space, a ";" and
// the end of a value, empty fields, addresses with only a city, birthdays, groups.
const Row kRows[] = {
    // The worked example of the writer.
    {"Novák", "Jan", "+420601123456", "+420221000111", "", "", "", "", "", "", "", "Dlouhá 5", "Praha",
     "11000", "CZ", "ACME", "Ředitel", 1, 1975, 3, 7},
    // Every field filled, accented everywhere a text can be.
    {"Žluťoučký", "Kůň Úpěl", "+420777000001", "+420222000002", "+420603000003", "+420222000004",
     "+420222000005", "+420222000006", "kun@example.cz", "upel@example.org", "http://www.example.cz/kun",
     "Ďábelské ódy 12", "České Budějovice", "370 01", "Česká republika", "Šťastná & syn s.r.o.",
     "Účetní", 2, 2000, 2, 29},
    // A name and nothing else.
    {"", "Jan", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", 0, 0, 0, 0},
    // A surname ending in an accented letter, nothing else.
    {"Dvořák", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", 0, 0, 0, 0},
    // Nothing at all: the card is only N:;
    {"", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", 0, 0, 0, 0},
    // Only a city, ASCII: the plain address form.
    {"Smith", "Peter", "0042060994733", "", "", "", "", "", "", "", "", "", "Brno", "", "", "", "", 3,
     1980, 12, 31},
    // Only a city, accented.
    {"Černá", "Eva", "+420605003189", "", "", "", "", "", "", "", "", "", "Ústí nad Labem", "", "", "", "",
     5, 0, 0, 0},
    // ASCII surname, accented given name: both parts take the encoded form.
    {"Weber", "Jiří", "02310576", "", "+420731000111", "", "", "", "jiri.weber@example.com", "", "", "", "",
     "", "", "Škoda Auto a.s.", "Technik", 4, 1955, 7, 19},
    // Only a postal code and a country, an accented letter at the end of each value.
    {"Růžičková", "Šárka", "+420608368700", "", "", "+420608368701", "", "", "", "", "", "", "", "160 00",
     "Česko", "", "", 0, 1900, 1, 1},
    // A literal "+" and an exclamation mark among accented letters.
    {"Kovář", "Tomáš", "+420606436645", "", "", "", "", "", "", "tomas@example.cz", "", "Náměstí Míru 1+2",
     "Plzeň", "301 00", "", "C+C Systém!", "Vedoucí oddělení", 1, 1999, 1, 1},
    // Long values in every text field.
    {"Nejdelšíjménoježádnýtelefonneunese", "Maxmiliánaloňskýtýdenvpoledne", "+420123456789012",
     "", "", "", "", "", "", "", "", "Dlouhá ulice s velmi dlouhým názvem číslo 1234/56",
     "Horní Dolní nad Vltavou", "123 45", "Česká republika", "Společnost s ručením omezeným",
     "Náměstek ředitele pro všechno", 2, 2024, 12, 31},
};

// The table is UTF-8; entries hold Windows-1250.
CString Ansi(const char* utf8) { return CString(sorrel::Utf8ToAnsi(utf8)); }

std::unique_ptr<CEntry> MakeEntry(const Row& r, CGroups* groups) {
  auto e = std::make_unique<CEntry>(1, 1);
  e->SetLocation(2);
  e->SetName(Ansi(r.name), NO_LIMIT);
  e->SetSurname(Ansi(r.surname), NO_LIMIT);
  e->SetNum(Ansi(r.main), NO_LIMIT);
  const std::pair<UINT, const char*> items[] = {
      {5, r.office}, {6, r.mobile}, {8, r.fax},        {15, r.other},     {30, r.fax2},
      {9, r.email},  {17, r.email2}, {27, r.url},      {10, r.street},    {18, r.city},
      {20, r.postal}, {21, r.country}, {13, r.company}, {14, r.title},
  };
  for (const auto& [id, value] : items) e->SetExtItem(id, Ansi(value), NO_LIMIT);
  if (r.year) e->SetExtItem(31, COleDateTime(r.year, r.month, r.day, 0, 0, 0).m_dt);
  e->SetGroupID(r.group, groups);
  return e;
}

std::string Json(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c > 0x7F) return false;
  return true;
}

const char* GroupName(UINT id) {
  for (const Group& g : kGroups)
    if (g.id == id) return g.name;
  return nullptr;
}

enum class Form { kUtf8, kUtf7, kVer10 };

// What a reader must decode from the card the library writes for r in this form.
std::string Expected(const Row& r, Form form) {
  const bool v21 = form != Form::kVer10;
  std::string phones;
  auto phone = [&phones](const char* number, const char* types) {
    if (!*number) return;
    if (!phones.empty()) phones += ",";
    phones += std::string("{\"number\":") + Json(number) + ",\"types\":[" + types + "]}";
  };
  // The order of the card: 2.1 writes the office number first, 1.0 the main one.
  if (v21) phone(r.office, "\"WORK\"");
  phone(r.main, "\"HOME\"");
  if (!v21) phone(r.office, "\"WORK\"");
  phone(r.mobile, "\"CELL\"");
  phone(r.fax, "\"FAX\"");
  if (v21) {
    phone(r.other, "");
    phone(r.fax2, "\"FAX\",\"HOME\"");
  }
  std::string emails;
  for (const char* e : {r.email, v21 ? r.email2 : ""}) {
    if (!*e) continue;
    if (!emails.empty()) emails += ",";
    emails += Json(e);
  }
  char bday[16] = "";
  if (v21 && r.year) std::snprintf(bday, sizeof bday, "%04d-%02d-%02d", r.year, r.month, r.day);

  std::string out = "{";
  out += "\"surname\":" + Json(r.surname) + ",\"given\":" + Json(r.name);
  out += ",\"street\":" + Json(r.street) + ",\"city\":" + Json(r.city);
  out += ",\"postal\":" + Json(r.postal) + ",\"country\":" + Json(r.country);
  out += ",\"org\":" + Json(r.company) + ",\"title\":" + Json(v21 ? r.title : "");
  out += ",\"phones\":[" + phones + "],\"emails\":[" + emails + "]";
  out += ",\"url\":" + Json(r.url) + ",\"bday\":" + Json(bday);
  // 2.1 carries the group in X-ESI-CATEGORIES, which the peers keep as an unknown
  // property; 1.0 writes CATEGORIES as unlabelled 8-bit, so only an ASCII name can
  // be expected to come through.
  if (!v21) {
    const char* group = GroupName(r.group);
    if (!group)
      out += ",\"categories\":[]";
    else if (IsAscii(group))
      out += ",\"categories\":[" + Json(group) + "]";
  }
  return out + "}\n";
}

bool Write(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out << data;
  out.close();
  if (!out) {
    std::cerr << "vcard_generator: " << path << ": cannot write\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: vcard_generator OUTDIR\n";
    return 2;
  }
  SorrelSetACP(1250);
  const std::string dir = argv[1];
  CGroups groups;
  for (const Group& g : kGroups) groups.AddGroup(g.id, Ansi(g.name), 20, 0);

  struct Output {
    Form form;
    const char* name;
    std::string cards, expected;
  } outputs[] = {{Form::kUtf8, "utf8", {}, {}}, {Form::kUtf7, "utf7", {}, {}}, {Form::kVer10, "v10", {}, {}}};
  for (const Row& r : kRows) {
    std::unique_ptr<CEntry> e = MakeEntry(r, &groups);
    for (Output& o : outputs) {
      CString card;
      if (o.form == Form::kUtf8)
        e->GetAsVCardVer21(card, CP_UTF8, &groups);
      else if (o.form == Form::kUtf7)
        e->GetAsVCardVer21(card, CP_UTF7, &groups);
      else
        e->GetAsVCardVer1(card, &groups);
      o.cards += card.str();
      o.expected += Expected(r, o.form);
    }
  }
  for (const Output& o : outputs) {
    if (!Write(dir + "/cards-" + o.name + ".vcf", o.cards)) return 2;
    if (!Write(dir + "/expected-" + o.name + ".json", o.expected)) return 2;
  }
  return 0;
}
