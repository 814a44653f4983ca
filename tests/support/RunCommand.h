// A command through the shell, for the tests that look at what a program says.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace sorrel::test {

// Runs a command through the shell; its standard output, and its exit code in `status`.
inline std::string RunCommand(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  char buf[4096];
  for (size_t n; p && (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  const int rc = p ? pclose(p) : -1;
  if (status) *status = rc != -1 && WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

}  // namespace sorrel::test
