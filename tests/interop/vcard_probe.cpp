// What the library makes of cards and phone books, for the import rate: prints one
// JSON object per card or slot with the surname, the name and the main number as
// hexadecimal Windows-1250 bytes, so that they are compared exactly as stored.
//
//   vcard_probe cards CARD.vcf...  each file one card, read by FillFromVCard alone
//   vcard_probe book BOOK          each slot of a phone book, as a host reads it
//   vcard_probe ansi               each line on stdin, hexadecimal UTF-8, into Windows-1250
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/CodePageInternal.h"
#include "sorrel/Sorrel.h"

namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
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

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "cards") {
    for (int i = 2; i < argc; ++i) {
      std::string data;
      if (!Slurp(argv[i], data)) return 2;
      CGroups groups;
      CEntry entry(1, 1);
      entry.SetLocation(2);
      CString card(data);
      int ok = entry.FillFromVCard(card, &groups, nullptr);
      Print(argv[i], ok, entry);
    }
    return 0;
  }
  if (mode == "book" && argc == 3) {
    std::string data;
    if (!Slurp(argv[2], data)) return 2;
    std::istringstream lines(data);
    std::string line;
    CGroups groups;
    bool first = true;
    while (std::getline(lines, line)) {
      if (first) {
        groups.FillFromText(line.c_str(), 0);
        first = false;
        continue;
      }
      CEntry entry;
      entry.FillFromText(line.c_str(), 1, 1, 0, &groups);
      Print(line, 1, entry);
    }
    return 0;
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
  std::fprintf(stderr, "usage: vcard_probe cards CARD.vcf... | book BOOK | ansi\n");
  return 2;
}
