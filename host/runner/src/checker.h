// The pass before running: every name declared before use, every type and class known, every
// procedure's calls and results, and every type that can be told without running agrees with
// where it is used.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "quorvex/lang/ast.h"
#include "quorvex/lang/object_host.h"
#include "resolved.h"
#include "scopes.h"

namespace quorvex::lang {

// The runner's own exception class: an array index out of range. The plug-in's come from it.
constexpr const char* kOutOfBounds = "OutOfBoundsException";

struct Declared {
  Type type;
  bool constant = false;
};

// Resolves a type name to a builtin type or a class the host knows; throws ProgramError if neither.
Type resolveType(const ObjectHost& host, const TypeRef& ref);

// Whether a value of `from` may go where `to` was declared; `to` an object type with an empty
// class name accepts every object (a Catch variable without a class).
bool fits(const Type& to, const Type& from);

class Checker {
 public:
  // `outer`: what earlier entries declared; `known`: the procedures they defined. Records what it
  // learns in `out`.
  Checker(const ObjectHost& host, Scopes<Declared> outer, const Procedures& known, Resolved& out);
  // Checks a whole program; gives the procedures it defines.
  Procedures program(const Program& p);

 private:
  void collect(const Program& p);
  void procedureBody(ProcInfo& proc);
  void block(const Block& b);
  void scopedBlock(const Block& b);
  void loopBody(const Block& b, const char* loop);
  void statement(const Stmt& s);
  void dim(const Stmt& s);
  void constant(const Stmt& s);
  void assign(const Stmt& s);
  void forLoop(const Stmt& s);
  void doLoop(const Stmt& s);
  void select(const Stmt& s);
  void tryStmt(const Stmt& s);
  void returnStmt(const Stmt& s);
  void leave(const Stmt& s);
  void reDim(const Stmt& s);
  void declare(const std::string& name, Pos pos, Type t, bool isConstant = false);
  Declared* variable(const std::string& name, Pos pos);
  void expectAssignable(const Type& to, const std::optional<Type>& from, Pos pos,
                        const std::string& what);
  void expectBoolean(const Expr& e, const char* where);
  void expectIntegers(const ExprList& list, const char* what);
  void expectConstant(const Expr& e);
  std::optional<Type> expr(const Expr& e);
  std::optional<Type> unary(const Expr& e);
  std::optional<Type> binary(const Expr& e);
  std::optional<Type> operands(Op op, const std::optional<Type>& l, const std::optional<Type>& r,
                               Pos pos);
  std::optional<Type> method(const Expr& e);
  std::optional<Type> call(const Expr& e, bool statement = false);
  std::optional<Type> element(const Expr& e, const Type& array);
  std::optional<Type> procedureCall(const Expr& e, const ProcInfo& proc, bool statement);
  std::optional<Type> uBound(const Expr& e);
  std::optional<Type> functionCall(const Expr& e, const std::vector<std::optional<Type>>& args);
  std::optional<Type> fromResultName(const std::optional<std::string>& name) const;
  std::optional<Type> operatorResult(const std::string& cls, const std::string& method,
                                     const std::vector<std::optional<Type>>& args, Pos pos);
  void expectOverload(const std::string& cls, const std::string& name,
                      const std::vector<std::optional<Type>>& args, Pos pos,
                      const std::vector<std::string>& alsoDeclared = {});
  std::vector<std::optional<Type>> exprs(const ExprList& list);
  Type resolve(const TypeRef& ref);
  const ProcInfo* findProcedure(const std::string& name) const;

  const ObjectHost& host_;
  Scopes<Declared> main_;
  Scopes<Declared>* vars_ = &main_;
  const Procedures& known_;
  Procedures defined_;
  Resolved& out_;
  const ProcInfo* current_ = nullptr;  // the procedure being checked; null in the main program
  std::vector<std::string> loops_;     // the loops around the statement, innermost last
};

std::string unknownMethodMessage(const ObjectHost& host, const std::string& cls,
                                 const std::string& name);

}  // namespace quorvex::lang
