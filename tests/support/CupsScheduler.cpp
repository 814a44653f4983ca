#include "support/CupsScheduler.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace sorrel::test {

namespace {

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kCupsLib = "/usr/lib/cups";

void Write(const std::string& path, const std::string& text, fs::perms mode = fs::perms(0644)) {
  std::ofstream(path) << text;
  fs::permissions(path, mode);
}

// Writes the job's document and options into the folder of its device URI; the
// document is renamed into place only when complete.
const char kBackend[] = R"SH(#!/bin/sh
# capture: the job's document and options into the folder of capture:/FOLDER
[ $# -eq 0 ] && { echo 'direct capture "Unknown" "Capture backend"'; exit 0; }
dir="${DEVICE_URI#capture:}"
tmp="$dir/.job-$1.tmp"
if [ $# -ge 6 ]; then cat "$6" > "$tmp"; else cat > "$tmp"; fi
printf '%s\n' "$5" > "$dir/job-$1.options"
printf '%s\n' "$3" > "$dir/job-$1.title"
mv "$tmp" "$dir/job-$1.pdf"
exit 0
)SH";


}  // namespace

std::string RunCommand(const std::string& command, int* status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) {
    if (status) *status = -1;
    return out;
  }
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int rc = pclose(p);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

bool CupsScheduler::Start(std::string& reason) {
  if (access(kCupsd, X_OK) != 0) {
    reason = "cupsd is not installed (scripts/install-deps installs cups-daemon)";
    return false;
  }
  std::string pattern = (fs::temp_directory_path() / "sorrel-cups-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    reason = "no temporary folder";
    return false;
  }
  m_dir = pattern;
  for (const char* sub : {"spool", "spool/tmp", "state", "cache", "log", "jobs", "bin", "bin/backend"})
    fs::create_directories(m_dir + "/" + sub);
  fs::permissions(m_dir, fs::perms(0755));
  fs::permissions(m_dir + "/spool", fs::perms(0711));
  fs::permissions(m_dir + "/spool/tmp", fs::perms(01777));
  fs::permissions(m_dir + "/jobs", fs::perms(0777));
  // The scheduler runs helpers from its ServerBin: the system's, and our backend.
  for (const char* sub : {"daemon", "filter", "driver", "notifier", "monitor", "cgi-bin"})
    if (fs::exists(std::string(kCupsLib) + "/" + sub))
      fs::create_directory_symlink(std::string(kCupsLib) + "/" + sub, m_dir + "/bin/" + sub);
  Write(m_dir + "/bin/backend/capture", kBackend, fs::perms(0700));  // 0700: run as root

  const std::string socket = m_dir + "/cups.sock";
  Write(m_dir + "/cups-files.conf",
        "ServerRoot " + m_dir + "\nServerBin " + m_dir + "/bin\nRequestRoot " + m_dir + "/spool\nTempDir " +
            m_dir + "/spool/tmp\nStateDir " + m_dir + "/state\nCacheDir " + m_dir + "/cache\nAccessLog " + m_dir +
            "/log/access_log\nErrorLog " + m_dir + "/log/error_log\nPageLog " + m_dir +
            "/log/page_log\nPrintcap " + m_dir + "/printcap\nSystemGroup root\n"
            "FileDevice Yes\nSandboxing Relaxed\n");
  Write(m_dir + "/cupsd.conf", "Listen " + socket +
                                   "\nBrowsing No\nWebInterface No\nLogLevel warn\nDefaultAuthType None\n"
                                   "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                   "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");

  m_pid = fork();
  if (m_pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlives the test
    const std::string conf = m_dir + "/cupsd.conf", files = m_dir + "/cups-files.conf";
    execl(kCupsd, kCupsd, "-f", "-c", conf.c_str(), "-s", files.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (m_pid < 0) {
    reason = "fork failed";
    return false;
  }
  setenv("CUPS_SERVER", socket.c_str(), 1);
  unsetenv("PRINTER");
  unsetenv("LPDEST");
  for (int i = 0; i < 100; ++i) {
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
      m_pid = -1;
      reason = "cupsd stopped at once: " + RunCommand("cat '" + m_dir + "/log/error_log' 2>/dev/null");
      return false;
    }
    if (fs::exists(socket) && RunCommand("lpstat -r 2>/dev/null").find("is running") != std::string::npos)
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  reason = "cupsd did not answer within 5 s";
  return false;
}

bool CupsScheduler::AddCaptureQueue(const std::string& name, bool makeDefault, std::string& reason) {
  int rc = 0;
  // A printer that takes PDF as it comes: no filter between the job and the backend.
  std::string out = RunCommand("lpadmin -p '" + name + "' -E -v 'capture:" + JobFolder() +
                                   "' -P '" SORREL_SOURCE_DIR "/tests/support/capture.ppd' 2>&1",
                               &rc);
  if (rc == 0 && makeDefault) out += RunCommand("lpadmin -d '" + name + "' 2>&1", &rc);
  if (rc != 0) reason = "lpadmin: " + out;
  return rc == 0;
}

std::vector<std::string> CupsScheduler::WaitForJobs(size_t count, double seconds) const {
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  std::vector<std::string> jobs;
  while (true) {
    jobs.clear();
    for (const auto& e : fs::directory_iterator(JobFolder()))
      if (e.path().extension() == ".pdf") jobs.push_back(e.path().string());
    if (jobs.size() >= count || std::chrono::steady_clock::now() > until) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  auto number = [](const std::string& p) { return std::atoi(fs::path(p).stem().string().c_str() + 4); };
  std::sort(jobs.begin(), jobs.end(), [&](const std::string& a, const std::string& b) { return number(a) < number(b); });
  return jobs;
}

void CupsScheduler::Stop() {
  if (m_pid > 0) {
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
  }
  if (!m_dir.empty()) {
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
    m_dir.clear();
  }
}

}  // namespace sorrel::test
