// Runs one task on eight threads at once. The threads meet at a gate before the task, so their
// first calls overlap as closely as the machine allows: with fewer cores than threads, the late
// ones are still on their way to the gate while the early ones wait there instead of running ahead.
#ifndef QUORVEX_TESTS_THREADS_TOGETHER_H
#define QUORVEX_TESTS_THREADS_TOGETHER_H

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace together {

constexpr int kThreads = 8;

// The eight threads, started once and kept for task after task while it lives: a test that runs
// hundreds of tasks would otherwise spend its time starting threads (milliseconds each under Wine).
class Crowd {
 public:
  Crowd() {
    current() = this;
    for (int index = 0; index < kThreads; ++index)
      threads_.emplace_back([this, index] { serve(index); });
  }
  ~Crowd() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      ++round_;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
    current() = nullptr;
  }
  Crowd(const Crowd&) = delete;
  Crowd& operator=(const Crowd&) = delete;

  // Calls task(index) on every thread, index 0 to kThreads - 1, and returns once all have finished:
  // what the caller wrote before is visible to them, and what they wrote is visible after.
  void run(const std::function<void(int)>& task) {
    std::unique_lock<std::mutex> lock(mutex_);
    task_ = &task;
    arrived_.store(0);
    finished_ = 0;
    ++round_;
    wake_.notify_all();
    done_.wait(lock, [this] { return finished_ == kThreads; });
  }

  static Crowd*& current() {
    static Crowd* crowd = nullptr;
    return crowd;
  }

 private:
  void serve(int index) {
    unsigned seen = 0;
    for (;;) {
      const std::function<void(int)>* task = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return round_ != seen; });
        seen = round_;
        if (stopping_) return;
        task = task_;
      }
      arrived_.fetch_add(1);
      while (arrived_.load() < kThreads) std::this_thread::yield();
      (*task)(index);
      const std::lock_guard<std::mutex> lock(mutex_);
      if (++finished_ == kThreads) done_.notify_one();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  const std::function<void(int)>* task_ = nullptr;
  unsigned round_ = 0;
  int finished_ = 0;
  bool stopping_ = false;
  std::atomic<int> arrived_{0};
  std::vector<std::thread> threads_;
};

// Runs task(index) on the current crowd, or on a crowd of its own when none lives.
template <class Task>
void run(const Task& task) {
  const std::function<void(int)> call = [&task](int index) { task(index); };
  if (Crowd* crowd = Crowd::current()) {
    crowd->run(call);
  } else {
    Crowd once;
    once.run(call);
  }
}

}  // namespace together

#endif  // QUORVEX_TESTS_THREADS_TOGETHER_H
