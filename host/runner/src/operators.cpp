#include "quorvex/lang/operators.h"

#include <cmath>

#include "quorvex/lang/object_host.h"

namespace quorvex::lang {

namespace {

bool isNumeric(const Type& t) {
  return !t.isArray() && (t.kind == Kind::Integer || t.kind == Kind::Double);
}

std::string mismatch(Op op, const Type& l, const Type& r) {
  return std::string("'") + opText(op) + "' cannot combine " + typeName(l) + " and " + typeName(r);
}

std::int64_t checkedInteger(Op op, std::int64_t a, std::int64_t b, Pos pos) {
  using Fault = IntegerResult::Fault;
  const IntegerResult r = integerArithmetic(*hostOperator(op), a, b);
  if (r.fault == Fault::DivisionByZero) throw ProgramError(pos, "Integer division by zero");
  if (!r.ok()) throw ProgramError(pos, std::string("Integer overflow in '") + opText(op) + "'");
  return r.value;
}

double asDouble(const Value& v) {
  if (auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  return std::get<double>(v);
}

template <class T>
bool ordered(Op op, const T& a, const T& b) {
  switch (op) {
    case Op::Eq:
      return a == b;
    case Op::Ne:
      return !(a == b);
    case Op::Lt:
      return a < b;
    case Op::Le:
      return a <= b;
    case Op::Gt:
      return a > b;
    case Op::Ge:
      return a >= b;
    default:
      return false;
  }
}

}  // namespace

std::optional<quorvex::Op> hostOperator(Op op) {
  switch (op) {
    case Op::Add:
      return quorvex::Op::Add;
    case Op::Sub:
      return quorvex::Op::Subtract;
    case Op::Mul:
      return quorvex::Op::Multiply;
    case Op::Div:
      return quorvex::Op::Divide;
    case Op::IntDiv:
      return quorvex::Op::IntegerDivide;
    case Op::Mod:
      return quorvex::Op::Modulo;
    case Op::Pow:
      return quorvex::Op::Power;
    case Op::Eq:
      return quorvex::Op::Equal;
    case Op::Ne:
      return quorvex::Op::NotEqual;
    case Op::Lt:
      return quorvex::Op::Less;
    case Op::Le:
      return quorvex::Op::LessEqual;
    case Op::Gt:
      return quorvex::Op::Greater;
    case Op::Ge:
      return quorvex::Op::GreaterEqual;
    default:
      return std::nullopt;
  }
}

bool isComparison(Op op) {
  auto h = hostOperator(op);
  return h && quorvex::isComparison(*h);
}

std::string leftMethod(Op op) {
  if (op == Op::Neg) return kNegateMethod;
  auto h = hostOperator(op);
  return h ? operatorMethod(*h) : std::string("Operator_") + opText(op);
}

std::string rightMethod(Op op) {
  auto h = hostOperator(op);
  return h ? mirroredMethod(*h) : leftMethod(op);
}

std::optional<Type> builtinResult(Op op, const Type& l, const Type& r, std::string* why) {
  auto fail = [&]() -> std::optional<Type> {
    if (why) *why = mismatch(op, l, r);
    return std::nullopt;
  };
  if (l.isArray() || r.isArray()) return fail();
  const bool numeric = isNumeric(l) && isNumeric(r);
  const bool ints = l.kind == Kind::Integer && r.kind == Kind::Integer;
  switch (op) {
    case Op::Add:
      if (l.kind == Kind::String && r.kind == Kind::String) return Type::string();
      [[fallthrough]];
    case Op::Sub:
    case Op::Mul:
      if (!numeric) return fail();
      return ints ? Type::integer() : Type::dbl();
    case Op::Div:
    case Op::Pow:
      if (!numeric) return fail();
      return Type::dbl();
    case Op::IntDiv:
    case Op::Mod:
      if (!ints) {
        if (why) *why = mismatch(op, l, r) + " (it takes two Integers)";
        return std::nullopt;
      }
      return Type::integer();
    case Op::And:
    case Op::Or:
      if (l.kind != Kind::Boolean || r.kind != Kind::Boolean) return fail();
      return Type::boolean();
    default:
      break;
  }
  // comparisons
  if (numeric || (l.kind == Kind::String && r.kind == Kind::String)) return Type::boolean();
  if ((op == Op::Eq || op == Op::Ne) && l.kind == r.kind &&
      (l.kind == Kind::Boolean || l.kind == Kind::Nil)) {
    return Type::boolean();
  }
  return fail();
}

std::optional<Type> builtinResult(Op op, const Type& operand, std::string* why) {
  if (op == Op::Not && operand == Type::boolean()) return operand;
  if (op == Op::Neg && isNumeric(operand)) return operand;
  if (why) {
    *why = std::string("'") + opText(op) + "' cannot be applied to " + typeName(operand);
  }
  return std::nullopt;
}

Value applyBuiltin(Op op, const Value& l, const Value& r, Pos pos) {
  std::string why;
  const Type left = typeOf(l);
  auto type = builtinResult(op, left, typeOf(r), &why);
  if (!type) throw ProgramError(pos, why);
  if (isComparison(op)) {
    if (left.kind == Kind::String) {
      return ordered(op, std::get<std::string>(l), std::get<std::string>(r));
    }
    if (left.kind == Kind::Boolean) return ordered(op, std::get<bool>(l), std::get<bool>(r));
    if (left.kind == Kind::Nil) return op == Op::Eq;
    auto* li = std::get_if<std::int64_t>(&l);
    auto* ri = std::get_if<std::int64_t>(&r);
    if (li && ri) return ordered(op, *li, *ri);
    return ordered(op, asDouble(l), asDouble(r));
  }
  switch (type->kind) {
    case Kind::Boolean:
      return op == Op::And ? (std::get<bool>(l) && std::get<bool>(r))
                           : (std::get<bool>(l) || std::get<bool>(r));
    case Kind::String: {
      const auto& a = std::get<std::string>(l);
      const auto& b = std::get<std::string>(r);
      if (a.size() + b.size() > kMaxTextLength) {
        throw ProgramError(
            pos, "text too long (more than " + std::to_string(kMaxTextLength) + " bytes)");
      }
      return a + b;
    }
    case Kind::Integer:
      return checkedInteger(op, std::get<std::int64_t>(l), std::get<std::int64_t>(r), pos);
    default:
      break;
  }
  const double a = asDouble(l), b = asDouble(r);
  switch (op) {
    case Op::Add:
      return a + b;
    case Op::Sub:
      return a - b;
    case Op::Mul:
      return a * b;
    case Op::Div:
      return a / b;
    default:
      return std::pow(a, b);
  }
}

Value applyBuiltin(Op op, const Value& operand, Pos pos) {
  std::string why;
  if (!builtinResult(op, typeOf(operand), &why)) throw ProgramError(pos, why);
  if (op == Op::Not) return !std::get<bool>(operand);
  if (auto* d = std::get_if<double>(&operand)) return -*d;
  return checkedInteger(Op::Sub, 0, std::get<std::int64_t>(operand), pos);
}

}  // namespace quorvex::lang
