#include "checker.h"

#include <algorithm>

#include "builtins.h"
#include "quorvex/lang/operators.h"

namespace quorvex::lang {

namespace {

std::string joined(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& s : items) out += (out.empty() ? "" : ", ") + s;
  return out.empty() ? "none" : out;
}

ProgramError notDeclared(const std::string& name, Pos pos) {
  return ProgramError(
      pos, "'" + name + "' is not declared (declare it first: Dim " + name + " As <type>)");
}

bool isNumeric(const std::optional<Type>& t) {
  return t && (*t == Type::integer() || *t == Type::dbl());
}

// Whether a value of `arg` can be passed where `param` is declared: as the host converts, an
// Integer for a Double and Nil for an object, never Nil for a builtin type.
bool accepts(const std::string& param, const Type& arg) {
  if (arg.isArray()) return false;
  if (auto p = builtinType(param)) return assignable(*p, arg);
  if (arg.kind == Kind::Nil) return true;
  return arg.kind == Kind::Object && (arg.className.empty() || sameName(arg.className, param));
}

bool matches(const Signature& sig, const std::vector<std::optional<Type>>& args) {
  if (sig.params.size() != args.size()) return false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] && !accepts(sig.params[i], *args[i])) return false;
  }
  return true;
}

}  // namespace

Type resolveType(const ObjectHost& host, const TypeRef& ref) {
  if (auto t = builtinType(ref.name)) return t->arrayOf(ref.rank);
  if (auto cls = host.findClass(ref.name)) return Type::object(*cls).arrayOf(ref.rank);
  if (sameName(ref.name, kOutOfBounds)) return Type::object(kOutOfBounds).arrayOf(ref.rank);
  throw ProgramError(ref.pos, "unknown type '" + ref.name +
                                  "'; expected Integer, Double, String, Boolean or a class (" +
                                  joined(host.classNames()) + ")");
}

bool fits(const Type& to, const Type& from) {
  if (to.kind == Kind::Object && to.className.empty() && from.kind == Kind::Object &&
      !to.isArray() && !from.isArray()) {
    return true;
  }
  return assignable(to, from);
}

std::string unknownMethodMessage(const ObjectHost& host, const std::string& cls,
                                 const std::string& name) {
  return cls + " has no method '" + name + "'; its methods are: " + joined(host.methodNames(cls));
}

Checker::Checker(const ObjectHost& host, Scopes<Declared> outer, const Procedures& known,
                 Resolved& out)
    : host_(host), main_(std::move(outer)), known_(known), out_(out) {}

Type Checker::resolve(const TypeRef& ref) {
  Type t = resolveType(host_, ref);
  out_.types[&ref] = t;
  return t;
}

const ProcInfo* Checker::findProcedure(const std::string& name) const {
  const std::string key = lowerName(name);
  if (auto it = defined_.find(key); it != defined_.end()) return it->second.get();
  if (auto it = known_.find(key); it != known_.end()) return it->second.get();
  return nullptr;
}

// Every procedure is known before any body is checked, so a call may come before its definition.
void Checker::collect(const Program& p) {
  for (const auto& s : p.body) {
    if (s->form != Stmt::Form::Procedure) continue;
    const Procedure& def = *s->procedure;
    const char* kind = def.isFunction ? "Function" : "Sub";
    auto taken = [&](const std::string& what) {
      throw ProgramError(def.namePos, std::string("a ") + kind + " cannot be named '" + def.name +
                                          "': that is " + what);
    };
    if (findProcedure(def.name)) taken("already the name of a Function or Sub");
    if (main_.find(def.name)) taken("a variable");
    if (host_.hasGlobal(def.name)) taken("a function of the plug-in");
    if (host_.findClass(def.name) || sameName(def.name, kOutOfBounds)) taken("a class");
    if (isBuiltinName(def.name)) taken("a built-in function");
    if (builtinType(def.name)) taken("a type");
    auto info = std::make_shared<ProcInfo>();
    info->def = &def;
    info->resolved = &out_;
    for (const auto& param : def.params) {
      info->params.push_back(resolve(param.type));
      for (const auto& other : def.params) {
        if (&other == &param) break;
        if (sameName(other.name, param.name)) {
          throw ProgramError(param.pos, "'" + param.name + "' is already a parameter");
        }
      }
    }
    if (def.isFunction) info->result = resolve(def.result);
    defined_.emplace(lowerName(def.name), std::move(info));
  }
}

Procedures Checker::program(const Program& p) {
  collect(p);
  block(p.body);
  // Procedures see the program's constants and nothing else of it.
  Scopes<Declared> constants;
  for (auto& [name, d] : main_.outermost()) {
    if (d.constant) constants.declare(name, d);
  }
  for (const auto& s : p.body) {
    if (s->form != Stmt::Form::Procedure) continue;
    Scopes<Declared> frame = constants;
    vars_ = &frame;
    procedureBody(*defined_.at(lowerName(s->procedure->name)));
  }
  vars_ = &main_;
  return std::move(defined_);
}

void Checker::procedureBody(ProcInfo& proc) {
  current_ = &proc;
  vars_->push();
  for (std::size_t i = 0; i < proc.params.size(); ++i) {
    const Param& p = proc.def->params[i];
    declare(p.name, p.pos, proc.params[i]);
  }
  block(proc.def->body);
  current_ = nullptr;
}

void Checker::block(const Block& b) {
  for (const auto& s : b) statement(*s);
}

void Checker::scopedBlock(const Block& b) {
  ScopeGuard<Declared> g(*vars_);
  block(b);
}

void Checker::loopBody(const Block& b, const char* loop) {
  loops_.emplace_back(loop);
  scopedBlock(b);
  loops_.pop_back();
}

void Checker::declare(const std::string& name, Pos pos, Type t, bool isConstant) {
  if (vars_->find(name)) throw ProgramError(pos, "'" + name + "' is already declared");
  if (findProcedure(name)) {
    throw ProgramError(pos, "'" + name + "' is already the name of a Function or Sub");
  }
  vars_->declare(name, Declared{std::move(t), isConstant});
}

Declared* Checker::variable(const std::string& name, Pos pos) {
  Declared* d = vars_->find(name);
  if (!d) throw notDeclared(name, pos);
  return d;
}

void Checker::expectAssignable(const Type& to, const std::optional<Type>& from, Pos pos,
                               const std::string& what) {
  if (from && !fits(to, *from)) {
    throw ProgramError(pos, "type mismatch: " + what + " is " + typeName(to) +
                                ", but the value is " + typeName(*from));
  }
}

void Checker::expectBoolean(const Expr& e, const char* where) {
  auto t = expr(e);
  if (t && t != Type::boolean()) {
    throw ProgramError(e.pos,
                       std::string("expected a Boolean ") + where + ", found " + typeName(*t));
  }
}

void Checker::expectIntegers(const ExprList& list, const char* what) {
  for (const auto& e : list) {
    auto t = expr(*e);
    if (t && *t != Type::integer()) {
      throw ProgramError(startOf(*e),
                         std::string("expected an Integer ") + what + ", found " + typeName(*t));
    }
  }
}

// A constant's value is known from its text alone: literals, other constants and operators.
void Checker::expectConstant(const Expr& e) {
  switch (e.form) {
    case Expr::Form::Literal:
      return;
    case Expr::Form::Variable:
      if (!variable(e.name, e.pos)->constant) {
        throw ProgramError(e.pos, "a constant's value cannot use the variable '" + e.name + "'");
      }
      return;
    case Expr::Form::Unary:
      return expectConstant(*e.left);
    case Expr::Form::Binary:
      expectConstant(*e.left);
      return expectConstant(*e.right);
    default:
      throw ProgramError(e.pos, "a constant's value is made of literals, constants and operators");
  }
}

void Checker::statement(const Stmt& s) {
  switch (s.form) {
    case Stmt::Form::Dim:
      return dim(s);
    case Stmt::Form::Const:
      return constant(s);
    case Stmt::Form::Assign:
      return assign(s);
    case Stmt::Form::Print:
      for (const auto& e : s.exprs) expr(*e);
      return;
    case Stmt::Form::Call:
      if (s.exprs[0]->form == Expr::Form::Call) {
        call(*s.exprs[0], true);
      } else {
        expr(*s.exprs[0]);
      }
      return;
    case Stmt::Form::If:
      for (std::size_t i = 0; i < s.blocks.size(); ++i) {
        if (i < s.exprs.size()) expectBoolean(*s.exprs[i], "condition after If");
        scopedBlock(s.blocks[i]);
      }
      return;
    case Stmt::Form::While:
      expectBoolean(*s.exprs[0], "condition after While");
      return loopBody(s.blocks[0], "While");
    case Stmt::Form::For:
      return forLoop(s);
    case Stmt::Form::Do:
      return doLoop(s);
    case Stmt::Form::Select:
      return select(s);
    case Stmt::Form::Try:
      return tryStmt(s);
    case Stmt::Form::Procedure:
      return;  // checked after the program, in a scope of its own
    case Stmt::Form::Return:
      return returnStmt(s);
    case Stmt::Form::Exit:
    case Stmt::Form::Continue:
      return leave(s);
    case Stmt::Form::ReDim:
      return reDim(s);
  }
}

void Checker::dim(const Stmt& s) {
  Type t = resolve(s.type);
  if (s.isNew) {
    if (t.kind != Kind::Object || sameName(t.className, kOutOfBounds)) {
      throw ProgramError(s.type.pos,
                         "New needs a class of the plug-in; " + typeName(t) + " is not one");
    }
    expectOverload(t.className, "Constructor", exprs(s.exprs), s.type.pos);
  } else if (!s.exprs.empty()) {
    expectAssignable(t, expr(*s.exprs[0]), startOf(*s.exprs[0]), "'" + s.name + "'");
  }
  expectIntegers(s.index, "upper bound");
  declare(s.name, s.namePos, t);
}

void Checker::constant(const Stmt& s) {
  expectConstant(*s.exprs[0]);
  auto value = expr(*s.exprs[0]);
  Type t = s.type.name.empty() ? value.value_or(Type::nil()) : resolve(s.type);
  if (t.kind == Kind::Object || t.kind == Kind::Nil) {
    throw ProgramError(s.namePos, "a constant is an Integer, Double, String or Boolean");
  }
  if (s.type.name.empty()) out_.types[&s.type] = t;
  expectAssignable(t, value, startOf(*s.exprs[0]), "'" + s.name + "'");
  declare(s.name, s.namePos, t, true);
}

void Checker::assign(const Stmt& s) {
  Declared* d = variable(s.name, s.namePos);
  if (d->constant) throw ProgramError(s.namePos, "'" + s.name + "' is a constant");
  Type target = d->type;
  std::string what = "'" + s.name + "'";
  if (!s.index.empty()) {
    if (!target.isArray()) throw ProgramError(s.namePos, "'" + s.name + "' is not an array");
    if (static_cast<int>(s.index.size()) != target.rank) {
      throw ProgramError(s.namePos, "'" + s.name + "' has " + std::to_string(target.rank) +
                                        " dimension(s), not " + std::to_string(s.index.size()));
    }
    expectIntegers(s.index, "index");
    target = target.element();
    what = "an element of " + what;
  }
  expectAssignable(target, expr(*s.exprs[0]), startOf(*s.exprs[0]), what);
}

void Checker::forLoop(const Stmt& s) {
  std::vector<std::optional<Type>> bounds;
  for (const auto& e : s.exprs) {
    auto t = expr(*e);
    if (t && !isNumeric(t)) {
      throw ProgramError(e->pos,
                         "expected an Integer or Double in the For loop, found " + typeName(*t));
    }
    bounds.push_back(t);
  }
  ScopeGuard<Declared> g(*vars_);
  Type var;
  if (!s.type.name.empty()) {
    var = resolve(s.type);
    declare(s.name, s.namePos, var);
  } else if (Declared* existing = vars_->find(s.name)) {
    if (existing->constant) throw ProgramError(s.namePos, "'" + s.name + "' is a constant");
    var = existing->type;
  } else {
    bool allInts = true;
    for (auto& b : bounds) allInts = allInts && b && *b == Type::integer();
    var = allInts ? Type::integer() : Type::dbl();
    declare(s.name, s.namePos, var);
  }
  if (var != Type::integer() && var != Type::dbl()) {
    throw ProgramError(s.namePos, "the loop variable '" + s.name +
                                      "' must be an Integer or a Double, not " + typeName(var));
  }
  for (std::size_t i = 0; i < bounds.size(); ++i) {
    expectAssignable(var, bounds[i], startOf(*s.exprs[i]), "the loop variable '" + s.name + "'");
  }
  loopBody(s.blocks[0], "For");
}

void Checker::doLoop(const Stmt& s) {
  if (s.testFirst) expectBoolean(*s.exprs[0], "condition after Do");
  loopBody(s.blocks[0], "Do");
  if (!s.testFirst && !s.exprs.empty()) expectBoolean(*s.exprs[0], "condition after Loop");
}

void Checker::select(const Stmt& s) {
  auto subject = expr(*s.exprs[0]);
  for (const auto& c : s.cases) {
    for (const auto& t : c.tests) {
      auto value = expr(*t.value);
      const Pos at = startOf(*t.value);
      switch (t.form) {
        case CaseTest::Form::Equal:
          operands(Op::Eq, subject, value, at);
          break;
        case CaseTest::Form::Is:
          operands(t.op, subject, value, at);
          break;
        case CaseTest::Form::Range:
          operands(Op::Ge, subject, value, at);
          operands(Op::Le, subject, expr(*t.high), startOf(*t.high));
          break;
      }
    }
    scopedBlock(c.body);
  }
}

void Checker::tryStmt(const Stmt& s) {
  scopedBlock(s.blocks[0]);
  for (const auto& c : s.catches) {
    Type t = Type::object("");
    if (!c.cls.name.empty()) {
      t = resolve(c.cls);
      if (t.kind != Kind::Object || t.isArray() ||
          !(host_.isExceptionClass(t.className) || t.className == kOutOfBounds)) {
        throw ProgramError(c.cls.pos, "'" + c.cls.name + "' is not an exception class");
      }
    }
    ScopeGuard<Declared> g(*vars_);
    if (!c.var.empty()) declare(c.var, c.pos, t);
    block(c.body);
  }
}

void Checker::returnStmt(const Stmt& s) {
  if (!current_) throw ProgramError(s.pos, "Return outside a Function or Sub");
  if (s.exprs.empty()) return;
  if (!current_->def->isFunction) {
    throw ProgramError(startOf(*s.exprs[0]),
                       "a Sub returns no value; '" + current_->def->name + "' is a Sub");
  }
  expectAssignable(current_->result, expr(*s.exprs[0]), startOf(*s.exprs[0]),
                   "the result of " + current_->def->name);
}

void Checker::leave(const Stmt& s) {
  const char* verb = s.form == Stmt::Form::Exit ? "Exit " : "Continue ";
  if (s.word == "Sub" || s.word == "Function") {
    const bool inFunction = current_ && current_->def->isFunction;
    if (!current_ || inFunction != (s.word == "Function")) {
      throw ProgramError(s.pos, verb + s.word + " outside a " + s.word);
    }
    return;
  }
  if (std::find(loops_.begin(), loops_.end(), s.word) == loops_.end()) {
    throw ProgramError(s.pos, verb + s.word + " outside a " + s.word + " loop");
  }
}

void Checker::reDim(const Stmt& s) {
  Declared* d = variable(s.name, s.namePos);
  if (!d->type.isArray()) throw ProgramError(s.namePos, "'" + s.name + "' is not an array");
  if (static_cast<int>(s.index.size()) != d->type.rank) {
    throw ProgramError(s.namePos, "'" + s.name + "' has " + std::to_string(d->type.rank) +
                                      " dimension(s), not " + std::to_string(s.index.size()));
  }
  expectIntegers(s.index, "upper bound");
}

// Refuses a call that no declaration of it can take; the host picks among those that can.
void Checker::expectOverload(const std::string& cls, const std::string& name,
                             const std::vector<std::optional<Type>>& args, Pos pos,
                             const std::vector<std::string>& alsoDeclared) {
  auto sigs = host_.signatures(cls, name);
  if (sigs.empty() && alsoDeclared.empty()) return;
  for (const auto& sig : sigs) {
    if (matches(sig, args)) return;
  }
  std::string types, declared;
  for (const auto& a : args) types += (types.empty() ? "" : ", ") + (a ? typeName(*a) : "?");
  for (const auto& sig : sigs) declared += (declared.empty() ? "" : "; ") + sig.text;
  for (const auto& text : alsoDeclared) declared += (declared.empty() ? "" : "; ") + text;
  throw ProgramError(pos, "no overload of " + (cls.empty() ? name : cls + "." + name) + " takes (" +
                              types + "); declared: " + declared);
}

std::vector<std::optional<Type>> Checker::exprs(const ExprList& list) {
  std::vector<std::optional<Type>> types;
  for (const auto& e : list) types.push_back(expr(*e));
  return types;
}

std::optional<Type> Checker::fromResultName(const std::optional<std::string>& name) const {
  if (!name) return std::nullopt;
  if (name->empty()) return Type::nil();
  if (auto t = builtinType(*name)) return t;
  if (auto cls = host_.findClass(*name)) return Type::object(*cls);
  return std::nullopt;
}

std::optional<Type> Checker::expr(const Expr& e) {
  std::optional<Type> t;
  switch (e.form) {
    case Expr::Form::Literal:
      t = typeOf(e.literal);
      break;
    case Expr::Form::Variable: {
      Declared* v = variable(e.name, e.pos);
      if (!(v->type.kind == Kind::Object && v->type.className.empty())) t = v->type;
      break;
    }
    case Expr::Form::New: {
      auto cls = host_.findClass(e.name);
      if (!cls) {
        throw ProgramError(e.pos, "unknown class '" + e.name +
                                      "'; the classes are: " + joined(host_.classNames()));
      }
      expectOverload(*cls, "Constructor", exprs(e.args), e.pos);
      t = Type::object(*cls);
      break;
    }
    case Expr::Form::Unary:
      t = unary(e);
      break;
    case Expr::Form::Binary:
      t = binary(e);
      break;
    case Expr::Form::Method:
      t = method(e);
      break;
    case Expr::Form::Call:
      t = call(e);
      break;
  }
  if (t && t->kind == Kind::Object && !t->isArray()) out_.classOf[&e] = t->className;
  return t;
}

std::optional<Type> Checker::operatorResult(const std::string& cls, const std::string& method,
                                            const std::vector<std::optional<Type>>& args, Pos pos) {
  if (!host_.hasMethod(cls, method)) {
    throw ProgramError(
        pos, cls + " does not declare " + method + ", so this operator cannot be used here");
  }
  expectOverload(cls, method, args, pos);
  return fromResultName(host_.methodResult(cls, method));
}

std::optional<Type> Checker::unary(const Expr& e) {
  auto operand = expr(*e.left);
  if (!operand) return std::nullopt;
  if (operand->kind == Kind::Object && !operand->isArray()) {
    if (e.op == Op::Not) {
      throw ProgramError(e.pos, "'Not' cannot be applied to " + typeName(*operand));
    }
    return operatorResult(operand->className, leftMethod(Op::Neg), {}, e.pos);
  }
  std::string why;
  auto t = builtinResult(e.op, *operand, &why);
  if (!t) throw ProgramError(e.pos, why);
  return t;
}

std::optional<Type> Checker::binary(const Expr& e) {
  auto l = expr(*e.left);
  auto r = expr(*e.right);
  return operands(e.op, l, r, e.pos);
}

std::optional<Type> Checker::operands(Op op, const std::optional<Type>& l,
                                      const std::optional<Type>& r, Pos pos) {
  if (op == Op::And || op == Op::Or) {
    for (auto* side : {&l, &r}) {
      if (*side && **side != Type::boolean()) {
        throw ProgramError(pos, std::string("'") + opText(op) + "' needs Boolean operands, found " +
                                    typeName(**side));
      }
    }
    return Type::boolean();
  }
  if (op == Op::Is) {
    for (auto* side : {&l, &r}) {
      if (*side &&
          (((*side)->kind != Kind::Object && (*side)->kind != Kind::Nil) || (*side)->isArray())) {
        throw ProgramError(pos, "'Is' compares objects (or Nil), not " + typeName(**side));
      }
    }
    return Type::boolean();
  }
  const bool lObj = l && l->kind == Kind::Object && !l->isArray();
  const bool rObj = r && r->kind == Kind::Object && !r->isArray();
  if (lObj || rObj) {
    std::optional<Type> res = lObj ? operatorResult(l->className, leftMethod(op), {r}, pos)
                                   : operatorResult(r->className, rightMethod(op), {l}, pos);
    return isComparison(op) ? Type::boolean() : res;
  }
  if (!l || !r) return isComparison(op) ? std::optional<Type>(Type::boolean()) : std::nullopt;
  std::string why;
  auto t = builtinResult(op, *l, *r, &why);
  if (!t) throw ProgramError(pos, why);
  return t;
}

std::optional<Type> Checker::method(const Expr& e) {
  auto recv = expr(*e.left);
  auto args = exprs(e.args);
  if (!recv) return std::nullopt;
  if (recv->kind != Kind::Object || recv->isArray() || recv->className == kOutOfBounds) {
    throw ProgramError(e.pos,
                       "'" + e.name + "' cannot be called on " +
                           (recv->kind == Kind::Nil ? std::string("Nil") : "a " + typeName(*recv)) +
                           ": only objects of the plug-in's classes have methods");
  }
  if (!host_.hasMethod(recv->className, e.name)) {
    throw ProgramError(e.pos, unknownMethodMessage(host_, recv->className, e.name));
  }
  expectOverload(recv->className, e.name, args, e.pos);
  return fromResultName(host_.methodResult(recv->className, e.name));
}

std::optional<Type> Checker::call(const Expr& e, bool statement) {
  if (Declared* v = vars_->find(e.name)) {
    if (!v->type.isArray()) {
      throw ProgramError(e.pos, "'" + e.name + "' is a variable, not a function or an array");
    }
    if (statement) throw ProgramError(e.pos, "an element alone is not a statement");
    return element(e, v->type);
  }
  if (const ProcInfo* proc = findProcedure(e.name)) return procedureCall(e, *proc, statement);
  if (sameName(e.name, kUBound)) return uBound(e);
  return functionCall(e, exprs(e.args));
}

std::optional<Type> Checker::element(const Expr& e, const Type& array) {
  if (static_cast<int>(e.args.size()) != array.rank) {
    throw ProgramError(e.pos, "'" + e.name + "' has " + std::to_string(array.rank) +
                                  " dimension(s), not " + std::to_string(e.args.size()));
  }
  expectIntegers(e.args, "index");
  out_.calls[&e] = Callee{Callee::Kind::Element};
  return array.element();
}

std::optional<Type> Checker::procedureCall(const Expr& e, const ProcInfo& proc, bool statement) {
  const Procedure& def = *proc.def;
  if (!def.isFunction && !statement) {
    throw ProgramError(e.pos, "'" + def.name + "' is a Sub: it gives no value");
  }
  if (e.args.size() != def.params.size()) {
    throw ProgramError(e.pos, "'" + def.name + "' takes " + std::to_string(def.params.size()) +
                                  " argument(s), not " + std::to_string(e.args.size()));
  }
  for (std::size_t i = 0; i < e.args.size(); ++i) {
    const Type& param = proc.params[i];
    auto arg = expr(*e.args[i]);
    const std::string what = "parameter '" + def.params[i].name + "' of " + def.name;
    // What a ByRef parameter or an array receives must hold every value the procedure may store.
    if (arg && (param.isArray() || def.params[i].byRef) && *arg != param &&
        arg->kind != Kind::Nil) {
      throw ProgramError(startOf(*e.args[i]), "type mismatch: " + what + " is " + typeName(param) +
                                                  ", but the value is " + typeName(*arg));
    }
    expectAssignable(param, arg, startOf(*e.args[i]), what);
  }
  out_.calls[&e] = Callee{Callee::Kind::Procedure, nullptr, &proc};
  if (!def.isFunction) return Type::nil();
  return proc.result;
}

std::optional<Type> Checker::uBound(const Expr& e) {
  if (e.args.empty() || e.args.size() > 2) {
    throw ProgramError(e.pos, "UBound takes an array and, for its second dimension, 2");
  }
  auto array = expr(*e.args[0]);
  if (array && !array->isArray()) {
    throw ProgramError(startOf(*e.args[0]), "UBound takes an array, not " + typeName(*array));
  }
  if (e.args.size() == 2) {
    auto dimension = expr(*e.args[1]);
    if (dimension && *dimension != Type::integer()) {
      throw ProgramError(startOf(*e.args[1]),
                         "UBound's dimension is an Integer, not " + typeName(*dimension));
    }
  }
  out_.calls[&e] = Callee{Callee::Kind::UBound};
  return Type::integer();
}

// A built-in function and a plug-in global of one name: the argument types choose, and the
// plug-in's declaration wins where both would take them.
std::optional<Type> Checker::functionCall(const Expr& e,
                                          const std::vector<std::optional<Type>>& args) {
  const bool global = host_.hasGlobal(e.name);
  bool globalTakes = false;
  if (global) {
    for (const auto& sig : host_.signatures("", e.name)) globalTakes |= matches(sig, args);
  }
  if (!globalTakes) {
    if (const Builtin* b = chooseBuiltin(e.name, args)) {
      out_.calls[&e] = Callee{Callee::Kind::Builtin, b};
      return b->result;
    }
  }
  std::vector<std::string> builtins;
  for (const Builtin* b : builtinOverloads(e.name)) builtins.push_back(b->declaration());
  if (global || !builtins.empty()) {
    expectOverload("", e.name, args, e.pos, builtins);
    out_.calls[&e] = Callee{Callee::Kind::Global};
    return fromResultName(host_.globalResult(e.name));
  }
  auto names = host_.globalNames();
  for (auto& n : builtinNames()) {
    if (std::none_of(names.begin(), names.end(), [&](auto& g) { return sameName(g, n); })) {
      names.push_back(n);
    }
  }
  throw ProgramError(e.pos,
                     "unknown function '" + e.name + "'; the functions are: " + joined(names));
}

}  // namespace quorvex::lang
