// The resource search inside the library.
#pragma once

#include <string>

#include "sorrel/CString.h"

namespace sorrel {

// The string with this id from the host's table, else from the library's; false
// when neither has it.
bool FindStringResource(UINT nID, std::string& text);

// The caption loader: the string nID of the module "Sorrel.DLL" into strText; the
// empty string when it has none. Returns the number of characters loaded.
int LoadCaption(UINT nID, CString& strText);

}  // namespace sorrel
