// The inputs of the benchmarks: generated phone books, their files and cards,
// made once per size and kept for the whole run, and the scans that the floors
// and the host-shaped loops share.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Generator.h"

namespace bench {

// The phone book of n slots (a few of them empty) every benchmark of that size uses.
gen::Book& BookOf(std::size_t n);
// Its entries, without the empty slots.
const std::vector<CEntry*>& EntriesOf(std::size_t n);
// Its phone book file and its cards in one of the three forms.
const std::string& PhoneBookOf(std::size_t n);
const std::string& CardsOf(std::size_t n, gen::CardForm form);

// A new entry holding what src holds, made through the setters: what building
// the entries costs any reader, before it has parsed a single byte.
std::unique_ptr<CEntry> CopyEntry(const CEntry& src, CGroups* groups);

// Calls f(line) for every line of text, the line without its '\n': the memchr
// scan that is the floor of the phone text reader.
template <class F>
void ForEachLine(std::string_view text, F&& f) {
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* lineEnd = nl ? nl : end;
    f(std::string_view(p, static_cast<std::size_t>(lineEnd - p)));
    p = nl ? nl + 1 : end;
  }
}

// Calls f(card) for every card of text, from its "BEGIN:VCARD" up to the next
// one: the memmem scan that is the floor of the vCard reader.
template <class F>
void ForEachCard(std::string_view text, F&& f) {
  static constexpr char kBegin[] = "BEGIN:VCARD";
  const std::size_t n = sizeof kBegin - 1;
  const char* end = text.data() + text.size();
  const char* card = static_cast<const char*>(memmem(text.data(), text.size(), kBegin, n));
  while (card) {
    const char* from = card + n;
    const char* next = static_cast<const char*>(memmem(from, static_cast<std::size_t>(end - from), kBegin, n));
    f(std::string_view(card, static_cast<std::size_t>((next ? next : end) - card)));
    card = next;
  }
}

// items/s and bytes/s of one benchmark run.
inline void SetThroughput(benchmark::State& state, std::size_t items, std::size_t bytes) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * items));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["n"] = static_cast<double>(items);
  state.counters["bytes"] = static_cast<double>(bytes);
}

// Bytes of the heap in use (malloc's own count).
std::size_t HeapInUse();

// Times read(), which fills entries, once per iteration; returns how many
// entries one pass made. One untimed pass comes
// first, so that the figures are of a reader whose heap is warm, and the
// entries of one pass are destroyed outside the timing.
template <class F>
std::size_t MeasureReading(benchmark::State& state, std::vector<std::unique_ptr<CEntry>>& entries, F&& read) {
  read();
  for (auto _ : state) {
    state.PauseTiming();
    entries.clear();
    state.ResumeTiming();
    read();
  }
  // What the entries of one pass hold on the heap, told by what destroying
  // them gives back.
  std::size_t count = entries.size(), before = HeapInUse();
  entries.clear();
  if (count) state.counters["heap_per_entry"] = static_cast<double>(before - HeapInUse()) / static_cast<double>(count);
  return count;
}

// Times write(out), which appends a whole book's text to out, once per
// iteration. The output string is kept from one iteration to the next (emptied,
// its capacity kept) after an untimed first pass, as the floor's buffer is:
// otherwise the figure is of the heap growing a 30 MB string and of the kernel
// mapping its pages, not of the writer.
template <class F>
void MeasureWriting(benchmark::State& state, std::size_t items, F&& write) {
  std::string out;
  write(out);
  for (auto _ : state) {
    out.clear();
    write(out);
    benchmark::DoNotOptimize(out.data());
  }
  SetThroughput(state, items, out.size());
}

// The floor of every writer: one memcpy of its whole output into a buffer of
// that size.
void MeasureMemcpy(benchmark::State& state, const std::string& output, std::size_t items);

// Times std::sort (or std::stable_sort) of a fresh copy of items per iteration,
// and sets the items/s.
template <class T, class Less>
void MeasureSort(benchmark::State& state, const std::vector<T>& items, Less less, bool stable = false) {
  std::vector<T> v;
  for (auto _ : state) {
    state.PauseTiming();
    v = items;
    state.ResumeTiming();
    if (stable)
      std::stable_sort(v.begin(), v.end(), less);
    else
      std::sort(v.begin(), v.end(), less);
    benchmark::DoNotOptimize(v.data());
  }
  if (!std::is_sorted(v.begin(), v.end(), less)) state.SkipWithError("not sorted");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * items.size()));
  state.counters["n"] = static_cast<double>(items.size());
}


// The settings shared by every benchmark: milliseconds, and besides the mean
// the fastest repetition, which a loaded machine disturbs least.
void Common(benchmark::internal::Benchmark* b);
// Common, at the two sizes of the linearity figures: 10,000 and 100,000.
void Sizes(benchmark::internal::Benchmark* b);

}  // namespace bench
