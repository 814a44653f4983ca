// sorrel: the phone book tool. Reads a phone book as the phone server delivers it
// (or vCard files), shows, checks, searches, renumbers and exports it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Command.h"
#include "sorrel/Sorrel.h"

namespace {

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "usage: sorrel <command> [options] [arguments]\n"
               "\n"
               "A phone book file is what the phone server delivers: a first line with the\n"
               "group table, then one line per phone book slot (\"EMPTY\" for an empty slot).\n"
               "Texts in it are 8-bit, in Windows-1250.\n"
               "\n"
               "commands:\n");
  std::vector<tool::Command> commands = tool::Commands();
  std::sort(commands.begin(), commands.end(),
            [](const tool::Command& a, const tool::Command& b) { return std::strcmp(a.name, b.name) < 0; });
  for (const tool::Command& c : commands) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
  std::fprintf(out,
               "\n"
               "`sorrel <command> --help` tells more. Exit codes: 0 done, 1 findings\n"
               "(damaged lines, rejected cards), 2 usage or I/O error.\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return tool::kFailure;
  }
  std::string name = argv[1];
  if (name == "-h" || name == "--help" || name == "help") {
    PrintUsage(stdout);
    return tool::kOk;
  }
  if (name == "--version") {
    std::printf("sorrel %d.%d.%d\n", SORREL_VERSION_MAJOR, SORREL_VERSION_MINOR, SORREL_VERSION_PATCH);
    return tool::kOk;
  }
  for (const tool::Command& c : tool::Commands()) {
    if (name == c.name) {
      std::vector<std::string> args(argv + 2, argv + argc);
      if (tool::WantsHelp(args)) {
        std::fputs(c.usage, stdout);
        return tool::kOk;
      }
      return c.run(args);
    }
  }
  std::fprintf(stderr, "sorrel: unknown command '%s'\n\n", name.c_str());
  PrintUsage(stderr);
  return tool::kFailure;
}
