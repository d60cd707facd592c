// The last line of a run that a damaged plug-in brings down: which library, and how it ended,
// instead of a bare signal.
#pragma once

#include <string>

namespace quorvex::runner {

// From now on a crash (a bad memory access, an illegal instruction, an arithmetic trap) prints
// one line naming `plugin` and ends the process with `status`.
void reportCrashesOf(const std::string& plugin, int status);

}  // namespace quorvex::runner
