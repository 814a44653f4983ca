// Rewriting the numbers of a phone book in place (renumber, prefix): only the
// entries an operation marks changed get new lines; every other byte of the file
// stays as it was, as a host sends only changed entries back to the phone.
#pragma once

#include <functional>
#include <string>

#include "sorrel/Sorrel.h"

namespace tool {

struct RewriteOptions {
  bool dryRun = false;  // report, write nothing
  bool backup = true;   // keep the original as BOOK~
};

// Runs op on every entry of the phone book at path (each entry's change flag
// lowered first), prints each changed entry with its old and new numbers and a
// summary, and writes the file back unless nothing changed or dryRun is set.
// Returns the command's exit code.
int RewriteNumbers(const char* command, const std::string& path, const RewriteOptions& options,
                   const std::function<void(CEntry&)>& op);

}  // namespace tool
