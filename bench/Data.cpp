#include "Data.h"

#include <algorithm>
#include <map>
#include <memory>

namespace bench {

namespace {

// One seed for every size: the 10,000-slot book is the start of the 100,000 one.
constexpr std::uint64_t kSeed = 7;

struct Cached {
  std::unique_ptr<gen::Book> book;
  std::vector<CEntry*> entries;
  std::string phoneBook;
  std::map<gen::CardForm, std::string> cards;
};

Cached& CacheOf(std::size_t n) {
  static std::map<std::size_t, Cached> cache;
  Cached& c = cache[n];
  if (!c.book) {
    c.book = gen::MakeBook(kSeed, n);
    for (const auto& e : c.book->entries)
      if (e) c.entries.push_back(e.get());
  }
  return c;
}

}  // namespace

gen::Book& BookOf(std::size_t n) { return *CacheOf(n).book; }

const std::vector<CEntry*>& EntriesOf(std::size_t n) { return CacheOf(n).entries; }

const std::string& PhoneBookOf(std::size_t n) {
  Cached& c = CacheOf(n);
  if (c.phoneBook.empty()) c.phoneBook = gen::PhoneBookText(*c.book);
  return c.phoneBook;
}

const std::string& CardsOf(std::size_t n, gen::CardForm form) {
  Cached& c = CacheOf(n);
  std::string& text = c.cards[form];
  if (text.empty()) text = gen::VCardText(*c.book, form);
  return text;
}

void Common(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond);
  b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

void Sizes(benchmark::internal::Benchmark* b) { Common(b->Arg(10000)->Arg(100000)); }

}  // namespace bench
