// From host values to a plug-in call and back: overload choice, argument passing, results,
// the pending exception and the per-call pool.
#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>

#include "Runtime.h"

namespace quorvex::detail {
namespace {

std::string argTypes(Args args) {
  std::string text = "(";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i > 0) text += ", ";
    text += args[i].isObject() ? args[i].className() : typeName(args[i].type());
  }
  return text + ")";
}

std::string declared(const std::vector<Method>& candidates, std::string_view name) {
  std::string text;
  for (const Method& m : candidates) {
    if (!name.empty() && !sameName(m.parsed.name, name)) continue;
    text += text.empty() ? "" : "; ";
    text += m.declaration;
  }
  return text.empty() ? "nothing" : text;
}

// The indices of the candidates a name picks, kept per table: a loop calls the same few of a
// class's dozens of methods over and over. A table never changes once its plug-in has started, and
// its memory is reused only after its host is gone, so registration and a host's end clear this.
struct NamedIndex {
  const Method* table;
  std::size_t size;
  std::string name;
  std::vector<std::size_t> picks;
};
constexpr std::size_t kMaxNamedIndices = 256;

// Never destroyed: a host that outlives main() (a static one) still clears it on its way out.
std::vector<NamedIndex>& namedIndices() {
  static auto* indices = new std::vector<NamedIndex>();
  return *indices;
}

// Hosts on different threads share the indices.
std::mutex& namedLock() {
  static auto* lock = new std::mutex();
  return *lock;
}

// A copy, so that no lock is held while the choice is made; overloads of one name are few.
struct Picks {
  static constexpr std::size_t kMax = 16;
  std::size_t at[kMax];
  std::size_t count = 0;
  bool tooMany = false;  // more than kMax: the caller looks at the whole table
};

Picks copyOf(const std::vector<std::size_t>& picks) {
  Picks out;
  out.tooMany = picks.size() > Picks::kMax;
  for (std::size_t i = 0; i < picks.size() && !out.tooMany; ++i) out.at[out.count++] = picks[i];
  return out;
}

Picks named(const std::vector<Method>& candidates, std::string_view name) {
  const std::lock_guard<std::mutex> hold(namedLock());
  std::vector<NamedIndex>& indices = namedIndices();
  for (const NamedIndex& index : indices) {
    if (index.table == candidates.data() && index.size == candidates.size() && index.name == name)
      return copyOf(index.picks);
  }
  if (indices.size() >= kMaxNamedIndices) indices.clear();
  NamedIndex index{candidates.data(), candidates.size(), std::string(name), {}};
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (candidates[i].valid && sameName(candidates[i].parsed.name, name)) index.picks.push_back(i);
  }
  indices.push_back(std::move(index));
  return copyOf(indices.back().picks);
}

// Bumped whenever the indices are forgotten, so that every thread's last choice is forgotten too.
std::atomic<unsigned long>& tablesGeneration() {
  static std::atomic<unsigned long> generation{1};
  return generation;
}

// The last choice made on a thread: a loop asks for the same method with the same kinds of
// arguments each time round. A choice depends on nothing else (an object argument by its class
// entry, which lives as long as its table). Trivially destructible, for every platform's
// thread_local; longer names and more arguments are simply not kept.
struct LastChoice {
  static constexpr std::size_t kMaxName = 40;
  unsigned long generation = 0;
  const Method* table = nullptr;
  std::size_t size = 0;
  char name[kMaxName];
  std::size_t nameSize = 0;
  std::size_t count = 0;
  Type types[kMaxParameters];
  const ClassEntry* classes[kMaxParameters];
  const Method* choice = nullptr;
};

const ClassEntry* classOf(const Value& arg) {
  return arg.isObject() ? Runtime::objectOf(arg)->cls : nullptr;
}

bool keeps(const LastChoice& last, const std::vector<Method>& candidates, std::string_view name,
           Args args, unsigned long generation) {
  if (last.generation != generation || last.table != candidates.data() ||
      last.size != candidates.size() || last.count != args.size() ||
      std::string_view(last.name, last.nameSize) != name) {
    return false;
  }
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (last.types[i] != args[i].type() || last.classes[i] != classOf(args[i])) return false;
  }
  return true;
}

void remember(LastChoice& last, const std::vector<Method>& candidates, std::string_view name,
              Args args, unsigned long generation, const Method* choice) {
  if (name.size() > LastChoice::kMaxName || args.size() > kMaxParameters) return;
  last.generation = generation;
  last.table = candidates.data();
  last.size = candidates.size();
  std::memcpy(last.name, name.data(), name.size());
  last.nameSize = name.size();
  last.count = args.size();
  for (std::size_t i = 0; i < args.size(); ++i) {
    last.types[i] = args[i].type();
    last.classes[i] = classOf(args[i]);
  }
  last.choice = choice;
}

const Method* chooseAmong(const std::vector<Method>& candidates, std::string_view owner,
                          std::string_view name, Args args, std::string* error);

}  // namespace

int fitObject(std::string_view type, const Value& arg) {
  if (arg.isNil()) return 1;
  if (!arg.isObject()) return -1;
  if (sameName(type, "Object")) return 1;
  const ClassEntry* cls = Runtime::objectOf(arg)->cls;
  return cls != nullptr && sameName(cls->info.name, type) ? 2 : -1;
}

void forgetOverloads() {
  const std::lock_guard<std::mutex> hold(namedLock());
  namedIndices().clear();
  ++tablesGeneration();
}

const Method* chooseOverload(const std::vector<Method>& candidates, std::string_view owner,
                             std::string_view name, Args args, std::string* error) {
  thread_local LastChoice last;
  const unsigned long generation = tablesGeneration().load();
  if (keeps(last, candidates, name, args, generation)) return last.choice;
  const Method* choice = chooseAmong(candidates, owner, name, args, error);
  if (choice != nullptr) remember(last, candidates, name, args, generation, choice);
  return choice;
}

namespace {

const Method* chooseAmong(const std::vector<Method>& candidates, std::string_view owner,
                          std::string_view name, Args args, std::string* error) {
  const Method* best = nullptr;
  int bestScore = -1;
  bool tie = false;
  const Picks picks = named(candidates, name);
  const std::size_t count = picks.tooMany ? candidates.size() : picks.count;
  for (std::size_t p = 0; p < count; ++p) {
    const Method& m = candidates[picks.tooMany ? p : picks.at[p]];
    if (picks.tooMany && !sameName(m.parsed.name, name)) continue;
    const int score = fitScore(m, args);
    if (score > bestScore) {
      best = &m;
      bestScore = score;
      tie = false;
    } else if (score >= 0 && score == bestScore) {
      tie = true;
    }
  }
  if (best != nullptr && !tie) return best;
  if (error != nullptr) {
    bool named = false;
    for (const Method& m : candidates) named |= m.valid && sameName(m.parsed.name, name);
    std::string what = std::string(owner) + (owner.empty() ? "" : ".") + std::string(name);
    if (!named) {
      *error = std::string(owner.empty() ? "no global function " : "no method ") + what +
               "; declared: " + declared(candidates, {});
    } else {
      *error = std::string(tie ? "ambiguous call " : "no overload of ") + what + " takes " +
               argTypes(args) + "; declared: " + declared(candidates, name);
    }
  }
  return nullptr;
}

}  // namespace

inline void Runtime::invokeHere(Outcome& out, const Method& method, const Object* self,
                                bool hasSelf, Args args, std::string* text) {
  Active active(this);
  const Mark start = mark();
  Raw raw[kMaxParameters + 1];
  std::size_t n = 0;
  if (hasSelf) raw[n++].p = const_cast<Object*>(self);
  for (std::size_t i = 0; i < args.size(); ++i, ++n) {
    const Value& arg = args[i];
    switch (method.params[i]) {
      case Passing::Integer:
        if (arg.asInteger() < LONG_MIN || arg.asInteger() > LONG_MAX) {
          drain(start);
          out = refused("Integer " + arg.describe() + " does not fit the plug-in's Integer");
          return;
        }
        raw[n].l = static_cast<long>(arg.asInteger());
        break;
      case Passing::Double:
        raw[n].d =
            arg.type() == Type::Integer ? static_cast<double>(arg.asInteger()) : arg.asDouble();
        break;
      case Passing::Boolean:
        raw[n].b = arg.asBoolean();
        break;
      case Passing::String:
        raw[n].p = newString(arg.asString(), kEncodingUtf8);
        break;
      default:
        raw[n].p = nullptr;
        if (arg.isObject()) {
          Object* object = objectOf(arg);
          if (object->rt != this) {
            drain(start);
            out = refused("an object of another host cannot be passed here");
            return;
          }
          raw[n].p = object;
        }
    }
  }
  // Every method called is valid, and so has its typed call: a class's with a receiver (`hasSelf`),
  // a global function's without.
  const auto invoker = reinterpret_cast<Invoker>(const_cast<void*>(method.invoke));
  const Raw result = invoker(method.function, raw);
  switch (method.result) {
    case Passing::None:
      break;
    // `out` is fresh: its value is Nil, with nothing to release.
    case Passing::Integer:
      out.value.type_ = Type::Integer;
      out.value.int_ = result.l;
      break;
    case Passing::Double:
      out.value.type_ = Type::Double;
      out.value.dbl_ = result.d;
      break;
    case Passing::Boolean:
      out.value.type_ = Type::Boolean;
      out.value.int_ = result.b ? 1 : 0;
      break;
    case Passing::String: {
      std::string* into = text != nullptr && pending == nullptr && !nilRaised ? text : nullptr;
      if (into == nullptr) {
        out.value.type_ = Type::String;
        into = &out.value.str_;
      }
      // A string made during this call goes when the call ends: its text is copied where `into`
      // has the room for it (the slot keeps its own for the next string), else taken.
      if (String* mine = strings.find(result.p, start.strings)) {
        if (mine->bytes.size() <= into->size()) {
          putBytes(*into, mine->bytes.data(), mine->bytes.size());
        } else {
          *into = std::move(mine->bytes);
        }
      } else if (String* s = asString(result.p)) {
        *into = s->bytes;
      } else if (result.p == nullptr) {
        into->clear();
      } else {
        out = refused(method.declaration + " returned an unknown string handle");
        out.value.type_ = Type::String;
      }
      break;
    }
    case Passing::Object:
      if (Object* object = asObject(result.p)) {
        out.value = wrap(object);
      } else if (result.p != nullptr) {
        out = refused(method.declaration + " returned an unknown object handle");
      }
  }
  if (pending != nullptr) {
    if (out.ok()) out.kind = Outcome::Kind::Exception;
    out.exception = Value(pending);  // takes the reference the raise counted
    pending = nullptr;
  } else if (nilRaised && out.ok()) {
    out = refused(method.declaration + " raised Nil");
  }
  nilRaised = false;
  drain(start);
  if (pending != nullptr) releaseObject(pending);  // raised by a destructor while draining: dropped
  pending = nullptr;
}

void Runtime::invokeInto(Outcome& out, const Method& method, const Object* self, bool hasSelf,
                         Args args, std::string* text) {
  invokeHere(out, method, self, hasSelf, args, text);
}

bool Runtime::callChosen(const Method& method, const void* receiver, Args args, Outcome& out,
                         std::string* text) {
  const Object* object = asObject(receiver);
  if (object == nullptr || !declares(*object->cls, method) || !fitsParameters(method, args))
    return false;
  invokeHere(out, method, object, true, args, text);
  return true;
}

Outcome Runtime::dispatch(ClassEntry* cls, const Value& receiver, std::string_view name,
                          const std::vector<Value>& args) {
  std::string error;
  const Method* method = chooseOverload(cls->info.methods, cls->info.name, name, args, &error);
  if (method == nullptr) return refused(error);
  return invoke(*method, objectOf(receiver), true, args);
}

Outcome Runtime::construct(ClassEntry* cls, const std::vector<Value>& args) {
  if (!cls->info.registered) return refused("class " + cls->info.name + " is not registered");
  bool declaresConstructor = false;
  for (const Method& m : cls->info.methods)
    declaresConstructor |= sameName(m.parsed.name, "Constructor");
  const Method* chosen = nullptr;
  std::string error;
  if (declaresConstructor || !args.empty()) {
    chosen = chooseOverload(cls->info.methods, cls->info.name, "Constructor", args, &error);
    if (chosen == nullptr) return refused(error);
  }
  Active active(this);
  const Mark start = mark();
  Value object = wrap(newObject(cls));
  Outcome out;
  if (chosen != nullptr) out = invoke(*chosen, objectOf(object), true, args);
  if (pending != nullptr && !out.failed()) {  // raised by the record's constructor
    out.kind = Outcome::Kind::Exception;
    out.exception = Value(pending);
  }
  pending = nullptr;
  out.value = object;
  drain(start);
  return out;
}

}  // namespace quorvex::detail
