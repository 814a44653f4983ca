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
// The thread procedure of the splash screen; the host runs it on a worker thread of
// its own with its event object (a CEvent, or any CSyncObject over an event):
// reads the delay (0: returns at once, the event untouched), shows the splash
// picture on top of every window, pulses the event, sleeps for the delay, destroys
// the window and returns 0. Without an X server it shows nothing but still pulses
// the event and sleeps.
SORREL_API unsigned int ShowSplash(void* event);
}
