// The registry's hooks for tests.
#pragma once

#include <string>

namespace sorrel {

// Closes the store's connection; the next registry call reads XDG_CONFIG_HOME
// again and opens the store there. Handles opened before give ERROR_KEY_DELETED.
void ResetRegistryForTests();

// Where the store of this process lives now.
std::string RegistryStorePath();

}  // namespace sorrel
