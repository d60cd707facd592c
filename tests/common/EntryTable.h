// The host's entries by name, as the test hosts' resolvers answer from them, with a count of the
// questions asked for each name and for names the table does not know. Any number of threads may
// ask at once: the names and entries are written only while none asks (before the threads start,
// or between their runs), so a lookup needs no lock; only the counts change under the threads, and
// they are atomic.
#ifndef QUORVEX_TESTS_COMMON_ENTRYTABLE_H
#define QUORVEX_TESTS_COMMON_ENTRYTABLE_H

#include <atomic>
#include <functional>
#include <map>
#include <string>

namespace proxytest {

class EntryTable {
 public:
  // The entry known for `name`, or null (a miss), counting the question.
  void* lookup(const char* name) {
    const auto found = slots_.find(name);
    if (found == slots_.end()) {
      strays_.fetch_add(1);
      return nullptr;
    }
    found->second.asked.fetch_add(1);
    return found->second.entry;
  }

  // Knows `name`, answering it with `entry` (by default a miss).
  void add(const std::string& name, void* entry = nullptr) { slots_[name].entry = entry; }
  // Answers a name already known; a name never added is a fault of the test and throws.
  template <class F>
  void answer(const std::string& name, F* entry) {
    slots_.at(name).entry = reinterpret_cast<void*>(entry);
  }
  // Knows no name, and no question has been asked.
  void clear() {
    slots_.clear();
    strays_.store(0);
  }

  // Questions for `name` since the last forget(); none for a null name (where a row has no second
  // name), and a name never added is a fault of the test.
  int asked(const char* name) const { return name == nullptr ? 0 : slots_.at(name).asked.load(); }
  // Every question since the last forget(), known names or not.
  int total() const {
    int sum = strays_.load();
    for (const auto& named : slots_) sum += named.second.asked.load();
    return sum;
  }
  void forget() {
    strays_.store(0);
    for (auto& named : slots_) named.second.asked.store(0);
  }

 private:
  struct Slot {
    void* entry = nullptr;
    std::atomic<int> asked{0};
  };
  std::map<std::string, Slot, std::less<>> slots_;
  std::atomic<int> strays_{0};
};

}  // namespace proxytest

#endif  // QUORVEX_TESTS_COMMON_ENTRYTABLE_H
