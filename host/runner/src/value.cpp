#include "quorvex/lang/value.h"

#include <array>
#include <charconv>
#include <cmath>

namespace quorvex::lang {

namespace {
constexpr char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

std::string lowerName(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lowerAscii(c);
  return out;
}

bool operator==(const Type& a, const Type& b) {
  return a.kind == b.kind && (a.kind != Kind::Object || sameName(a.className, b.className));
}

Type typeOf(const Value& v) {
  switch (v.index()) {
    case 1:
      return Type::integer();
    case 2:
      return Type::dbl();
    case 3:
      return Type::string();
    case 4:
      return Type::boolean();
    case 5:
      return Type::object(std::get<ObjectRef>(v).className);
    default:
      return Type::nil();
  }
}

std::string typeName(const Type& t) {
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
  switch (v.index()) {
    case 1:
      return std::to_string(std::get<std::int64_t>(v));
    case 2:
      return formatDouble(std::get<double>(v));
    case 3:
      return std::get<std::string>(v);
    case 4:
      return std::get<bool>(v) ? "True" : "False";
    case 5:
      return "<" + std::get<ObjectRef>(v).className + ">";
    default:
      return "Nil";
  }
}

bool assignable(const Type& to, const Type& from) {
  if (to == from) return true;
  if (to.kind == Kind::Double && from.kind == Kind::Integer) return true;
  return to.kind == Kind::Object && from.kind == Kind::Nil;
}

Value convertFor(const Type& to, Value v) {
  if (to.kind == Kind::Double && std::holds_alternative<std::int64_t>(v)) {
    return static_cast<double>(std::get<std::int64_t>(v));
  }
  return v;
}

}  // namespace quorvex::lang
