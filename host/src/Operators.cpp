// Operators as the host language evaluates them: an object operand's Operator_X (or, for an
// object on the right, Operator_XRight), comparisons through Operator_Compare, and the host's own
// arithmetic when no object takes part.
#include <cmath>
#include <cstdint>

#include "Runtime.h"

namespace quorvex::detail {
namespace {

bool isComparison(Op op) {
  return op >= Op::Equal;
}

const char* methodFor(Op op) {
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

template <class T>
bool holds(Op op, T a, T b) {
  switch (op) {
    case Op::Equal:
      return a == b;
    case Op::NotEqual:
      return !(a == b);
    case Op::Less:
      return a < b;
    case Op::LessEqual:
      return a <= b;
    case Op::Greater:
      return a > b;
    default:
      return a >= b;
  }
}

Outcome value(Value v) {
  Outcome out;
  out.value = std::move(v);
  return out;
}

std::string operands(Op op, const Value& lhs, const Value& rhs) {
  auto kind = [](const Value& v) { return v.isObject() ? v.className() : typeName(v.type()); };
  return kind(lhs) + " " + opSymbol(op) + " " + kind(rhs);
}

Outcome integers(Op op, std::int64_t a, std::int64_t b) {
  std::int64_t r = 0;
  switch (op) {
    case Op::Add:
      if (__builtin_add_overflow(a, b, &r)) return refused("Integer overflow");
      return value(Value::integer(r));
    case Op::Subtract:
      if (__builtin_sub_overflow(a, b, &r)) return refused("Integer overflow");
      return value(Value::integer(r));
    case Op::Multiply:
      if (__builtin_mul_overflow(a, b, &r)) return refused("Integer overflow");
      return value(Value::integer(r));
    case Op::IntegerDivide:
    case Op::Modulo:
      if (b == 0) return refused("division by zero");
      if (a == INT64_MIN && b == -1) return refused("Integer overflow");
      return value(Value::integer(op == Op::Modulo ? a % b : a / b));
    case Op::Divide:
      return value(Value::real(static_cast<double>(a) / static_cast<double>(b)));
    case Op::Power:
      return value(Value::real(std::pow(static_cast<double>(a), static_cast<double>(b))));
    default:
      return value(Value::boolean(holds(op, a, b)));
  }
}

Outcome doubles(Op op, double a, double b) {
  switch (op) {
    case Op::Add:
      return value(Value::real(a + b));
    case Op::Subtract:
      return value(Value::real(a - b));
    case Op::Multiply:
      return value(Value::real(a * b));
    case Op::Divide:
      return value(Value::real(a / b));
    case Op::IntegerDivide:
    case Op::Modulo:
      return refused(std::string(opSymbol(op)) + " takes Integer operands");
    case Op::Power:
      return value(Value::real(std::pow(a, b)));
    default:
      return value(Value::boolean(holds(op, a, b)));
  }
}

bool numeric(const Value& v) {
  return v.type() == Type::Integer || v.type() == Type::Double;
}
double toDouble(const Value& v) {
  return v.type() == Type::Integer ? static_cast<double>(v.asInteger()) : v.asDouble();
}

Outcome scalar(Op op, const Value& lhs, const Value& rhs) {
  if (lhs.type() == Type::Integer && rhs.type() == Type::Integer) {
    return integers(op, lhs.asInteger(), rhs.asInteger());
  }
  if (numeric(lhs) && numeric(rhs)) return doubles(op, toDouble(lhs), toDouble(rhs));
  if (lhs.type() == Type::String && rhs.type() == Type::String) {
    if (op == Op::Add) return value(Value(lhs.asString() + rhs.asString()));
    if (isComparison(op)) return value(Value::boolean(holds(op, lhs.asString(), rhs.asString())));
  }
  bool equality = op == Op::Equal || op == Op::NotEqual;
  if (equality && lhs.type() == rhs.type() && (lhs.type() == Type::Boolean || lhs.isNil())) {
    return value(Value::boolean(lhs.same(rhs) == (op == Op::Equal)));
  }
  if (equality && (lhs.isObject() || lhs.isNil()) && (rhs.isObject() || rhs.isNil())) {
    return value(Value::boolean(lhs.same(rhs) == (op == Op::Equal)));  // identity
  }
  return refused("no operator for " + operands(op, lhs, rhs));
}

}  // namespace
}  // namespace quorvex::detail

namespace quorvex {

using namespace detail;

Outcome Host::binary(Op op, const Value& lhs, const Value& rhs) {
  const char* name = methodFor(op);
  std::vector<Value> operand{rhs};
  // An object on the left answers first; one on the right is asked for the mirrored form.
  const Method* method = nullptr;
  const Value* self = nullptr;
  if (lhs.isObject() && Runtime::objectOf(lhs)->cls != nullptr) {
    method = chooseOverload(Runtime::objectOf(lhs)->cls->info.methods, "", name, operand, nullptr);
    self = &lhs;
  }
  const bool mirrored = method == nullptr && rhs.isObject() && Runtime::objectOf(rhs)->cls;
  if (mirrored) {
    operand[0] = lhs;
    const std::string right = isComparison(op) ? name : std::string(name) + "Right";
    method = chooseOverload(Runtime::objectOf(rhs)->cls->info.methods, "", right, operand, nullptr);
    self = &rhs;
  }
  // With no operator method, scalar() compares objects by identity and refuses anything else.
  if (method == nullptr) return scalar(op, lhs, rhs);
  if (Runtime::objectOf(*self)->rt != rt_.get()) return refused("an object of another host");
  Outcome out = rt_->invoke(*method, Runtime::objectOf(*self), true, operand);
  if (isComparison(op) && out.ok()) {
    std::int64_t order = out.value.asInteger();
    if (mirrored) order = order < 0 ? 1 : order > 0 ? -1 : 0;
    out.value = Value::boolean(holds<std::int64_t>(op, order, 0));
  }
  return out;
}

Outcome Host::negate(const Value& operand) {
  if (operand.isObject()) {
    Object* object = Runtime::objectOf(operand);
    if (object->cls == nullptr || object->rt != rt_.get())
      return refused("an object of another host");
    std::string error;
    const Method* method = chooseOverload(object->cls->info.methods, object->cls->info.name,
                                          "Operator_Negate", {}, &error);
    if (method == nullptr) return refused(error);
    return rt_->invoke(*method, object, true, {});
  }
  if (operand.type() == Type::Integer) {
    if (operand.asInteger() == INT64_MIN) return refused("Integer overflow");
    return value(Value::integer(-operand.asInteger()));
  }
  if (operand.type() == Type::Double) return value(Value::real(-operand.asDouble()));
  return refused(std::string("no operator - for ") + typeName(operand.type()));
}

}  // namespace quorvex
