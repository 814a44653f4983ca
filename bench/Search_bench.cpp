// Substring search over a whole phone book, in both case modes, beside a floor
// that finds the text in the same fields with std::string_view::find (after a
// table fold into a stack buffer for the case-insensitive mode).
#include <array>

#include "Data.h"

namespace {

// Found in no entry, so every searched field of every entry is read: the cost
// of a keystroke that narrows the list to nothing.
const char kAbsent[] = "qxz";

constexpr UINT kSearchedItems[] = {5, 6, 7, 8, 9, 10, 11, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                                   22, 23, 24, 25, 27, 29, 30};

template <class F>
bool AnyField(const CEntry& e, F&& f) {
  if (f(e.GetName().view()) || f(e.GetNum().view())) return true;
  if (e.AllowsNameSurnameDivision() && f(e.GetSurname().view())) return true;
  if (const CExtendedItems* items = e.GetExtendedItems())
    for (UINT id : kSearchedItems)
      if (f(items->GetValuePtrByID(id)->view())) return true;
  return false;
}

std::size_t SearchedBytes(const std::vector<CEntry*>& entries) {
  std::size_t bytes = 0;
  for (const CEntry* e : entries) AnyField(*e, [&](std::string_view v) { return bytes += v.size(), false; });
  return bytes;
}

void ContainsSubstr(benchmark::State& state, int caseSensitive) {
  const auto& entries = bench::EntriesOf(static_cast<std::size_t>(state.range(0)));
  std::size_t found = 0;
  for (auto _ : state) {
    found = 0;
    for (const CEntry* e : entries) found += static_cast<std::size_t>(e->ContainsSubstr(kAbsent, caseSensitive));
  }
  if (found) state.SkipWithError("the absent text was found");
  bench::SetThroughput(state, entries.size(), SearchedBytes(entries));
}
BENCHMARK_CAPTURE(ContainsSubstr, case_sensitive, 1)->Apply(bench::Sizes);
BENCHMARK_CAPTURE(ContainsSubstr, case_insensitive, 0)->Apply(bench::Sizes);

void ContainsSubstr_floor(benchmark::State& state, int caseSensitive) {
  const auto& entries = bench::EntriesOf(static_cast<std::size_t>(state.range(0)));
  // Upper case of the code page, as the case-insensitive search compares.
  std::array<char, 256> upper;
  for (int c = 0; c < 256; ++c) {
    CString s(static_cast<char>(c));
    upper[static_cast<std::size_t>(c)] = c ? s.MakeUpper()[0] : '\0';
  }
  CString needle(kAbsent);
  if (!caseSensitive) needle.MakeUpper();
  std::string_view text = needle.view();
  std::size_t found = 0;
  for (auto _ : state) {
    found = 0;
    for (const CEntry* e : entries) {
      found += AnyField(*e, [&](std::string_view v) {
        if (caseSensitive) return v.find(text) != std::string_view::npos;
        char buffer[512];
        std::size_t n = std::min(v.size(), sizeof buffer);
        for (std::size_t i = 0; i < n; ++i) buffer[i] = upper[static_cast<unsigned char>(v[i])];
        return std::string_view(buffer, n).find(text) != std::string_view::npos;
      });
    }
  }
  benchmark::DoNotOptimize(found);
  bench::SetThroughput(state, entries.size(), SearchedBytes(entries));
}
BENCHMARK_CAPTURE(ContainsSubstr_floor, case_sensitive, 1)->Apply(bench::Sizes);
BENCHMARK_CAPTURE(ContainsSubstr_floor, case_insensitive, 0)->Apply(bench::Sizes);

}  // namespace
