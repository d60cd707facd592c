// The stand-in host runtime: loads a plug-in, answers its resolver, and lets C++ code (tests, the
// runner, fuzzers) construct objects, call methods, operators and global functions the plug-in
// registered. The host knows no plug-in class in advance; it learns everything from registration.
//
// Not thread-safe: one Host is used from one thread at a time, like the host it stands in for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quorvex/operator_rules.h"

namespace quorvex {

namespace detail {
struct Object;
struct Runtime;
}  // namespace detail

enum class Type { Nil, Integer, Double, String, Boolean, Object };

// "Nil", "Integer", "Double", "String", "Boolean", "Object".
const char* typeName(Type type);

// A host-language value. Objects are counted references: an object lives while a Value (or the
// host itself) refers to it, and its class destructor runs when the last reference goes. A Value
// must not outlive the Host that produced it, except that dropping it afterwards is safe.
class Value {
 public:
  Value() = default;  // Nil
  Value(std::nullptr_t) {}
  Value(int v) : type_(Type::Integer), int_(v) {}
  Value(long v) : type_(Type::Integer), int_(v) {}
  Value(long long v) : type_(Type::Integer), int_(v) {}
  Value(double v) : type_(Type::Double), dbl_(v) {}
  Value(bool v) : type_(Type::Boolean), int_(v ? 1 : 0) {}
  Value(const char* s) : type_(Type::String), str_(s) {}
  Value(std::string s) : type_(Type::String), str_(std::move(s)) {}

  static Value nil() { return Value(); }
  static Value integer(std::int64_t v) { return Value(static_cast<long long>(v)); }
  static Value real(double v) { return Value(v); }
  static Value string(std::string s) { return Value(std::move(s)); }
  static Value boolean(bool v) { return Value(v); }

  Value(const Value& other);
  Value(Value&& other) noexcept;
  Value& operator=(const Value& other);
  Value& operator=(Value&& other) noexcept;
  // Inline: a call makes and drops several Values, most of them holding no object.
  ~Value() {
    if (obj_ != nullptr) release(obj_);
  }

  Type type() const { return type_; }
  bool isNil() const { return type_ == Type::Nil; }
  bool isObject() const { return type_ == Type::Object; }

  // Accessors of the held kind; the wrong kind gives 0, 0.0, "" or false.
  std::int64_t asInteger() const { return type_ == Type::Integer ? int_ : 0; }
  double asDouble() const { return type_ == Type::Double ? dbl_ : 0.0; }
  const std::string& asString() const { return str_; }
  std::string&& takeString() { return std::move(str_); }  // the text, for the caller to move
  bool asBoolean() const { return type_ == Type::Boolean && int_ != 0; }

  // The class of an object ("" for other kinds); good while the Host is.
  const std::string& className() const;
  // The object's handle as the plug-in sees it (null for other kinds).
  const void* handle() const;
  // Counting by handle, for a runtime that keeps objects in values of its own rather than in
  // Values: `adopt` makes a Value of a handle whose reference the caller hands over; `detach` hands
  // over this Value's reference as a bare handle (null unless an object) and leaves Nil; `retain`
  // and `release` count one reference more or less.
  static Value adopt(const void* handle);
  const void* detach();
  static void retain(const void* handle);
  static void release(const void* handle);
  // Identity for objects, equality of kind and content for the rest.
  bool same(const Value& other) const;
  // For messages: 3, 2.5, "abc" (quoted), True, Nil, Fraction@0x1234.
  std::string describe() const;

 private:
  friend struct detail::Runtime;
  explicit Value(detail::Object* adopted);  // takes one reference already counted

  Type type_ = Type::Nil;
  std::int64_t int_ = 0;
  double dbl_ = 0.0;
  std::string str_;
  detail::Object* obj_ = nullptr;
};

// The result of a call into the plug-in.
struct Outcome {
  enum class Kind {
    Value,      // the call returned `value`
    Exception,  // the plug-in raised `exception`; `value` is what its function returned anyway
    Error,      // the host refused or could not make the call: `error` says why
  };
  Kind kind = Kind::Value;
  Value value;
  Value exception;
  std::string error;

  bool ok() const { return kind == Kind::Value; }
  bool raised() const { return kind == Kind::Exception; }
  bool failed() const { return kind == Kind::Error; }
  std::string exceptionClass() const { return exception.className(); }
};

// A parsed host-language declaration, e.g. "Operator_Add(y As Integer) As Fraction".
// Keywords are case-insensitive; the built-in types come back spelled "Integer", "Double",
// "String", "Boolean"; class types are kept as written.
struct Parameter {
  std::string name;
  std::string type;
};
struct Declaration {
  std::string name;
  std::vector<Parameter> params;
  std::string result;  // empty: no result
};
std::optional<Declaration> parseDeclaration(std::string_view text, std::string* error = nullptr);

// The most parameters a callable method declares (its receiver not counted).
constexpr std::size_t kMaxParameters = 3;

// How a declared type travels to and from a plug-in function: every class, "Object" included,
// as a handle.
enum class Passing : unsigned char { None, Integer, Double, Boolean, String, Object };

// A registered method or global function, as the host read it from the plug-in's entry.
struct Method {
  std::string declaration;  // the text, byte for byte
  Declaration parsed;
  bool valid = false;  // false: the declaration did not parse (see `problem`); not callable
  std::string problem;
  const void* function = nullptr;
  std::uintptr_t flags = 0;
  // Worked out from `parsed` when the method is read (the first parsed.params.size() of
  // `params`, when `valid`), so that a call compares no type names.
  Passing result = Passing::None;
  Passing params[kMaxParameters] = {};
  // The host's typed call of `function` for these passings (a class's method with its receiver
  // first), found with them when `valid`; opaque to all but the host.
  const void* invoke = nullptr;
};

// A class as the host knows it. Classes come into being when the plug-in asks for a reference by
// name ("pluginObjectType") or registers a record; `registered` tells which.
struct ClassInfo {
  std::string name;
  bool registered = false;
  const void* record = nullptr;  // the plug-in's record, as registered
  std::uintptr_t version = 0;
  std::uintptr_t dataSize = 0;
  std::uintptr_t dataOffset = 0;  // what the host wrote into the record
  const void* constructor = nullptr;
  const void* destructor = nullptr;
  std::uintptr_t methodCount = 0;
  std::uint32_t flags = 0;
  std::vector<Method> methods;  // in table order
};

// The host's side of the resolver, as a test may bend it. Changes take effect at once.
struct Faults {
  bool createInstanceReturnsNull = false;
  long createInstanceBudget =
      -1;  // instances handed out before "CreateInstance" answers null; <0: no limit
  bool stringDataFails = false;  // "PluginGetStringData" answers false
  unsigned char stringDataTrue =
      1;  // the byte it answers on success (e.g. 2: must still read as true)
  bool objectTypeReturnsNull = false;  // "pluginObjectType" answers null
};

// Everything the plug-in asked of the resolver and every call it made into a host entry, in order.
struct Event {
  enum class Kind { Resolve, Entry };
  Kind kind;
  std::string name;  // the entry name asked for, or the host entry called
  // Resolve: "hit" or "miss". Entry: the arguments, e.g. "13", "Fraction",
  // "null,0,0x08000100" (address or "null", length, encoding), a declaration text.
  std::string detail;
};

// "+", "-", "*", "/", "\\", "Mod", "^", "=", "<>", "<", "<=", ">", ">=" (Mod case-insensitive).
std::optional<Op> parseOp(std::string_view symbol);
const char* opSymbol(Op op);

struct LoadOptions {
  // Load a private copy of the file, so that each Host gets the plug-in's globals and binding
  // caches fresh even when another Host has the same file loaded.
  bool privateCopy = true;
  // Load and start the plug-in once in a child process first, so that a damaged library that
  // would crash while it loads is reported instead (where there are child processes).
  bool probeFirst = false;
};

// Bytes of an object's plug-in data: `size` bytes at `bytes` (the registered dataOffset).
struct DataView {
  unsigned char* bytes = nullptr;
  std::size_t size = 0;
};

class Host {
 public:
  Host();
  ~Host();  // destroys every object (running destructors) and unloads the plug-in
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // --- the resolver: answers every host entry it knows unless told otherwise
  void removeEntry(const std::string& name);                        // answer null
  void replaceEntry(const std::string& name, const void* address);  // answer this address
  template <class F>
  void replaceEntry(const std::string& name, F* function) {
    replaceEntry(name, reinterpret_cast<const void*>(function));
  }
  void restoreEntry(const std::string& name);  // the host's own answer again
  Faults& faults();
  // The resolver itself, as handed to the plug-in (for tests that call it directly).
  void* resolve(const char* name);

  // --- loading: finds "QORAPluginMain" and calls it with the resolver. Once per Host.
  bool load(const std::string& path, std::string* error = nullptr, LoadOptions options = {});
  bool loaded() const;

  // --- what happened
  const std::vector<Event>& events() const;
  std::vector<std::string> resolverLog() const;  // names asked, in order
  std::vector<Event> entryLog() const;           // host entries called, in order
  void clearEvents();
  void setEntryLogging(bool on);  // off: only resolver requests are logged (for benchmarks)

  // --- what the plug-in registered
  std::vector<std::string> classNames() const;  // registered classes, in registration order
  const ClassInfo* findClass(std::string_view name) const;  // case-insensitive
  const std::vector<Method>& globals() const;               // in registration order
  // Registered classes whose name ends in "Exception", and the host's own "RuntimeException".
  bool isExceptionClass(std::string_view name) const;

  // --- using it (a failed() Outcome rather than a C++ exception for anything the host refuses)
  // A new instance: record constructor first, then the "Constructor(...)" entry the arguments pick.
  Outcome construct(std::string_view className, const std::vector<Value>& args = {});
  // A method of the receiver's class, the overload picked by argument types.
  Outcome call(const Value& receiver, std::string_view method, const std::vector<Value>& args = {});
  // As call(), naming the class, so the receiver may be Nil (the plug-in then sees a null self).
  Outcome callAs(std::string_view className, const Value& receiver, std::string_view method,
                 const std::vector<Value>& args = {});
  // For a call made over and over with arguments of the same kinds (a call site in a loop): the
  // overload callAs() picks, chosen once. Null, with `error` set, where callAs() would refuse.
  const Method* choose(std::string_view className, std::string_view method,
                       const std::vector<Value>& args, std::string* error = nullptr);
  // callAs() with a method choose() gave, on an object by its handle (Value::handle()), without
  // looking for the method again. False, with nothing called, unless the object is alive in this
  // host, its class declares `method` and every argument fits. The outcome is built in `out`, a
  // fresh Outcome. The caller keeps the object alive for the call. With `text`, a String result
  // of a call that raised nothing is assigned to `*text` (in the room it has) and out.value stays
  // Nil: a caller that keeps strings of its own takes the text without copying it twice.
  bool callChosen(const Method& method, const void* receiver, const std::vector<Value>& args,
                  Outcome& out, std::string* text = nullptr);
  // lhs op rhs as the host language evaluates it: Operator_X on an object on the left, else
  // Operator_XRight on an object on the right; comparisons through Operator_Compare. Without an
  // operator method, = and <> tell objects (and Nil) apart by identity; operands without an
  // object are refused: the language evaluates those itself.
  Outcome binary(Op op, const Value& lhs, const Value& rhs);
  Outcome negate(const Value& operand);  // Operator_Negate on objects
  Outcome callGlobal(std::string_view name, const std::vector<Value>& args = {});

  // --- inspection
  DataView instanceData(const Value& object) const;  // empty for non-objects
  std::size_t liveObjects() const;                   // instances not yet destroyed
  std::size_t liveStrings() const;                   // string handles not yet freed

 private:
  std::unique_ptr<detail::Runtime> rt_;
};

}  // namespace quorvex
