// The last line of a run that a damaged plug-in brings down: which library, and how it ended,
// instead of a bare signal.
#pragma once

#include <string>

namespace quorvex::runner {

// While one is armed, a crash (a bad memory access, an illegal instruction, an arithmetic trap)
// prints one line naming `plugin` and ends the process with `status`. Armed and disarmed on one
// thread, the one that calls the plug-in: the stack the report is told on belongs to that thread
// and must be taken back before it ends.
class CrashReport {
 public:
  CrashReport() = default;
  CrashReport(const CrashReport&) = delete;
  CrashReport& operator=(const CrashReport&) = delete;
  ~CrashReport();

  void arm(const std::string& plugin, int status);

 private:
  bool armed_ = false;
};

}  // namespace quorvex::runner
