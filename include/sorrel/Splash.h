// The splash screen the host applications show while they start, and the user's
// setting of how long it stays: "SplashDelay" under HKEY_CURRENT_USER\Software\Tovik.
#pragma once

#include "sorrel/Types.h"

extern "C++" {
// The delay in milliseconds; 2000 when none is stored (and the key is created
// with that value when it is missing).
SORREL_API DWORD GetSplashDelayFromRegistry();
// A delay above 500 is stored less 75; 0 turns the splash screen off. Nothing is
// stored when the key does not exist.
SORREL_API void SetSplashDelay2Registry(DWORD delay);
}
