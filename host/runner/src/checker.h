// The pass before running: every name declared before use, every type and class known, and every
// type that can be told without running agrees with where it is used.
#pragma once

#include <optional>

#include "quorvex/lang/ast.h"
#include "quorvex/lang/object_host.h"
#include "resolved.h"
#include "scopes.h"

namespace quorvex::lang {

// The one function the language has of its own; every other comes from the host.
constexpr const char* kBuiltinFunction = "Str";

// Resolves a type name to a builtin type or a class the host knows; throws ProgramError if neither.
Type resolveType(const ObjectHost& host, const TypeRef& ref);

// Whether a value of `from` may go where `to` was declared; `to` an object type with an empty
// class name accepts every object (a Catch variable without a class).
bool fits(const Type& to, const Type& from);

class Checker {
 public:
  // Records what it learns in `out`.
  Checker(const ObjectHost& host, Scopes<Type> outer, Resolved& out);
  void block(const Block& b);

 private:
  void statement(const Stmt& s);
  void dim(const Stmt& s);
  void forLoop(const Stmt& s);
  void tryStmt(const Stmt& s);
  void declare(const std::string& name, Pos pos, Type t);
  void expectAssignable(const Type& to, const std::optional<Type>& from, Pos pos,
                        const std::string& what);
  void expectBoolean(const Expr& e, const char* where);
  std::optional<Type> expr(const Expr& e);
  std::optional<Type> unary(const Expr& e);
  std::optional<Type> binary(const Expr& e);
  std::optional<Type> method(const Expr& e);
  std::optional<Type> call(const Expr& e);
  std::optional<Type> fromResultName(const std::optional<std::string>& name) const;
  std::optional<Type> operatorResult(const std::string& cls, const std::string& method,
                                     const std::vector<std::optional<Type>>& args, Pos pos);
  void expectOverload(const std::string& cls, const std::string& name,
                      const std::vector<std::optional<Type>>& args, Pos pos);
  std::vector<std::optional<Type>> exprs(const ExprList& list);
  Type resolve(const TypeRef& ref);

  const ObjectHost& host_;
  Scopes<Type> vars_;
  Resolved& out_;
};

std::string unknownMethodMessage(const ObjectHost& host, const std::string& cls,
                                 const std::string& name);

}  // namespace quorvex::lang
