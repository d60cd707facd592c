// The host's inner working: handles, classes, the per-call pool and the pending exception.
#pragma once

#include <quorvex/host.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "HandleSet.h"
#include "Library.h"
#include "Records.h"
#include "Spares.h"
#include "StringStack.h"

namespace quorvex::detail {

// Every handle the plug-in holds starts with its kind, so a handle of the wrong kind is refused
// rather than misread.
enum class HandleKind : std::uint32_t {
  Object = 0x4a424f51,
  String = 0x52545351,
  Class = 0x534c4351
};

struct Handle {
  HandleKind kind;
  long refs = 1;
};

struct ClassEntry;

// An instance; the plug-in's data follows the header at kDataOffset.
struct Object : Handle {
  Runtime* rt = nullptr;  // null once the Host is gone
  ClassEntry* cls = nullptr;
  std::size_t dataSize = 0;
};

// Non-zero by construction, so a binding that ignores the registered offset writes over the header.
constexpr std::size_t kDataOffset = (sizeof(Object) + 15) & ~std::size_t{15};

struct String : Handle {
  std::uint32_t encoding = kEncodingUtf8;
  std::string bytes;
};

inline void freeInstance(void* memory) {
  std::free(memory);
}

// A class reference as the plug-in holds it: the entry's own address.
struct ClassEntry {
  HandleKind kind = HandleKind::Class;
  ClassInfo info;
  ClassRecord* record = nullptr;
  // Memory of destroyed instances, for the next ones (all of one class are one size).
  Spares<void, freeInstance> spare;
};

// One argument or result; only the member its Passing names is ever read (strings and objects
// as `p`).
union Raw {
  long l;
  double d;
  void* p;
  bool b;
};

// Calls a plug-in function as R(A...), with R and A as a method's passings have them: its
// parameters after a leading receiver in `args` when it is a class's method. Found by
// invokerFor() once for each method, when it is read: null for more than kMaxParameters.
using Invoker = Raw (*)(const void* function, const Raw* args);
Invoker invokerFor(Passing result, bool method, const Passing* params, std::size_t count);

// The built-in types, as declarations are canonicalised to spell them.
constexpr std::string_view kInteger = "Integer";
constexpr std::string_view kDouble = "Double";
constexpr std::string_view kString = "String";
constexpr std::string_view kBoolean = "Boolean";

bool sameName(std::string_view a, std::string_view b);  // ASCII case-insensitive
// How a type, as parseDeclaration() spells it, is passed; "": None.
Passing passingOf(std::string_view type);

// Copies `size` bytes (at least one T's, at most two) as two moves of a T, one from the start and
// one up to the end, overlapping in between.
template <class T>
void copyEnds(char* to, const char* from, std::size_t size) {
  T head, tail;
  std::memcpy(&head, from, sizeof head);
  std::memcpy(&tail, from + size - sizeof tail, sizeof tail);
  std::memcpy(to, &head, sizeof head);
  std::memcpy(to + size - sizeof tail, &tail, sizeof tail);
}

// Copies `size` bytes: a short text (most are) in a few moves inline, since a call into the C
// library costs more than the copy itself.
inline void copyBytes(char* to, const char* from, std::size_t size) {
  if (size > 16) {
    std::memcpy(to, from, size);
  } else if (size >= 8) {
    copyEnds<std::uint64_t>(to, from, size);
  } else if (size >= 4) {
    copyEnds<std::uint32_t>(to, from, size);
  } else if (size > 0) {
    const char first = from[0], middle = from[size / 2], last = from[size - 1];
    to[0] = first;
    to[size / 2] = middle;
    to[size - 1] = last;
  }
}

// Puts `size` bytes from `bytes` in `to`. Mostly `to` already holds a text as long (a loop's string
// each time round, in the same slot or variable): then the copy is all, without a call into the
// string's general assignment.
inline void putBytes(std::string& to, const char* bytes, std::size_t size) {
  if (size <= to.size()) {
    copyBytes(&to[0], bytes, size);
    to.erase(size);
  } else {
    to.assign(bytes, size);
  }
}

void destroyLast(Object* object);  // the last reference went
inline void retainObject(Object* object) {
  ++object->refs;
}
inline void releaseObject(Object* object) {
  if (--object->refs <= 0) destroyLast(object);
}

// The arguments of one call wherever they are kept: an operator's one operand needs no vector.
class Args {
 public:
  Args() = default;
  Args(const std::vector<Value>& values) : items_(values.data()), count_(values.size()) {}
  Args(const Value* items, std::size_t count) : items_(items), count_(count) {}
  std::size_t size() const { return count_; }
  const Value& operator[](std::size_t i) const { return items_[i]; }

 private:
  const Value* items_ = nullptr;
  std::size_t count_ = 0;
};

struct Runtime {
  Runtime();
  ~Runtime();

  // resolver and log
  void* resolve(const char* name);
  // `detail` makes the entry's argument text, only while the log is on: entries run on every
  // call a program makes, and most runs never read the log.
  template <typename Detail>
  void logEntry(const char* entry, Detail&& detail) {
    if (entryLogging) events.push_back({Event::Kind::Entry, entry, std::string(detail())});
  }
  std::map<std::string, const void*> overrides;
  std::set<std::string> removed;
  Faults faults;
  std::vector<Event> events;
  bool entryLogging = true;

  // loading
  bool load(const std::string& path, std::string* error, LoadOptions options);
  bool start(const std::string& path, bool fresh, std::string* error);  // opens, runs the entry
  Library library;
  bool loaded = false;

  // classes and global functions
  ClassEntry* findClass(std::string_view name) const;
  ClassEntry* classNamed(const char* name);  // creates an unregistered entry when unknown
  void registerClass(ClassRecord* record);
  void registerGlobal(const MethodRecord* entry);
  std::vector<std::unique_ptr<ClassEntry>> classes;
  mutable ClassEntry* lastFound = nullptr;  // the class findClass() found last
  std::vector<ClassEntry*> order;
  std::vector<Method> globals;

  // handles: every object alive is in `handles`, every string in `strings`. The pool holds one
  // reference to each object made during the current call (or during start-up, kept until the Host
  // goes); a string lives until the call that made it ends.
  Object* newObject(ClassEntry* cls);  // owned by the pool; constructor already run
  // Inline: the plug-in makes one for every String it returns.
  String* newString(std::string_view bytes, std::uint32_t encoding) {
    String* string = strings.push();
    string->kind = HandleKind::String;
    string->encoding = encoding;
    putBytes(string->bytes, bytes.data(), bytes.size());
    return string;
  }
  // Where the handles of a call begin: what drain() drops back to when the call ends.
  struct Mark {
    std::size_t objects;
    std::size_t strings;
  };
  Mark mark() const { return {pool.size(), strings.size()}; }
  // Inline: every call checks its receiver this way.
  Object* asObject(const void* handle) const {
    if (handle == nullptr || !handles.contains(handle)) return nullptr;
    auto* h = static_cast<Handle*>(const_cast<void*>(handle));
    return h->kind == HandleKind::Object ? static_cast<Object*>(h) : nullptr;
  }
  String* asString(const void* handle) const { return strings.find(handle); }
  ClassEntry* asClass(const void* handle) const;
  void callHook(const void* function, Object* object);
  void destroy(Object* object);
  // Inline: every call ends this way, most having made nothing.
  void drain(Mark mark) {
    if (pool.size() > mark.objects) dropObjects(mark.objects);
    strings.popTo(mark.strings);
  }
  void dropObjects(std::size_t mark);
  HandleSet handles;
  std::size_t objectCount = 0;
  std::vector<Object*> pool;
  StringStack<String> strings;

  // exceptions raised during the current call
  Object* pending = nullptr;
  bool nilRaised = false;

  // calls
  // The call's outcome is built in `out`, a fresh Outcome, rather than moved there; a String
  // result of a call that raised nothing goes to `*text` instead, when `text` is given.
  void invokeInto(Outcome& out, const Method& method, const Object* self, bool hasSelf, Args args,
                  std::string* text = nullptr);
  // Host::callChosen(): false, with nothing called, unless the receiver is an object of this
  // runtime whose class declares `method` and the arguments fit it.
  bool callChosen(const Method& method, const void* receiver, Args args, Outcome& out,
                  std::string* text);
  // The body of both, inline in each: a call from a site, the commonest call, is then one call
  // into the host rather than two.
  [[gnu::always_inline]] inline void invokeHere(Outcome& out, const Method& method,
                                                const Object* self, bool hasSelf, Args args,
                                                std::string* text);
  Outcome invoke(const Method& method, const Object* self, bool hasSelf, Args args) {
    Outcome out;
    invokeInto(out, method, self, hasSelf, args);
    return out;
  }
  Outcome dispatch(ClassEntry* cls, const Value& receiver, std::string_view name,
                   const std::vector<Value>& args);
  Outcome construct(ClassEntry* cls, const std::vector<Value>& args);
  Value wrap(Object* object);  // a new counted reference
  static Object* objectOf(const Value& value) { return value.obj_; }
};

// The runtime the host entries answer for on this thread. Inline: every call into the plug-in
// sets it and puts it back, and most entries the plug-in calls read it.
inline thread_local Runtime* activeRuntime = nullptr;
inline Runtime*& current() {
  return activeRuntime;
}

// Makes a runtime the one the host entries answer for, for as long as it lives.
class Active {
 public:
  explicit Active(Runtime* rt) : saved_(current()) { current() = rt; }
  ~Active() { current() = saved_; }
  Active(const Active&) = delete;
  Active& operator=(const Active&) = delete;

 private:
  Runtime* saved_;
};

// A call that did not happen, with the message the caller sees.
inline Outcome refused(std::string message) {
  Outcome out;
  out.kind = Outcome::Kind::Error;
  out.error = std::move(message);
  return out;
}

// How well an argument fits a parameter of a class (or "Object"): as fit() below.
int fitObject(std::string_view type, const Value& arg);

// How well an argument fits a parameter: 2 exactly, 1 by conversion, -1 not at all.
inline int fit(Passing passing, std::string_view type, const Value& arg) {
  switch (passing) {
    case Passing::Integer:
      return arg.type() == Type::Integer ? 2 : -1;
    case Passing::Double:
      return arg.type() == Type::Double ? 2 : arg.type() == Type::Integer ? 1 : -1;
    case Passing::String:
      return arg.type() == Type::String ? 2 : -1;
    case Passing::Boolean:
      return arg.type() == Type::Boolean ? 2 : -1;
    case Passing::None:
      return -1;
    case Passing::Object:
      break;
  }
  return fitObject(type, arg);
}

// How well the arguments fit the method's parameters: the sum of each one's fit, or -1 when one
// does not fit at all, their number differs or the declaration did not parse. Inline: every call
// from a site checks its method this way.
inline int fitScore(const Method& m, Args args) {
  if (!m.valid || m.parsed.params.size() != args.size()) return -1;
  int score = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const int f = fit(m.params[i], m.parsed.params[i].type, args[i]);
    if (f < 0) return -1;
    score += f;
  }
  return score;
}

// Whether the arguments fit the method's parameters, in number and kind: a method to call as it
// is, not the best of several.
inline bool fitsParameters(const Method& method, Args args) {
  return fitScore(method, args) >= 0;
}
// Whether `method` is one of the class's own (a method's address tells its class: every class has
// a table of its own).
inline bool declares(const ClassEntry& cls, const Method& method) {
  const std::vector<Method>& methods = cls.info.methods;
  return &method >= methods.data() && &method < methods.data() + methods.size();
}

// Drops what chooseOverload() remembers of method tables, for when tables change or go.
void forgetOverloads();

// Picks, among `candidates` named `name`, the one whose parameters the arguments fit best. Null
// with `error` set when none fits or two fit equally well.
const Method* chooseOverload(const std::vector<Method>& candidates, std::string_view owner,
                             std::string_view name, Args args, std::string* error);

}  // namespace quorvex::detail
