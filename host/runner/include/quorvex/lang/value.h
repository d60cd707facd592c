// Values and declared types of the host language as the runner evaluates them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace quorvex::lang {

// How whoever holds the classes counts references to its objects: one for each value that holds
// an object, given back when that value goes. Plain calls, no allocation: a loop makes and drops
// an object each time round.
struct ObjectCounting {
  void (*retain)(const void* handle);
  void (*release)(const void* handle);
};

// An object lives in the host; the runner only carries a counted reference to it and the name of
// its class.
class ObjectRef {
 public:
  ObjectRef() = default;
  // Takes over one reference the caller already counted.
  ObjectRef(const void* handle, const ObjectCounting* counting, const std::string& cls)
      : className(cls), identity(handle), handle_(handle), counting_(counting) {}
  // An object no host holds (the runner's own exceptions), told apart by `id`.
  ObjectRef(std::nullptr_t, std::string cls, const void* id = nullptr)
      : className(std::move(cls)), identity(id) {}
  ObjectRef(const ObjectRef& other)
      : className(other.className),
        identity(other.identity),
        handle_(other.handle_),
        counting_(other.counting_) {
    if (handle_ != nullptr) counting_->retain(handle_);
  }
  ObjectRef(ObjectRef&& other) noexcept
      : className(std::move(other.className)),
        identity(other.identity),
        handle_(other.handle_),
        counting_(other.counting_) {
    other.handle_ = nullptr;
  }
  ObjectRef& operator=(ObjectRef&& other) noexcept {
    if (this == &other) return *this;
    const void* old = handle_;
    const ObjectCounting* oldCounting = counting_;
    className = std::move(other.className);
    identity = other.identity;
    handle_ = other.handle_;
    counting_ = other.counting_;
    other.handle_ = nullptr;
    if (old != nullptr) oldCounting->release(old);  // last: it may run a destructor
    return *this;
  }
  ObjectRef& operator=(const ObjectRef& other) { return *this = ObjectRef(other); }
  ~ObjectRef() {
    if (handle_ != nullptr) counting_->release(handle_);
  }

  const void* handle() const { return handle_; }  // null for an object no host holds

  std::string className;
  const void* identity = nullptr;  // the same for every reference to one object

 private:
  const void* handle_ = nullptr;
  const ObjectCounting* counting_ = nullptr;
};

struct Nil {};

struct Array;
// An array is shared, not copied: assigning or passing one hands over the same elements.
using ArrayRef = std::shared_ptr<Array>;

using Value = std::variant<Nil, std::int64_t, double, std::string, bool, ObjectRef, ArrayRef>;

enum class Kind { Nil, Integer, Double, String, Boolean, Object };

struct Type {
  Kind kind = Kind::Nil;
  std::string className;  // for Kind::Object only
  int rank = 0;           // an array of this many dimensions of the element type; 0: no array

  static Type integer() { return {Kind::Integer, {}}; }
  static Type dbl() { return {Kind::Double, {}}; }
  static Type string() { return {Kind::String, {}}; }
  static Type boolean() { return {Kind::Boolean, {}}; }
  static Type nil() { return {Kind::Nil, {}}; }
  static Type object(std::string cls) { return {Kind::Object, std::move(cls)}; }
  Type element() const { return {kind, className, 0}; }
  Type arrayOf(int dimensions) const { return {kind, className, dimensions}; }
  bool isArray() const { return rank > 0; }
};

// The most elements one array may hold: a runaway size stops the program rather than exhaust
// memory.
constexpr std::int64_t kMaxArrayElements = std::int64_t{1} << 22;

struct Array {
  Type element;
  std::vector<std::int64_t> upper;  // the last index of each dimension; -1: empty
  std::vector<Value> items;         // row by row
};

bool operator==(const Type& a, const Type& b);
inline bool operator!=(const Type& a, const Type& b) {
  return !(a == b);
}

Type typeOf(const Value& v);
std::string typeName(const Type& t);

// Case-insensitive (ASCII) comparison: keywords, variables, classes and methods all ignore case.
// Inline: every variable lookup and method choice compares names this way.
constexpr char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;  // names are mostly written as declared
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}
std::string lowerName(std::string_view s);

// The builtin type named by `name`, if it names one ("Integer", "Double", "String", "Boolean").
std::optional<Type> builtinType(std::string_view name);

// The text that Print shows for a value.
std::string display(const Value& v);
std::string formatDouble(double d);

// Whether a value of type `from` may be stored in a variable declared `to` (Integer widens to
// Double, Nil fits every object variable).
bool assignable(const Type& to, const Type& from);
// The value a variable of type `t` starts with: 0, 0.0, "", False, Nil, or an empty array.
Value defaultValue(const Type& t);

// Converts a value for storage in a variable declared `to`; only call when assignable().
Value convertFor(const Type& to, Value v);

}  // namespace quorvex::lang
