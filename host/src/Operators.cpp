// Operators on objects as the host language evaluates them (the rules themselves are in
// operator_rules.h): an object operand's Operator_X, or Operator_XRight for an object on the right,
// and comparisons through Operator_Compare, mirrored for an object on the right.
#include "Runtime.h"

namespace quorvex::detail {
namespace {

Outcome value(Value v) {
  Outcome out;
  out.value = std::move(v);
  return out;
}

std::string operands(Op op, const Value& lhs, const Value& rhs) {
  auto kind = [](const Value& v) { return v.isObject() ? v.className() : typeName(v.type()); };
  return kind(lhs) + " " + opSymbol(op) + " " + kind(rhs);
}

bool objectOrNil(const Value& v) {
  return v.isObject() || v.isNil();
}

// Without an operator method two objects (or Nil) can still be told apart: by identity.
Outcome withoutMethod(Op op, const Value& lhs, const Value& rhs) {
  const bool equality = op == Op::Equal || op == Op::NotEqual;
  if (equality && objectOrNil(lhs) && objectOrNil(rhs) && (lhs.isObject() || rhs.isObject())) {
    return value(Value::boolean(lhs.same(rhs) == (op == Op::Equal)));
  }
  return refused("no operator for " + operands(op, lhs, rhs));
}

}  // namespace
}  // namespace quorvex::detail

namespace quorvex {

using namespace detail;

Outcome Host::binary(Op op, const Value& lhs, const Value& rhs) {
  const Value* operand = &rhs;
  // An object on the left answers first; one on the right is asked for the mirrored form.
  const Method* method = nullptr;
  const Value* self = nullptr;
  if (lhs.isObject() && Runtime::objectOf(lhs)->cls != nullptr) {
    method = chooseOverload(Runtime::objectOf(lhs)->cls->info.methods, "", operatorMethod(op),
                            Args(operand, 1), nullptr);
    self = &lhs;
  }
  const bool mirrored = method == nullptr && rhs.isObject() && Runtime::objectOf(rhs)->cls;
  if (mirrored) {
    operand = &lhs;
    method = chooseOverload(Runtime::objectOf(rhs)->cls->info.methods, "", mirroredMethod(op),
                            Args(operand, 1), nullptr);
    self = &rhs;
  }
  if (method == nullptr) return withoutMethod(op, lhs, rhs);
  if (Runtime::objectOf(*self)->rt != rt_.get()) return refused("an object of another host");
  if (!isComparison(op))
    return rt_->invoke(*method, Runtime::objectOf(*self), true, Args(operand, 1));
  Outcome out = rt_->invoke(*method, Runtime::objectOf(*self), true, Args(operand, 1));
  if (out.ok()) out.value = Value::boolean(comparisonHolds(op, out.value.asInteger(), mirrored));
  return out;
}

Outcome Host::negate(const Value& operand) {
  if (!operand.isObject()) {
    return refused(std::string("no operator - for ") + typeName(operand.type()));
  }
  Object* object = Runtime::objectOf(operand);
  if (object->cls == nullptr || object->rt != rt_.get())
    return refused("an object of another host");
  std::string error;
  const Method* method =
      chooseOverload(object->cls->info.methods, object->cls->info.name, kNegateMethod, {}, &error);
  if (method == nullptr) return refused(error);
  return rt_->invoke(*method, object, true, {});
}

}  // namespace quorvex
