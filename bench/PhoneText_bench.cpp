// The phone text form both ways, beside its floors: a memchr scan of the same
// lines for the reader, a memcpy of the same output for the writer.
#include <memory>

#include "Data.h"

namespace {

// A host reading the phone book file: the group line, then one new entry per
// slot line, with extended items for the locations that have them.
void PhoneTextRead(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const std::string& text = bench::PhoneBookOf(n);
  std::vector<std::unique_ptr<CEntry>> entries;
  entries.reserve(n);
  auto read = [&] {
    CGroups groups;
    bool first = true;
    bench::ForEachLine(text, [&](std::string_view line) {
      CString s(line.data(), static_cast<int>(line.size()));
      if (first) {
        groups.FillFromText(s, 0);
        first = false;
        return;
      }
      auto entry = std::make_unique<CEntry>();
      entry->FillFromText(s, 1, 1, 0, &groups);
      entries.push_back(std::move(entry));
    });
  };
  bench::MeasureReading(state, entries, read);
  bench::SetThroughput(state, n, text.size());
}
BENCHMARK(PhoneTextRead)->Apply(bench::Sizes);

void PhoneTextRead_floor(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const std::string& text = bench::PhoneBookOf(n);
  for (auto _ : state) {
    bench::ForEachLine(text, [](std::string_view line) { benchmark::DoNotOptimize(line.data()); });
  }
  bench::SetThroughput(state, n, text.size());
}
BENCHMARK(PhoneTextRead_floor)->Apply(bench::Sizes);

// Building the same entries from entries already in memory: the share of the
// reading that belongs to the data model (an object, its extended items and a
// string per field), not to the parsing.
void PhoneTextRead_model(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  gen::Book& book = bench::BookOf(n);
  std::vector<std::unique_ptr<CEntry>> entries;
  entries.reserve(n);
  bench::MeasureReading(state, entries, [&] {
    for (const auto& src : book.entries)
      entries.push_back(src ? bench::CopyEntry(*src, &book.groups) : std::make_unique<CEntry>());
  });
  bench::SetThroughput(state, n, bench::PhoneBookOf(n).size());
}
BENCHMARK(PhoneTextRead_model)->Apply(bench::Sizes);

// A host writing the phone book file back: each slot's line appended to the text.
void PhoneTextWrite(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto& entries = bench::EntriesOf(n);
  CString line;
  bench::MeasureWriting(state, entries.size(), [&](std::string& out) {
    for (CEntry* entry : entries) {
      entry->GetAsText(line, 1, 1);
      out += line.str();
    }
  });
}
BENCHMARK(PhoneTextWrite)->Apply(bench::Sizes);

// The output's bytes copied once into a buffer of their size.
void PhoneTextWrite_floor(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto& entries = bench::EntriesOf(n);
  std::string expected;
  CString line;
  for (CEntry* entry : entries) {
    entry->GetAsText(line, 1, 1);
    expected += line.str();
  }
  bench::MeasureMemcpy(state, expected, entries.size());
}
BENCHMARK(PhoneTextWrite_floor)->Apply(bench::Sizes);

}  // namespace
