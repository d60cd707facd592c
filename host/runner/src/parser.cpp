#include "quorvex/lang/parser.h"

#include <algorithm>
#include <initializer_list>
#include <limits>

#include "builtins.h"

namespace quorvex::lang {

const char* opText(Op op) {
  switch (op) {
    case Op::Add:
      return "+";
    case Op::Sub:
      return "-";
    case Op::Mul:
      return "*";
    case Op::Div:
      return "/";
    case Op::IntDiv:
      return "\\";
    case Op::Mod:
      return "Mod";
    case Op::Pow:
      return "^";
    case Op::Eq:
      return "=";
    case Op::Ne:
      return "<>";
    case Op::Lt:
      return "<";
    case Op::Le:
      return "<=";
    case Op::Gt:
      return ">";
    case Op::Ge:
      return ">=";
    case Op::Is:
      return "Is";
    case Op::And:
      return "And";
    case Op::Or:
      return "Or";
    case Op::Neg:
      return "-";
    case Op::Not:
      return "Not";
  }
  return "?";
}

Pos startOf(const Expr& e) {
  const Expr* first = &e;
  while ((first->form == Expr::Form::Binary || first->form == Expr::Form::Method) && first->left) {
    first = first->left.get();
  }
  return first->pos;
}

namespace {

constexpr std::string_view kKeywords[] = {
    "Dim",  "As",   "New",   "If",     "Then", "ElseIf",   "Else",  "End",      "For",   "To",
    "Step", "Next", "While", "Wend",   "Try",  "Catch",    "Print", "And",      "Or",    "Not",
    "Nil",  "Is",   "True",  "False",  "Mod",  "Function", "Sub",   "Return",   "Exit",  "Continue",
    "Do",   "Loop", "Until", "Select", "Case", "Const",    "ReDim", "Preserve", "ByRef", "ByVal",
};

// Words that close a block; met where a statement should start, they close nothing.
constexpr std::string_view kClosers[] = {"End",    "Next",  "Wend", "Else",
                                         "ElseIf", "Catch", "Loop", "Case"};

bool isKeyword(std::string_view s) {
  return std::any_of(std::begin(kKeywords), std::end(kKeywords),
                     [&](std::string_view k) { return sameName(k, s); });
}

bool isWord(const Token& t, std::string_view w) {
  return t.kind == Tok::Identifier && sameName(t.text, w);
}

class Parser {
 public:
  explicit Parser(std::vector<Token> toks) : t_(std::move(toks)) {}

  Program program() {
    Program p;
    p.body = block({}, true);
    if (peek().kind != Tok::End) {
      throw ProgramError(peek().pos, describe(peek()) + " without a matching opening statement");
    }
    return p;
  }

 private:
  // ---- token helpers
  const Token& peek(std::size_t ahead = 0) const { return t_[std::min(i_ + ahead, t_.size() - 1)]; }
  const Token& take() { return t_[std::min(i_++, t_.size() - 1)]; }
  bool isSym(const Token& t, std::string_view s) const {
    return t.kind == Tok::Symbol && t.text == s;
  }
  bool acceptWord(std::string_view w) { return isWord(peek(), w) ? (++i_, true) : false; }
  bool acceptSym(std::string_view s) { return isSym(peek(), s) ? (++i_, true) : false; }

  [[noreturn]] void expected(const std::string& what) const {
    throw ProgramError(peek().pos, "expected " + what + ", found " + describe(peek()));
  }
  void expectWord(std::string_view w, const std::string& context) {
    if (!acceptWord(w)) expected(std::string(w) + context);
  }
  void expectSym(std::string_view s, const std::string& context) {
    if (!acceptSym(s)) expected("'" + std::string(s) + "'" + context);
  }
  void endOfLine() {
    if (peek().kind == Tok::End) return;
    if (peek().kind != Tok::Newline) expected("the end of the line");
    ++i_;
  }
  std::string name(const std::string& what) {
    const Token& t = peek();
    if (t.kind != Tok::Identifier || isKeyword(t.text)) expected(what);
    ++i_;
    return t.text;
  }

  struct Nest {
    explicit Nest(Parser& p) : p_(p) {
      if (++p_.depth_ > kMaxNesting) {
        throw ProgramError(p_.peek().pos, "nested too deeply (more than " +
                                              std::to_string(kMaxNesting) + " levels)");
      }
    }
    ~Nest() { --p_.depth_; }
    Parser& p_;
  };

  // ---- statements
  bool atBlockEnd(std::initializer_list<std::string_view> enders) const {
    if (peek().kind == Tok::End) return true;
    return std::any_of(enders.begin(), enders.end(), [&](auto w) { return isWord(peek(), w); });
  }

  // Only the program's own block (`top`) may define procedures.
  Block block(std::initializer_list<std::string_view> enders, bool top = false) {
    Nest nest(*this);
    Block b;
    for (;;) {
      while (peek().kind == Tok::Newline) ++i_;
      if (atBlockEnd(enders)) return b;
      for (auto w : kClosers) {
        if (isWord(peek(), w)) {
          throw ProgramError(peek().pos,
                             describe(peek()) + " without a matching opening statement");
        }
      }
      topLevel_ = top;
      b.push_back(statement());
    }
  }

  StmtPtr make(Stmt::Form f, Pos p) {
    auto s = std::make_unique<Stmt>();
    s->form = f;
    s->pos = p;
    return s;
  }

  StmtPtr statement() {
    const Token& t = peek();
    if (isWord(t, "Dim")) return dim();
    if (isWord(t, "Const")) return constStmt();
    if (isWord(t, "If")) return ifStmt();
    if (isWord(t, "For")) return forStmt();
    if (isWord(t, "While")) return whileStmt();
    if (isWord(t, "Do")) return doStmt();
    if (isWord(t, "Select")) return selectStmt();
    if (isWord(t, "Try")) return tryStmt();
    if (isWord(t, "Function") || isWord(t, "Sub")) return procedure();
    if (startsSimple(t)) {
      auto s = simple();
      endOfLine();
      return s;
    }
    expected(
        "a statement (Dim, Const, Print, If, For, While, Do, Select, Try, Function, Sub, an "
        "assignment or a call)");
  }

  static bool startsSimple(const Token& t) {
    if (t.kind == Tok::Identifier && !isKeyword(t.text)) return true;
    for (auto w : {"Print", "Return", "Exit", "Continue", "ReDim"}) {
      if (isWord(t, w)) return true;
    }
    return false;
  }

  // The statements that may also follow a one-line If: an assignment, a call, Print, Return,
  // Exit, Continue and ReDim.
  StmtPtr simple() {
    Pos p = peek().pos;
    if (isWord(peek(), "Print")) return printBody();
    if (isWord(peek(), "Return")) return returnStmt();
    if (isWord(peek(), "Exit") || isWord(peek(), "Continue")) return leave();
    if (isWord(peek(), "ReDim")) return reDim();
    if (!startsSimple(peek())) expected("a statement");
    if (isSym(peek(1), "=")) {
      auto s = make(Stmt::Form::Assign, p);
      s->namePos = p;
      s->name = take().text;
      ++i_;
      s->exprs.push_back(expr());
      return s;
    }
    // A name followed by an operator is an expression, not a call without parentheses.
    const Token& after = peek(1);
    const bool operatorNext = after.kind == Tok::Symbol || isWord(after, "Mod") ||
                              isWord(after, "And") || isWord(after, "Or") || isWord(after, "Is");
    if (!operatorNext) return bareCall();
    // A call, a method call or an element; an element may be assigned to.
    auto e = isSym(after, "(") || isSym(after, ".") ? postfix() : expr();
    if (e->form == Expr::Form::Call && acceptSym("=")) {  // an element: a(i) = value
      auto s = make(Stmt::Form::Assign, p);
      s->namePos = p;
      s->name = e->name;
      s->index = std::move(e->args);
      s->exprs.push_back(expr());
      return s;
    }
    const bool ends =
        peek().kind == Tok::Newline || peek().kind == Tok::End || isWord(peek(), "Else");
    if (!ends || (e->form != Expr::Form::Call && e->form != Expr::Form::Method)) {
      throw ProgramError(
          p, "expected an assignment (name = value) or a call; a value alone is not a statement");
    }
    auto s = make(Stmt::Form::Call, p);
    s->exprs.push_back(std::move(e));
    return s;
  }

  // A call without parentheses: Name, or Name arg, arg.
  StmtPtr bareCall() {
    auto s = make(Stmt::Form::Call, peek().pos);
    auto e = node(Expr::Form::Call, peek().pos);
    e->name = take().text;
    if (peek().kind != Tok::Newline && peek().kind != Tok::End && !isWord(peek(), "Else")) {
      do {
        e->args.push_back(expr());
      } while (acceptSym(","));
    }
    s->exprs.push_back(std::move(e));
    return s;
  }

  StmtPtr returnStmt() {
    auto s = make(Stmt::Form::Return, take().pos);
    if (peek().kind != Tok::Newline && peek().kind != Tok::End && !isWord(peek(), "Else")) {
      s->exprs.push_back(expr());
    }
    return s;
  }

  StmtPtr leave() {
    const bool exit = isWord(peek(), "Exit");
    auto s = make(exit ? Stmt::Form::Exit : Stmt::Form::Continue, take().pos);
    // Continue goes on with a loop; Exit may also leave the procedure.
    for (auto w : {"For", "While", "Do", "Sub", "Function"}) {
      if (isWord(peek(), w) &&
          (exit || (w != std::string_view("Sub") && w != std::string_view("Function")))) {
        s->word = w;
        ++i_;
        return s;
      }
    }
    expected(exit ? "For, While, Do, Sub or Function after Exit"
                  : "For, While or Do after Continue");
  }

  StmtPtr reDim() {
    auto s = make(Stmt::Form::ReDim, take().pos);
    acceptWord("Preserve");  // ReDim always keeps the elements that still fit
    s->namePos = peek().pos;
    s->name = name("an array name after ReDim");
    expectSym("(", " after the array name");
    s->index = args();
    if (s->index.empty()) expected("the new upper bounds");
    return s;
  }

  TypeRef typeRef() {
    TypeRef r{{}, peek().pos};
    r.name = name("a type name (Integer, Double, String, Boolean or a class)");
    return r;
  }

  // After a name: "()" or "(,)" makes it an array of one or two dimensions.
  int emptyDimensions() {
    if (!isSym(peek(), "(")) return 0;
    int rank = 1;
    ++i_;
    while (acceptSym(",")) ++rank;
    expectSym(")", " after the array's dimensions");
    return rank;
  }

  // A procedure's result type: a type name, "Fraction()" for an array.
  TypeRef resultType() {
    TypeRef r = typeRef();
    r.rank = emptyDimensions();
    return r;
  }

  void checkRank(std::size_t rank, Pos pos) {
    if (rank > 2) throw ProgramError(pos, "an array has one or two dimensions");
  }

  StmtPtr dim() {
    auto s = make(Stmt::Form::Dim, take().pos);
    s->namePos = peek().pos;
    s->name = name("a variable name after Dim");
    int rank = 0;
    if (isSym(peek(), "(") && !isSym(peek(1), ")") && !isSym(peek(1), ",")) {
      ++i_;
      s->index = args();
      rank = static_cast<int>(s->index.size());
    } else {
      rank = emptyDimensions();
    }
    checkRank(static_cast<std::size_t>(rank), s->namePos);
    expectWord("As", " after the variable name");
    if (rank == 0 && acceptWord("New")) {
      s->isNew = true;
      s->type = typeRef();
      if (acceptSym("(")) s->exprs = args();
    } else {
      s->type = typeRef();
      s->type.rank = rank;
      if (acceptSym("=")) s->exprs.push_back(expr());
    }
    endOfLine();
    return s;
  }

  StmtPtr constStmt() {
    auto s = make(Stmt::Form::Const, take().pos);
    s->namePos = peek().pos;
    s->name = name("a name after Const");
    if (acceptWord("As")) s->type = typeRef();
    expectSym("=", " and the constant's value");
    s->exprs.push_back(expr());
    endOfLine();
    return s;
  }

  StmtPtr procedure() {
    auto s = make(Stmt::Form::Procedure, peek().pos);
    auto proc = std::make_unique<Procedure>();
    proc->pos = peek().pos;
    proc->isFunction = isWord(take(), "Function");
    const char* kind = proc->isFunction ? "Function" : "Sub";
    if (!topLevel_) {
      throw ProgramError(
          proc->pos,
          std::string("a ") + kind + " is defined at the top of the program, not inside a block");
    }
    proc->namePos = peek().pos;
    proc->name = name(std::string("a name after ") + kind);
    if (acceptSym("(") && !acceptSym(")")) {
      do {
        proc->params.push_back(param());
      } while (acceptSym(","));
      expectSym(")", " to close the parameter list");
    }
    if (proc->isFunction) {
      expectWord("As", " and the Function's result type");
      proc->result = resultType();
    }
    endOfLine();
    proc->body = block({"End"});
    closing(kind);
    s->procedure = std::move(proc);
    return s;
  }

  Param param() {
    Param p;
    p.byRef = acceptWord("ByRef");
    if (!p.byRef) acceptWord("ByVal");
    p.pos = peek().pos;
    p.name = name("a parameter name");
    const int rank = emptyDimensions();
    expectWord("As", " after the parameter name");
    p.type = typeRef();
    p.type.rank = rank;
    return p;
  }

  StmtPtr printBody() {
    auto s = make(Stmt::Form::Print, take().pos);
    if (peek().kind == Tok::Newline || peek().kind == Tok::End) return s;
    do {
      s->exprs.push_back(expr());
    } while (acceptSym(","));
    return s;
  }

  StmtPtr print() {
    auto s = printBody();
    endOfLine();
    return s;
  }

  StmtPtr ifStmt() {
    auto s = make(Stmt::Form::If, take().pos);
    s->exprs.push_back(expr());
    expectWord("Then", " after the If condition");
    if (peek().kind != Tok::Newline && peek().kind != Tok::End) {
      // One-line form: If cond Then statement [Else statement]
      s->blocks.push_back(oneStatement());
      if (acceptWord("Else")) {
        s->hasElse = true;
        s->blocks.push_back(oneStatement());
      }
      endOfLine();
      return s;
    }
    endOfLine();
    s->blocks.push_back(block({"ElseIf", "Else", "End"}));
    while (acceptWord("ElseIf")) {
      s->exprs.push_back(expr());
      expectWord("Then", " after the ElseIf condition");
      endOfLine();
      s->blocks.push_back(block({"ElseIf", "Else", "End"}));
    }
    if (acceptWord("Else")) {
      endOfLine();
      s->hasElse = true;
      s->blocks.push_back(block({"End"}));
    }
    closing("If");
    return s;
  }

  Block oneStatement() {
    Block b;
    b.push_back(simple());
    return b;
  }

  void closing(std::string_view what) {
    std::string want = "End " + std::string(what);
    if (!acceptWord("End")) expected("'" + want + "'");
    if (!acceptWord(what)) expected("'" + want + "'");
    endOfLine();
  }

  StmtPtr forStmt() {
    auto s = make(Stmt::Form::For, take().pos);
    s->namePos = peek().pos;
    s->name = name("the loop variable after For");
    if (acceptWord("As")) s->type = typeRef();
    expectSym("=", " after the loop variable");
    s->exprs.push_back(expr());
    expectWord("To", " after the start value");
    s->exprs.push_back(expr());
    if (acceptWord("Step")) s->exprs.push_back(expr());
    endOfLine();
    s->blocks.push_back(block({"Next"}));
    expectWord("Next", " to close the For loop");
    if (peek().kind == Tok::Identifier) {
      Pos p = peek().pos;
      if (!sameName(take().text, s->name)) {
        throw ProgramError(p, "expected 'Next " + s->name + "' (or Next alone) to close this loop");
      }
    }
    endOfLine();
    return s;
  }

  StmtPtr whileStmt() {
    auto s = make(Stmt::Form::While, take().pos);
    s->exprs.push_back(expr());
    endOfLine();
    s->blocks.push_back(block({"Wend"}));
    expectWord("Wend", " to close the While loop");
    endOfLine();
    return s;
  }

  StmtPtr tryStmt() {
    auto s = make(Stmt::Form::Try, take().pos);
    endOfLine();
    s->blocks.push_back(block({"Catch", "End"}));
    while (isWord(peek(), "Catch")) {
      CatchClause c;
      c.pos = take().pos;
      if (peek().kind == Tok::Identifier && !isKeyword(peek().text)) {
        c.var = take().text;
        if (acceptWord("As")) c.cls = typeRef();
      }
      endOfLine();
      c.body = block({"Catch", "End"});
      s->catches.push_back(std::move(c));
    }
    if (s->catches.empty()) expected("'Catch' after the Try block");
    closing("Try");
    return s;
  }

  // Do [While|Until cond] ... Loop [While|Until cond]: the condition at one end at most.
  StmtPtr doStmt() {
    auto s = make(Stmt::Form::Do, take().pos);
    if (isWord(peek(), "While") || isWord(peek(), "Until")) {
      s->word = take().text;
      s->testFirst = true;
      s->exprs.push_back(expr());
    }
    endOfLine();
    s->blocks.push_back(block({"Loop"}));
    expectWord("Loop", " to close the Do loop");
    if (!s->testFirst && (isWord(peek(), "While") || isWord(peek(), "Until"))) {
      s->word = take().text;
      s->exprs.push_back(expr());
    }
    endOfLine();
    return s;
  }

  StmtPtr selectStmt() {
    auto s = make(Stmt::Form::Select, take().pos);
    expectWord("Case", " after Select");
    s->exprs.push_back(expr());
    endOfLine();
    while (peek().kind == Tok::Newline) ++i_;
    while (isWord(peek(), "Case")) {
      CaseClause c;
      c.pos = take().pos;
      if (!acceptWord("Else")) {
        do {
          c.tests.push_back(caseTest());
        } while (acceptSym(","));
      } else if (s->hasElse) {
        throw ProgramError(c.pos, "a second Case Else");
      } else {
        s->hasElse = true;
      }
      endOfLine();
      c.body = block({"Case", "End"});
      if (s->hasElse && !c.tests.empty()) {
        throw ProgramError(c.pos, "a Case after Case Else");
      }
      s->cases.push_back(std::move(c));
    }
    closing("Select");
    return s;
  }

  CaseTest caseTest() {
    CaseTest t;
    if (acceptWord("Is")) {
      t.form = CaseTest::Form::Is;
      static const std::pair<const char*, Op> ops[] = {{"=", Op::Eq}, {"<>", Op::Ne},
                                                       {"<", Op::Lt}, {"<=", Op::Le},
                                                       {">", Op::Gt}, {">=", Op::Ge}};
      bool found = false;
      for (auto& [sym, op] : ops) {
        if (!found && acceptSym(sym)) t.op = op, found = true;
      }
      if (!found) expected("a comparison (=, <>, <, <=, >, >=) after Case Is");
      t.value = expr();
      return t;
    }
    t.value = expr();
    if (acceptWord("To")) {
      t.form = CaseTest::Form::Range;
      t.high = expr();
    }
    return t;
  }

  // ---- expressions
  ExprPtr node(Expr::Form f, Pos p) {
    auto e = std::make_unique<Expr>();
    e->form = f;
    e->pos = p;
    return e;
  }

  ExprPtr binary(Op op, Pos p, ExprPtr l, ExprPtr r) {
    auto e = node(Expr::Form::Binary, p);
    e->op = op;
    e->left = std::move(l);
    e->right = std::move(r);
    return e;
  }

  ExprPtr unary(Op op, Pos p, ExprPtr operand) {
    auto e = node(Expr::Form::Unary, p);
    e->op = op;
    e->left = std::move(operand);
    return e;
  }

  ExprPtr expr() {
    Nest nest(*this);
    return orExpr();
  }

  // Left-associative chains grow the tree on the left; each link counts as a level of nesting so
  // that a line of thousands of "+ 1" cannot build a tree too deep to walk.
  template <class Next, class Match>
  ExprPtr chain(Next next, Match match) {
    auto l = (this->*next)();
    int links = 0;
    Op op;
    while (match(op)) {
      Pos p = take().pos;
      if (++links + depth_ > kMaxNesting) {
        throw ProgramError(p, "expression too long (more than " + std::to_string(kMaxNesting) +
                                  " operators in a row)");
      }
      l = binary(op, p, std::move(l), (this->*next)());
    }
    return l;
  }

  ExprPtr orExpr() {
    return chain(&Parser::andExpr,
                 [&](Op& op) { return isWord(peek(), "Or") && (op = Op::Or, true); });
  }
  ExprPtr andExpr() {
    return chain(&Parser::notExpr,
                 [&](Op& op) { return isWord(peek(), "And") && (op = Op::And, true); });
  }
  ExprPtr notExpr() {
    if (isWord(peek(), "Not")) {
      Nest nest(*this);
      Pos p = take().pos;
      return unary(Op::Not, p, notExpr());
    }
    return comparison();
  }
  ExprPtr comparison() {
    return chain(&Parser::additive, [&](Op& op) {
      static const std::pair<const char*, Op> ops[] = {{"=", Op::Eq}, {"<>", Op::Ne},
                                                       {"<", Op::Lt}, {"<=", Op::Le},
                                                       {">", Op::Gt}, {">=", Op::Ge}};
      for (auto& [s, o] : ops) {
        if (isSym(peek(), s)) return op = o, true;
      }
      if (isWord(peek(), "Is")) return op = Op::Is, true;
      return false;
    });
  }
  ExprPtr additive() {
    return chain(&Parser::multiplicative, [&](Op& op) {
      if (isSym(peek(), "+")) return op = Op::Add, true;
      if (isSym(peek(), "-")) return op = Op::Sub, true;
      return false;
    });
  }
  ExprPtr multiplicative() {
    return chain(&Parser::negation, [&](Op& op) {
      if (isSym(peek(), "*")) return op = Op::Mul, true;
      if (isSym(peek(), "/")) return op = Op::Div, true;
      if (isSym(peek(), "\\")) return op = Op::IntDiv, true;
      if (isWord(peek(), "Mod")) return op = Op::Mod, true;
      return false;
    });
  }
  // Unary minus binds looser than ^, so -2 ^ 2 is -(2 ^ 2); a minus right after ^ is allowed (f ^
  // -2).
  ExprPtr negation() {
    if (isSym(peek(), "-")) {
      Nest nest(*this);
      Pos p = take().pos;
      if (peek().kind == Tok::Magnitude && !isSym(peek(1), "^")) {
        auto e = node(Expr::Form::Literal, p);
        e->literal = std::numeric_limits<std::int64_t>::min();
        ++i_;
        return postfixOn(std::move(e));
      }
      return unary(Op::Neg, p, negation());
    }
    return power();
  }
  ExprPtr power() {
    return chain(&Parser::powerOperand,
                 [&](Op& op) { return isSym(peek(), "^") && (op = Op::Pow, true); });
  }
  ExprPtr powerOperand() {
    if (isSym(peek(), "-")) {
      Nest nest(*this);
      Pos p = take().pos;
      return unary(Op::Neg, p, powerOperand());
    }
    return postfix();
  }

  ExprPtr postfix() { return postfixOn(primary()); }

  ExprPtr postfixOn(ExprPtr e) {
    int links = 0;
    while (isSym(peek(), ".")) {
      ++i_;
      if (++links + depth_ > kMaxNesting) expected("fewer method calls in a row");
      auto m = node(Expr::Form::Method, peek().pos);
      m->name = name("a method name after '.'");
      m->left = std::move(e);
      if (acceptSym("(")) m->args = args();
      e = std::move(m);
    }
    return e;
  }

  ExprList args() {  // after '('
    ExprList list;
    if (acceptSym(")")) return list;
    do {
      list.push_back(expr());
    } while (acceptSym(","));
    expectSym(")", " to close the argument list");
    return list;
  }

  ExprPtr primary() {
    const Token& t = peek();
    switch (t.kind) {
      case Tok::Magnitude:
        throw ProgramError(t.pos, "the number " + t.text + " is too large for an Integer");
      case Tok::Integer: {
        auto e = node(Expr::Form::Literal, take().pos);
        e->literal = t.integer;
        return e;
      }
      case Tok::Double: {
        auto e = node(Expr::Form::Literal, take().pos);
        e->literal = t.dbl;
        return e;
      }
      case Tok::String: {
        auto e = node(Expr::Form::Literal, take().pos);
        e->literal = t.text;
        return e;
      }
      default:
        break;
    }
    if (acceptSym("(")) {
      auto e = expr();
      expectSym(")", " to close the parenthesis");
      return e;
    }
    if (isWord(t, "True") || isWord(t, "False")) {
      auto e = node(Expr::Form::Literal, take().pos);
      e->literal = isWord(t, "True");
      return e;
    }
    if (isWord(t, "Nil")) {
      return node(Expr::Form::Literal, take().pos);
    }
    if (isWord(t, "New")) {
      auto e = node(Expr::Form::New, take().pos);
      e->name = name("a class name after New");
      if (acceptSym("(")) e->args = args();
      return e;
    }
    if (t.kind == Tok::Identifier && !isKeyword(t.text)) {
      Pos p = t.pos;
      std::string n = take().text;
      if (acceptSym("(")) {
        auto e = node(Expr::Form::Call, p);
        e->name = n;
        e->args = args();
        return e;
      }
      auto e = node(Expr::Form::Variable, p);
      e->name = n;
      return e;
    }
    expected("a value (a number, text, True, False, Nil, a variable, New, a call or '(')");
  }

  std::vector<Token> t_;
  std::size_t i_ = 0;
  int depth_ = 0;
  bool topLevel_ = false;
};

}  // namespace

Program parse(std::string_view source, int firstLine) {
  return Parser(tokenize(source, firstLine)).program();
}

int openBlocks(std::string_view source) {
  std::vector<Token> toks;
  try {
    toks = tokenize(source);
  } catch (const ProgramError&) {
    return 0;
  }
  int open = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < toks.size(); ++i) {
    if (toks[i].kind != Tok::Newline && toks[i].kind != Tok::End) continue;
    if (i > start) {
      const Token& first = toks[start];
      const Token& last = toks[i - 1];
      if (isWord(first, "If") && isWord(last, "Then")) ++open;
      for (auto w : {"For", "While", "Try", "Do", "Select", "Function", "Sub"}) {
        if (isWord(first, w)) ++open;
      }
      if (isWord(first, "Next") || isWord(first, "Wend") || isWord(first, "Loop")) --open;
      if (isWord(first, "End") && i - start > 1) {
        for (auto w : {"If", "Try", "Select", "Function", "Sub"}) {
          if (isWord(toks[start + 1], w)) --open;
        }
      }
    }
    start = i + 1;
  }
  return std::max(open, 0);
}

std::vector<std::string> languageWords() {
  std::vector<std::string> words(std::begin(kKeywords), std::end(kKeywords));
  for (std::string& name : builtinNames()) words.push_back(std::move(name));
  return words;
}

}  // namespace quorvex::lang
