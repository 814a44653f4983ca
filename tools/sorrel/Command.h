// The sorrel tool's commands: each lives in its own cmd_*.cpp and registers
// itself with a static SORREL_COMMAND(...) line.
#pragma once

#include <string>
#include <vector>

namespace tool {

// Exit codes of every command.
enum Exit : int {
  kOk = 0,        // done, nothing to report
  kFindings = 1,  // done, and something was found (damage, a missing value, a rejected card)
  kFailure = 2,   // usage error, or a file that could not be read or written
};

struct Command {
  const char* name;
  const char* summary;  // one line for `sorrel --help`
  const char* usage;    // the command's own --help text
  // args excludes the command name itself.
  int (*run)(const std::vector<std::string>& args);
};

struct CommandRegistrar {
  explicit CommandRegistrar(const Command& command);
};

const std::vector<Command>& Commands();

// Prints "sorrel <command>: <message>" on stderr and returns kFailure: for
// usage errors and I/O errors.
int Fail(const char* command, const std::string& message);

// The tail of a command's argument loop for an argument that is no option it
// knows: an unknown option or a second book is a usage error (kFailure, said on
// stderr); otherwise the argument is the book and kOk is returned.
int TakeBookPath(const char* command, const std::string& arg, std::string& path);

// True when args holds -h or --help; the command then prints its usage.
bool WantsHelp(const std::vector<std::string>& args);

}  // namespace tool

#define SORREL_COMMAND_CAT2(a, b) a##b
#define SORREL_COMMAND_CAT(a, b) SORREL_COMMAND_CAT2(a, b)
#define SORREL_COMMAND(...) \
  static const ::tool::CommandRegistrar SORREL_COMMAND_CAT(sorrel_command_, __LINE__)({__VA_ARGS__})
