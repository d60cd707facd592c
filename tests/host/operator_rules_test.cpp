// The operator rules that the stand-in host and the runner share.
#include <gtest/gtest.h>
#include <quorvex/operator_rules.h>

#include <cstdint>
#include <limits>

namespace {

using quorvex::IntegerResult;
using quorvex::Op;
using Fault = IntegerResult::Fault;

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

TEST(OperatorRules, IntegerArithmeticRefusesWhatDoesNotFit) {
  struct Case {
    Op op;
    std::int64_t a, b;
    IntegerResult expected;
  };
  const Case cases[] = {
      {Op::Add, kMax, 1, {0, Fault::Overflow}},
      {Op::Add, kMin, kMax, {-1, Fault::None}},
      {Op::Subtract, kMin, 1, {0, Fault::Overflow}},
      {Op::Subtract, 0, kMin, {0, Fault::Overflow}},
      {Op::Multiply, 4294967296, 4294967296, {0, Fault::Overflow}},
      {Op::Multiply, kMin, -1, {0, Fault::Overflow}},
      {Op::IntegerDivide, -7, 2, {-3, Fault::None}},
      {Op::IntegerDivide, kMin, -1, {0, Fault::Overflow}},
      {Op::IntegerDivide, 1, 0, {0, Fault::DivisionByZero}},
      {Op::Modulo, -7, 2, {-1, Fault::None}},
      {Op::Modulo,
       kMin,
       -1,
       {0, Fault::None}},  // the remainder fits although the quotient does not
      {Op::Modulo, kMin, 0, {0, Fault::DivisionByZero}},
      {Op::Power, 2, 3, {0, Fault::NotIntegerArithmetic}},
  };
  for (const Case& c : cases) {
    const IntegerResult r = quorvex::integerArithmetic(c.op, c.a, c.b);
    EXPECT_EQ(r.fault, c.expected.fault) << c.a << " " << static_cast<int>(c.op) << " " << c.b;
    if (r.ok()) {
      EXPECT_EQ(r.value, c.expected.value) << c.a << " op " << c.b;
    }
  }
  EXPECT_EQ(quorvex::integerNegation(kMin).fault, Fault::Overflow);
  EXPECT_EQ(quorvex::integerNegation(-kMax).value, kMax);
}

TEST(OperatorRules, MethodNamesAndTheMirroredComparison) {
  EXPECT_STREQ(quorvex::operatorMethod(Op::Modulo), "Operator_Modulo");
  EXPECT_EQ(quorvex::mirroredMethod(Op::Subtract), "Operator_SubtractRight");
  EXPECT_EQ(quorvex::mirroredMethod(Op::LessEqual), "Operator_Compare");
  struct Case {
    Op op;
    std::int64_t order;
    bool holds, holdsMirrored;
  };
  const Case cases[] = {
      {Op::Less, -7, true, false},        {Op::Less, 0, false, false},
      {Op::LessEqual, 0, true, true},     {Op::Greater, kMin, false, true},
      {Op::GreaterEqual, 3, true, false}, {Op::Equal, 0, true, true},
      {Op::NotEqual, kMax, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(quorvex::comparisonHolds(c.op, c.order), c.holds) << c.order;
    EXPECT_EQ(quorvex::comparisonHolds(c.op, c.order, true), c.holdsMirrored) << c.order;
  }
}

}  // namespace
