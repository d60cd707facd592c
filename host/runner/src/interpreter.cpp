#include "quorvex/lang/interpreter.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>

#include "builtins.h"
#include "checker.h"
#include "quorvex/lang/deep_stack.h"
#include "quorvex/lang/operators.h"
#include "scopes.h"

namespace quorvex::lang {

namespace {

struct Variable {
  Type type;
  Value value;
  bool constant = false;
};

// A host exception (or the runner's own OutOfBoundsException) on its way to a Catch clause or
// out of the program.
struct Raised {
  Value exception;
  Pos pos;
  std::string message;  // the runner's own exceptions say what went wrong
  std::string calls;    // ", in F, called from line 12" for each call in progress when raised
};

// A chain of calls is named this far; a runaway recursion would otherwise print thousands.
constexpr int kCallsNamed = 8;

// How a statement ends: on to the next one, or leaving something around it.
// Raise: an exception travels to its Catch (`State::raised` holds it).
enum class Flow {
  Next,
  Raise,
  Return,
  ExitSub,
  ExitFor,
  ExitWhile,
  ExitDo,
  NextFor,
  NextWhile,
  NextDo,
};

Flow exitFlow(const std::string& word) {
  if (word == "For") return Flow::ExitFor;
  if (word == "While") return Flow::ExitWhile;
  if (word == "Do") return Flow::ExitDo;
  return Flow::ExitSub;
}

Flow continueFlow(const std::string& word) {
  if (word == "For") return Flow::NextFor;
  if (word == "While") return Flow::NextWhile;
  return Flow::NextDo;
}

// The checker lets through values whose type it cannot know (a Catch variable without a class,
// a method whose declarations disagree on the result); these look again, where a value is used.
std::int64_t integerIn(const Value& v, Pos pos, const char* what) {
  if (auto* i = std::get_if<std::int64_t>(&v)) return *i;
  throw ProgramError(pos,
                     std::string("expected an Integer ") + what + ", found " + typeName(typeOf(v)));
}

ArrayRef arrayIn(const Value& v, Pos pos) {
  if (auto* a = std::get_if<ArrayRef>(&v)) return *a;
  throw ProgramError(pos, "expected an array, found " + typeName(typeOf(v)));
}

std::string exceptionClass(const Value& v) {
  if (auto* o = std::get_if<ObjectRef>(&v)) return o->className;
  return "Exception";
}

}  // namespace

// A program with what the checker found out about it; kept while a procedure it defines may run.
struct Unit {
  Program program;
  Resolved resolved;
};

struct Interpreter::State {
  State(ObjectHost& h, std::ostream& o) : host(h), out(o) { main.watch(&layout); }

  ObjectHost& host;
  std::ostream& out;
  Scopes<Variable> main;  // the main program's variables; the outermost stay for the next entry
  Scopes<Variable>* vars = &main;
  const Resolved* res = nullptr;
  Procedures procedures;
  Value result;  // a Function's Return value on its way out
  // Set while a raised exception travels to its Catch: every step returns at once until a Try
  // takes it. A C++ throw would cost several microseconds a raise, more than the call that raised.
  std::optional<Raised> raised;
  // The flag an interrupt sets; never null, so that it is read without asking first.
  static inline volatile std::sig_atomic_t noInterrupt = 0;
  volatile std::sig_atomic_t* interrupt = &noInterrupt;
  // What each step reads: the interrupt flag, or, while steps are counted, a flag that is always
  // set, so that one read tells a step whether there is anything to do.
  static inline volatile std::sig_atomic_t counting = 1;
  volatile std::sig_atomic_t* watched = &noInterrupt;
  void watch() { watched = stepLimit != 0 ? &counting : interrupt; }

  // Counts changes to where variables are, so that a node keeps where it found its variable
  // while the count stays (a loop reads and writes the same few each time round). Each State
  // counts from a start of its own, far from any other's: a count is never another State's.
  std::uint64_t layout = firstLayout();

  static std::uint64_t firstLayout() {
    static std::atomic<std::uint64_t> states{0};
    return (states.fetch_add(1, std::memory_order_relaxed) + 1) << 40;
  }

  CallResult other;  // what a call from a site raised, or why it failed, on its way to settle()
  const std::vector<Value> noArgs;

  std::uint64_t stepLimit = 0;
  std::uint64_t steps = 0;

  // Calls in progress (the procedure, the line it was called from), and the stack they may use:
  // a program recursing without end stops with an error before the stack does.
  std::vector<std::pair<const Procedure*, int>> calls;
  const char* stackBase = nullptr;
  std::size_t stackBudget = 0;

  void step(Pos pos) {
    if (*watched != 0) counted(pos);
  }
  // The rare part of step(), out of the way of every statement.
  [[gnu::noinline]] void counted(Pos pos) {
    if (*interrupt != 0) {
      *interrupt = 0;
      throw Interrupted{pos};
    }
    if (stepLimit != 0 && ++steps > stepLimit) {
      throw ProgramError(pos, "stopped after " + std::to_string(stepLimit) + " steps");
    }
  }

  // ---- the program
  void runMain(const Unit& unit) {
    res = &unit.resolved;
    // Constants first: procedures may use them wherever they stand.
    for (const auto& s : unit.program.body) {
      if (s->form == Stmt::Form::Const && statement(*s) == Flow::Raise) return;
    }
    for (const auto& s : unit.program.body) {
      if (s->form != Stmt::Form::Const && statement(*s) == Flow::Raise) return;
    }
  }

  // ---- statements
  // A block opens a scope only when it declares names of its own: a loop's body most often
  // declares none, and runs each time round.
  Flow block(const Block& b) {
    if (!declaresNames(b)) return statements(b);
    ScopeGuard<Variable> g(*vars);
    return statements(b);
  }

  static bool declaresNames(const Block& b) {
    return std::any_of(b.begin(), b.end(), [](const StmtPtr& s) {
      return s->form == Stmt::Form::Dim || s->form == Stmt::Form::Const;
    });
  }

  Flow statements(const Block& b) {
    for (const auto& s : b) {
      const Flow f = statement(*s);
      if (f != Flow::Next) return f;
    }
    return Flow::Next;
  }

  Flow statement(const Stmt& s) {
    step(s.pos);
    // The commonest statement, without the frame of the switch over all of them.
    const Flow f = s.form == Stmt::Form::Assign ? (assign(s), Flow::Next) : execute(s);
    return raised ? Flow::Raise : f;
  }

  // Each statement looks at `raised` after every value it needs, and does no more once it is set.
  // Out of line: inlined, its many cases give every block a large frame, which each loop sets up
  // each time round.
  [[gnu::noinline]] Flow execute(const Stmt& s) {
    switch (s.form) {
      case Stmt::Form::Dim:
        dim(s);
        break;
      case Stmt::Form::Const:
        constant(s);
        break;
      case Stmt::Form::Assign:
        assign(s);
        break;
      case Stmt::Form::Print:
        print(s);
        break;
      case Stmt::Form::Call:
        eval(*s.exprs[0]);
        break;
      case Stmt::Form::If:
        for (std::size_t i = 0; i < s.blocks.size(); ++i) {
          const bool chosen = i >= s.exprs.size() || truth(*s.exprs[i]);
          if (raised) break;
          if (chosen) return block(s.blocks[i]);
        }
        break;
      case Stmt::Form::While:
        return whileLoop(s);
      case Stmt::Form::For:
        return forLoop(s);
      case Stmt::Form::Do:
        return doLoop(s);
      case Stmt::Form::Select:
        return select(s);
      case Stmt::Form::Try:
        return tryStmt(s);
      case Stmt::Form::Procedure:
        break;  // known before anything ran
      case Stmt::Form::Return:
        if (!s.exprs.empty()) result = eval(*s.exprs[0]);
        return Flow::Return;
      case Stmt::Form::Exit:
        return exitFlow(s.word);
      case Stmt::Form::Continue:
        return continueFlow(s.word);
      case Stmt::Form::ReDim:
        reDim(s);
        break;
    }
    return Flow::Next;
  }

  void dim(const Stmt& s) {
    const Type& t = res->typeAt(s.type);
    Value v;
    if (s.isNew) {
      v = construct(t.className, s.exprs, s.type.pos);
    } else if (!s.exprs.empty()) {
      v = eval(*s.exprs[0]);
      if (!raised) checked(t, v, startOf(*s.exprs[0]), s.name);
    } else if (!s.index.empty()) {
      v = newArray(t, s.index, s.namePos);
    } else {
      v = defaultValue(t);
    }
    if (!raised) vars->declare(s.name, Variable{t, std::move(v)});
  }

  void constant(const Stmt& s) {
    const Type& t = res->typeAt(s.type);
    Value v = eval(*s.exprs[0]);
    if (raised) return;
    checked(t, v, startOf(*s.exprs[0]), s.name);
    vars->declare(s.name, Variable{t, std::move(v), true});
  }

  // `v`, converted in place to be stored as a `t`; a type mismatch is an error at `pos`.
  Value& checked(const Type& t, Value& v, Pos pos, const std::string& name) {
    // A loop stores a value each time round; one that fits as it is stays as it is, without a call.
    return fitsAsIs(t, v) ? v : converted(t, v, pos, name);
  }

  // The rest of checked(), out of line so that checked() inlines.
  [[gnu::noinline]] Value& converted(const Type& t, Value& v, Pos pos, const std::string& name) {
    if (!fits(t, typeOf(v))) {
      throw ProgramError(pos, "type mismatch: '" + name + "' is " + typeName(t) +
                                  ", but the value is " + typeName(typeOf(v)));
    }
    v = convertFor(t, std::move(v));
    return v;
  }

  // The common cases of fits() without building the value's Type (a copy of its class name): a
  // loop stores a value each time round. False only means "ask fits()".
  static bool fitsAsIs(const Type& t, const Value& v) {
    if (t.isArray()) return false;
    switch (t.kind) {
      case Kind::Integer:
        return std::holds_alternative<std::int64_t>(v);
      case Kind::Double:
        return std::holds_alternative<double>(v);
      case Kind::String:
        return std::holds_alternative<std::string>(v);
      case Kind::Boolean:
        return std::holds_alternative<bool>(v);
      case Kind::Object: {
        auto* o = std::get_if<ObjectRef>(&v);
        return o != nullptr && (t.className.empty() || sameName(t.className, o->className));
      }
      case Kind::Nil:
        break;
    }
    return false;
  }

  Variable& lookup(const std::string& name, Pos pos) {
    if (Variable* v = vars->find(name)) return *v;
    // A procedure sees the program's constants.
    if (vars != &main) {
      for (auto& [key, v] : main.outermost()) {
        if (v.constant && sameName(key, name)) return v;
      }
    }
    throw ProgramError(pos, "'" + name + "' is not declared");
  }

  // As lookup(), for the name a node of the program being run names. Always inline: a loop's
  // every statement reads or writes a variable or two, and a call costs more than the look.
  template <class Node>
  [[gnu::always_inline]] Variable& lookupNamed(const Node& node, Pos pos) {
    if (node.found.layout == layout) return *static_cast<Variable*>(node.found.variable);
    return lookupAgain(node.found, node.name, pos);
  }

  // Kept apart from lookupNamed(), so that the look at the node stays small enough to inline.
  [[gnu::noinline]] Variable& lookupAgain(FoundVariable& found, const std::string& name, Pos pos) {
    Variable& var = lookup(name, pos);
    found = FoundVariable{layout, &var};
    return var;
  }

  // Into the variable the statement names.
  void store(const Stmt& s, Value&& v, Pos pos) {
    Variable& var = lookupNamed(s, pos);
    put(var.value, std::move(checked(var.type, v, pos, s.name)));
  }

  // A loop stores a value of the kind already there each time round: it moves in without going
  // through the general assignment of any kind to any other.
  static void put(Value& to, Value&& v) {
    if (to.index() == v.index()) {
      if (auto* i = std::get_if<std::int64_t>(&to)) {
        *i = *std::get_if<std::int64_t>(&v);
        return;
      }
      if (auto* text = std::get_if<std::string>(&to)) {
        *text = std::move(*std::get_if<std::string>(&v));
        return;
      }
    }
    to = std::move(v);
  }

  // Only the choice is inline: each kind of assignment keeps the frame it needs.
  [[gnu::always_inline]] void assign(const Stmt& s) {
    if (s.index.empty() && s.exprs[0]->form == Expr::Form::Method && assignCall(s)) return;
    assignValue(s);
  }

  [[gnu::noinline]] void assignValue(const Stmt& s) {
    Value v = eval(*s.exprs[0]);
    if (raised) return;
    if (s.index.empty()) return store(s, std::move(v), s.exprs[0]->pos);
    ArrayRef array =
        arrayIn(lookup(s.name, s.namePos).value, s.namePos);  // held through the indices
    const std::vector<Value> index = evalAll(s.index);
    if (raised) return;
    if (Value* slot = at(*array, index, s.name, s.namePos)) {
      *slot = std::move(checked(array->element, v, s.exprs[0]->pos, s.name));
    }
  }

  // `name = x.Method`, the commonest call in a loop: the variable is found once, and a String
  // result goes straight into the string it holds, without a value in between. The variable stays
  // where it is through the call, since only the plug-in runs during it. False, with nothing
  // done, for anything else.
  bool assignCall(const Stmt& s) {
    const Expr& e = *s.exprs[0];
    if (!e.args.empty()) return false;
    const Value* recv = inPlace(*e.left);
    if (recv == nullptr || !std::holds_alternative<ObjectRef>(*recv)) return false;
    Variable& var = lookupNamed(s, e.pos);
    const bool textual = var.type.kind == Kind::String && !var.type.isArray();
    std::string* text = textual ? std::get_if<std::string>(&var.value) : nullptr;
    Value result;
    const SiteCall how = host.callAt(e.site, *recv, e.name, noArgs, result, other, text);
    if (how == SiteCall::Stored) return true;
    if (!fromSite(how, result, e.pos)) callLong(e, *recv, noArgs, result);
    if (!raised) put(var.value, std::move(checked(var.type, result, e.pos, s.name)));
    return true;
  }

  void print(const Stmt& s) {
    std::string line;
    for (std::size_t i = 0; i < s.exprs.size(); ++i) {
      if (i) line += ' ';
      Value v = eval(*s.exprs[i]);
      if (raised) return;
      line += display(v);
    }
    out << line << '\n';
  }

  // False, too, when evaluating the condition raised; callers look at `raised`.
  bool truth(const Expr& e) {
    Value v = eval(e);
    if (raised) return false;
    if (auto* b = std::get_if<bool>(&v)) return *b;
    throw ProgramError(startOf(e), "expected a Boolean condition, found " + typeName(typeOf(v)));
  }

  // What a loop does with how its body ended: true to stop, with `out` the flow it ends with.
  static bool stops(Flow f, Flow exit, Flow next, Flow& out) {
    out = Flow::Next;
    if (f == Flow::Next || f == next) return false;
    if (f != exit) out = f;
    return true;
  }

  Flow whileLoop(const Stmt& s) {
    Flow out = Flow::Next;
    while (truth(*s.exprs[0])) {
      step(s.pos);
      if (stops(block(s.blocks[0]), Flow::ExitWhile, Flow::NextWhile, out)) break;
    }
    return out;
  }

  Flow doLoop(const Stmt& s) {
    const bool until = s.word == "Until";
    auto goesOn = [&] { return s.exprs.empty() || truth(*s.exprs[0]) != until; };
    Flow out = Flow::Next;
    for (;;) {
      if (s.testFirst && !goesOn()) break;
      step(s.pos);
      if (stops(block(s.blocks[0]), Flow::ExitDo, Flow::NextDo, out)) break;
      if (!s.testFirst && !goesOn()) break;
    }
    return out;
  }

  Flow forLoop(const Stmt& s) {
    std::vector<Value> bounds = evalAll(s.exprs);
    if (raised) return Flow::Raise;
    if (bounds.size() < 3) bounds.push_back(std::int64_t{1});
    ScopeGuard<Variable> g(*vars);
    if (!s.type.name.empty()) {
      vars->declare(s.name, Variable{res->typeAt(s.type), Nil{}});
    } else if (!vars->find(s.name)) {
      bool ints = true;
      for (auto& b : bounds) ints = ints && std::holds_alternative<std::int64_t>(b);
      vars->declare(s.name, Variable{ints ? Type::integer() : Type::dbl(), Nil{}});
    }
    Pos stepPos = s.exprs.size() > 2 ? s.exprs[2]->pos : s.pos;
    const bool up = std::get<bool>(applyBuiltin(Op::Gt, bounds[2], std::int64_t{0}, stepPos));
    if (!up && std::get<bool>(applyBuiltin(Op::Eq, bounds[2], std::int64_t{0}, stepPos))) {
      throw ProgramError(stepPos, "the Step of a For loop must not be 0");
    }
    store(s, Value(bounds[0]), s.exprs[0]->pos);
    const Op keepGoing = up ? Op::Le : Op::Ge;
    const auto* last = std::get_if<std::int64_t>(&bounds[1]);
    const auto* by = std::get_if<std::int64_t>(&bounds[2]);
    Flow out = Flow::Next;
    // Found again only after the body, which may move it: advanced and compared where it is then.
    Variable* counter = &lookupNamed(s, s.namePos);
    for (;;) {
      const auto* i = std::get_if<std::int64_t>(&counter->value);
      if (i != nullptr && last != nullptr && by != nullptr) {
        if (up ? *i > *last : *i < *last) break;
      } else if (!std::get<bool>(
                     applyBuiltin(keepGoing, counter->value, bounds[1], s.exprs[1]->pos))) {
        break;
      }
      step(s.pos);
      if (stops(block(s.blocks[0]), Flow::ExitFor, Flow::NextFor, out)) break;
      counter = &lookupNamed(s, s.namePos);
      if (!advance(s, *counter, bounds[2], stepPos)) break;
    }
    return out;
  }

  // The counter of a For loop one Step on; false when the next value would not fit an Integer, so
  // that it is past any limit.
  bool advance(const Stmt& s, Variable& counter, const Value& by, Pos stepPos) {
    auto* i = std::get_if<std::int64_t>(&counter.value);
    const auto* step = std::get_if<std::int64_t>(&by);
    if (i != nullptr && step != nullptr) {
      return !__builtin_add_overflow(*i, *step, i);
    }
    Value next;
    try {
      next = applyBuiltin(Op::Add, counter.value, by, stepPos);
    } catch (const ProgramError&) {
      return false;
    }
    store(s, std::move(next), s.namePos);
    return true;
  }

  Flow select(const Stmt& s) {
    const Expr& subject = *s.exprs[0];
    const Value v = eval(subject);
    if (raised) return Flow::Raise;
    const std::string cls = classFor(v, subject);
    auto holds = [&](Op op, const Expr& e) {
      Value other = eval(e);
      if (raised) return false;
      Value answer = operate(op, v, other, cls, classFor(other, e), startOf(e));
      auto* holds = std::get_if<bool>(&answer);
      return !raised && holds && *holds;
    };
    for (const auto& c : s.cases) {
      bool match = c.tests.empty();
      for (std::size_t i = 0; i < c.tests.size() && !match; ++i) {
        const CaseTest& t = c.tests[i];
        switch (t.form) {
          case CaseTest::Form::Equal:
            match = holds(Op::Eq, *t.value);
            break;
          case CaseTest::Form::Is:
            match = holds(t.op, *t.value);
            break;
          case CaseTest::Form::Range:
            match = holds(Op::Ge, *t.value) && holds(Op::Le, *t.high);
            break;
        }
      }
      if (raised) return Flow::Raise;
      if (match) return block(c.body);
    }
    return Flow::Next;
  }

  Flow tryStmt(const Stmt& s) {
    const Flow f = block(s.blocks[0]);
    if (f != Flow::Raise) return f;
    const std::string cls = exceptionClass(raised->exception);
    for (const auto& c : s.catches) {
      const Type caught = c.cls.name.empty() ? Type::object("") : res->typeAt(c.cls);
      if (!caught.className.empty() && !sameName(caught.className, cls)) continue;
      Value exception = std::move(raised->exception);
      raised.reset();
      ScopeGuard<Variable> g(*vars);
      if (!c.var.empty()) vars->declare(c.var, Variable{caught, std::move(exception)});
      return block(c.body);
    }
    return Flow::Raise;
  }

  // ---- arrays
  // Empty when evaluating one raised.
  std::vector<std::int64_t> upperBounds(const ExprList& list) {
    std::vector<std::int64_t> upper;
    for (const auto& e : list) {
      Value v = eval(*e);
      if (raised) return {};
      upper.push_back(integerIn(v, startOf(*e), "upper bound"));
    }
    return upper;
  }

  [[noreturn]] static void tooLarge(Pos pos) {
    throw ProgramError(
        pos, "an array may hold at most " + std::to_string(kMaxArrayElements) + " elements");
  }

  static std::size_t checkedSize(const std::vector<std::int64_t>& upper, Pos pos) {
    std::int64_t total = 1;
    for (auto u : upper) {
      if (u < -1) {
        throw ProgramError(
            pos, "an array's upper bound is -1 (empty) or more, not " + std::to_string(u));
      }
      // Every bound, an empty array's too (UBound and ReDim read them all), is below the limit, so
      // u + 1 cannot overflow; total never exceeds the limit either, so the product fits.
      if (u >= kMaxArrayElements) tooLarge(pos);
      if (u < 0) total = 0;
      if (total * (u + 1) > kMaxArrayElements) tooLarge(pos);
      total *= u + 1;
    }
    return static_cast<std::size_t>(total);
  }

  Value newArray(const Type& t, const ExprList& bounds, Pos pos) {
    auto a = std::make_shared<Array>();
    a->element = t.element();
    a->upper = upperBounds(bounds);
    if (raised) return Nil{};
    a->items.assign(checkedSize(a->upper, pos), defaultValue(a->element));
    return a;
  }

  void reDim(const Stmt& s) {
    Variable& var = lookup(s.name, s.namePos);
    ArrayRef array = arrayIn(var.value, s.namePos);
    const std::vector<std::int64_t> upper = upperBounds(s.index);
    if (raised) return;
    std::vector<Value> items(checkedSize(upper, s.namePos), defaultValue(array->element));
    // Elements whose indices still fit keep their place.
    const std::int64_t oldColumns = array->upper.size() > 1 ? array->upper[1] + 1 : 1;
    const std::int64_t newColumns = upper.size() > 1 ? upper[1] + 1 : 1;
    const std::int64_t rows = std::min(array->upper[0], upper[0]) + 1;
    const std::int64_t columns = std::min(oldColumns, newColumns);
    for (std::int64_t r = 0; r < rows; ++r) {
      for (std::int64_t c = 0; c < columns; ++c) {
        items[static_cast<std::size_t>(r * newColumns + c)] =
            std::move(array->items[static_cast<std::size_t>(r * oldColumns + c)]);
      }
    }
    array->upper = upper;
    array->items = std::move(items);
  }

  // Null, with OutOfBoundsException raised, for an index outside the array.
  Value* at(Array& a, const std::vector<Value>& index, const std::string& name, Pos pos) {
    std::size_t flat = 0;
    for (std::size_t d = 0; d < a.upper.size(); ++d) {
      const std::int64_t i = integerIn(index[d], pos, "index");
      if (i < 0 || i > a.upper[d]) {
        outOfBounds(a, index, name, pos);
        return nullptr;
      }
      flat = flat * static_cast<std::size_t>(a.upper[d] + 1) + static_cast<std::size_t>(i);
    }
    return &a.items[flat];
  }

  void outOfBounds(const Array& a, const std::vector<Value>& index, const std::string& name,
                   Pos pos) {
    std::string given, bounds;
    for (std::size_t d = 0; d < a.upper.size(); ++d) {
      given += (d ? ", " : "") + display(index[d]);
      bounds += (d ? ", " : "") + std::string("0 To ") + std::to_string(a.upper[d]);
    }
    static int identity;
    raise(ObjectRef{nullptr, kOutOfBounds, &identity}, pos,
          name + "(" + given + ") is outside " + name + "(" + bounds + ")");
  }

  // ---- expressions
  std::vector<Value> evalAll(const ExprList& list) {
    std::vector<Value> out;
    out.reserve(list.size());
    for (const auto& e : list) {
      out.push_back(eval(*e));
      if (raised) break;
    }
    return out;
  }

  Value settle(CallResult&& r, Pos pos) {
    switch (r.kind) {
      case CallResult::Kind::Value:
        return std::move(r.value);
      case CallResult::Kind::Raised:
        raise(std::move(r.exception), pos);
        return Nil{};
      case CallResult::Kind::Failed:
        break;
    }
    throw ProgramError(pos, r.error);
  }

  Value construct(const std::string& cls, const ExprList& args, Pos pos) {
    std::vector<Value> values = evalAll(args);
    if (raised) return Nil{};
    return settle(host.construct(cls, values), pos);
  }

  Value eval(const Expr& e) {
    switch (e.form) {
      case Expr::Form::Literal:
        return e.literal;
      case Expr::Form::Variable:
        return lookupNamed(e, e.pos).value;
      case Expr::Form::New:
        return construct(res->classAt(e), e.args, e.pos);
      case Expr::Form::Unary:
        return unary(e);
      case Expr::Form::Binary:
        return binary(e);
      case Expr::Form::Method:
        return method(e);
      case Expr::Form::Call:
        return call(e);
    }
    return Nil{};
  }

  // The class to ask when a value may be an object: its own, or the declared one when it is Nil.
  // A reference into `v` or the checker's table: good while both stay where they are.
  const std::string& classFor(const Value& v, const Expr& e) const {
    static const std::string none;
    if (auto* o = std::get_if<ObjectRef>(&v)) return o->className;
    if (std::holds_alternative<Nil>(v)) return res->classAt(e);
    return none;
  }

  Value unary(const Expr& e) {
    Value v = eval(*e.left);
    if (raised) return Nil{};
    const std::string& cls = classFor(v, *e.left);
    if (!cls.empty() && e.op == Op::Neg) return callMethod(cls, v, leftMethod(Op::Neg), {}, e.pos);
    return applyBuiltin(e.op, v, e.pos);
  }

  Value binary(const Expr& e) {
    if (e.op == Op::And || e.op == Op::Or) {  // short-circuit
      bool l = truth(*e.left);
      if (raised || (e.op == Op::And ? !l : l)) return l;
      return truth(*e.right);
    }
    const Value* lIn = inPlace(*e.left);
    const Value* rIn = lIn ? inPlace(*e.right) : nullptr;
    if (rIn) return operateAt(e, *lIn, *rIn);
    Value l = eval(*e.left);
    if (raised) return Nil{};
    Value r = eval(*e.right);
    if (raised) return Nil{};
    return operateAt(e, l, r);
  }

  // An operator on an object on the left goes through what its call site learned the last time.
  Value operateAt(const Expr& e, const Value& l, const Value& r) {
    Value result;
    if (std::holds_alternative<ObjectRef>(l) &&
        fromSite(host.binaryAt(e.site, e.op, l, r, result, other), result, e.pos)) {
      return result;
    }
    return operate(e.op, l, r, classFor(l, *e.left), classFor(r, *e.right), e.pos);
  }

  // A variable or a literal read where it is kept, without a copy: nothing evaluated beside it
  // can change it, as neither runs any code. Null for anything else.
  const Value* inPlace(const Expr& e) {
    if (e.form == Expr::Form::Variable) return &lookupNamed(e, e.pos).value;
    if (e.form == Expr::Form::Literal) return &e.literal;
    return nullptr;
  }

  // `lClass` and `rClass`: the class of each side when it may be an object, else empty.
  Value operate(Op op, const Value& l, const Value& r, const std::string& lClass,
                const std::string& rClass, Pos pos) {
    if (op == Op::Is) return identical(l, r, pos);
    const bool lObj = std::holds_alternative<ObjectRef>(l);
    const bool rObj = std::holds_alternative<ObjectRef>(r);
    // A Nil variable of a class still answers through its class, as the host language does.
    const bool lNil = std::holds_alternative<Nil>(l) && !lClass.empty();
    const bool rNil = !lObj && std::holds_alternative<Nil>(r) && !rClass.empty();
    if (lNil || rNil) {
      const bool mirrored = !lNil;
      Value res = mirrored ? callMethod(rClass, r, rightMethod(op), {l}, pos)
                           : callMethod(lClass, l, leftMethod(op), {r}, pos);
      if (raised || !isComparison(op)) return res;
      return comparisonHolds(*hostOperator(op), threeWay(res, pos), mirrored);
    }
    if (lObj || rObj) return settle(host.binary(op, l, r), pos);
    return applyBuiltin(op, l, r, pos);
  }

  static bool identical(const Value& l, const Value& r, Pos pos) {
    for (const Value* v : {&l, &r}) {
      if (!std::holds_alternative<Nil>(*v) && !std::holds_alternative<ObjectRef>(*v)) {
        throw ProgramError(pos, "'Is' compares objects (or Nil), not " + typeName(typeOf(*v)));
      }
    }
    auto identity = [](const Value& v) -> const void* {
      auto* o = std::get_if<ObjectRef>(&v);
      return o ? o->identity : nullptr;
    };
    return identity(l) == identity(r);
  }

  // What Operator_Compare answered.
  static std::int64_t threeWay(const Value& v, Pos pos) {
    auto* i = std::get_if<std::int64_t>(&v);
    if (!i) {
      throw ProgramError(pos, "Operator_Compare gave " + typeName(typeOf(v)) + ", not an Integer");
    }
    return *i;
  }

  Value callMethod(const std::string& cls, const Value& recv, const std::string& name,
                   std::vector<Value> args, Pos pos) {
    CallResult r = host.call(cls, recv, name, args);
    // Asked only once the call failed: finding a method by name is a walk through them all.
    if (r.kind == CallResult::Kind::Failed && !host.hasMethod(cls, name)) {
      throw ProgramError(pos, unknownMethodMessage(host, cls, name));
    }
    return settle(std::move(r), pos);
  }

  // One result, returned on every path, so that it is built where the caller wants it.
  Value method(const Expr& e) {
    Value result;
    // A receiver read in place, when no argument is evaluated beside it that could change it.
    const Value* in = e.args.empty() ? inPlace(*e.left) : nullptr;
    if (in != nullptr) {
      callOn(e, *in, noArgs, result);
      return result;
    }
    const Value recv = eval(*e.left);
    if (raised) return result;
    const std::vector<Value> args = evalAll(e.args);
    if (raised) return result;
    callOn(e, recv, args, result);
    return result;
  }

  void callOn(const Expr& e, const Value& recv, const std::vector<Value>& args, Value& result) {
    if (std::holds_alternative<ObjectRef>(recv) &&
        fromSite(host.callAt(e.site, recv, e.name, args, result, other, nullptr), result, e.pos)) {
      return;
    }
    callLong(e, recv, args, result);
  }

  // A call the host did not take from its site: by the receiver's class, with every check.
  void callLong(const Expr& e, const Value& recv, const std::vector<Value>& args, Value& result) {
    const std::string& cls = classFor(recv, *e.left);
    if (cls.empty()) {
      throw ProgramError(e.pos, "'" + e.name + "' cannot be called on " + typeName(typeOf(recv)) +
                                    ": only objects have methods");
    }
    result = callMethod(cls, recv, e.name, args, e.pos);
  }

  // How a call from a site went: true with `result` set (or the raise on its way), false where the
  // host left the call to be made the long way.
  bool fromSite(SiteCall how, Value& result, Pos pos) {
    if (how == SiteCall::NotTaken) return false;
    if (how == SiteCall::Other) result = settle(std::move(other), pos);
    return true;
  }

  Value call(const Expr& e) {
    const Callee& callee = res->callAt(e);
    switch (callee.kind) {
      case Callee::Kind::Procedure:
        return callProcedure(e, *callee.procedure);
      case Callee::Kind::UBound:
        return uBound(e);
      default:
        break;
    }
    std::vector<Value> args = evalAll(e.args);
    if (raised) return Nil{};
    switch (callee.kind) {
      case Callee::Kind::Element: {
        ArrayRef array = arrayIn(lookup(e.name, e.pos).value, e.pos);
        Value* v = at(*array, args, e.name, e.pos);
        return v ? *v : Value(Nil{});
      }
      case Callee::Kind::Builtin:
        return callee.builtin->apply(args, e.pos);
      default:
        return settle(host.callGlobal(e.name, args), e.pos);
    }
  }

  Value uBound(const Expr& e) {
    std::vector<Value> args = evalAll(e.args);
    if (raised) return Nil{};
    ArrayRef array = arrayIn(args[0], startOf(*e.args[0]));
    const std::int64_t d = args.size() > 1 ? integerIn(args[1], e.pos, "dimension") : 1;
    if (d < 1 || d > static_cast<std::int64_t>(array->upper.size())) {
      throw ProgramError(e.pos, "UBound: the array has no dimension " + std::to_string(d));
    }
    return array->upper[static_cast<std::size_t>(d - 1)];
  }

  // ---- procedures
  // Where a ByRef argument's value goes back to when the call ends.
  struct Target {
    std::size_t param;
    const Expr* arg;
    ArrayRef array;  // an element: its array and indices
    std::vector<Value> index;
  };

  void enter(Pos pos) {
    // A kilobyte per level is far less than any build uses; the bound is the stack itself.
    const char here = 0;
    const std::size_t used =
        static_cast<std::size_t>(stackBase > &here ? stackBase - &here : &here - stackBase);
    if (calls.size() >= kMaxCallDepth || used > stackBudget) {
      throw ProgramError(pos, "calls nested too deep (" + std::to_string(calls.size()) +
                                  " calls in progress): a recursion that does not end?");
    }
  }

  // The procedure running, and where it was called from; the caller's scopes come back when it
  // ends, however it ends, and its ByRef arguments receive what it left in their parameters.
  class Call {
   public:
    Call(State& s, const ProcInfo& proc, Pos at, std::vector<Target> targets)
        : s_(s), callerVars_(s.vars), callerRes_(s.res), targets_(std::move(targets)) {
      frame_.watch(&s.layout);
      s.vars = &frame_;
      s.res = proc.resolved;
      s.calls.push_back({proc.def, at.line});
    }
    ~Call() {
      s_.calls.pop_back();
      ++s_.layout;
      s_.vars = callerVars_;
      s_.res = callerRes_;
      try {
        s_.giveBack(frame_, targets_);
      } catch (...) {  // an argument's place the procedure made vanish takes nothing back
      }
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
    Scopes<Variable>& frame() { return frame_; }

   private:
    State& s_;
    Scopes<Variable> frame_;
    Scopes<Variable>* callerVars_;
    const Resolved* callerRes_;
    std::vector<Target> targets_;
  };

  Value callProcedure(const Expr& e, const ProcInfo& proc) {
    const Procedure& def = *proc.def;
    std::vector<Value> args;
    std::vector<Target> targets;
    for (std::size_t i = 0; i < e.args.size(); ++i) {
      const Expr& arg = *e.args[i];
      Value v;
      if (def.params[i].byRef && !proc.params[i].isArray()) {
        targets.push_back(target(i, arg));
        const Target& t = targets.back();
        if (raised) return Nil{};
        if (!t.array) {
          v = eval(arg);
        } else if (Value* element = at(*t.array, t.index, arg.name, arg.pos)) {
          v = *element;
        }
      } else {
        v = eval(arg);
      }
      if (raised) return Nil{};
      args.push_back(std::move(checked(proc.params[i], v, startOf(arg), def.params[i].name)));
    }
    enter(e.pos);
    Call call(*this, proc, e.pos, std::move(targets));
    for (std::size_t i = 0; i < args.size(); ++i) {
      call.frame().declare(def.params[i].name, Variable{proc.params[i], std::move(args[i])});
    }
    const Flow f = block(def.body);
    if (f == Flow::Raise || !def.isFunction) return Nil{};
    // Return without a value, Exit Function or the end: the result type's default.
    const bool given = f == Flow::Return && !std::holds_alternative<Nil>(result);
    Value value = given ? std::move(checked(proc.result, result, e.pos, def.name))
                        : defaultValue(proc.result);
    result = Nil{};
    return value;
  }

  // ", in Inner, called from line 9, in Outer, called from line 12": the calls in progress.
  std::string callChain() const {
    std::string out;
    int named = 0;
    for (auto c = calls.rbegin(); c != calls.rend(); ++c) {
      if (++named > kCallsNamed) return out + ", ...";
      out += ", in " + c->first->name + ", called from line " + std::to_string(c->second);
    }
    return out;
  }

  void raise(Value exception, Pos pos, std::string message = {}) {
    raised = Raised{std::move(exception), pos, std::move(message), callChain()};
  }

  Target target(std::size_t param, const Expr& arg) {
    Target t{param, &arg, nullptr, {}};
    if (arg.form == Expr::Form::Call && res->callAt(arg).kind == Callee::Kind::Element) {
      t.array = arrayIn(lookup(arg.name, arg.pos).value, arg.pos);
      t.index = evalAll(arg.args);
    }
    return t;
  }

  void giveBack(Scopes<Variable>& frame, const std::vector<Target>& targets) {
    for (const Target& t : targets) {
      Value v = frame.outermost()[t.param].second.value;
      if (t.array) {
        const Array& a = *t.array;
        bool inside = a.upper.size() == t.index.size();
        for (std::size_t d = 0; inside && d < t.index.size(); ++d) {
          const auto i = std::get<std::int64_t>(t.index[d]);
          inside = i >= 0 && i <= a.upper[d];
        }
        if (inside) *at(*t.array, t.index, t.arg->name, t.arg->pos) = std::move(v);
      } else if (t.arg->form == Expr::Form::Variable) {
        Variable& var = lookup(t.arg->name, t.arg->pos);
        if (!var.constant) var.value = std::move(v);
      }
    }
  }
};

Interpreter::Interpreter(ObjectHost& host, std::ostream& out)
    : s_(std::make_unique<State>(host, out)) {}

Interpreter::~Interpreter() = default;

void Interpreter::setStepLimit(std::uint64_t steps) {
  s_->stepLimit = steps;
  s_->watch();
}

void Interpreter::setInterruptFlag(volatile std::sig_atomic_t* flag) {
  s_->interrupt = flag != nullptr ? flag : &State::noInterrupt;
  s_->watch();
}

Interpreter::Names Interpreter::declaredNames() const {
  Names names;
  for (const auto& [name, var] : s_->main.outermost()) {
    names.variables.emplace_back(name, var.type.kind == Kind::Object ? var.type.className : "");
  }
  for (const auto& [key, proc] : s_->procedures) names.procedures.push_back(proc->def->name);
  return names;
}

void Interpreter::run(Program program) {
  auto unit = std::make_shared<Unit>();
  unit->program = std::move(program);
  Scopes<Declared> known;
  for (auto& [name, var] : s_->main.outermost()) {
    known.declare(name, Declared{var.type, var.constant});
  }
  Procedures defined =
      Checker(s_->host, std::move(known), s_->procedures, unit->resolved).program(unit->program);
  for (auto& [key, proc] : defined) {
    proc->keepAlive = unit;
    s_->procedures.emplace(key, std::move(proc));
  }
  State& s = *s_;
  ++s.layout;  // a new entry trusts nothing an earlier one found
  const std::size_t depth = s.main.depth();
  s.steps = 0;
  s.calls.clear();
  s.raised.reset();
  auto work = [&] {
    const char base = 0;
    s.stackBase = &base;
    try {
      // The outermost block runs in the lasting scope so that its variables outlive this entry.
      s.runMain(*unit);
    } catch (...) {
      s.raised.reset();
      s.main.truncate(depth);
      throw;
    }
    if (s.raised) {
      const Raised r = std::move(*s.raised);
      s.raised.reset();
      s.main.truncate(depth);
      throw UncaughtException{exceptionClass(r.exception), r.pos,
                              "raised on line " + std::to_string(r.pos.line) + r.calls, r.message};
    }
  };
  // An eighth of the deep stack (32 MiB at the least) is left for the host, the plug-in and the
  // deepest expression below the last call; the rest takes 100,000 calls on every target.
  s.stackBudget = kDeepStackBytes - kDeepStackBytes / 8;
  if (!runOnDeepStack(work)) {
    s.stackBudget = kFallbackStackBytes;
    work();
  }
}

}  // namespace quorvex::lang
