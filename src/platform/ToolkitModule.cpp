// The shared library's way to its toolkit: the Qt toolkit is a module of its own
// beside the library, opened the first time the platform needs a window system.
// Reading, writing and sorting phone books never load Qt; the first window,
// printer, print dialog or system colour does. Without the module (or with a
// module of another version) the platform stays windowless, as it would on a
// machine with no window system. This file is part of the shared library only;
// programs that link the objects register the toolkit themselves.
#include <dlfcn.h>

#include <string>

#include "platform/Toolkit.h"

namespace {

// Any object of the library tells dladdr which file the library was loaded from.
const char g_anchor = 0;

void LoadToolkitModule() {
  Dl_info self{};
  if (dladdr(&g_anchor, &self) == 0 || self.dli_fname == nullptr) {
    return;
  }
  std::string path = self.dli_fname;
  path.erase(path.find_last_of('/') + 1);  // npos + 1 == 0: no folder, the name alone
  path += SORREL_TOOLKIT_MODULE;
  // The module registers its toolkit as it is loaded, and stays for the process:
  // the platform holds its table through the destructors of static objects.
  dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
}

// The library registers its loader as it is loaded; the module is not opened yet.
const bool g_loader_registered = (sorrel::RegisterToolkitLoader(&LoadToolkitModule), true);

}  // namespace
