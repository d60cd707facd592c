// A resolver that any number of threads may ask at once: it knows the names one check expects,
// counts every question per name, and answers each with the entry given for it, or null (a miss).
// The table is set between runs, never while threads ask, so a lookup needs no lock; only the
// counts change under the threads, and they are atomic.
#ifndef QUORVEX_TESTS_THREADS_COUNTINGRESOLVER_H
#define QUORVEX_TESTS_THREADS_COUNTINGRESOLVER_H

#include <atomic>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>

#include "GlueCode/PluginMain.h"

namespace threadhost {

class CountingResolver {
 public:
  static CountingResolver& instance() {
    static CountingResolver resolver;
    return resolver;
  }
  static void* resolve(const char* name) {
    CountingResolver& self = instance();
    const auto found = self.names_.find(name);
    if (found == self.names_.end()) {
      self.strays_.fetch_add(1);
      return nullptr;
    }
    found->second.asked.fetch_add(1);
    return found->second.entry;
  }

  // Expects these names (null ones are skipped), all missing, none asked yet.
  void expect(std::initializer_list<const char*> names) {
    names_.clear();
    strays_.store(0);
    for (const char* name : names) {
      if (name != nullptr) names_[name];
    }
  }
  template <class F>
  void answer(const char* name, F* entry) {
    names_.at(name).entry = reinterpret_cast<void*>(entry);
  }
  // Questions for `name` since the last forget(); a name never expected is null.
  int asked(const char* name) const { return name == nullptr ? 0 : names_.at(name).asked.load(); }
  // Every question since the last forget(), expected names or not.
  int total() const {
    int sum = strays_.load();
    for (const auto& named : names_) sum += named.second.asked.load();
    return sum;
  }
  void forget() {
    strays_.store(0);
    for (auto& named : names_) named.second.asked.store(0);
  }

 private:
  struct Slot {
    void* entry = nullptr;
    std::atomic<int> asked{0};
  };
  std::map<std::string, Slot, std::less<>> names_;
  std::atomic<int> strays_{0};
};

}  // namespace threadhost

#endif  // QUORVEX_TESTS_THREADS_COUNTINGRESOLVER_H
