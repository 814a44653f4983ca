// What the library makes of cards and phone books, and the cards it writes.
// The reading modes print one JSON object per card or slot with the surname, the
// name and the main number as hexadecimal Windows-1250 bytes, so that they are
// compared exactly as stored.
//
//   vcard_probe cards CARD.vcf...  each file one card, read by FillFromVCard alone
//   vcard_probe book BOOK          each slot of a phone book, as a host reads it
//   vcard_probe ansi               each line on stdin, hexadecimal UTF-8, into Windows-1250
//   vcard_probe write BOOK OUTDIR  the slots of BOOK as OUTDIR/cards-utf8.vcf (2.1, code
//                                  page 65001), cards-utf7.vcf (2.1, 65000), cards-v10.vcf (1.0)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/CodePageInternal.h"
#include "sorrel/Sorrel.h"

namespace {

std::string Hex(const std::string& bytes) {
  std::string out;
  char digits[3];
  for (unsigned char c : bytes) out.append(digits, std::snprintf(digits, sizeof digits, "%02x", c));
  return out;
}

void Print(const std::string& source, int ok, const CEntry& e) {
  std::printf("{\"source\":\"%s\",\"ok\":%d,\"surname\":\"%s\",\"given\":\"%s\",\"number\":\"%s\"}\n",
              Hex(source).c_str(), ok, Hex(e.GetSurname().str()).c_str(), Hex(e.GetName().str()).c_str(),
              Hex(e.GetNum().str()).c_str());
}

bool Slurp(const char* path, std::string& data) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  data = buffer.str();
  if (!in) std::fprintf(stderr, "vcard_probe: %s: cannot read\n", path);
  return bool(in);
}

// Each slot line of a phone book read into an entry, as a host reads it.
bool ReadBook(const char* path, CGroups& groups, const std::function<void(const std::string&, CEntry&)>& slot) {
  std::string data;
  if (!Slurp(path, data)) return false;
  std::istringstream lines(data);
  std::string line;
  if (std::getline(lines, line)) groups.FillFromText(line.c_str(), 0);
  while (std::getline(lines, line)) {
    CEntry entry;
    entry.FillFromText(line.c_str(), 1, 1, 0, &groups);
    slot(line, entry);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  CGroups groups;
  if (mode == "cards") {
    for (int i = 2; i < argc; ++i) {
      std::string data;
      if (!Slurp(argv[i], data)) return 2;
      CGroups cardGroups;
      CEntry entry(1, 1);
      entry.SetLocation(2);
      CString card(data);
      int ok = entry.FillFromVCard(card, &cardGroups, nullptr);
      Print(argv[i], ok, entry);
    }
    return 0;
  }
  if (mode == "book" && argc == 3)
    return ReadBook(argv[2], groups, [](const std::string& line, CEntry& e) { Print(line, 1, e); }) ? 0 : 2;
  if (mode == "write" && argc == 4) {
    std::string utf8, utf7, v10;
    bool read = ReadBook(argv[2], groups, [&](const std::string&, CEntry& e) {
      CString card;
      e.GetAsVCardVer21(card, CP_UTF8, &groups);
      utf8 += card.str();
      e.GetAsVCardVer21(card, CP_UTF7, &groups);
      utf7 += card.str();
      e.GetAsVCardVer1(card, &groups);
      v10 += card.str();
    });
    for (const auto& [name, cards] : {std::pair{"utf8", &utf8}, {"utf7", &utf7}, {"v10", &v10}}) {
      std::ofstream out(std::string(argv[3]) + "/cards-" + name + ".vcf", std::ios::binary);
      if (!(out << *cards)) return 2;
    }
    return read ? 0 : 2;
  }
  if (mode == "ansi") {
    std::string line;
    while (std::getline(std::cin, line)) {
      std::string utf8;
      for (size_t i = 0; i + 1 < line.size(); i += 2) utf8 += char(std::strtol(line.substr(i, 2).c_str(), nullptr, 16));
      std::printf("%s\n", Hex(sorrel::Utf8ToAnsi(utf8)).c_str());
    }
    return 0;
  }
  std::fprintf(stderr, "usage: vcard_probe cards CARD.vcf... | book BOOK | ansi | write BOOK OUTDIR\n");
  return 2;
}
