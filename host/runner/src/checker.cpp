#include "checker.h"

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
  return t && (t->kind == Kind::Integer || t->kind == Kind::Double);
}

// Whether a value of `arg` can be passed where `param` is declared: as the host converts, an
// Integer for a Double and Nil for an object, never Nil for a builtin type.
bool accepts(const std::string& param, const Type& arg) {
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
  if (auto t = builtinType(ref.name)) return *t;
  if (auto cls = host.findClass(ref.name)) return Type::object(*cls);
  throw ProgramError(ref.pos, "unknown type '" + ref.name +
                                  "'; expected Integer, Double, String, Boolean or a class (" +
                                  joined(host.classNames()) + ")");
}

bool fits(const Type& to, const Type& from) {
  if (to.kind == Kind::Object && to.className.empty() && from.kind == Kind::Object) return true;
  return assignable(to, from);
}

std::string unknownMethodMessage(const ObjectHost& host, const std::string& cls,
                                 const std::string& name) {
  return cls + " has no method '" + name + "'; its methods are: " + joined(host.methodNames(cls));
}

Checker::Checker(const ObjectHost& host, Scopes<Type> outer, Resolved& out)
    : host_(host), vars_(std::move(outer)), out_(out) {}

Type Checker::resolve(const TypeRef& ref) {
  Type t = resolveType(host_, ref);
  out_.types[&ref] = t;
  return t;
}

void Checker::block(const Block& b) {
  for (auto& s : b) statement(*s);
}

void Checker::declare(const std::string& name, Pos pos, Type t) {
  if (vars_.find(name)) throw ProgramError(pos, "'" + name + "' is already declared");
  vars_.declare(name, std::move(t));
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
  if (t && t->kind != Kind::Boolean) {
    throw ProgramError(e.pos,
                       std::string("expected a Boolean ") + where + ", found " + typeName(*t));
  }
}

void Checker::statement(const Stmt& s) {
  switch (s.form) {
    case Stmt::Form::Dim:
      return dim(s);
    case Stmt::Form::Assign: {
      Type* t = vars_.find(s.name);
      if (!t) throw notDeclared(s.name, s.namePos);
      Type declared = *t;
      expectAssignable(declared, expr(*s.exprs[0]), startOf(*s.exprs[0]), "'" + s.name + "'");
      return;
    }
    case Stmt::Form::Print:
      for (auto& e : s.exprs) expr(*e);
      return;
    case Stmt::Form::Call:
      expr(*s.exprs[0]);
      return;
    case Stmt::Form::If:
      for (std::size_t i = 0; i < s.blocks.size(); ++i) {
        if (i < s.exprs.size()) expectBoolean(*s.exprs[i], "condition after If");
        ScopeGuard<Type> g(vars_);
        block(s.blocks[i]);
      }
      return;
    case Stmt::Form::While: {
      expectBoolean(*s.exprs[0], "condition after While");
      ScopeGuard<Type> g(vars_);
      block(s.blocks[0]);
      return;
    }
    case Stmt::Form::For:
      return forLoop(s);
    case Stmt::Form::Try:
      return tryStmt(s);
  }
}

void Checker::dim(const Stmt& s) {
  Type t = resolve(s.type);
  if (s.isNew) {
    if (t.kind != Kind::Object) {
      throw ProgramError(s.type.pos, "New needs a class; " + typeName(t) + " is a built-in type");
    }
    expectOverload(t.className, "Constructor", exprs(s.exprs), s.type.pos);
  } else if (!s.exprs.empty()) {
    expectAssignable(t, expr(*s.exprs[0]), startOf(*s.exprs[0]), "'" + s.name + "'");
  }
  declare(s.name, s.namePos, t);
}

void Checker::forLoop(const Stmt& s) {
  std::vector<std::optional<Type>> bounds;
  for (auto& e : s.exprs) {
    auto t = expr(*e);
    if (t && !isNumeric(t)) {
      throw ProgramError(e->pos,
                         "expected an Integer or Double in the For loop, found " + typeName(*t));
    }
    bounds.push_back(t);
  }
  ScopeGuard<Type> g(vars_);
  Type var;
  if (!s.type.name.empty()) {
    var = resolve(s.type);
    declare(s.name, s.namePos, var);
  } else if (Type* existing = vars_.find(s.name)) {
    var = *existing;
  } else {
    bool allInts = true;
    for (auto& b : bounds) allInts = allInts && b && b->kind == Kind::Integer;
    var = allInts ? Type::integer() : Type::dbl();
    vars_.declare(s.name, var);
  }
  if (var.kind != Kind::Integer && var.kind != Kind::Double) {
    throw ProgramError(s.namePos, "the loop variable '" + s.name +
                                      "' must be an Integer or a Double, not " + typeName(var));
  }
  for (std::size_t i = 0; i < bounds.size(); ++i) {
    expectAssignable(var, bounds[i], startOf(*s.exprs[i]), "the loop variable '" + s.name + "'");
  }
  ScopeGuard<Type> body(vars_);
  block(s.blocks[0]);
}

void Checker::tryStmt(const Stmt& s) {
  {
    ScopeGuard<Type> g(vars_);
    block(s.blocks[0]);
  }
  for (auto& c : s.catches) {
    Type t = Type::object("");
    if (!c.cls.name.empty()) {
      t = resolve(c.cls);
      if (t.kind != Kind::Object || !host_.isExceptionClass(t.className)) {
        throw ProgramError(c.cls.pos, "'" + c.cls.name + "' is not an exception class");
      }
    }
    ScopeGuard<Type> g(vars_);
    if (!c.var.empty()) declare(c.var, c.pos, t);
    block(c.body);
  }
}

// Refuses a call that no declaration of it can take; the host picks among those that can.
void Checker::expectOverload(const std::string& cls, const std::string& name,
                             const std::vector<std::optional<Type>>& args, Pos pos) {
  auto sigs = host_.signatures(cls, name);
  if (sigs.empty()) return;
  for (const auto& sig : sigs) {
    if (matches(sig, args)) return;
  }
  std::string types, declared;
  for (const auto& a : args) types += (types.empty() ? "" : ", ") + (a ? typeName(*a) : "?");
  for (const auto& sig : sigs) declared += (declared.empty() ? "" : "; ") + sig.text;
  throw ProgramError(pos, "no overload of " + (cls.empty() ? name : cls + "." + name) + " takes (" +
                              types + "); declared: " + declared);
}

std::vector<std::optional<Type>> Checker::exprs(const ExprList& list) {
  std::vector<std::optional<Type>> types;
  for (auto& e : list) types.push_back(expr(*e));
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
      Type* v = vars_.find(e.name);
      if (!v) throw notDeclared(e.name, e.pos);
      if (!(v->kind == Kind::Object && v->className.empty())) t = *v;
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
  if (t && t->kind == Kind::Object) out_.classOf[&e] = t->className;
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
  if (operand->kind == Kind::Object) {
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
  if (e.op == Op::And || e.op == Op::Or) {
    for (auto* side : {&l, &r}) {
      if (*side && (*side)->kind != Kind::Boolean) {
        throw ProgramError(e.pos, std::string("'") + opText(e.op) +
                                      "' needs Boolean operands, found " + typeName(**side));
      }
    }
    return Type::boolean();
  }
  if (e.op == Op::Is) {
    for (auto* side : {&l, &r}) {
      if (*side && (*side)->kind != Kind::Object && (*side)->kind != Kind::Nil) {
        throw ProgramError(e.pos, "'Is' compares objects (or Nil), not " + typeName(**side));
      }
    }
    return Type::boolean();
  }
  const bool lObj = l && l->kind == Kind::Object;
  const bool rObj = r && r->kind == Kind::Object;
  if (lObj || rObj) {
    std::optional<Type> res = lObj ? operatorResult(l->className, leftMethod(e.op), {r}, e.pos)
                                   : operatorResult(r->className, rightMethod(e.op), {l}, e.pos);
    return isComparison(e.op) ? Type::boolean() : res;
  }
  if (!l || !r) return isComparison(e.op) ? std::optional<Type>(Type::boolean()) : std::nullopt;
  std::string why;
  auto t = builtinResult(e.op, *l, *r, &why);
  if (!t) throw ProgramError(e.pos, why);
  return t;
}

std::optional<Type> Checker::method(const Expr& e) {
  auto recv = expr(*e.left);
  auto args = exprs(e.args);
  if (!recv) return std::nullopt;
  if (recv->kind != Kind::Object) {
    throw ProgramError(e.pos,
                       "'" + e.name + "' cannot be called on " +
                           (recv->kind == Kind::Nil ? std::string("Nil") : "a " + typeName(*recv)) +
                           ": only objects have methods");
  }
  if (!host_.hasMethod(recv->className, e.name)) {
    throw ProgramError(e.pos, unknownMethodMessage(host_, recv->className, e.name));
  }
  expectOverload(recv->className, e.name, args, e.pos);
  return fromResultName(host_.methodResult(recv->className, e.name));
}

std::optional<Type> Checker::call(const Expr& e) {
  auto args = exprs(e.args);
  if (host_.hasGlobal(e.name)) {
    expectOverload("", e.name, args, e.pos);
    return fromResultName(host_.globalResult(e.name));
  }
  if (sameName(e.name, kBuiltinFunction)) {
    if (e.args.size() != 1) throw ProgramError(e.pos, "Str takes one value");
    return Type::string();
  }
  if (vars_.find(e.name)) {
    throw ProgramError(e.pos, "'" + e.name + "' is a variable, not a function");
  }
  auto names = host_.globalNames();
  names.push_back(kBuiltinFunction);
  throw ProgramError(e.pos,
                     "unknown function '" + e.name + "'; the functions are: " + joined(names));
}

}  // namespace quorvex::lang
