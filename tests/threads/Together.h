// Runs one task on eight threads at once. The threads meet at a gate before the task, so their
// first calls overlap as closely as the machine allows: with fewer cores than threads, the late
// ones are still on their way to the gate while the early ones wait there instead of running ahead.
#ifndef QUORVEX_TESTS_THREADS_TOGETHER_H
#define QUORVEX_TESTS_THREADS_TOGETHER_H

#include <atomic>
#include <thread>
#include <vector>

namespace together {

constexpr int kThreads = 8;

// Calls task(index) on kThreads new threads, index 0 to kThreads - 1, and returns once all have
// finished: what they wrote is then visible to the caller.
template <class Task>
void run(const Task& task) {
  std::atomic<int> arrived{0};
  std::vector<std::thread> threads;
  threads.reserve(kThreads);
  for (int index = 0; index < kThreads; ++index) {
    threads.emplace_back([&task, &arrived, index] {
      arrived.fetch_add(1);
      while (arrived.load() < kThreads) std::this_thread::yield();
      task(index);
    });
  }
  for (std::thread& thread : threads) thread.join();
}

}  // namespace together

#endif  // QUORVEX_TESTS_THREADS_TOGETHER_H
