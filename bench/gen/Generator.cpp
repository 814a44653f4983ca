#include "Generator.h"

#include <cstdio>
#include <unordered_map>

namespace gen {

namespace {

// Names come in pairs: the text as the phone shows it, and its ASCII form for
// e-mail addresses.
struct Name {
  const char* text;
  const char* ascii;
};

// Every Czech surname here holds a letter outside ASCII, so that an entry drawn
// from these lists is one of the third with such letters.
const Name kCzechFirst[] = {
    {"Jiří", "jiri"},     {"Jan", "jan"},         {"Petr", "petr"},     {"Tomáš", "tomas"},
    {"Lukáš", "lukas"},   {"Václav", "vaclav"},   {"Zdeněk", "zdenek"}, {"Hana", "hana"},
    {"Kateřina", "katerina"}, {"Věra", "vera"},   {"Šárka", "sarka"},   {"Božena", "bozena"},
    {"Ondřej", "ondrej"}, {"Dušan", "dusan"},     {"Žaneta", "zaneta"}, {"Lucie", "lucie"},
};
const Name kCzechLast[] = {
    {"Novák", "novak"},       {"Dvořák", "dvorak"},     {"Černý", "cerny"},       {"Procházka", "prochazka"},
    {"Kučera", "kucera"},     {"Veselý", "vesely"},     {"Horák", "horak"},       {"Němec", "nemec"},
    {"Pokorný", "pokorny"},   {"Pospíšil", "pospisil"}, {"Hájek", "hajek"},       {"Král", "kral"},
    {"Jelínek", "jelinek"},   {"Růžička", "ruzicka"},   {"Beneš", "benes"},       {"Sedláček", "sedlacek"},
    {"Doležal", "dolezal"},   {"Kolář", "kolar"},       {"Navrátil", "navratil"}, {"Čermák", "cermak"},
    {"Šimek", "simek"},       {"Žák", "zak"},           {"Říha", "riha"},         {"Šťastný", "stastny"},
};
const Name kAsciiFirst[] = {
    {"John", "john"},   {"Mary", "mary"},   {"Peter", "peter"}, {"Anna", "anna"},   {"David", "david"},
    {"Susan", "susan"}, {"Michael", "michael"}, {"Linda", "linda"}, {"Robert", "robert"}, {"Karen", "karen"},
    {"Jan", "jan"},     {"Petr", "petr"},   {"Martin", "martin"}, {"Eva", "eva"},   {"Pavel", "pavel"},
    {"Lenka", "lenka"},
};
const Name kAsciiLast[] = {
    {"Smith", "smith"},   {"Johnson", "johnson"}, {"Brown", "brown"},   {"Taylor", "taylor"},
    {"Miller", "miller"}, {"Wilson", "wilson"},   {"Moore", "moore"},   {"Clark", "clark"},
    {"Walker", "walker"}, {"Hall", "hall"},       {"Fiala", "fiala"},   {"Marek", "marek"},
    {"Beran", "beran"},   {"Kopecky", "kopecky"}, {"Holub", "holub"},   {"Urban", "urban"},
    {"Vacek", "vacek"},   {"Bartos", "bartos"},   {"Mares", "mares"},   {"Zeman", "zeman"},
};

const char* const kCzechStreets[] = {"Dlouhá", "Vinohradská", "Náměstí Míru", "Korunní", "Žitná",
                                     "Husova", "Jungmannova", "Křižíkova", "Štěpánská", "Údolní"};
const char* const kCzechCities[] = {"Praha", "Brno", "Ostrava", "Plzeň", "Liberec", "Olomouc",
                                    "České Budějovice", "Hradec Králové", "Ústí nad Labem", "Zlín"};
const char* const kCzechTitles[] = {"Ředitel", "Účetní", "Technik", "Obchodní zástupce", "Vedoucí skladu"};
const char* const kCzechCompanies[] = {"ACME s.r.o.", "Stavby Černý a.s.", "Pekárna U Nováků", "Účetnictví Hájek",
                                       "Elektro Kříž"};
const char* const kCzechNotes[] = {"Volat po 17. hodině", "Klíče u sousedů", "Přítel z vojny", "Zubař",
                                   "Chata Šumava"};
const char* const kCzechStates[] = {"Středočeský", "Jihomoravský", "Moravskoslezský"};

const char* const kAsciiStreets[] = {"Main Street", "High Street", "Oak Avenue", "Station Road", "Mill Lane",
                                     "Park Road", "Church Street", "Victoria Road"};
const char* const kAsciiCities[] = {"London", "Boston", "Praha", "Brno", "Ostrava", "Dublin", "Bristol", "Leeds"};
const char* const kAsciiTitles[] = {"Manager", "Engineer", "Accountant", "Sales Representative", "Director"};
const char* const kAsciiCompanies[] = {"ACME Ltd.", "Globex Inc.", "Initech", "Umbrella Group", "Hooli"};
const char* const kAsciiNotes[] = {"Call after 5 pm", "Keys at the neighbours", "Dentist", "Old friend",
                                   "Cottage"};
const char* const kAsciiStates[] = {"Kent", "Ohio", "Oregon"};
const char* const kCountries[] = {"CZ", "SK", "DE", "UK", "Czech Republic"};
const char* const kDomains[] = {"example.cz", "example.com", "mail.example.org", "post.example.net"};

// Caller groups: id, name (UTF-8), attribute. Entries without letters outside
// ASCII take only the groups whose names are ASCII.
struct GroupSpec {
  UINT id;
  const char* name;
  int attr;
  bool ascii;
};
const GroupSpec kGroups[] = {
    {1, "Rodina", 1, true}, {2, "Přátelé", 1, false}, {3, "Práce", 0, false},
    {4, "VIP", 1, true},    {5, "Sport", 0, true},
};

template <class T, std::size_t N>
const T& Pick(Random& random, const T (&list)[N]) {
  return list[random.Below(static_cast<std::uint32_t>(N))];
}

// UTF-8 source text to the ANSI code page the entries hold, through the
// library's own converter, as a host would.
CString Convert(const char* utf8) {
  int n = static_cast<int>(std::char_traits<char>::length(utf8));
  if (n == 0) return CString();
  int wide = MultiByteToWideChar(CP_UTF8, 0, utf8, n, nullptr, 0);
  std::u16string u16(static_cast<std::size_t>(wide), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, n, u16.data(), wide);
  int bytes = WideCharToMultiByte(CP_ACP, 0, u16.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, u16.data(), wide, out.data(), bytes, nullptr, nullptr);
  return CString(std::string_view(out));
}

// The lists are few and the entries many: each text is converted once.
CString Ansi(const char* utf8) {
  static std::unordered_map<const char*, CString> cache;
  auto it = cache.find(utf8);
  if (it == cache.end()) it = cache.emplace(utf8, Convert(utf8)).first;
  return it->second;
}

CString Digits(Random& random, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += static_cast<char>('0' + random.Below(10));
  return CString(std::string_view(s));
}

// A phone number as users store them: international, national, or with the
// "00" prefix.
CString Number(Random& random) {
  static const char* const kMobile[] = {"601", "602", "603", "604", "605", "606", "607", "608",
                                        "720", "731", "777", "2"};
  CString prefix = Pick(random, kMobile);
  CString rest = Digits(random, 9 - prefix.GetLength());
  std::uint32_t form = random.Below(10);
  if (form < 6) return "+420" + prefix + rest;
  if (form < 9) return prefix + rest;
  return "00420" + prefix + rest;
}

CString Format(const char* format, unsigned a, unsigned b = 0) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, a, b);
  return CString(buffer);
}

void FillExtItems(CEntry& entry, Random& random, bool czech, const Name& first, const Name& last) {
  auto item = [&](UINT id, const CString& value) { entry.SetExtItem(id, value, NO_LIMIT); };
  // Czech texts for the entries of the third with letters outside ASCII.
  auto text = [&](const auto& czechList, const auto& asciiList) {
    return czech ? Ansi(Pick(random, czechList)) : CString(Pick(random, asciiList));
  };

  if (random.Percent(75)) item(ITEM_OFFICE, Number(random));
  if (random.Percent(85)) item(ITEM_MOBILE, Number(random));
  if (random.Percent(40)) item(ITEM_HOME, Number(random));
  if (random.Percent(25)) item(ITEM_FAX, Number(random));
  CString mailbox = CString(first.ascii) + "." + last.ascii;
  if (random.Percent(80)) {
    CString number = Format("%u@", random.Below(100));
    item(ITEM_EMAIL, mailbox + number + Pick(random, kDomains));
  }
  if (random.Percent(70)) {
    CString street = text(kCzechStreets, kAsciiStreets);
    item(ITEM_ADDRESS, street + Format(" %u", 1 + random.Below(120)));
  }
  if (random.Percent(30)) item(ITEM_NOTE, text(kCzechNotes, kAsciiNotes));
  if (random.Percent(60)) item(ITEM_COMPANY, text(kCzechCompanies, kAsciiCompanies));
  if (random.Percent(55)) item(ITEM_TITLE, text(kCzechTitles, kAsciiTitles));
  if (random.Percent(20)) item(ITEM_OTHER_NUMBER, Number(random));
  if (random.Percent(5)) item(ITEM_PAGER, Digits(random, 7));
  if (random.Percent(30)) item(ITEM_EMAIL2, mailbox + "@home." + Pick(random, kDomains));
  if (random.Percent(75)) item(ITEM_CITY, text(kCzechCities, kAsciiCities));
  if (random.Percent(10)) item(ITEM_STATE, text(kCzechStates, kAsciiStates));
  if (random.Percent(65)) {
    unsigned district = 100 + random.Below(700);
    item(ITEM_ZIP, Format("%03u %02u", district, random.Below(100)));
  }
  if (random.Percent(60)) item(ITEM_COUNTRY, Pick(random, kCountries));
  for (UINT id = ITEM_INFO_NUMBER1; id <= ITEM_INFO_NUMBER4; ++id)
    if (random.Percent(8)) item(id, Number(random));
  if (random.Percent(35)) item(ITEM_URL, Format("http://www.example-%u.cz/", random.Below(10000)));
  if (random.Percent(90)) {
    unsigned record = static_cast<unsigned>(random.Next());
    item(ITEM_SYNC_ID, Format("%08X%02X", record, random.Below(256)));
  }
  if (random.Percent(15)) item(ITEM_NOTE2, text(kCzechNotes, kAsciiNotes));
  if (random.Percent(10)) item(ITEM_FAX2, Number(random));
  if (random.Percent(70)) {
    // One draw per statement: the order in which arguments are evaluated is
    // the compiler's choice, and the files must not depend on it.
    int year = 1940 + static_cast<int>(random.Below(66));
    int month = 1 + static_cast<int>(random.Below(12));
    int day = 1 + static_cast<int>(random.Below(28));
    COleDateTime birthday(year, month, day, 0, 0, 0);
    entry.SetExtItem(ITEM_BIRTHDAY, birthday.m_dt);
  }
  CExtendedItems* items = entry.GetExtendedItems();
  if (random.Percent(10)) items->SetIcon(ITEM_NOTE, static_cast<unsigned char>(1 + random.Below(9)));
  if (random.Percent(5)) items->SetIcon(ITEM_INFO_NUMBER1, static_cast<unsigned char>(1 + random.Below(9)));
  if (random.Percent(5)) items->SetIcon(ITEM_INFO_NUMBER2, static_cast<unsigned char>(1 + random.Below(9)));
  if (random.Percent(5)) items->SetIcon(ITEM_NOTE2, static_cast<unsigned char>(1 + random.Below(9)));
}

// Locations as a phone server numbers them: most entries in the two memories
// that keep name and surname apart, some in memory 1, a few in a memory
// without extended items.
UINT PickLocation(Random& random) {
  std::uint32_t r = random.Below(100);
  if (r < 50) return 2;
  if (r < 80) return 12;
  if (r < 95) return 1;
  return 3;
}

std::unique_ptr<CEntry> MakeEntry(Random& random, CGroups& groups, UINT location, UINT pos) {
  bool czech = random.Below(3) == 0;
  const Name& first = czech ? Pick(random, kCzechFirst) : Pick(random, kAsciiFirst);
  const Name& last = czech ? Pick(random, kCzechLast) : Pick(random, kAsciiLast);
  bool withItems = location == 1 || location == 2 || location == 12;
  bool divided = location == 2 || location == 12;

  auto entry = std::make_unique<CEntry>(withItems ? 1 : 0, divided ? 1 : 0);
  entry->SetLocation(location);
  entry->SetPos(pos);
  CString firstName = czech ? Ansi(first.text) : CString(first.text);
  CString lastName = czech ? Ansi(last.text) : CString(last.text);
  if (divided) {
    entry->SetName(firstName, NO_LIMIT);
    entry->SetSurname(lastName, NO_LIMIT);
  } else {
    entry->SetName(lastName + " " + firstName, NO_LIMIT);
  }
  entry->SetNum(Number(random), NO_LIMIT);
  if (withItems) FillExtItems(*entry, random, czech, first, last);

  if (random.Percent(60)) {
    const GroupSpec* group;
    do group = &Pick(random, kGroups);
    while (!czech && !group->ascii);
    entry->SetGroupID(group->id, &groups);
  }
  if (random.Percent(10)) entry->SetIcon(static_cast<unsigned char>(1 + random.Below(9)));
  entry->ClearChangedFlag();
  return entry;
}

}  // namespace

std::uint64_t Random::Next() {
  std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void FillGroups(CGroups& groups) {
  groups.SetMaxGroups(10);
  groups.SetMaxLenOfEditableGroups(20);
  for (const GroupSpec& g : kGroups) groups.AddGroup(g.id, Ansi(g.name), 20, g.attr);
}

std::unique_ptr<Book> MakeBook(std::uint64_t seed, std::size_t count, bool withEmptySlots) {
  auto book = std::make_unique<Book>();
  FillGroups(book->groups);
  Random random(seed);
  UINT nextPos[13] = {};
  book->entries.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    UINT location = PickLocation(random);
    UINT pos = ++nextPos[location];
    if (withEmptySlots && random.Percent(2)) {
      book->entries.push_back(nullptr);
      continue;
    }
    book->entries.push_back(MakeEntry(random, book->groups, location, pos));
  }
  return book;
}

std::string PhoneBookText(const Book& book) {
  CString groupLine;
  book.groups.GetAsText(groupLine, 0);
  std::string out = groupLine.str() + "\n";
  CString line;
  for (const auto& entry : book.entries) {
    if (!entry || entry->IsEmpty()) {
      out += "EMPTY\n";
      continue;
    }
    entry->GetAsText(line, 1, 1);
    out += line.str();
  }
  return out;
}

std::string VCardText(const Book& book, CardForm form) {
  std::string out;
  CString card;
  CGroups* groups = const_cast<CGroups*>(&book.groups);  // the writers only read the groups
  for (const auto& entry : book.entries) {
    if (!entry) continue;
    switch (form) {
      case CardForm::V21Utf8: entry->GetAsVCardVer21(card, CP_UTF8, groups); break;
      case CardForm::V21Utf7: entry->GetAsVCardVer21(card, CP_UTF7, groups); break;
      case CardForm::V10: entry->GetAsVCardVer1(card, groups); break;
    }
    out += card.str();
  }
  return out;
}

}  // namespace gen
