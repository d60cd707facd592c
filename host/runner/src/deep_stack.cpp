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

thread_local bool onDeepStack = false;

struct Job {
  const std::function<void()>* work;
  std::exception_ptr failure;
#ifndef _WIN32
  sigset_t mask;  // the creator's, which the deep thread takes back once it runs
#endif

  void run() {
    onDeepStack = true;
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

// Ctrl-C must reach the thread that runs the program: its wait for a typed line ends only when
// the signal interrupts that thread. So the waiting creator holds SIGINT back for as long as the
// deep thread lives, and the deep thread starts with it held back too until it restores the mask.
bool runThread(Job& job) {
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return false;
  sigset_t interrupt;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, SIGINT);
  pthread_sigmask(SIG_BLOCK, &interrupt, &job.mask);
  pthread_t thread;
  const bool made = pthread_attr_setstacksize(&attr, kDeepStackBytes) == 0 &&
                    pthread_create(&thread, &attr, start, &job) == 0;
  pthread_attr_destroy(&attr);
  if (made) pthread_join(thread, nullptr);
  pthread_sigmask(SIG_SETMASK, &job.mask, nullptr);
  return made;
}
#endif

}  // namespace

bool runOnDeepStack(const std::function<void()>& work) {
  if (onDeepStack) {
    work();
    return true;
  }
  Job job{};
  job.work = &work;
  if (!runThread(job)) return false;
  if (job.failure) std::rethrow_exception(job.failure);
  return true;
}

}  // namespace quorvex::lang
