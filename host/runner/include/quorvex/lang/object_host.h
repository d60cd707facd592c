// What the language needs from whoever holds the classes: every class, method, operator, global
// function and exception class comes from here, none is built into the language.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quorvex/lang/ast.h"
#include "quorvex/lang/value.h"

namespace quorvex::lang {

struct CallResult {
  enum class Kind { Value, Raised, Failed };
  Kind kind = Kind::Value;
  Value value;        // Value: the result
  Value exception;    // Raised: the exception object
  std::string error;  // Failed: why the call could not be made
};

struct Signature {
  std::vector<std::string> params;  // parameter types as declared
  std::string text;                 // the whole declaration, for messages
};

// How a call from a call site went: made, its result in place (Done), or its text in the string
// the caller gave (Stored); made, but it raised or failed (Other); or not made, for call() to
// make (NotTaken).
enum class SiteCall { Done, Stored, Other, NotTaken };

class ObjectHost {
 public:
  virtual ~ObjectHost() = default;

  // The class's name as registered, when `name` names one (case-insensitive).
  virtual std::optional<std::string> findClass(std::string_view name) const = 0;
  virtual bool isExceptionClass(std::string_view name) const = 0;
  virtual bool hasGlobal(std::string_view name) const = 0;
  virtual std::vector<std::string> classNames() const = 0;
  virtual std::vector<std::string> globalNames() const = 0;
  // Methods a program may call by name (constructors and operators left out), in declared order.
  virtual std::vector<std::string> methodNames(std::string_view cls) const = 0;
  virtual bool hasMethod(std::string_view cls, std::string_view name) const = 0;
  // The result type named by every declaration of `name` when they agree; nullopt otherwise;
  // "" when they declare no result.
  virtual std::optional<std::string> methodResult(std::string_view cls,
                                                  std::string_view name) const = 0;
  virtual std::optional<std::string> globalResult(std::string_view name) const = 0;
  // Every declaration of `name` in `cls`, or among the global functions when `cls` is empty.
  virtual std::vector<Signature> signatures(std::string_view cls, std::string_view name) const = 0;

  virtual CallResult construct(std::string_view cls, const std::vector<Value>& args) = 0;
  // `cls` is the receiver's declared class, so that a Nil receiver still reaches its class.
  virtual CallResult call(std::string_view cls, const Value& receiver, std::string_view method,
                          const std::vector<Value>& args) = 0;
  // A method of an object called from a call site that keeps what the host learned there the
  // last time: `result` takes what the call gave (Done), or `other` what it raised or why it
  // failed (Other). Given `text` (the string a variable holds), a String result goes there
  // instead, in the room it has (Stored). The host may decline (NotTaken).
  virtual SiteCall callAt(CallSite& site, const Value& receiver, std::string_view method,
                          const std::vector<Value>& args, Value& result, CallResult& other,
                          std::string* text) {
    (void)site, (void)receiver, (void)method, (void)args, (void)result, (void)other, (void)text;
    return SiteCall::NotTaken;
  }
  // A binary operator with an object on at least one side.
  virtual CallResult binary(Op op, const Value& lhs, const Value& rhs) = 0;
  // As binary(), from a call site, as callAt() is for methods.
  virtual SiteCall binaryAt(CallSite& site, Op op, const Value& lhs, const Value& rhs,
                            Value& result, CallResult& other) {
    (void)site, (void)op, (void)lhs, (void)rhs, (void)result, (void)other;
    return SiteCall::NotTaken;
  }
  virtual CallResult callGlobal(std::string_view name, const std::vector<Value>& args) = 0;
};

}  // namespace quorvex::lang
