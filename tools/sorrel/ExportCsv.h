// The CSV branch of `sorrel export`.
#pragma once

#include <string>
#include <vector>

namespace tool {

// True when the export arguments ask for CSV (--csv or --csv=rfc4180).
bool WantsCsv(const std::vector<std::string>& args);
// Runs `sorrel export BOOK --csv ...` with the export command's arguments.
int RunCsvExport(const std::vector<std::string>& args);

// The usage lines of the CSV branch, for the export command's --help.
extern const char kCsvExportUsage[];

}  // namespace tool
