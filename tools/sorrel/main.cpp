// sorrel: the phone book tool. Reads a phone book as the phone server delivers it
// (or vCard files), shows, checks, searches, renumbers and exports it.
#include <algorithm>
#include <cerrno>
#include <csignal>
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
  std::vector<const tool::CommandSpec*> commands = tool::Commands();
  std::sort(commands.begin(), commands.end(),
            [](const tool::CommandSpec* a, const tool::CommandSpec* b) { return std::strcmp(a->name, b->name) < 0; });
  for (const tool::CommandSpec* c : commands) std::fprintf(out, "  %-10s %s\n", c->name, c->summary);
  std::fprintf(out,
               "\n"
               "`sorrel <command> --help` tells more. Exit codes: 0 done, 1 findings\n"
               "(damaged lines, rejected cards), 2 usage or I/O error.\n");
}

// What a command printed must reach its reader: a full disk or a closed file
// behind standard output is a failure, said once (a command that failed already
// has said why).
int Finish(const char* command, int rc) {
  errno = 0;
  if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && rc != tool::kFailure) {
    const int error = errno;
    return tool::Fail(command, std::string("standard output: ") + (error ? std::strerror(error) : "write error"));
  }
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that closes the pipe early (| head) ends the command quietly, as
  // it ends the standard tools, whatever the parent left SIGPIPE set to.
  std::signal(SIGPIPE, SIG_DFL);
  if (argc < 2) {
    PrintUsage(stderr);
    return tool::kFailure;
  }
  std::string name = argv[1];
  if (name == "-h" || name == "--help" || name == "help") {
    PrintUsage(stdout);
    return Finish("--help", tool::kOk);
  }
  if (name == "--version") {
    std::printf("sorrel %d.%d.%d\n", SORREL_VERSION_MAJOR, SORREL_VERSION_MINOR, SORREL_VERSION_PATCH);
    return Finish("--version", tool::kOk);
  }
  for (const tool::CommandSpec* c : tool::Commands()) {
    if (name != c->name) continue;
    tool::Args args;
    bool help = false;
    if (int rc = tool::Parse(*c, std::vector<std::string>(argv + 2, argv + argc), args, help); rc != tool::kOk)
      return rc;
    if (help) {
      std::fputs(tool::HelpText(*c).c_str(), stdout);
      return Finish(c->name, tool::kOk);
    }
    return Finish(c->name, c->run(args));
  }
  std::fprintf(stderr, "sorrel: unknown command '%s'\n\n", name.c_str());
  PrintUsage(stderr);
  return tool::kFailure;
}
