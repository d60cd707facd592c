#include "deep_stack.h"

#include <exception>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace quorvex::lang {

namespace {

struct Job {
  const std::function<void()>* work;
  std::exception_ptr failure;

  void run() {
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

bool runThread(Job& job) {
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return false;
  pthread_t thread;
  const bool made = pthread_attr_setstacksize(&attr, kDeepStackBytes) == 0 &&
                    pthread_create(&thread, &attr, start, &job) == 0;
  pthread_attr_destroy(&attr);
  if (made) pthread_join(thread, nullptr);
  return made;
}
#endif

}  // namespace

bool runOnDeepStack(const std::function<void()>& work) {
  Job job{&work, nullptr};
  if (!runThread(job)) return false;
  if (job.failure) std::rethrow_exception(job.failure);
  return true;
}

}  // namespace quorvex::lang
