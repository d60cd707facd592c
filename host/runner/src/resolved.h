// What the checker learns about a program, kept beside its syntax tree (the parser's output is
// never edited) and read by the interpreter. Keys are the nodes themselves, so a table is only
// good while the program it describes lives.
#pragma once

#include <string>
#include <unordered_map>

#include "quorvex/lang/ast.h"

namespace quorvex::lang {

struct Resolved {
  // The declared class of each expression whose value is an object, so that a Nil still reaches
  // its class's methods and operators.
  std::unordered_map<const Expr*, std::string> classOf;
  // Every type a statement names, as the host knows it (builtin, or the class as registered).
  std::unordered_map<const TypeRef*, Type> types;

  std::string classAt(const Expr& e) const {
    auto it = classOf.find(&e);
    return it == classOf.end() ? std::string() : it->second;
  }
  const Type& typeAt(const TypeRef& t) const { return types.at(&t); }
};

}  // namespace quorvex::lang
