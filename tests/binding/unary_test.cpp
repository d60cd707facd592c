// Negation and the one-argument global functions Abs and Sqr.
#include <climits>

#include "BindingFixture.h"

namespace binding {
namespace {

using quorvex::Value;

struct UnaryCase {
  const char* function;  // "Negate" for the operator, else a global function
  Stored operand;
  Stored expected;
  const char* exception;  // with an exception, the operand itself comes back
};

TEST_F(Binding, NegateAbsSqr) {
  const UnaryCase cases[] = {
      {"Negate", {6, 8}, {-6, 8}, nullptr},
      {"Negate", {-3, 4}, {3, 4}, nullptr},
      {"Negate", {0, 5}, {0, 5}, nullptr},
      {"Negate", {LONG_MIN, 1}, {}, kOverflow},
      {"Negate", {LONG_MAX, 1}, {-LONG_MAX, 1}, nullptr},
      {"Abs", {-6, 8}, {6, 8}, nullptr},
      {"Abs", {6, 8}, {6, 8}, nullptr},
      {"Abs", {LONG_MIN, 3}, {}, kOverflow},
      {"Sqr", {-2, 3}, {4, 9}, nullptr},
      {"Sqr", {LONG_MAX, 1}, {}, kOverflow},
  };
  for (const UnaryCase& c : cases) {
    const Value operand = make(c.operand.num, c.operand.den);
    const quorvex::Outcome out = std::string(c.function) == "Negate"
                                     ? host.negate(operand)
                                     : host.callGlobal(c.function, {operand});
    ASSERT_FALSE(out.failed()) << c.function << " " << c.operand << ": " << out.error;
    EXPECT_EQ(out.raised(), c.exception != nullptr) << c.function << " " << c.operand;
    ASSERT_TRUE(out.value.isObject());
    if (c.exception != nullptr) {
      EXPECT_EQ(out.exceptionClass(), c.exception) << c.function << " " << c.operand;
      EXPECT_TRUE(out.value.same(operand)) << c.function << " " << c.operand;
      EXPECT_EQ(stored(operand), c.operand) << "operand untouched";
    } else {
      EXPECT_FALSE(out.value.same(operand)) << c.function << " returns a new object";
      EXPECT_EQ(stored(out.value), c.expected) << c.function << " " << c.operand;
    }
  }
}

TEST_F(Binding, NilOperandsOfUnaryFunctions) {
  const Value nil = Value::nil();
  const quorvex::Outcome negated = host.callAs("Fraction", nil, "Operator_Negate");
  ASSERT_TRUE(negated.ok()) << negated.error;
  ASSERT_TRUE(negated.value.isObject()) << "negating nil gives a new 0/1";
  EXPECT_EQ(stored(negated.value), (Stored{0, 1}));

  const std::pair<const char*, std::vector<Value>> nilCalls[] = {
      {"Abs", {nil}}, {"Sqr", {nil}}, {"Pow", {nil, Value(2L)}}, {"Pow", {nil, Value(0L)}}};
  for (const auto& [function, args] : nilCalls) {
    const quorvex::Outcome out = host.callGlobal(function, args);
    ASSERT_TRUE(out.ok()) << function << ": " << out.error;
    EXPECT_TRUE(out.value.isNil()) << function << " of nil is nil";
  }
}

}  // namespace
}  // namespace binding
