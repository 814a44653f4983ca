#include "support/CupsScheduler.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace sorrel::test {

namespace {

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kCupsLib = "/usr/lib/cups";
constexpr const char* kFiles = SORREL_SOURCE_DIR "/tests/support/cups";

}  // namespace

bool CupsScheduler::Start(std::string& reason) {
  auto fail = [&reason](std::string why) { return reason = std::move(why), false; };
  if (access(kCupsd, X_OK) != 0) return fail("cupsd is not installed (scripts/install-deps installs cups-daemon)");
  std::string pattern = (fs::temp_directory_path() / "sorrel-cups-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return fail("no temporary folder");
  m_dir = pattern;
  for (const char* sub : {"spool", "spool/tmp", "state", "cache", "log", "jobs", "bin", "bin/backend"})
    fs::create_directories(m_dir + "/" + sub);
  for (auto [sub, mode] : {std::pair{"", 0755}, {"/spool", 0711}, {"/spool/tmp", 01777}, {"/jobs", 0777}})
    fs::permissions(m_dir + sub, fs::perms(mode));
  // The scheduler runs helpers from its ServerBin: the system's, and our backend.
  for (const char* sub : {"daemon", "filter", "driver", "notifier", "monitor", "cgi-bin"})
    if (fs::exists(std::string(kCupsLib) + "/" + sub))
      fs::create_directory_symlink(std::string(kCupsLib) + "/" + sub, m_dir + "/bin/" + sub);
  // The backend writes each job's document and options into the folder of its
  // device URI; 0700, so that the scheduler runs it as root.
  fs::copy_file(kFiles + std::string("/capture"), m_dir + "/bin/backend/capture");
  fs::permissions(m_dir + "/bin/backend/capture", fs::perms(0700));

  const std::string socket = m_dir + "/cups.sock";
  // The configuration files name the folder as @DIR@.
  for (const char* conf : {"cupsd.conf", "cups-files.conf"}) {
    std::ifstream in(kFiles + std::string("/") + conf);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t at; (at = text.find("@DIR@")) != std::string::npos;) text.replace(at, 5, m_dir);
    std::ofstream(m_dir + "/" + conf) << text;
  }

  m_pid = fork();
  if (m_pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlives the test
    const std::string conf = m_dir + "/cupsd.conf", files = m_dir + "/cups-files.conf";
    execl(kCupsd, kCupsd, "-f", "-c", conf.c_str(), "-s", files.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (m_pid < 0) return fail("fork failed");
  setenv("CUPS_SERVER", socket.c_str(), 1);
  unsetenv("PRINTER");
  unsetenv("LPDEST");
  for (int i = 0; i < 100; ++i) {
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
      m_pid = -1;
      return fail("cupsd stopped at once: " + RunCommand("cat '" + m_dir + "/log/error_log' 2>/dev/null"));
    }
    if (fs::exists(socket) && RunCommand("lpstat -r 2>/dev/null").find("is running") != std::string::npos)
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return fail("cupsd did not answer within 5 s");
}

bool CupsScheduler::AddCaptureQueue(const std::string& name, bool makeDefault, std::string& reason) {
  int rc = 0;
  // A printer that takes PDF as it comes: no filter between the job and the backend.
  std::string out = RunCommand("lpadmin -p '" + name + "' -E -v 'capture:" + JobFolder() +
                                   "' -P '" + kFiles + "/capture.ppd' 2>&1",
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
