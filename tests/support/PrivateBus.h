// A session bus of the test's own: a dbus-daemon started for the test (its pid
// kept, stopped by it), with DBUS_SESSION_BUS_ADDRESS and a runtime folder
// (XDG_RUNTIME_DIR, which also keeps the named events apart) pointing at it, and
// the quillon servers the test starts on it, all ended when it goes.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sorrel/Dde.h"

namespace sorrel::test {

class PrivateBus {
 public:
  PrivateBus();
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  bool Up() const { return daemon_ > 0; }
  const std::string& Dir() const { return dir_; }

  // Starts quillon (build tree) with these arguments and waits until it serves
  // the instance name `waitFor` (when not empty). The pid, or -1.
  pid_t StartQuillon(const std::vector<std::string>& args, const std::string& waitFor = std::string());
  // Starts quillon as the instance `name` with `options`, connecting no phone, and
  // (with `wait`) waits until it serves. The pid, or -1.
  pid_t Serve(const std::string& name, std::vector<std::string> options = {}, bool wait = true);
  // Ends one server: SIGTERM (or `sig`), then waits for it.
  void Stop(pid_t pid, int sig = 15);
  // How many processes of the bus serve the DDE service `service`.
  int Count(const std::string& service);
  // Waits (up to 30 s) until at least `count` of them do.
  bool WaitFor(const std::string& service, int count);
  // The process that serves `service`, or -1.
  pid_t PidOf(const std::string& service);

 private:
  std::string dir_;
  FILE* pipe_ = nullptr;  // the daemon's output
  pid_t daemon_ = -1;
  std::vector<pid_t> servers_;
};

// The quillon program of the build tree.
std::string QuillonPath();

// A DDE client instance of the test's own; its string handles go with it.
class DdeClient {
 public:
  DdeClient();
  ~DdeClient();
  DdeClient(const DdeClient&) = delete;
  DdeClient& operator=(const DdeClient&) = delete;

  DWORD inst = 0;  // 0 when DdeInitialize failed
  HSZ Hsz(const std::string& text);
  HCONV Connect(const std::string& service, const std::string& topic);
  // The bytes the server gives for `item` (its terminating zero included), or
  // false; the instance's error code in *error when asked.
  bool Request(HCONV conv, const std::string& item, std::string* data, UINT* error = nullptr, DWORD timeout = 2000);
  // Pokes a line as CF_TEXT with its terminating zero.
  bool Poke(HCONV conv, const std::string& item, const std::string& line);

 private:
  std::vector<HSZ> handles_;
};

}  // namespace sorrel::test
