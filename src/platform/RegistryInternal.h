// What the registry's stand-ins share with it.
#pragma once

#include <string_view>

#include "sorrel/Registry.h"

namespace sorrel {

// Stored data into a caller's buffer the Win32 way: the size alone without a
// buffer, the size and ERROR_MORE_DATA into a buffer too small.
LSTATUS CopyRegistryData(std::string_view data, LPBYTE lpData, LPDWORD lpcbData);

}  // namespace sorrel
