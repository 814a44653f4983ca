#include "Command.h"

#include <cstdio>

namespace tool {

namespace {
std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}
}  // namespace

CommandRegistrar::CommandRegistrar(const Command& command) { Registry().push_back(command); }

const std::vector<Command>& Commands() { return Registry(); }

int Fail(const char* command, const std::string& message) {
  std::fprintf(stderr, "sorrel %s: %s\n", command, message.c_str());
  return kFailure;
}

int TakeBookPath(const char* command, const std::string& arg, std::string& path) {
  if (!arg.empty() && arg[0] == '-' && arg != "-") return Fail(command, "unknown option '" + arg + "' (see --help)");
  if (!path.empty()) return Fail(command, "one phone book at a time (see --help)");
  path = arg;
  return kOk;
}

bool WantsHelp(const std::vector<std::string>& args) {
  for (const std::string& a : args)
    if (a == "-h" || a == "--help") return true;
  return false;
}

}  // namespace tool
