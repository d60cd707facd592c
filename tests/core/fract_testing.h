// Helpers shared by the core's tests.
#ifndef QUORVEX_TESTS_CORE_FRACT_TESTING_H
#define QUORVEX_TESTS_CORE_FRACT_TESTING_H

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <ostream>
#include <string>

#include "fract.h"

inline bool operator==(const fract& a, const fract& b) {
  return a.num == b.num && a.den == b.den;
}
inline std::ostream& operator<<(std::ostream& os, const fract& f) {
  return os << f.num << "/" << f.den;
}

// A record no operation should ever write: a failed operation must leave it as it was.
constexpr fract kSentinel = {-12345, 6789};

// Both text forms as std::string, releasing the core's buffer.
inline std::string ownedText(int (*write)(char*&, const fract&), const fract& f) {
  char* out = nullptr;
  write(out, f);
  std::string s = out != nullptr ? out : "<null>";
  std::free(out);
  return s;
}
inline std::string mixedText(const fract& f) {
  return ownedText(FractToStr, f);
}
inline std::string plainText(const fract& f) {
  return ownedText(FractToStr2, f);
}

#endif  // QUORVEX_TESTS_CORE_FRACT_TESTING_H
