// Reference text conversions: the reading rules followed one character at a time with exact
// arithmetic, and the two written forms produced with snprintf.
#ifndef QUORVEX_TESTS_CORE_ORACLE_TEXT_MODEL_H
#define QUORVEX_TESTS_CORE_ORACLE_TEXT_MODEL_H

#include <cstdio>
#include <string>

#include "CoreOracle.h"
#include "fract.h"

namespace textmodel {

constexpr bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

struct Reading {
  bool ok = false;
  fract f{0, 0};
};

class Reader {
 public:
  explicit Reader(const std::string& s) : s_(s), last_(static_cast<long>(s.size()) - 1) {}

  Reading read() {
    if (s_.empty()) return {};
    long i = 0;
    while (i < last_ && s_[i] == ' ') ++i;
    if (i == last_ && !isDigit(s_[i])) return {};
    bool negative = false;
    if (s_[i] == '+' || s_[i] == '-') {
      negative = s_[i] == '-';
      i = skipSpaces(i + 1);
      if (i > last_ || !isDigit(s_[i])) return {};
    } else if (!isDigit(s_[i])) {
      return {};
    }
    long v = 0;
    if (!run(i, v)) return {};
    if (s_[i] == ' ') i = currentAfterSpaces(i + 1);
    if (i == last_) {
      if (s_[i] == '/') return {};
      return {true, {negative ? -v : v, 1}};
    }
    long whole = 0, numerator = v;
    if (isDigit(s_[i])) {
      whole = v;
      if (!run(i, numerator)) return {};
      if (s_[i] == ' ') i = currentAfterSpaces(i + 1);
      if (s_[i] != '/' || i == last_) return {};
    } else if (s_[i] != '/') {
      return {};
    }
    i = skipSpaces(i + 1);
    long d = 0;
    if (i > last_ || !isDigit(s_[i]) || !run(i, d) || d <= 0) return {};
    const oracle::Wide n =
        static_cast<oracle::Wide>(numerator) + static_cast<oracle::Wide>(d) * whole;
    if (!oracle::fits(n)) return {};
    fract f{static_cast<long>(n), d};
    oracle::reduce(f.num, f.den);
    if (negative) f.num = -f.num;
    return {true, f};
  }

 private:
  long skipSpaces(long i) const {
    while (i <= last_ && s_[i] == ' ') ++i;
    return i;
  }
  // Spaces are read up to a non-space, or to the end where the last one read stays current.
  long currentAfterSpaces(long i) const {
    i = skipSpaces(i);
    return i > last_ ? last_ : i;
  }
  // Converts the digit run at i; i becomes the character that ended it, or the run's last digit
  // at the end of the text. False when the value lies outside long.
  bool run(long& i, long& value) const {
    oracle::Wide v = 0;
    bool fitsLong = true;
    for (; i <= last_ && isDigit(s_[i]); ++i) {
      v = v * 10 + (s_[i] - '0');
      if (!oracle::fits(v)) {
        fitsLong = false;
        v = 0;
      }
    }
    if (i > last_) i = last_;
    value = static_cast<long>(v);
    return fitsLong;
  }

  const std::string& s_;
  const long last_;
};

inline Reading read(const std::string& s) {
  return Reader(s).read();
}

inline std::string format(const char* pattern, long a, long b = 0, long c = 0) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, pattern, a, b, c);
  return buffer;
}

inline std::string mixed(const fract& f) {
  const long n = f.num, d = f.den;
  if (d == 0) return format("%ld/%ld", n, d);
  if (n == 0 || d == 1) return format("%ld", n);
  const long m = n < 0 ? -n : n;
  if (m < d) return format("%ld/%ld", n, d);
  const long q = m / d;
  return format("%ld %ld/%ld", n < 0 ? -q : q, m - q * d, d);
}

inline std::string plain(const fract& f) {
  if (f.den == 0) return format("%ld/%ld", f.num, f.den);
  if (f.num == 0 || f.den == 1) return format("%ld", f.num);
  return format("%ld/%ld", f.num, f.den);
}

}  // namespace textmodel

#endif  // QUORVEX_TESTS_CORE_ORACLE_TEXT_MODEL_H
