// Writes a table of phone book entries as vCards in the three forms the library
// writes (2.1 in UTF-8 quoted-printable, 2.1 in UTF-7, 1.0) and, beside each
// file, what a correct reader must decode from it, in UTF-8. The peers' dumps are
// compared against these expectations by compare.py.
//
// usage: vcard_generator OUTDIR
//   OUTDIR/cards-utf8.vcf  cards-utf7.vcf  cards-v10.vcf
//   OUTDIR/expected-utf8.json  expected-utf7.json  expected-v10.json (one JSON object per line)
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/CodePageInternal.h"
#include "sorrel/Sorrel.h"

namespace {

// One entry of the table, texts in UTF-8; an item not listed is empty.
struct Row {
  const char* surname;
  const char* name;
  const char* main;  // the entry's main number
  std::vector<std::pair<UINT, const char*>> items;
  UINT group;            // id in the group table below, 0 for none
  int year, month, day;  // birthday, year 0 for none

  const char* Item(UINT id) const {
    for (const auto& [i, value] : items)
      if (i == id) return value;
    return "";
  }
};

const std::pair<UINT, const char*> kGroups[] = {{1, "Rodina"}, {2, "Přátelé"}, {3, "Work"}, {4, "VIP"},
                                                {5, "Škola a kroužky"}};

// Czech letters in every text field, accented letters before a space, a ";" and
// the end of a value, empty fields, addresses with only a city, birthdays, groups.
const Row kRows[] = {
    // The worked example of the writer.
    {"Novák", "Jan", "+420601123456",
     {{ITEM_OFFICE, "+420221000111"}, {ITEM_ADDRESS, "Dlouhá 5"}, {ITEM_CITY, "Praha"}, {ITEM_ZIP, "11000"},
      {ITEM_COUNTRY, "CZ"}, {ITEM_COMPANY, "ACME"}, {ITEM_TITLE, "Ředitel"}}, 1, 1975, 3, 7},
    // Every field filled, accented everywhere a text can be.
    {"Žluťoučký", "Kůň Úpěl", "+420777000001",
     {{ITEM_OFFICE, "+420222000002"}, {ITEM_MOBILE, "+420603000003"}, {ITEM_FAX, "+420222000004"},
      {ITEM_OTHER_NUMBER, "+420222000005"}, {ITEM_FAX2, "+420222000006"}, {ITEM_EMAIL, "kun@example.cz"},
      {ITEM_EMAIL2, "upel@example.org"}, {ITEM_URL, "http://www.example.cz/kun"}, {ITEM_ADDRESS, "Ďábelské ódy 12"},
      {ITEM_CITY, "České Budějovice"}, {ITEM_ZIP, "370 01"}, {ITEM_COUNTRY, "Česká republika"},
      {ITEM_COMPANY, "Šťastná & syn s.r.o."}, {ITEM_TITLE, "Účetní"}}, 2, 2000, 2, 29},
    // A name and nothing else; a surname ending in an accented letter and nothing
    // else; nothing at all (the card is only N:;).
    {"", "Jan", "", {}, 0, 0, 0, 0},
    {"Dvořák", "", "", {}, 0, 0, 0, 0},
    {"", "", "", {}, 0, 0, 0, 0},
    // Only a city, ASCII: the plain address form.
    {"Smith", "Peter", "0042060994733", {{ITEM_CITY, "Brno"}}, 3, 1980, 12, 31},
    // Only a city, accented.
    {"Černá", "Eva", "+420605003189", {{ITEM_CITY, "Ústí nad Labem"}}, 5, 0, 0, 0},
    // ASCII surname, accented given name: both parts take the encoded form.
    {"Weber", "Jiří", "02310576",
     {{ITEM_MOBILE, "+420731000111"}, {ITEM_EMAIL, "jiri.weber@example.com"}, {ITEM_COMPANY, "Škoda Auto a.s."},
      {ITEM_TITLE, "Technik"}}, 4, 1955, 7, 19},
    // Only a postal code and a country, an accented letter at the end of each value.
    {"Růžičková", "Šárka", "+420608368700", {{ITEM_FAX, "+420608368701"}, {ITEM_ZIP, "160 00"}, {ITEM_COUNTRY, "Česko"}},
     0, 1900, 1, 1},
    // A literal "+" and an exclamation mark among accented letters.
    {"Kovář", "Tomáš", "+420606436645",
     {{ITEM_EMAIL2, "tomas@example.cz"}, {ITEM_ADDRESS, "Náměstí Míru 1+2"}, {ITEM_CITY, "Plzeň"}, {ITEM_ZIP, "301 00"},
      {ITEM_COMPANY, "C+C Systém!"}, {ITEM_TITLE, "Vedoucí oddělení"}}, 1, 1999, 1, 1},
    // Long values in every text field.
    {"Nejdelšíjménoježádnýtelefonneunese", "Maxmiliánaloňskýtýdenvpoledne", "+420123456789012",
     {{ITEM_ADDRESS, "Dlouhá ulice s velmi dlouhým názvem číslo 1234/56"}, {ITEM_CITY, "Horní Dolní nad Vltavou"},
      {ITEM_ZIP, "123 45"}, {ITEM_COUNTRY, "Česká republika"}, {ITEM_COMPANY, "Společnost s ručením omezeným"},
      {ITEM_TITLE, "Náměstek ředitele pro všechno"}}, 2, 2024, 12, 31},
};

// The table is UTF-8; entries hold Windows-1250.
CString Ansi(const char* utf8) { return CString(sorrel::Utf8ToAnsi(utf8)); }

std::unique_ptr<CEntry> MakeEntry(const Row& r, CGroups* groups) {
  auto e = std::make_unique<CEntry>(1, 1);
  e->SetLocation(2);
  e->SetName(Ansi(r.name), NO_LIMIT);
  e->SetSurname(Ansi(r.surname), NO_LIMIT);
  e->SetNum(Ansi(r.main), NO_LIMIT);
  for (const auto& [id, value] : r.items) e->SetExtItem(id, Ansi(value), NO_LIMIT);
  if (r.year) e->SetExtItem(31, COleDateTime(r.year, r.month, r.day, 0, 0, 0).m_dt);
  e->SetGroupID(r.group, groups);
  return e;
}

std::string Json(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    char buf[8];
    std::snprintf(buf, sizeof buf, c == '"' || c == '\\' ? "\\%c" : c < 0x20 ? "\\u%04x" : "%c", c);
    out += buf;
  }
  return out + "\"";
}

bool IsAscii(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](unsigned char c) { return c <= 0x7F; });
}

const char* GroupName(UINT id) {
  for (const auto& [i, name] : kGroups)
    if (i == id) return name;
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
  if (v21) phone(r.Item(ITEM_OFFICE), "\"WORK\"");
  phone(r.main, "\"HOME\"");
  if (!v21) phone(r.Item(ITEM_OFFICE), "\"WORK\"");
  phone(r.Item(ITEM_MOBILE), "\"CELL\"");
  phone(r.Item(ITEM_FAX), "\"FAX\"");
  if (v21) {
    phone(r.Item(ITEM_OTHER_NUMBER), "");
    phone(r.Item(ITEM_FAX2), "\"FAX\",\"HOME\"");
  }
  std::string emails;
  for (const char* e : {r.Item(ITEM_EMAIL), v21 ? r.Item(ITEM_EMAIL2) : ""}) {
    if (!*e) continue;
    if (!emails.empty()) emails += ",";
    emails += Json(e);
  }
  char bday[16] = "";
  if (v21 && r.year) std::snprintf(bday, sizeof bday, "%04d-%02d-%02d", r.year, r.month, r.day);

  std::string out = "{";
  out += "\"surname\":" + Json(r.surname) + ",\"given\":" + Json(r.name);
  out += ",\"street\":" + Json(r.Item(ITEM_ADDRESS)) + ",\"city\":" + Json(r.Item(ITEM_CITY));
  out += ",\"postal\":" + Json(r.Item(ITEM_ZIP)) + ",\"country\":" + Json(r.Item(ITEM_COUNTRY));
  out += ",\"org\":" + Json(r.Item(ITEM_COMPANY)) + ",\"title\":" + Json(v21 ? r.Item(ITEM_TITLE) : "");
  out += ",\"phones\":[" + phones + "],\"emails\":[" + emails + "]";
  out += ",\"url\":" + Json(r.Item(ITEM_URL)) + ",\"bday\":" + Json(bday);
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
  if (!out) std::cerr << "vcard_generator: " << path << ": cannot write\n";
  return bool(out);
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
  for (const auto& [id, name] : kGroups) groups.AddGroup(id, Ansi(name), 20, 0);

  struct Output {
    Form form;
    const char* name;
    std::string cards, expected;
  } outputs[] = {{Form::kUtf8, "utf8", {}, {}}, {Form::kUtf7, "utf7", {}, {}}, {Form::kVer10, "v10", {}, {}}};
  for (const Row& r : kRows) {
    std::unique_ptr<CEntry> e = MakeEntry(r, &groups);
    for (Output& o : outputs) {
      CString card;
      if (o.form == Form::kVer10)
        e->GetAsVCardVer1(card, &groups);
      else
        e->GetAsVCardVer21(card, o.form == Form::kUtf8 ? CP_UTF8 : CP_UTF7, &groups);
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
