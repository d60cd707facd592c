#include "quorvex/lang/deep_stack.h"

#include <exception>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>

#include <csignal>
#endif

namespace quorvex::lang {

namespace {

// Where runOnDeepStack puts its work on this thread.
enum class Placement {
  NewThread,  // outside a session: a deep thread of its own
  InPlace,    // a session's deep thread
  Fallback,   // a session that could have no deep thread: here, with the fallback bound
};

thread_local Placement thisThread = Placement::NewThread;

struct Job {
  const std::function<void()>* work = nullptr;
  Placement placement = Placement::NewThread;
  std::exception_ptr failure;
#ifndef _WIN32
  sigset_t mask{};  // the creator's, which the new thread takes back once it runs
#endif

  void run() {
    thisThread = placement;
#ifndef _WIN32
    pthread_sigmask(SIG_SETMASK, &mask, nullptr);
#endif
    try {
      (*work)();
    } catch (...) {
      failure = std::current_exception();
    }
  }
};

#ifdef _WIN32
DWORD WINAPI start(LPVOID job) {
  static_cast<Job*>(job)->run();
  return 0;
}

bool runThread(Job& job) {
  HANDLE thread = CreateThread(nullptr, kDeepStackBytes, start, &job,
                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == nullptr) return false;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return true;
}
#else
void* start(void* job) {
  static_cast<Job*>(job)->run();
  return nullptr;
}

// A signal sent to the process goes to any thread that does not block it. The creator only waits,
// so it blocks them all while the new thread lives: Ctrl-C then lands on the thread that runs the
// program, where it ends a wait for typed input. The new thread starts with all blocked too, until
// it takes back the creator's mask.
bool runThread(Job& job) {
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return false;
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &job.mask);
  pthread_t thread;
  const bool made = pthread_attr_setstacksize(&attr, kDeepStackBytes) == 0 &&
                    pthread_create(&thread, &attr, start, &job) == 0;
  pthread_attr_destroy(&attr);
  if (made) pthread_join(thread, nullptr);
  pthread_sigmask(SIG_SETMASK, &job.mask, nullptr);
  return made;
}
#endif

bool runJob(Job& job) {
  if (!runThread(job)) return false;
  if (job.failure) std::rethrow_exception(job.failure);
  return true;
}

}  // namespace

bool runOnDeepStack(const std::function<void()>& work) {
  switch (thisThread) {
    case Placement::InPlace:
      work();
      return true;
    case Placement::Fallback:
      return false;
    case Placement::NewThread:
      break;
  }
  Job job;
  job.work = &work;
  return runJob(job);
}

void runSession(const std::function<void()>& work) {
  Job job;
  job.work = &work;
  job.placement = Placement::InPlace;
  if (runJob(job)) return;
  struct Restore {
    Placement before = thisThread;
    ~Restore() { thisThread = before; }
  } restore;
  thisThread = Placement::Fallback;
  work();
}

}  // namespace quorvex::lang
