// The syntax tree the parser builds and the interpreter walks.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "quorvex/lang/lexer.h"
#include "quorvex/lang/value.h"

namespace quorvex::lang {

enum class Op {
  Add,
  Sub,
  Mul,
  Div,
  IntDiv,
  Mod,
  Pow,
  Eq,
  Ne,
  Lt,
  Le,
  Gt,
  Ge,
  Is,
  And,
  Or,
  Neg,
  Not,
};

const char* opText(Op op);

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;
using ExprList = std::vector<ExprPtr>;

struct Expr {
  enum class Form { Literal, Variable, New, Unary, Binary, Method, Call };
  Form form;
  Pos pos;
  Value literal;     // Literal
  std::string name;  // Variable, New (class), Method (method name), Call (function)
  Op op = Op::Add;   // Unary, Binary
  ExprPtr left;      // Unary operand, Binary left, Method receiver
  ExprPtr right;     // Binary right
  ExprList args;     // New, Method, Call
};

// Where an expression begins (a binary expression's position is its operator's).
Pos startOf(const Expr& e);

struct Stmt;
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

struct TypeRef {
  std::string name;
  Pos pos;
};

struct CatchClause {
  Pos pos;
  std::string var;  // empty when the clause binds no name
  TypeRef cls;      // empty name: catches every exception
  Block body;
};

struct Stmt {
  enum class Form { Dim, Assign, Print, If, For, While, Try, Call };
  Form form;
  Pos pos;
  std::string name;  // Dim, Assign, For: the variable
  Pos namePos;
  TypeRef type;  // Dim; For when it declares its variable ("For i As Integer = ...")
  bool isNew = false;
  ExprList exprs;  // Print items; Dim: initial value or New arguments; Assign: value;
                   // If: conditions; For: from, to, [step]; While: condition; Call: the call
  std::vector<Block> blocks;  // If: one per condition plus Else; For, While, Try: the body
  bool hasElse = false;
  std::vector<CatchClause> catches;
};

struct Program {
  Block body;
};

}  // namespace quorvex::lang
