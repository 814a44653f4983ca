// The column model's readers of stored settings: widths, justifications and
// positions of the columns, the ascending flag, the primary sort key and the
// sort-key chain text (`Column%dSecondarySortingKeys`), whatever another program
// left there (any type, any length, a chain without its zero or longer than the
// 2048 bytes read), and the writes of the same values when the model goes.
// Input: an options byte (bits 5-7 the primary column asked for), then the
// records of Settings.h.
#include "Settings.h"
#include "sorrel/ColumnInfos.h"

SORREL_FUZZ_TARGET(sort_keys) {
  using namespace sorrel::fuzz;
  Input in(data, size);
  const UINT primary = in.options >> 5;
  ReadBothWays(data, size, ReadRecords(in), [&](sorrel::SettingsValues&) {
    std::vector<UINT> chain;
    CColumnInfos columns;
    columns.AddColumn(5, 80, 0, 40);
    columns.LoadSecondarySortKeys(0xFFFFFFFF);
    columns.LoadSecondarySortKeys(primary);
    // The chain holds only columns that exist, and the primary key asked for
    // (which stands alone when nothing else is left).
    for (UINT key : *columns.GetSortKeys()) {
      SORREL_FUZZ_CHECK(key == primary || columns.FindColumnByID(key) != nullptr);
      chain.push_back(key);
    }
    return chain;
  });
  return 0;
}
