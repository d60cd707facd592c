// The two-operand operators, powers and comparisons, as host code evaluates them.
#include <climits>

#include "BindingFixture.h"

namespace binding {
namespace {

using quorvex::Op;
using quorvex::Value;

// An operand as a case states it: a Fraction stored as num/den, or an Integer.
struct Operand {
  bool isInteger;
  long num;
  long den;
};
constexpr Operand F(long num, long den) {
  return {false, num, den};
}
constexpr Operand I(long value) {
  return {true, value, 1};
}

enum class Returns { kNew, kLeft, kRight };

struct BinaryCase {
  Op op;
  Operand lhs;
  Operand rhs;
  Stored expected;        // for kNew
  const char* exception;  // nullptr: none
  Returns returns;
};

class Operators : public Binding {
 protected:
  Value operand(const Operand& o) { return o.isInteger ? Value(o.num) : make(o.num, o.den); }

  void check(const BinaryCase& c) {
    const Value lhs = operand(c.lhs);
    const Value rhs = operand(c.rhs);
    const quorvex::Outcome out = host.binary(c.op, lhs, rhs);
    const std::string what = lhs.describe() + " " + quorvex::opSymbol(c.op) + " " + rhs.describe();
    ASSERT_FALSE(out.failed()) << what << ": " << out.error;
    EXPECT_EQ(out.raised(), c.exception != nullptr) << what;
    if (c.exception != nullptr) {
      EXPECT_EQ(out.exceptionClass(), c.exception) << what;
    }
    ASSERT_TRUE(out.value.isObject()) << what;
    switch (c.returns) {
      case Returns::kNew:
        EXPECT_FALSE(out.value.same(lhs)) << what << ": every operator returns a new object";
        EXPECT_FALSE(out.value.same(rhs)) << what << ": every operator returns a new object";
        EXPECT_EQ(stored(out.value), c.expected) << what;
        break;
      case Returns::kLeft:
        EXPECT_TRUE(out.value.same(lhs)) << what << ": the receiving Fraction comes back";
        break;
      case Returns::kRight:
        EXPECT_TRUE(out.value.same(rhs)) << what << ": the receiving Fraction comes back";
        break;
    }
  }
};

constexpr Stored kNone{0, 0};

TEST_F(Operators, Arithmetic) {
  const BinaryCase cases[] = {
      {Op::Add, F(1, 2), F(1, 3), {5, 6}, nullptr, Returns::kNew},
      {Op::Add, F(1, 2), I(2), {5, 2}, nullptr, Returns::kNew},
      {Op::Add, I(2), F(1, 2), {5, 2}, nullptr, Returns::kNew},
      {Op::Add, F(1, 2), I(0), {1, 2}, nullptr, Returns::kNew},
      {Op::Subtract, F(1, 2), F(1, 3), {1, 6}, nullptr, Returns::kNew},
      {Op::Subtract, F(1, 2), I(1), {-1, 2}, nullptr, Returns::kNew},
      {Op::Subtract, I(1), F(1, 3), {2, 3}, nullptr, Returns::kNew},
      {Op::Multiply, F(2, 3), F(3, 4), {1, 2}, nullptr, Returns::kNew},
      {Op::Multiply, F(1, 6), I(3), {1, 2}, nullptr, Returns::kNew},
      {Op::Multiply, I(3), F(1, 6), {1, 2}, nullptr, Returns::kNew},
      {Op::Divide, F(1, 2), F(1, 4), {2, 1}, nullptr, Returns::kNew},
      {Op::Divide, F(1, 2), I(3), {1, 6}, nullptr, Returns::kNew},
      {Op::Divide, I(3), F(1, 2), {6, 1}, nullptr, Returns::kNew},
  };
  for (const BinaryCase& c : cases) check(c);
}

TEST_F(Operators, ZeroDivisorsRaiseAndReturnTheReceiver) {
  const BinaryCase cases[] = {
      {Op::Divide, F(1, 2), I(0), kNone, kDivideByZero, Returns::kLeft},
      {Op::Divide, F(1, 2), F(0, 5), kNone, kDivideByZero, Returns::kLeft},
      {Op::Divide, I(3), F(0, 5), kNone, kDivideByZero, Returns::kRight},
  };
  for (const BinaryCase& c : cases) check(c);
}

TEST_F(Operators, OverflowRaisesAndReturnsTheReceiver) {
  const BinaryCase cases[] = {
      {Op::Add, F(LONG_MAX, 1), F(1, 1), kNone, kOverflow, Returns::kLeft},
      {Op::Add, F(LONG_MAX, 1), I(1), kNone, kOverflow, Returns::kLeft},
      {Op::Add, I(1), F(LONG_MAX, 1), kNone, kOverflow, Returns::kRight},
      {Op::Subtract, F(LONG_MIN, 1), I(1), kNone, kOverflow, Returns::kLeft},
      {Op::Subtract, I(-2), F(LONG_MAX, 1), kNone, kOverflow, Returns::kRight},
      {Op::Multiply, F(LONG_MAX, 1), F(2, 1), kNone, kOverflow, Returns::kLeft},
      {Op::Multiply, I(2), F(LONG_MAX, 1), kNone, kOverflow, Returns::kRight},
      {Op::Divide, F(LONG_MAX, 1), F(1, 2), kNone, kOverflow, Returns::kLeft},
      {Op::Divide, I(2), F(1, LONG_MAX), kNone, kOverflow, Returns::kRight},
  };
  for (const BinaryCase& c : cases) check(c);
}

#if LONG_MAX == 9223372036854775807L
// Within 2^-30 of the limit a product is formed only if ln|a| + ln|b| stays under 63 ln 2, which
// is conservative there. This is the one place where the C library's log decides a result, so it
// is what shows that a build of the plug-in is linked to the right log.
TEST_F(Operators, ProductsNearTheLimitFollowTheLogarithms) {
  const BinaryCase cases[] = {
      {Op::Multiply, F(2, 1), F(4611686018427387903L, 1), kNone, kOverflow, Returns::kLeft},
      {Op::Multiply, I(3), F(3074457345618258602L, 1), kNone, kOverflow, Returns::kRight},
      {Op::Multiply, F(3037000499L, 1), I(3037000500L), {9223372033963249500L, 1}, nullptr,
       Returns::kNew},
  };
  for (const BinaryCase& c : cases) check(c);
}
#endif

TEST_F(Operators, Powers) {
  constexpr long kBits = static_cast<long>(sizeof(long) * CHAR_BIT);
  const BinaryCase cases[] = {
      {Op::Power, F(2, 3), I(2), {4, 9}, nullptr, Returns::kNew},
      {Op::Power, F(-1, 2), I(3), {-1, 8}, nullptr, Returns::kNew},
      {Op::Power, F(0, 5), I(3), {0, 1}, nullptr, Returns::kNew},
      {Op::Power, F(3, 4), I(0), {1, 1}, nullptr, Returns::kNew},
      {Op::Power, F(5, 0), I(0), {1, 1}, nullptr, Returns::kNew},
      {Op::Power, F(0, 1), I(0), kNone, kBadArgument, Returns::kLeft},
      {Op::Power, F(0, 1), I(-2), kNone, kDivideByZero, Returns::kLeft},
      {Op::Power, F(2, 1), I(kBits), kNone, kOverflow, Returns::kLeft},
  };
  for (const BinaryCase& c : cases) {
    check(c);
    // The global Pow behaves exactly as the operator.
    const Value base = operand(c.lhs);
    const quorvex::Outcome out = host.callGlobal("Pow", {base, Value(c.rhs.num)});
    ASSERT_FALSE(out.failed()) << out.error;
    EXPECT_EQ(out.raised(), c.exception != nullptr) << "Pow " << c.lhs.num << "/" << c.lhs.den;
    if (c.returns == Returns::kNew) {
      EXPECT_FALSE(out.value.same(base));
      EXPECT_EQ(stored(out.value), c.expected);
    } else {
      EXPECT_TRUE(out.value.same(base));
    }
  }
}

TEST_F(Operators, NilOperandsGiveANewZero) {
  const Value f = make(1, 2);
  for (const char* op :
       {"Operator_Add", "Operator_Subtract", "Operator_Multiply", "Operator_Divide"}) {
    for (bool nilSelf : {true, false}) {
      const quorvex::Outcome out = nilSelf ? host.callAs("Fraction", Value::nil(), op, {f})
                                           : host.call(f, op, {Value::nil()});
      ASSERT_TRUE(out.ok()) << op << (nilSelf ? " on nil" : " with nil") << ": " << out.error;
      ASSERT_TRUE(out.value.isObject()) << op;
      EXPECT_FALSE(out.value.same(f)) << op;
      EXPECT_EQ(stored(out.value), (Stored{0, 1})) << op;
    }
    const quorvex::Outcome integer = host.callAs("Fraction", Value::nil(), op, {Value(3L)});
    ASSERT_TRUE(integer.ok()) << op << " Integer on nil: " << integer.error;
    EXPECT_EQ(stored(integer.value), (Stored{0, 1})) << op;
  }
}

TEST_F(Operators, Comparisons) {
  struct Case {
    Operand lhs;
    Operand rhs;
    long expected;
  };
  const Case cases[] = {
      {F(1, 2), F(1, 3), 1},
      {F(1, 3), F(1, 2), -1},
      {F(2, 4), F(1, 2), 0},
      {F(1, 2), I(1), -1},
      {F(4, 2), I(2), 0},
      // Where the difference does not fit, the comparison is still exact.
      {F(LONG_MAX, 1), F(-LONG_MAX, 1), 1},
      {F(-LONG_MAX, 1), F(LONG_MAX, 1), -1},
      {F(LONG_MAX - 1, LONG_MAX), F(LONG_MAX - 2, LONG_MAX - 1), 1},
      {F(LONG_MAX - 2, LONG_MAX - 1), F(LONG_MAX - 1, LONG_MAX), -1},
      {F(LONG_MAX, LONG_MAX - 1), F(LONG_MAX, LONG_MAX - 1), 0},
      {F(LONG_MIN, 1), I(LONG_MAX), -1},
      {F(LONG_MAX, 1), I(-1), 1},
      {F(LONG_MIN, 1), I(LONG_MIN), 0},
      {F(LONG_MIN, 3), F(LONG_MIN, 2), 1},
      // A zero denominator compares by the same cross products: n/0 against m/d is the sign of n·d.
      {F(1, 0), F(2, 1), 1},
      {F(-1, 0), I(5), -1},
      {F(1, 0), F(-7, 0), 0},
      {F(0, 0), I(0), 0},
  };
  for (const Case& c : cases) {
    const Value lhs = make(c.lhs.num, c.lhs.den);
    const Value rhs = c.rhs.isInteger ? Value(c.rhs.num) : make(c.rhs.num, c.rhs.den);
    const quorvex::Outcome out = host.call(lhs, "Operator_Compare", {rhs});
    ASSERT_TRUE(out.ok()) << out.error;
    EXPECT_EQ(out.value.asInteger(), c.expected) << lhs.describe() << " vs " << rhs.describe()
                                                 << " (" << c.lhs.num << "/" << c.lhs.den << ")";
    const quorvex::Outcome less = host.binary(Op::Less, lhs, rhs);
    ASSERT_TRUE(less.ok()) << less.error;
    EXPECT_EQ(less.value.asBoolean(), c.expected < 0);
  }
}

TEST_F(Operators, ComparisonWithNilIsEqual) {
  const Value f = make(1, 2);
  EXPECT_EQ(host.call(f, "Operator_Compare", {Value::nil()}).value.asInteger(), 0);
  EXPECT_EQ(host.callAs("Fraction", Value::nil(), "Operator_Compare", {f}).value.asInteger(), 0);
  EXPECT_EQ(
      host.callAs("Fraction", Value::nil(), "Operator_Compare", {Value(5L)}).value.asInteger(), 0);
}

}  // namespace
}  // namespace binding
