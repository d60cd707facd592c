// The host language's operator rules, for the stand-in host and the runner alike: which method an
// operator asks of an object on either side, how a comparison reads Operator_Compare's answer, and
// Integer arithmetic that refuses what does not fit instead of wrapping.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

namespace quorvex {

enum class Op {
  Add,
  Subtract,
  Multiply,
  Divide,
  IntegerDivide,
  Modulo,
  Power,
  Equal,
  NotEqual,
  Less,
  LessEqual,
  Greater,
  GreaterEqual,
};

constexpr bool isComparison(Op op) {
  return op >= Op::Equal;
}

// The method an object on the left answers with; every comparison goes through Operator_Compare.
constexpr const char* operatorMethod(Op op) {
  switch (op) {
    case Op::Add:
      return "Operator_Add";
    case Op::Subtract:
      return "Operator_Subtract";
    case Op::Multiply:
      return "Operator_Multiply";
    case Op::Divide:
      return "Operator_Divide";
    case Op::IntegerDivide:
      return "Operator_IntegerDivide";
    case Op::Modulo:
      return "Operator_Modulo";
    case Op::Power:
      return "Operator_Power";
    default:
      return "Operator_Compare";
  }
}

constexpr const char* kNegateMethod = "Operator_Negate";

// The method asked of an object on the right: the `…Right` form, which receives the left operand
// (x - self, not self - x). A comparison asks the same Operator_Compare and mirrors its answer.
inline std::string mirroredMethod(Op op) {
  return isComparison(op) ? operatorMethod(op) : std::string(operatorMethod(op)) + "Right";
}

// Operator_Compare may answer any negative or positive number; only its sign counts.
constexpr int orderSign(std::int64_t order) {
  return (order > 0) - (order < 0);
}

// What the comparison `op` says about two operands whose order is `order` (left against right);
// `mirrored` when the answer came from the right operand comparing itself with the left.
constexpr bool comparisonHolds(Op op, std::int64_t order, bool mirrored = false) {
  const int sign = mirrored ? -orderSign(order) : orderSign(order);
  switch (op) {
    case Op::Equal:
      return sign == 0;
    case Op::NotEqual:
      return sign != 0;
    case Op::Less:
      return sign < 0;
    case Op::LessEqual:
      return sign <= 0;
    case Op::Greater:
      return sign > 0;
    case Op::GreaterEqual:
      return sign >= 0;
    default:
      return false;
  }
}

struct IntegerResult {
  enum class Fault { None, Overflow, DivisionByZero, NotIntegerArithmetic };
  std::int64_t value = 0;
  Fault fault = Fault::None;
  constexpr bool ok() const { return fault == Fault::None; }
};

// +, -, *, \ and Mod on two Integers. A result that does not fit 64 bits is an Overflow, never a
// wrapped value: the smallest Integer \ -1 is one; the smallest Integer Mod -1 is 0, which fits.
constexpr IntegerResult integerArithmetic(Op op, std::int64_t a, std::int64_t b) {
  using Fault = IntegerResult::Fault;
  IntegerResult r;
  bool overflow = false;
  switch (op) {
    case Op::Add:
      overflow = __builtin_add_overflow(a, b, &r.value);
      break;
    case Op::Subtract:
      overflow = __builtin_sub_overflow(a, b, &r.value);
      break;
    case Op::Multiply:
      overflow = __builtin_mul_overflow(a, b, &r.value);
      break;
    case Op::IntegerDivide:
    case Op::Modulo:
      if (b == 0) return {0, Fault::DivisionByZero};
      if (b == -1) {  // C++'s / and % are undefined for the smallest Integer and -1
        if (op == Op::Modulo) return {0, Fault::None};
        overflow = __builtin_sub_overflow(std::int64_t{0}, a, &r.value);
        break;
      }
      r.value = op == Op::IntegerDivide ? a / b : a % b;
      break;
    default:
      return {0, Fault::NotIntegerArithmetic};
  }
  if (overflow) return {0, Fault::Overflow};
  return r;
}

constexpr IntegerResult integerNegation(std::int64_t a) {
  return integerArithmetic(Op::Subtract, 0, a);
}

}  // namespace quorvex
