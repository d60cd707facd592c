// A resolver that any number of threads may ask at once: it knows the names one check expects,
// counts every question per name, and answers each with the entry given for it, or null (a miss).
// The names are set between runs, never while threads ask.
#ifndef QUORVEX_TESTS_THREADS_COUNTINGRESOLVER_H
#define QUORVEX_TESTS_THREADS_COUNTINGRESOLVER_H

#include <initializer_list>

#include "EntryTable.h"

namespace threadhost {

class CountingResolver : public proxytest::EntryTable {
 public:
  static CountingResolver& instance() {
    static CountingResolver resolver;
    return resolver;
  }
  static void* resolve(const char* name) { return instance().lookup(name); }

  // Expects these names (null ones are skipped), all missing, none asked yet.
  void expect(std::initializer_list<const char*> names) {
    clear();
    for (const char* name : names) {
      if (name != nullptr) add(name);
    }
  }
};

}  // namespace threadhost

#endif  // QUORVEX_TESTS_THREADS_COUNTINGRESOLVER_H
