// Runs the interpreter on a stack of its own, large enough for deep recursion of the program's
// procedures; the main thread's (1 MiB on Windows, 8 MiB on Linux) is not.
#pragma once

#include <cstddef>
#include <functional>

namespace quorvex::lang {

// Reserved, not committed: pages are only used as deep calls reach them. A 32-bit process keeps a
// quarter of the size, for its address space.
constexpr std::size_t kDeepStackBytes =
    sizeof(void*) >= 8 ? std::size_t{1} << 30 : std::size_t{1} << 28;

// What any thread's stack surely has for the program's calls (Windows gives its main thread 1 MiB).
constexpr std::size_t kFallbackStackBytes = std::size_t{1} << 19;

// Runs `work` on a thread with a stack of `kDeepStackBytes` and waits for it; whatever it throws
// is thrown again here. Gives false, having run nothing, when no such thread can be made: the
// caller then runs it on its own stack and bounds the depth by what that surely has.
// Inside runSession it never leaves the session's thread: it runs `work` in place when that
// thread is a deep one, and gives false at once when it is not.
bool runOnDeepStack(const std::function<void()>& work);

// Runs a whole session, everything that loads, starts and calls the plug-in, on one thread and
// waits for it: a thread with the deep stack when one can be made, else this one. A plug-in is
// called only on the thread that loaded it. While the session runs on another thread, this one
// takes no signal, so that Ctrl-C interrupts the session's own wait for input. Whatever `work`
// throws is thrown again here.
void runSession(const std::function<void()>& work);

}  // namespace quorvex::lang
