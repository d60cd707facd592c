// The syntax tree the parser builds and the interpreter walks.
#pragma once

#include <cstddef>
#include <cstdint>
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

// Where the interpreter last found the variable a node names, with the interpreter's count of
// changes to where variables are at the time: good while that count stays. Counts are never
// shared by two interpreters, so one never takes another's.
struct FoundVariable {
  std::uint64_t layout = 0;
  void* variable = nullptr;
};

// What one call site of a program keeps between its calls, so that a call in a loop finds its
// method once rather than each time round. The host fills it in; to the language it is opaque.
struct CallSite {
  static constexpr std::size_t kMaxArgs = 3;
  const void* method = nullptr;  // the host's choice; null: none yet
  std::size_t count = 0;
  // What each argument was when the choice was made: its kind, and the class of an object.
  std::size_t kinds[kMaxArgs] = {};
  const void* classes[kMaxArgs] = {};
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;
using ExprList = std::vector<ExprPtr>;

struct Expr {
  enum class Form { Literal, Variable, New, Unary, Binary, Method, Call };
  Form form;
  Pos pos;
  Value literal;                // Literal
  std::string name;             // Variable, New (class), Method (method name), Call (function)
  Op op = Op::Add;              // Unary, Binary
  ExprPtr left;                 // Unary operand, Binary left, Method receiver
  ExprPtr right;                // Binary right
  ExprList args;                // New, Method, Call
  mutable FoundVariable found;  // Variable
  mutable CallSite site;        // Method, Binary: what the host learned at the last call here
};

// Where an expression begins (a binary expression's position is its operator's).
Pos startOf(const Expr& e);

struct Stmt;
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

struct TypeRef {
  std::string name;
  Pos pos;
  int rank = 0;  // dimensions of an array type ("Integer()": 1, "Integer(,)": 2), 0 otherwise
};

struct CatchClause {
  Pos pos;
  std::string var;  // empty when the clause binds no name
  TypeRef cls;      // empty name: catches every exception
  Block body;
};

// One test of a Case line: `value`, `low To high`, or `Is <op> value`.
struct CaseTest {
  enum class Form { Equal, Range, Is };
  Form form = Form::Equal;
  Op op = Op::Eq;  // Is
  ExprPtr value;   // Range: the low end
  ExprPtr high;    // Range
};

struct CaseClause {
  Pos pos;
  std::vector<CaseTest> tests;  // empty: Case Else
  Block body;
};

struct Param {
  std::string name;
  Pos pos;
  TypeRef type;  // rank > 0: an array, always passed by reference
  bool byRef = false;
};

struct Procedure {
  Pos pos;
  std::string name;
  Pos namePos;
  bool isFunction = false;
  std::vector<Param> params;
  TypeRef result;  // Function only
  Block body;
};

struct Stmt {
  enum class Form {
    Dim,
    Const,
    Assign,
    Print,
    If,
    For,
    While,
    Do,
    Select,
    Try,
    Call,
    Procedure,
    Return,
    Exit,
    Continue,
    ReDim,
  };
  Form form;
  Pos pos;
  std::string name;  // Dim, Const, Assign, For, ReDim: the variable
  Pos namePos;
  TypeRef type;  // Dim, Const; For when it declares its variable ("For i As Integer = ...")
  bool isNew = false;
  ExprList exprs;  // Print items; Dim, Const: initial value or New arguments; Assign: value;
                   // If: conditions; For: from, to, [step]; While: condition; Do: its condition,
                   // if any; Select: the value tested; Call: the call; Return: the value, if any
  ExprList index;  // Assign: the element's indices; Dim, ReDim: the upper bounds
  std::vector<Block> blocks;  // If: one per condition plus Else; For, While, Do, Try: the body
  bool hasElse = false;
  std::vector<CatchClause> catches;
  std::vector<CaseClause> cases;
  std::string word;        // Exit, Continue: what is left ("For", "Sub", ...); Do: "While", "Until"
  bool testFirst = false;  // Do: the condition stands after Do rather than after Loop
  std::unique_ptr<Procedure> procedure;
  mutable FoundVariable found;  // Assign, For: the variable `name` names
};

struct Program {
  Block body;
};

}  // namespace quorvex::lang
