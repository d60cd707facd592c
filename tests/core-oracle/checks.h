// Comparison of one core call with the exact replay, shared by the randomized and the exhaustive
// tests. Each check returns an empty string when the call agrees, else a description of the case.
#ifndef QUORVEX_TESTS_CORE_ORACLE_CHECKS_H
#define QUORVEX_TESTS_CORE_ORACLE_CHECKS_H

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "CoreOracle.h"
#include "fract.h"

namespace checks {

using BinaryOp = bool (*)(fract&, const fract&, const fract&);
using BinaryModel = oracle::Outcome (*)(const fract&, const fract&);
using ExactValue = oracle::Exact (*)(const fract&, const fract&);

// A result record the core must leave alone where it does not succeed.
constexpr fract kUntouched{-271828, -314159};

inline bool same(const fract& x, const fract& y) {
  return x.num == y.num && x.den == y.den;
}

inline std::string show(const fract& f) {
  return std::to_string(f.num) + "/" + std::to_string(f.den);
}

inline oracle::Exact sumOf(const fract& a, const fract& b) {
  using W = oracle::Wide;
  return oracle::canonical(W{a.num} * b.den + W{b.num} * a.den, W{a.den} * b.den);
}
inline oracle::Exact differenceOf(const fract& a, const fract& b) {
  using W = oracle::Wide;
  return oracle::canonical(W{a.num} * b.den - W{b.num} * a.den, W{a.den} * b.den);
}
inline oracle::Exact productOf(const fract& a, const fract& b) {
  using W = oracle::Wide;
  return oracle::canonical(W{a.num} * b.num, W{a.den} * b.den);
}
inline oracle::Exact quotientOf(const fract& a, const fract& b) {
  using W = oracle::Wide;
  return oracle::canonical(W{a.num} * b.den, W{a.den} * b.num);
}

struct Binary {
  const char* name;
  BinaryOp core;
  BinaryModel replay;
  ExactValue exact;
  bool mayWriteNumOnFailure;  // add and sub may have stored the numerator before refusing
  bool divides;               // the second operand is a divisor, never zero where values count
};

inline const Binary kBinaries[] = {
    {"add", add, oracle::add, sumOf, true, false},
    {"sub", sub, oracle::sub, differenceOf, true, false},
    {"mul", mul, oracle::mul, productOf, false, false},
    {"div", div, oracle::div, quotientOf, false, true},
};

// Operands the value and lowest-terms claims are made for: positive denominators, a nonzero
// divisor, no most negative long.
inline bool ordinary(const Binary& op, const fract& a, const fract& b) {
  if (oracle::hasMin(a) || oracle::hasMin(b) || a.den <= 0 || b.den <= 0) return false;
  return !op.divides || b.num != 0;
}

inline std::string checkBinary(const Binary& op, const fract& a, const fract& b) {
  const fract ca = a, cb = b;
  fract r = kUntouched;
  const bool ok = op.core(r, ca, cb);
  const oracle::Outcome want = op.replay(a, b);
  std::string why;
  if (!same(ca, a) || !same(cb, b))
    why = "an operand was written";
  else if (ok != want.ok)
    why = ok ? "succeeded where it must refuse" : "refused a result that fits";
  else if (ok && !same(r, want.r))
    why = "wrong result, expected " + show(want.r);
  else if (!ok &&
           (r.den != kUntouched.den || (!op.mayWriteNumOnFailure && r.num != kUntouched.num)))
    why = "wrote the result record although it refused";
  else if (ok && ordinary(op, a, b)) {
    if (!(oracle::canonical(r) == op.exact(a, b)))
      why = "value is not exact";
    else if (r.den <= 0)
      why = "denominator not positive";
    else if (r.num != 0 && oracle::inLowestTerms(a) && oracle::inLowestTerms(b) &&
             !oracle::inLowestTerms(r))
      why = "not in lowest terms although both operands are";
  }
  if (why.empty()) return why;
  return std::string(op.name) + "(" + show(a) + ", " + show(b) + ") -> " +
         (ok ? "true " : "false ") + show(r) + ": " + why;
}

// What a one-operand call got wrong against the model, or "" when nothing: the operand left
// alone, the same verdict, the same result, and the result record untouched on refusal.
inline std::string unaryFault(const fract& copy, const fract& a, bool ok, const fract& r,
                              const oracle::Outcome& want) {
  if (!same(copy, a)) return "the operand was written";
  if (ok != want.ok) return ok ? "succeeded where it must refuse" : "refused a result that fits";
  if (ok && !same(r, want.r)) return "wrong result, expected " + show(want.r);
  if (!ok && !same(r, kUntouched)) return "wrote the result record although it refused";
  return "";
}

inline std::string checkPow(const fract& a, long p) {
  const fract ca = a;
  fract r = kUntouched;
  const bool ok = myPow(r, ca, p);
  const oracle::Outcome want = oracle::pow(a, p);
  std::string why = unaryFault(ca, a, ok, r, want);
  if (why.empty() && ok && oracle::inLowestTerms(a) && a.num != 0 && !oracle::inLowestTerms(r))
    why = "a power of a reduced value is not reduced";
  if (why.empty()) return why;
  return "myPow(" + show(a) + ", " + std::to_string(p) + ") -> " + (ok ? "true " : "false ") +
         show(r) + ": " + why;
}

inline std::string checkSqr(const fract& a) {
  const fract ca = a;
  fract r = kUntouched;
  const bool ok = sqr(r, ca);
  const oracle::Outcome want = oracle::sqr(a);
  const std::string why = unaryFault(ca, a, ok, r, want);
  if (why.empty()) return why;
  return "sqr(" + show(a) + ") -> " + (ok ? "true " : "false ") + show(r) + ": " + why;
}

// Counts disagreements and reports the first few in full, so a systematic fault does not flood
// the log while the total still shows its extent.
class Tally {
 public:
  explicit Tally(std::string what) : what_(std::move(what)) {}
  ~Tally() {
    EXPECT_EQ(failures_, 0u) << failures_ << " of " << cases_ << " " << what_ << " cases disagree";
  }
  void record(const std::string& failure) {
    ++cases_;
    if (failure.empty()) return;
    if (++failures_ <= kShown) ADD_FAILURE() << failure;
  }

 private:
  static constexpr unsigned long kShown = 8;
  std::string what_;
  unsigned long cases_ = 0;
  unsigned long failures_ = 0;
};

}  // namespace checks

#endif  // QUORVEX_TESTS_CORE_ORACLE_CHECKS_H
