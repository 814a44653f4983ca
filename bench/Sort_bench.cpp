// Sorting a phone book by the default key chain (name, location, position,
// number) through CompareEntries, as a host sorts its list with std::sort or
// std::stable_sort, beside std::sort of the same names with a plain ASCII
// case-folding comparison.
#include <algorithm>
#include <array>
#include <map>

#include "Data.h"
#include "sorrel/ColumnInfos.h"

namespace {

// The books to sort have no empty slots: n entries are n entries.
const std::vector<CEntry*>& SortEntriesOf(std::size_t n) {
  static std::map<std::size_t, std::pair<std::unique_ptr<gen::Book>, std::vector<CEntry*>>> cache;
  auto& [book, entries] = cache[n];
  if (!book) {
    book = gen::MakeBook(11, n, false);
    for (const auto& e : book->entries) entries.push_back(e.get());
  }
  return entries;
}

void SortEntries(benchmark::State& state, bool stable) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto& entries = SortEntriesOf(n);
  CColumnInfos columns;
  CArray<UINT, UINT>* keys = columns.GetSortKeys();
  keys->RemoveAll();
  for (UINT id : {3u, 2u, 1u, 4u}) keys->Add(id);
  bench::MeasureSort(
      state, entries, [&](CEntry* a, CEntry* b) { return columns.CompareEntries(*a, *b, nullptr) < 0; }, stable);
}
BENCHMARK_CAPTURE(SortEntries, sort, false)->Arg(100000)->Arg(1000000)->Apply(bench::Common);
BENCHMARK_CAPTURE(SortEntries, stable_sort, true)->Arg(100000)->Arg(1000000)->Apply(bench::Common);

// The plain ASCII case-folding comparison of two names.
class FoldLess {
 public:
  FoldLess() {
    for (int c = 0; c < 256; ++c)
      m_fold[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  int Compare(const char* a, const char* b) const {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    while (*x && m_fold[*x] == m_fold[*y]) ++x, ++y;
    return m_fold[*x] - m_fold[*y];
  }
  bool operator()(const char* a, const char* b) const { return Compare(a, b) < 0; }

 private:
  std::array<unsigned char, 256> m_fold;
};

void SortEntries_floor(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  std::vector<const char*> names;
  for (const CEntry* e : SortEntriesOf(n)) names.push_back(e->GetName().GetString());
  bench::MeasureSort(state, names, FoldLess());
}
BENCHMARK(SortEntries_floor)->Arg(100000)->Arg(1000000)->Apply(bench::Common);

// Not a floor but a yardstick: the same chain written out over the entries
// (folded name, location, position, number). Between the floor and the inlined
// chain lies what the chain itself costs on these entries (many names tie, and
// location and position lie in another cache line of the entry than the name);
// between it and the called chain, what a call per comparison costs; between
// that and SortEntries, what the library's comparison adds.
// The same chain, once inlined into the sort and once behind a call that the
// compiler may not inline, as every call into the shared library is.
bool ChainLess(const FoldLess& fold, const CEntry* a, const CEntry* b) {
  if (int d = fold.Compare(a->GetName(), b->GetName())) return d < 0;
  if (a->GetLocation() != b->GetLocation()) return a->GetLocation() < b->GetLocation();
  if (a->GetPos() != b->GetPos()) return a->GetPos() < b->GetPos();
  return fold(a->GetNum(), b->GetNum());
}
__attribute__((noinline)) bool ChainLessCalled(const FoldLess& fold, const CEntry* a, const CEntry* b) {
  return ChainLess(fold, a, b);
}

void SortEntries_inline_chain(benchmark::State& state, bool called) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto& entries = SortEntriesOf(n);
  FoldLess fold;
  if (called)
    bench::MeasureSort(state, entries, [&](const CEntry* a, const CEntry* b) { return ChainLessCalled(fold, a, b); });
  else
    bench::MeasureSort(state, entries, [&](const CEntry* a, const CEntry* b) { return ChainLess(fold, a, b); });
}
BENCHMARK_CAPTURE(SortEntries_inline_chain, inlined, false)->Arg(100000)->Arg(1000000)->Apply(bench::Common);
BENCHMARK_CAPTURE(SortEntries_inline_chain, called, true)->Arg(100000)->Arg(1000000)->Apply(bench::Common);

}  // namespace
