#include <cstdio>

#include "Runtime.h"

namespace quorvex {

Value::Value(detail::Object* adopted) : type_(Type::Object), obj_(adopted) {}

// Only a String's text is copied or moved: the text of any other kind is always empty, and a
// call moves its arguments and results several times.
Value::Value(const Value& other)
    : type_(other.type_), int_(other.int_), dbl_(other.dbl_), obj_(other.obj_) {
  if (type_ == Type::String) str_ = other.str_;
  if (obj_ != nullptr) detail::retainObject(obj_);
}

Value::Value(Value&& other) noexcept
    : type_(other.type_), int_(other.int_), dbl_(other.dbl_), obj_(other.obj_) {
  if (type_ == Type::String) {
    str_ = std::move(other.str_);
    other.str_.clear();
  }
  other.type_ = Type::Nil;
  other.obj_ = nullptr;
}

Value& Value::operator=(const Value& other) {
  if (this != &other) *this = Value(other);
  return *this;
}

Value& Value::operator=(Value&& other) noexcept {
  if (this == &other) return *this;
  detail::Object* old = obj_;
  if (type_ == Type::String || other.type_ == Type::String) str_ = std::move(other.str_);
  type_ = other.type_;
  int_ = other.int_;
  dbl_ = other.dbl_;
  obj_ = other.obj_;
  other.type_ = Type::Nil;
  other.obj_ = nullptr;
  other.str_.clear();
  if (old != nullptr) detail::releaseObject(old);
  return *this;
}

Value Value::adopt(const void* handle) {
  if (handle == nullptr) return Value();
  return Value(static_cast<detail::Object*>(const_cast<void*>(handle)));
}

const void* Value::detach() {
  const void* handle = obj_;
  obj_ = nullptr;
  type_ = Type::Nil;
  return handle;
}

void Value::retain(const void* handle) {
  detail::retainObject(static_cast<detail::Object*>(const_cast<void*>(handle)));
}

void Value::release(const void* handle) {
  detail::releaseObject(static_cast<detail::Object*>(const_cast<void*>(handle)));
}

const std::string& Value::className() const {
  static const std::string none;
  if (obj_ == nullptr || obj_->cls == nullptr) return none;
  return obj_->cls->info.name;
}

const void* Value::handle() const {
  return obj_;
}

bool Value::same(const Value& other) const {
  if (type_ != other.type_) return false;
  switch (type_) {
    case Type::Nil:
      return true;
    case Type::Integer:
    case Type::Boolean:
      return int_ == other.int_;
    case Type::Double:
      return dbl_ == other.dbl_;
    case Type::String:
      return str_ == other.str_;
    case Type::Object:
      return obj_ == other.obj_;
  }
  return false;
}

std::string Value::describe() const {
  switch (type_) {
    case Type::Nil:
      return "Nil";
    case Type::Integer:
      return std::to_string(int_);
    case Type::Boolean:
      return int_ != 0 ? "True" : "False";
    case Type::String:
      return "\"" + str_ + "\"";
    case Type::Double: {
      char text[40];
      std::snprintf(text, sizeof text, "%.17g", dbl_);
      return text;
    }
    case Type::Object: {
      char text[40];
      std::snprintf(text, sizeof text, "@%p", static_cast<const void*>(obj_));
      return className() + text;
    }
  }
  return "?";
}

}  // namespace quorvex
