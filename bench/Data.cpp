#include "Data.h"

#include <malloc.h>

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

std::unique_ptr<CEntry> CopyEntry(const CEntry& src, CGroups* groups) {
  const CExtendedItems* items = src.GetExtendedItems();
  auto e = std::make_unique<CEntry>(items ? 1 : 0, src.AllowsNameSurnameDivision());
  e->SetLocation(src.GetLocation());
  e->SetPos(src.GetPos());
  e->SetName(src.GetName(), NO_LIMIT);
  e->SetSurname(src.GetSurname(), NO_LIMIT);
  e->SetNum(src.GetNum(), NO_LIMIT);
  if (items) {
    for (UINT id = ITEM_OFFICE; id < ITEM_BIRTHDAY; ++id)
      if (const CString* v = items->GetValuePtrByID(id); v && !v->IsEmpty()) e->SetExtItem(id, *v, NO_LIMIT);
    e->SetExtItem(ITEM_BIRTHDAY, items->GetValueByID(ITEM_BIRTHDAY));
    for (UINT id : {ITEM_INFO_NUMBER1, ITEM_INFO_NUMBER2, ITEM_NOTE, ITEM_NOTE2})
      e->GetExtendedItems()->SetIcon(id, items->GetIcon(id));
  }
  e->SetGroupID(src.GetGroupID(), groups);
  e->SetIcon(src.GetIcon());
  e->ClearChangedFlag();
  return e;
}

std::size_t HeapInUse() { return mallinfo2().uordblks; }

void MeasureMemcpy(benchmark::State& state, const std::string& output, std::size_t items) {
  std::string out(output.size(), '\0');
  for (auto _ : state) {
    std::memcpy(out.data(), output.data(), output.size());
    benchmark::ClobberMemory();
  }
  SetThroughput(state, items, output.size());
}

void Common(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond);
  b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

void Sizes(benchmark::internal::Benchmark* b) { Common(b->Arg(10000)->Arg(100000)); }

}  // namespace bench
