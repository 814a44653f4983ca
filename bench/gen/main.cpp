// sorrel-gen: writes a seeded phone book file and vCard files of any size.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Generator.h"

namespace {

const char kUsage[] =
    "usage: sorrel-gen [--seed N] [--count N] [--phonebook FILE] [--vcard FILE]\n"
    "                  [--form 21-utf8|21-utf7|10]\n"
    "\n"
    "Writes a phone book of N slots (default 1000, seed 1): --phonebook as the\n"
    "phone book file (group line, then one phone text line per slot, Windows-1250),\n"
    "--vcard as one card per non-empty slot in the given form (default 21-utf8).\n"
    "FILE may be - for standard output. The same seed and count give the same bytes.\n";

bool ParseNumber(const char* text, unsigned long long& value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtoull(text, &end, 10);
  return errno == 0 && *end == '\0' && text[0] != '-';
}

bool Write(const std::string& path, const std::string& data) {
  FILE* f = path == "-" ? stdout : std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "sorrel-gen: %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = (f == stdout ? std::fflush(f) : std::fclose(f)) == 0 && ok;
  if (!ok) std::fprintf(stderr, "sorrel-gen: %s: write error\n", path.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned long long seed = 1, count = 1000;
  std::string phonebook, vcard;
  gen::CardForm form = gen::CardForm::V21Utf8;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    bool ok = value != nullptr;
    if (arg == "--seed") {
      ok = ok && ParseNumber(value, seed);
    } else if (arg == "--count") {
      ok = ok && ParseNumber(value, count);
    } else if (arg == "--phonebook") {
      if (ok) phonebook = value;
    } else if (arg == "--vcard") {
      if (ok) vcard = value;
    } else if (arg == "--form") {
      std::string f = ok ? value : "";
      if (f == "21-utf8") form = gen::CardForm::V21Utf8;
      else if (f == "21-utf7") form = gen::CardForm::V21Utf7;
      else if (f == "10") form = gen::CardForm::V10;
      else ok = false;
    } else {
      std::fprintf(stderr, "sorrel-gen: unknown option '%s'\n\n%s", arg.c_str(), kUsage);
      return 2;
    }
    if (!ok) {
      std::fprintf(stderr, "sorrel-gen: %s needs %s\n\n%s", arg.c_str(),
                   arg == "--form" ? "21-utf8, 21-utf7 or 10" : (arg == "--seed" || arg == "--count")
                                                                  ? "a decimal number" : "a file name",
                   kUsage);
      return 2;
    }
    ++i;
  }
  if (phonebook.empty() && vcard.empty()) {
    std::fprintf(stderr, "sorrel-gen: nothing to write: give --phonebook or --vcard\n\n%s", kUsage);
    return 2;
  }
  auto book = gen::MakeBook(seed, static_cast<std::size_t>(count));
  if (!phonebook.empty() && !Write(phonebook, gen::PhoneBookText(*book))) return 2;
  if (!vcard.empty() && !Write(vcard, gen::VCardText(*book, form))) return 2;
  return 0;
}
