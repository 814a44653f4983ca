// CSV lines of a whole phone book with every extended column shown, beside a
// memcpy of the same output.
#include <memory>

#include "Data.h"
#include "sorrel/ColumnInfos.h"

namespace {

// The column model of a host that shows every extended column.
std::unique_ptr<CColumnInfos> AllColumns() {
  auto columns = std::make_unique<CColumnInfos>();
  for (UINT id = ITEM_OFFICE; id <= ITEM_BIRTHDAY; ++id) columns->AddColumn(id, 100, 0, 0);
  return columns;
}

void AppendCsv(const std::vector<CEntry*>& entries, CColumnInfos& columns, std::string& out) {
  CString line;
  for (const CEntry* entry : entries) {
    entry->GetAsCSV(&columns, line);
    out += line.str();
  }
}

void CsvWrite(benchmark::State& state) {
  const auto& entries = bench::EntriesOf(static_cast<std::size_t>(state.range(0)));
  auto columns = AllColumns();
  bench::MeasureWriting(state, entries.size(), [&](std::string& out) { AppendCsv(entries, *columns, out); });
}
BENCHMARK(CsvWrite)->Apply(bench::Sizes);

void CsvWrite_floor(benchmark::State& state) {
  const auto& entries = bench::EntriesOf(static_cast<std::size_t>(state.range(0)));
  auto columns = AllColumns();
  std::string expected;
  AppendCsv(entries, *columns, expected);
  bench::MeasureMemcpy(state, expected, entries.size());
}
BENCHMARK(CsvWrite_floor)->Apply(bench::Sizes);

}  // namespace
