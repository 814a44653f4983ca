// The resource search inside the library.
#pragma once

#include <string>

#include "sorrel/CString.h"
#include "sorrel/Resources.h"

namespace sorrel {

// The library's own strings, the module "Sorrel.DLL": the table is kept, not
// copied, and stands until replaced. Set at load time by the part that owns them.
void SetLibraryStringTable(const SorrelStringResource* table, std::size_t count);

// The string with this id from the host's table, else from the library's; false
// when neither has it.
bool FindStringResource(UINT nID, std::string& text);

// The caption loader: the string nID of the module "Sorrel.DLL" into strText; the
// empty string when it has none. Returns the number of characters loaded.
int LoadCaption(UINT nID, CString& strText);

}  // namespace sorrel
