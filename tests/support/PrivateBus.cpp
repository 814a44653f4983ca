#include "support/PrivateBus.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/DdeInternal.h"

extern char** environ;

namespace sorrel::test {

std::string QuillonPath() { return std::string(SORREL_BINARY_DIR) + "/tools/quillon/quillon"; }

namespace {

// The processes on the user bus that serve the DDE service `service`: their pids
// with `pids` (a round trip each), else -1 for each.
std::vector<pid_t> Servers(const std::string& service, bool pids) {
  std::string prefix = "org.sorrel.Dde." + dde::ServiceElement(service) + ".";
  std::vector<pid_t> found;
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) return found;
  char** names = nullptr;
  if (sd_bus_list_names(bus, &names, nullptr) >= 0 && names) {
    for (char** n = names; *n; ++n) {
      pid_t pid = -1;
      sd_bus_creds* creds = nullptr;
      if (std::string(*n).rfind(prefix, 0) == 0) {
        if (pids && sd_bus_get_name_creds(bus, *n, SD_BUS_CREDS_PID, &creds) >= 0) sd_bus_creds_get_pid(creds, &pid);
        found.push_back(pid);
      }
      sd_bus_creds_unref(creds);
      free(*n);
    }
    free(names);
  }
  sd_bus_flush_close_unref(bus);
  return found;
}

}  // namespace

PrivateBus::PrivateBus() {
  char tmpl[] = "/tmp/sorrel-bus-XXXXXX";
  if (!mkdtemp(tmpl)) return;
  dir_ = tmpl;
  std::string address = "unix:path=" + dir_ + "/bus";
  setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  // The shell becomes the daemon, our child, which prints its pid once it listens.
  pipe_ = popen(("exec dbus-daemon --session --nofork --print-pid=1 --address=" + address).c_str(), "re");
  if (pipe_ && std::fscanf(pipe_, "%d", &daemon_) != 1) daemon_ = -1;
  setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
}

PrivateBus::~PrivateBus() {
  while (!servers_.empty()) Stop(servers_.back());
  if (daemon_ > 0) kill(daemon_, SIGTERM);
  if (pipe_) pclose(pipe_);  // waits for it
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  if (!dir_.empty()) std::filesystem::remove_all(dir_);
}

pid_t PrivateBus::StartQuillon(const std::vector<std::string>& args, const std::string& waitFor) {
  std::string path = QuillonPath();
  std::vector<char*> argv{path.data()};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  servers_.push_back(pid);
  if (!waitFor.empty()) WaitFor(waitFor, 1);
  return pid;
}

pid_t PrivateBus::Serve(const std::string& name, std::vector<std::string> options, bool wait) {
  options.insert(options.begin(), {"-" + name, "--connect-after", "-1"});
  return StartQuillon(options, wait ? name : std::string());
}

bool PrivateBus::WaitFor(const std::string& service, int count) {
  // A crowd of servers starting on a machine busy with other tests may take long.
  for (int i = 0; i < 3000; ++i) {
    if (Count(service) >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

void PrivateBus::Stop(pid_t pid, int sig) {
  kill(pid, sig);
  waitpid(pid, nullptr, 0);
  std::erase(servers_, pid);
}

int PrivateBus::Count(const std::string& service) { return int(Servers(service, false).size()); }

pid_t PrivateBus::PidOf(const std::string& service) {
  std::vector<pid_t> pids = Servers(service, true);
  return pids.empty() ? -1 : pids[0];
}

DdeClient::DdeClient() {
  if (DdeInitializeA(&inst, nullptr, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) inst = 0;
}

DdeClient::~DdeClient() {
  for (HSZ h : handles_) DdeFreeStringHandle(inst, h);
  DdeUninitialize(inst);
}

HSZ DdeClient::Hsz(const std::string& text) {
  return handles_.emplace_back(DdeCreateStringHandleA(inst, text.c_str(), CP_WINANSI));
}

HCONV DdeClient::Connect(const std::string& service, const std::string& topic) {
  return DdeConnect(inst, Hsz(service), Hsz(topic), nullptr);
}

bool DdeClient::Request(HCONV conv, const std::string& item, std::string* data, UINT* error, DWORD timeout) {
  HDDEDATA d = DdeClientTransaction(nullptr, 0, conv, Hsz(item), CF_TEXT, XTYP_REQUEST, timeout, nullptr);
  UINT code = DdeGetLastError(inst);
  if (error) *error = code;
  if (!d) return false;
  data->assign(DdeGetData(d, nullptr, 0, 0), '\0');
  bool whole = DdeGetData(d, reinterpret_cast<LPBYTE>(data->data()), DWORD(data->size()), 0) == data->size();
  return DdeFreeDataHandle(d) && whole;
}

bool DdeClient::Poke(HCONV conv, const std::string& item, const std::string& line) {
  return DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(line.c_str())), DWORD(line.size() + 1),
                              conv, Hsz(item), CF_TEXT, XTYP_POKE, 2000, nullptr) != nullptr;
}

}  // namespace sorrel::test
