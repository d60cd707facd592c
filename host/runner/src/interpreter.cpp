#include "quorvex/lang/interpreter.h"

#include <optional>

#include "checker.h"
#include "quorvex/lang/operators.h"
#include "scopes.h"

namespace quorvex::lang {

namespace {

struct Variable {
  Type type;
  Value value;
};

// A host exception on its way to a Catch clause (or out of the program).
struct Raised {
  Value exception;
  Pos pos;
};

std::string exceptionClass(const Value& v) {
  if (auto* o = std::get_if<ObjectRef>(&v)) return o->className;
  return "Exception";
}

Value initialValue(const Type& t) {
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

}  // namespace

struct Interpreter::State {
  State(ObjectHost& h, std::ostream& o) : host(h), out(o) {}

  ObjectHost& host;
  std::ostream& out;
  Scopes<Variable> vars;
  Resolved resolved;
  // Set while a raised exception travels to its Catch: every step returns at once until a Try
  // takes it. A C++ throw would cost several microseconds a raise, more than the call that raised.
  std::optional<Raised> raised;

  // ---- statements
  void block(const Block& b) {
    ScopeGuard<Variable> g(vars);
    for (const auto& s : b) {
      statement(*s);
      if (raised) return;
    }
  }

  std::uint64_t stepLimit = 0;
  std::uint64_t steps = 0;

  volatile std::sig_atomic_t* interrupt = nullptr;

  void step(Pos pos) {
    if (interrupt != nullptr && *interrupt != 0) {
      *interrupt = 0;
      throw Interrupted{pos};
    }
    if (stepLimit != 0 && ++steps > stepLimit) {
      throw ProgramError(pos, "stopped after " + std::to_string(stepLimit) + " steps");
    }
  }

  void statement(const Stmt& s) {
    step(s.pos);
    switch (s.form) {
      case Stmt::Form::Dim:
        return dim(s);
      case Stmt::Form::Assign: {
        Value v = eval(*s.exprs[0]);
        if (!raised) store(s.name, std::move(v), s.exprs[0]->pos);
        return;
      }
      case Stmt::Form::Print:
        return print(s);
      case Stmt::Form::Call:
        eval(*s.exprs[0]);
        return;
      case Stmt::Form::If:
        for (std::size_t i = 0; i < s.blocks.size(); ++i) {
          const bool chosen = i >= s.exprs.size() || truth(*s.exprs[i]);
          if (raised) return;
          if (chosen) return block(s.blocks[i]);
        }
        return;
      case Stmt::Form::While:
        while (truth(*s.exprs[0])) {
          step(s.pos);
          block(s.blocks[0]);
          if (raised) return;
        }
        return;
      case Stmt::Form::For:
        return forLoop(s);
      case Stmt::Form::Try:
        return tryStmt(s);
    }
  }

  void dim(const Stmt& s) {
    const Type& t = resolved.typeAt(s.type);
    Value v = initialValue(t);
    if (s.isNew) {
      v = construct(t.className, s.exprs, s.type.pos);
    } else if (!s.exprs.empty()) {
      v = eval(*s.exprs[0]);
      if (!raised) v = checked(t, std::move(v), startOf(*s.exprs[0]), s.name);
    }
    if (raised) return;
    vars.declare(s.name, Variable{t, std::move(v)});
  }

  Value checked(const Type& t, Value v, Pos pos, const std::string& name) {
    if (!fits(t, typeOf(v))) {
      throw ProgramError(pos, "type mismatch: '" + name + "' is " + typeName(t) +
                                  ", but the value is " + typeName(typeOf(v)));
    }
    return convertFor(t, std::move(v));
  }

  Variable& lookup(const std::string& name, Pos pos) {
    Variable* v = vars.find(name);
    if (!v) throw ProgramError(pos, "'" + name + "' is not declared");
    return *v;
  }

  void store(const std::string& name, Value v, Pos pos) {
    Variable& var = lookup(name, pos);
    var.value = checked(var.type, std::move(v), pos, name);
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

  void forLoop(const Stmt& s) {
    std::vector<Value> bounds;
    for (const auto& e : s.exprs) {
      bounds.push_back(eval(*e));
      if (raised) return;
    }
    if (bounds.size() < 3) bounds.push_back(std::int64_t{1});
    ScopeGuard<Variable> g(vars);
    if (!s.type.name.empty()) {
      vars.declare(s.name, Variable{resolved.typeAt(s.type), Nil{}});
    } else if (!vars.find(s.name)) {
      bool ints = true;
      for (auto& b : bounds) ints = ints && std::holds_alternative<std::int64_t>(b);
      vars.declare(s.name, Variable{ints ? Type::integer() : Type::dbl(), Nil{}});
    }
    Pos stepPos = s.exprs.size() > 2 ? s.exprs[2]->pos : s.pos;
    const bool up = std::get<bool>(applyBuiltin(Op::Gt, bounds[2], std::int64_t{0}, stepPos));
    if (!up && std::get<bool>(applyBuiltin(Op::Eq, bounds[2], std::int64_t{0}, stepPos))) {
      throw ProgramError(stepPos, "the Step of a For loop must not be 0");
    }
    store(s.name, bounds[0], s.exprs[0]->pos);
    const Op keepGoing = up ? Op::Le : Op::Ge;
    for (;;) {
      Value current = lookup(s.name, s.namePos).value;
      if (!std::get<bool>(applyBuiltin(keepGoing, current, bounds[1], s.exprs[1]->pos))) return;
      step(s.pos);
      block(s.blocks[0]);
      if (raised) return;
      current = lookup(s.name, s.namePos).value;
      Value next;
      try {
        next = applyBuiltin(Op::Add, current, bounds[2], stepPos);
      } catch (const ProgramError&) {
        return;  // the next value would not fit an Integer, so it is past any limit
      }
      store(s.name, std::move(next), s.namePos);
    }
  }

  void tryStmt(const Stmt& s) {
    block(s.blocks[0]);
    if (!raised) return;
    const std::string cls = exceptionClass(raised->exception);
    for (const auto& c : s.catches) {
      const Type caught = c.cls.name.empty() ? Type::object("") : resolved.typeAt(c.cls);
      if (!caught.className.empty() && !sameName(caught.className, cls)) continue;
      Value exception = std::move(raised->exception);
      raised.reset();
      ScopeGuard<Variable> g(vars);
      if (!c.var.empty()) vars.declare(c.var, Variable{caught, std::move(exception)});
      block(c.body);
      return;
    }
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

  Value settle(CallResult r, Pos pos) {
    switch (r.kind) {
      case CallResult::Kind::Value:
        return std::move(r.value);
      case CallResult::Kind::Raised:
        raised = Raised{std::move(r.exception), pos};
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
        return lookup(e.name, e.pos).value;
      case Expr::Form::New:
        return construct(resolved.classAt(e), e.args, e.pos);
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
  std::string classFor(const Value& v, const Expr& e) const {
    if (auto* o = std::get_if<ObjectRef>(&v)) return o->className;
    if (std::holds_alternative<Nil>(v)) return resolved.classAt(e);
    return {};
  }

  Value unary(const Expr& e) {
    Value v = eval(*e.left);
    if (raised) return Nil{};
    std::string cls = classFor(v, *e.left);
    if (!cls.empty() && e.op == Op::Neg) return callMethod(cls, v, leftMethod(Op::Neg), {}, e.pos);
    return applyBuiltin(e.op, v, e.pos);
  }

  Value binary(const Expr& e) {
    if (e.op == Op::And || e.op == Op::Or) {  // short-circuit
      bool l = truth(*e.left);
      if (raised || (e.op == Op::And ? !l : l)) return l;
      return truth(*e.right);
    }
    Value l = eval(*e.left);
    if (raised) return Nil{};
    Value r = eval(*e.right);
    if (raised) return Nil{};
    if (e.op == Op::Is) return identical(l, r, e.pos);
    const bool lObj = std::holds_alternative<ObjectRef>(l);
    const bool rObj = std::holds_alternative<ObjectRef>(r);
    // A Nil variable of a class still answers through its class, as the host language does.
    const std::string lClass = std::holds_alternative<Nil>(l) ? resolved.classAt(*e.left) : "";
    const std::string rClass =
        !lObj && std::holds_alternative<Nil>(r) ? resolved.classAt(*e.right) : "";
    if (!lClass.empty() || !rClass.empty()) {
      const bool mirrored = lClass.empty();
      Value res = mirrored ? callMethod(rClass, r, rightMethod(e.op), {l}, e.pos)
                           : callMethod(lClass, l, leftMethod(e.op), {r}, e.pos);
      if (raised || !isComparison(e.op)) return res;
      return comparisonHolds(*hostOperator(e.op), threeWay(res, e.pos), mirrored);
    }
    if (lObj || rObj) return settle(host.binary(e.op, l, r), e.pos);
    return applyBuiltin(e.op, l, r, e.pos);
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
    if (!host.hasMethod(cls, name)) throw ProgramError(pos, unknownMethodMessage(host, cls, name));
    return settle(host.call(cls, recv, name, args), pos);
  }

  Value method(const Expr& e) {
    Value recv = eval(*e.left);
    if (raised) return Nil{};
    std::vector<Value> args = evalAll(e.args);
    if (raised) return Nil{};
    std::string cls = classFor(recv, *e.left);
    if (cls.empty()) {
      throw ProgramError(e.pos, "'" + e.name + "' cannot be called on " + typeName(typeOf(recv)) +
                                    ": only objects have methods");
    }
    return callMethod(cls, recv, e.name, std::move(args), e.pos);
  }

  Value call(const Expr& e) {
    std::vector<Value> args = evalAll(e.args);
    if (raised) return Nil{};
    if (host.hasGlobal(e.name)) return settle(host.callGlobal(e.name, args), e.pos);
    if (sameName(e.name, kBuiltinFunction) && args.size() == 1) {
      if (std::holds_alternative<ObjectRef>(args[0])) {
        throw ProgramError(e.pos, "Str takes an Integer, Double, String or Boolean, not an object");
      }
      return display(args[0]);
    }
    throw ProgramError(e.pos, "unknown function '" + e.name + "'");
  }
};

Interpreter::Interpreter(ObjectHost& host, std::ostream& out)
    : s_(std::make_unique<State>(host, out)) {}

Interpreter::~Interpreter() = default;

void Interpreter::setStepLimit(std::uint64_t steps) {
  s_->stepLimit = steps;
}

void Interpreter::setInterruptFlag(volatile std::sig_atomic_t* flag) {
  s_->interrupt = flag;
}

void Interpreter::check(const Program& program) {
  Scopes<Type> known;
  for (auto& [name, var] : s_->vars.outermost()) known.declare(name, var.type);
  s_->resolved = {};
  Checker(s_->host, std::move(known), s_->resolved).block(program.body);
}

void Interpreter::run(const Program& program) {
  check(program);
  const std::size_t depth = s_->vars.depth();
  s_->steps = 0;
  s_->raised.reset();
  try {
    // The outermost block runs in the lasting scope so that its variables outlive this entry.
    for (const auto& st : program.body) {
      s_->statement(*st);
      if (s_->raised) break;
    }
  } catch (...) {
    s_->raised.reset();
    s_->vars.truncate(depth);
    throw;
  }
  if (s_->raised) {
    const Raised r = std::move(*s_->raised);
    s_->raised.reset();
    s_->vars.truncate(depth);
    throw UncaughtException{exceptionClass(r.exception), r.pos};
  }
}

}  // namespace quorvex::lang
