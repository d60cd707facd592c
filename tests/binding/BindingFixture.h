// Test support: the built plug-in loaded into a fresh stand-in host, and short ways to make
// fractions and read them back.
#ifndef QUORVEX_TESTS_BINDING_BINDINGFIXTURE_H
#define QUORVEX_TESTS_BINDING_BINDINGFIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "quorvex/host.h"

namespace binding {

// A fraction as the test states it: numerator and denominator as stored.
struct Stored {
  long num;
  long den;
  bool operator==(const Stored& other) const { return num == other.num && den == other.den; }
};
inline std::ostream& operator<<(std::ostream& out, const Stored& f) {
  return out << f.num << "/" << f.den;
}

constexpr const char* kBadArgument = "FractionBadArgumentException";
constexpr const char* kDivideByZero = "FractionDivideByZeroException";
constexpr const char* kOverflow = "FractionIntegerOverflowException";

class Binding : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(host.load(QUORVEX_PLUGIN_PATH, &error)) << error;
  }

  // A Fraction through the two-Integer constructor (stored as given: unreduced).
  quorvex::Value make(long num, long den) {
    quorvex::Outcome made = host.construct("Fraction", {num, den});
    EXPECT_TRUE(made.ok()) << made.error << made.exceptionClass();
    return made.value;
  }

  Stored stored(const quorvex::Value& fraction) {
    quorvex::Outcome num = host.call(fraction, "Num");
    quorvex::Outcome den = host.call(fraction, "Den");
    EXPECT_TRUE(num.ok() && den.ok()) << num.error << den.error;
    return Stored{static_cast<long>(num.value.asInteger()),
                  static_cast<long>(den.value.asInteger())};
  }

  quorvex::Host host;
};

}  // namespace binding

#endif  // QUORVEX_TESTS_BINDING_BINDINGFIXTURE_H
