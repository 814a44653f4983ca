// What the named events share between their file and the tests that look for
// objects left behind.
#pragma once

#include <string>

#include "sorrel/Types.h"

namespace sorrel::sync {

// The POSIX shared memory name ("/sorrel-<uid>-<session>-<name>") of a named event.
std::string SharedObjectName(LPCSTR name);
// Whether the open object `fd` is still the one the name leads to.
bool SameObject(int fd, const std::string& shmName);

}  // namespace sorrel::sync
