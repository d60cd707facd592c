#include "quorvex/lang/value.h"

#include <array>
#include <charconv>
#include <cmath>

namespace quorvex::lang {

std::string lowerName(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lowerAscii(c);
  return out;
}

bool operator==(const Type& a, const Type& b) {
  return a.kind == b.kind && a.rank == b.rank &&
         (a.kind != Kind::Object || sameName(a.className, b.className));
}

namespace {
struct TypeOf {
  Type operator()(Nil) const { return Type::nil(); }
  Type operator()(std::int64_t) const { return Type::integer(); }
  Type operator()(double) const { return Type::dbl(); }
  Type operator()(const std::string&) const { return Type::string(); }
  Type operator()(bool) const { return Type::boolean(); }
  Type operator()(const ObjectRef& o) const { return Type::object(o.className); }
  Type operator()(const ArrayRef& a) const {
    return a->element.arrayOf(static_cast<int>(a->upper.size()));
  }
};

struct Display {
  std::string operator()(Nil) const { return "Nil"; }
  std::string operator()(std::int64_t i) const { return std::to_string(i); }
  std::string operator()(double d) const { return formatDouble(d); }
  std::string operator()(const std::string& s) const { return s; }
  std::string operator()(bool b) const { return b ? "True" : "False"; }
  std::string operator()(const ObjectRef& o) const { return "<" + o.className + ">"; }
  std::string operator()(const ArrayRef& a) const {
    std::string bounds;
    for (auto u : a->upper) bounds += (bounds.empty() ? "" : ", ") + std::to_string(u);
    return "<" + typeName(a->element) + "(" + bounds + ")>";
  }
};
}  // namespace

Type typeOf(const Value& v) {
  return std::visit(TypeOf{}, v);
}

std::string typeName(const Type& t) {
  if (t.isArray()) return typeName(t.element()) + "(" + std::string(t.rank - 1, ',') + ")";
  switch (t.kind) {
    case Kind::Integer:
      return "Integer";
    case Kind::Double:
      return "Double";
    case Kind::String:
      return "String";
    case Kind::Boolean:
      return "Boolean";
    case Kind::Object:
      return t.className;
    case Kind::Nil:
      break;
  }
  return "Nil";
}

std::optional<Type> builtinType(std::string_view name) {
  if (sameName(name, "Integer")) return Type::integer();
  if (sameName(name, "Double")) return Type::dbl();
  if (sameName(name, "String")) return Type::string();
  if (sameName(name, "Boolean")) return Type::boolean();
  return std::nullopt;
}

std::string formatDouble(double d) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d < 0 ? "-Infinity" : "Infinity";
  // Shortest text that reads back to the same double, so 0.1 prints as 0.1 and 1/3 keeps 17 digits.
  std::array<char, 64> buf{};
  auto res = std::to_chars(buf.data(), buf.data() + buf.size(), d);
  return std::string(buf.data(), res.ptr);
}

std::string display(const Value& v) {
  return std::visit(Display{}, v);
}

bool assignable(const Type& to, const Type& from) {
  if (to == from) return true;
  if (to.isArray() || from.isArray()) return false;
  if (to.kind == Kind::Double && from.kind == Kind::Integer) return true;
  return to.kind == Kind::Object && from.kind == Kind::Nil;
}

Value defaultValue(const Type& t) {
  if (t.isArray()) {
    auto a = std::make_shared<Array>();
    a->element = t.element();
    a->upper.assign(static_cast<std::size_t>(t.rank), -1);
    return a;
  }
  switch (t.kind) {
    case Kind::Integer:
      return std::int64_t{0};
    case Kind::Double:
      return 0.0;
    case Kind::String:
      return std::string();
    case Kind::Boolean:
      return false;
    default:
      return Nil{};
  }
}

Value convertFor(const Type& to, Value v) {
  if (to.kind == Kind::Double && std::holds_alternative<std::int64_t>(v)) {
    return static_cast<double>(std::get<std::int64_t>(v));
  }
  return v;
}

}  // namespace quorvex::lang
