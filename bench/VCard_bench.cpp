// vCard reading and writing beside their floors: a memmem scan of the same cards
// for the reader; for the writers a memcpy of the same output, and the
// memcpy-plus-format writer of MinimalVCard.h.
#include <memory>

#include "Data.h"
#include "MinimalVCard.h"

namespace {

UINT CodePageOf(gen::CardForm form) { return form == gen::CardForm::V21Utf8 ? CP_UTF8 : CP_UTF7; }

void Write(const CEntry& entry, gen::CardForm form, CGroups* groups, CString& card) {
  if (form == gen::CardForm::V10)
    entry.GetAsVCardVer1(card, groups);
  else
    entry.GetAsVCardVer21(card, CodePageOf(form), groups);
}

// A host importing a vCard file: each card into a new entry with extended items,
// the categories resolved against the phone's groups.
void VCardRead(benchmark::State& state, gen::CardForm form) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const std::string& text = bench::CardsOf(n, form);
  std::vector<std::unique_ptr<CEntry>> entries;
  entries.reserve(n);
  std::size_t rejected = 0;
  std::size_t cards = bench::MeasureReading(state, entries, [&] {
    CGroups groups;
    gen::FillGroups(groups);
    bench::ForEachCard(text, [&](std::string_view card) {
      CString s(card.data(), static_cast<int>(card.size()));
      auto entry = std::make_unique<CEntry>(1, 1);
      if (!entry->FillFromVCard(s, &groups, nullptr)) ++rejected;
      entries.push_back(std::move(entry));
    });
  });
  if (rejected) state.SkipWithError("the reader rejected generated cards");
  bench::SetThroughput(state, cards, text.size());
}
BENCHMARK_CAPTURE(VCardRead, v21_utf8, gen::CardForm::V21Utf8)->Apply(bench::Sizes);
BENCHMARK_CAPTURE(VCardRead, v21_utf7, gen::CardForm::V21Utf7)->Apply(bench::Sizes);

void VCardRead_floor(benchmark::State& state, gen::CardForm form) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const std::string& text = bench::CardsOf(n, form);
  std::size_t cards = 0;
  for (auto _ : state) {
    cards = 0;
    bench::ForEachCard(text, [&](std::string_view card) {
      benchmark::DoNotOptimize(card.data());
      ++cards;
    });
  }
  bench::SetThroughput(state, cards, text.size());
}
BENCHMARK_CAPTURE(VCardRead_floor, v21_utf8, gen::CardForm::V21Utf8)->Apply(bench::Sizes);
BENCHMARK_CAPTURE(VCardRead_floor, v21_utf7, gen::CardForm::V21Utf7)->Apply(bench::Sizes);

// Building the same entries from entries in memory (see PhoneTextRead_model).
void VCardRead_model(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  gen::Book& book = bench::BookOf(n);
  const auto& sources = bench::EntriesOf(n);
  std::vector<std::unique_ptr<CEntry>> entries;
  entries.reserve(n);
  bench::MeasureReading(state, entries, [&] {
    for (const CEntry* src : sources) entries.push_back(bench::CopyEntry(*src, &book.groups));
  });
  bench::SetThroughput(state, sources.size(), bench::CardsOf(n, gen::CardForm::V21Utf8).size());
}
BENCHMARK(VCardRead_model)->Apply(bench::Sizes);

// A host exporting a phone book: every entry's card appended to the file's text.
void VCardWrite(benchmark::State& state, gen::CardForm form) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto& entries = bench::EntriesOf(n);
  CGroups* groups = &bench::BookOf(n).groups;
  CString card;
  bench::MeasureWriting(state, entries.size(), [&](std::string& out) {
    for (CEntry* entry : entries) {
      Write(*entry, form, groups, card);
      out += card.str();
    }
  });
}
BENCHMARK_CAPTURE(VCardWrite, v21_utf8, gen::CardForm::V21Utf8)->Apply(bench::Sizes);
BENCHMARK_CAPTURE(VCardWrite, v21_utf7, gen::CardForm::V21Utf7)->Apply(bench::Sizes);
BENCHMARK_CAPTURE(VCardWrite, v10, gen::CardForm::V10)->Apply(bench::Sizes);

void VCardWrite_floor(benchmark::State& state, gen::CardForm form) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  bench::MeasureMemcpy(state, bench::CardsOf(n, form), bench::EntriesOf(n).size());
}
BENCHMARK_CAPTURE(VCardWrite_floor, v21_utf8, gen::CardForm::V21Utf8)->Apply(bench::Sizes);
BENCHMARK_CAPTURE(VCardWrite_floor, v21_utf7, gen::CardForm::V21Utf7)->Apply(bench::Sizes);
BENCHMARK_CAPTURE(VCardWrite_floor, v10, gen::CardForm::V10)->Apply(bench::Sizes);

// The memcpy-plus-format floor; it must write the library's bytes exactly, or
// the figure means nothing.
void VCardWrite_format_floor(benchmark::State& state, gen::CardForm form) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto& entries = bench::EntriesOf(n);
  const std::string& expected = bench::CardsOf(n, form);
  bench::MinimalVCardWriter writer(bench::BookOf(n).groups, form);
  std::string check;
  for (CEntry* entry : entries) writer.Append(*entry, check);
  if (check != expected) {
    std::size_t at = 0;
    while (at < check.size() && at < expected.size() && check[at] == expected[at]) ++at;
    std::size_t from = expected.rfind("BEGIN:VCARD", at);
    std::string message = "the floor writer differs from the library at byte " + std::to_string(at) + ": [" +
                          expected.substr(from == std::string::npos ? 0 : from, at - from + 40) + "] vs [" +
                          check.substr(from == std::string::npos ? 0 : from, at - from + 40) + "]";
    state.SkipWithError(message.c_str());
    return;
  }
  bench::MeasureWriting(state, entries.size(), [&](std::string& out) {
    for (CEntry* entry : entries) writer.Append(*entry, out);
  });
}
BENCHMARK_CAPTURE(VCardWrite_format_floor, v21_utf8, gen::CardForm::V21Utf8)->Apply(bench::Sizes);
BENCHMARK_CAPTURE(VCardWrite_format_floor, v21_utf7, gen::CardForm::V21Utf7)->Apply(bench::Sizes);
BENCHMARK_CAPTURE(VCardWrite_format_floor, v10, gen::CardForm::V10)->Apply(bench::Sizes);

}  // namespace
