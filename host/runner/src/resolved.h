// What the checker learns about a program, kept beside its syntax tree (the parser's output is
// never edited) and read by the interpreter. Keys are the nodes themselves, so a table is only
// good while the program it describes lives.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "quorvex/lang/ast.h"

namespace quorvex::lang {

struct Builtin;
struct Resolved;

// A Function or Sub as the checker knows it, before anything runs.
struct ProcInfo {
  const Procedure* def = nullptr;
  std::vector<Type> params;
  Type result;                            // Kind::Nil for a Sub
  const Resolved* resolved = nullptr;     // the table of the program that defines it
  std::shared_ptr<const void> keepAlive;  // that program, with its table
};

// Keyed by the procedure's name in lower case.
using Procedures = std::unordered_map<std::string, std::shared_ptr<ProcInfo>>;

// What a name followed by parentheses turned out to be.
struct Callee {
  enum class Kind { Global, Builtin, Procedure, Element, UBound };
  Kind kind = Kind::Global;
  const Builtin* builtin = nullptr;     // Builtin
  const ProcInfo* procedure = nullptr;  // Procedure
};

struct Resolved {
  // The declared class of each expression whose value is an object, so that a Nil still reaches
  // its class's methods and operators.
  std::unordered_map<const Expr*, std::string> classOf;
  // Every type a statement names, as the host knows it (builtin, or the class as registered).
  std::unordered_map<const TypeRef*, Type> types;
  std::unordered_map<const Expr*, Callee> calls;

  const std::string& classAt(const Expr& e) const {
    static const std::string none;
    auto it = classOf.find(&e);
    return it == classOf.end() ? none : it->second;
  }
  const Type& typeAt(const TypeRef& t) const { return types.at(&t); }
  const Callee& callAt(const Expr& e) const { return calls.at(&e); }
};

}  // namespace quorvex::lang
