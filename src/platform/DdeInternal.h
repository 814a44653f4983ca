// What the server discovery needs from the DDE layer beyond the Windows API: the
// requests of a whole conversation list started at once, so that servers that do
// not answer cost one time-out together instead of one each.
#pragma once

#include <string>

#include "sorrel/Dde.h"

namespace sorrel::dde {

// Starts a request of `item` on every conversation of the list and, on each
// conversation whose reply carries data, a request of `then` (if not null). The
// DdeClientTransaction calls of the same item, format and time-out that follow
// take these replies instead of asking again; each request's time-out runs from
// here. What the calls return, and the instance's error code after each, is what
// the calls would have given had they asked themselves.
void StartRequests(HCONVLIST hConvList, HSZ item, HSZ then, UINT wFmt, DWORD dwTimeout);

// The bus name element a DDE service name (folded to upper case) maps to.
std::string ServiceElement(const std::string& service);

}  // namespace sorrel::dde
