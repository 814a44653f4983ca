// The captions of the items: the library's own string table.
#pragma once

#include "sorrel/CString.h"

namespace sorrel {

// The library's caption of item nID (sorrel::ItemCaptionID) into caption; the
// empty string for an item that has none. Returns the number of characters.
int LoadItemCaption(UINT nID, CString& caption);

}  // namespace sorrel
