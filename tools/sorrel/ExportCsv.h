// The CSV branch of `sorrel export`.
#pragma once

#include "Command.h"

namespace tool {

// Runs `sorrel export BOOK --csv ...` with the export command's arguments.
int RunCsvExport(const Args& args);

// The paragraphs of the CSV branch, for the export command's --help.
extern const char kCsvExportHelp[];

}  // namespace tool
