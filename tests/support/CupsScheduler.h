// A private CUPS scheduler for a test: its own configuration, spool and state in a
// temporary folder, listening on a Unix socket there, with one queue whose jobs
// come back as files. CUPS_SERVER points at it (set it up before anything in the
// process talks to CUPS: the client library keeps the first server it sees). The
// scheduler is the test's child and dies with it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/RunCommand.h"

namespace sorrel::test {

class CupsScheduler {
 public:
  CupsScheduler() = default;
  ~CupsScheduler() { Stop(); }
  CupsScheduler(const CupsScheduler&) = delete;
  CupsScheduler& operator=(const CupsScheduler&) = delete;

  // False with the reason when the scheduler cannot be had (CUPS not installed,
  // or it did not come up); the test then skips itself saying so.
  bool Start(std::string& reason);
  void Stop();

  // Adds a queue whose jobs land in JobFolder(); `makeDefault` with lpadmin -d.
  bool AddCaptureQueue(const std::string& name, bool makeDefault, std::string& reason);
  std::string JobFolder() const { return m_dir + "/jobs"; }
  // The captured documents (job-N.pdf), waiting until there are at least `count`
  // or the time is up; in job order.
  std::vector<std::string> WaitForJobs(size_t count, double seconds) const;

 private:
  std::string m_dir;
  pid_t m_pid = -1;
};

}  // namespace sorrel::test
