// A host that hands out no instance, or no string data: nothing is written through null, nothing
// crashes, and each function ends as for an operand without data.
#include <climits>

#include "BindingFixture.h"

namespace binding {
namespace {

using quorvex::Op;
using quorvex::Value;

TEST_F(Binding, NoResultInstanceReturnsTheReceiver) {
  const Value a = make(1, 2);
  const Value b = make(1, 3);
  host.faults().createInstanceReturnsNull = true;
  struct Case {
    const char* what;
    quorvex::Outcome out;
    const Value& expected;
  };
  const Case cases[] = {
      {"a + b", host.binary(Op::Add, a, b), a},
      {"a - 1", host.binary(Op::Subtract, a, Value(1L)), a},
      {"1 - a", host.binary(Op::Subtract, Value(1L), a), a},
      {"a * b", host.binary(Op::Multiply, a, b), a},
      {"a / b", host.binary(Op::Divide, a, b), a},
      {"3 / a", host.binary(Op::Divide, Value(3L), a), a},
      {"a ^ 2", host.binary(Op::Power, a, Value(2L)), a},
      {"-a", host.negate(a), a},
      {"Abs(a)", host.callGlobal("Abs", {a}), a},
      {"Sqr(a)", host.callGlobal("Sqr", {a}), a},
      {"Pow(a, 0)", host.callGlobal("Pow", {a, Value(0L)}), a},
  };
  for (const Case& c : cases) {
    ASSERT_FALSE(c.out.failed()) << c.what << ": " << c.out.error;
    EXPECT_TRUE(c.out.value.same(c.expected)) << c.what << " gave " << c.out.value.describe();
  }
  EXPECT_EQ(stored(a), (Stored{1, 2})) << "operands untouched";
}

TEST_F(Binding, NoExceptionInstanceStillReturnsTheReceiver) {
  const Value big = make(LONG_MAX, 1);
  const Value zero = make(0, 1);
  host.faults().createInstanceReturnsNull = true;
  for (const quorvex::Outcome& out :
       {host.binary(Op::Add, big, big), host.binary(Op::Divide, big, zero),
        host.binary(Op::Power, zero, Value(0L)), host.negate(make(LONG_MIN, 1))}) {
    ASSERT_FALSE(out.failed()) << out.error;
    EXPECT_FALSE(out.raised()) << "there was no exception object to raise";
    EXPECT_TRUE(out.value.isObject());
  }
}

TEST_F(Binding, OverflowWithOnlyTheResultInstanceAvailable) {
  const Value big = make(LONG_MAX, 1);
  host.faults().createInstanceBudget = 1;  // the result object, then nothing for the exception
  const quorvex::Outcome out = host.binary(Op::Multiply, big, big);
  ASSERT_FALSE(out.failed()) << out.error;
  EXPECT_TRUE(out.value.same(big));
}

TEST_F(Binding, NilOperandWithoutInstancesGivesNil) {
  host.faults().createInstanceReturnsNull = true;
  const quorvex::Outcome out = host.callAs("Fraction", Value::nil(), "Operator_Add", {Value(1L)});
  ASSERT_FALSE(out.failed()) << out.error;
  EXPECT_TRUE(out.value.isNil()) << out.value.describe();
}

TEST_F(Binding, StringDataUnavailableLeavesTheRecordConstructorsZero) {
  host.faults().stringDataFails = true;
  const quorvex::Outcome made = host.construct("Fraction", {"3/4"});
  ASSERT_TRUE(made.ok()) << made.error << made.exceptionClass();
  EXPECT_EQ(stored(made.value), (Stored{0, 1}));
}

TEST_F(Binding, StringDataTrueByteOtherThanOneStillReads) {
  host.faults().stringDataTrue = 2;
  const quorvex::Outcome made = host.construct("Fraction", {"3/4"});
  ASSERT_TRUE(made.ok()) << made.error << made.exceptionClass();
  EXPECT_EQ(stored(made.value), (Stored{3, 4}));
}

}  // namespace
}  // namespace binding
