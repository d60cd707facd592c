#include "quorvex/lang/parser.h"

#include <algorithm>
#include <initializer_list>
#include <limits>

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
    "Dim", "As",   "New",  "If",    "Then", "ElseIf", "Else",  "End",   "For",
    "To",  "Step", "Next", "While", "Wend", "Try",    "Catch", "Print", "And",
    "Or",  "Not",  "Nil",  "Is",    "True", "False",  "Mod",
};

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
    p.body = block({});
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

  Block block(std::initializer_list<std::string_view> enders) {
    Nest nest(*this);
    Block b;
    for (;;) {
      while (peek().kind == Tok::Newline) ++i_;
      if (atBlockEnd(enders)) return b;
      for (auto w : {"End", "Next", "Wend", "Else", "ElseIf", "Catch"}) {
        if (isWord(peek(), w)) {
          throw ProgramError(peek().pos,
                             describe(peek()) + " without a matching opening statement");
        }
      }
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
    if (isWord(t, "Print")) return print();
    if (isWord(t, "If")) return ifStmt();
    if (isWord(t, "For")) return forStmt();
    if (isWord(t, "While")) return whileStmt();
    if (isWord(t, "Try")) return tryStmt();
    if (t.kind == Tok::Identifier && !isKeyword(t.text)) {
      auto s = simple();
      endOfLine();
      return s;
    }
    expected("a statement (Dim, Print, If, For, While, Try, an assignment or a call)");
  }

  // An assignment or a call: the statements that may also follow a one-line If.
  StmtPtr simple() {
    Pos p = peek().pos;
    if (peek().kind == Tok::Identifier && !isKeyword(peek().text) && isSym(peek(1), "=")) {
      auto s = make(Stmt::Form::Assign, p);
      s->namePos = p;
      s->name = take().text;
      ++i_;
      s->exprs.push_back(expr());
      return s;
    }
    if (isWord(peek(), "Print")) {
      return printBody();
    }
    auto e = expr();
    if (e->form != Expr::Form::Call && e->form != Expr::Form::Method) {
      throw ProgramError(
          p, "expected an assignment (name = value) or a call; a value alone is not a statement");
    }
    auto s = make(Stmt::Form::Call, p);
    s->exprs.push_back(std::move(e));
    return s;
  }

  TypeRef typeRef() {
    TypeRef r{{}, peek().pos};
    r.name = name("a type name (Integer, Double, String, Boolean or a class)");
    return r;
  }

  StmtPtr dim() {
    auto s = make(Stmt::Form::Dim, take().pos);
    s->namePos = peek().pos;
    s->name = name("a variable name after Dim");
    expectWord("As", " after the variable name");
    if (acceptWord("New")) {
      s->isNew = true;
      s->type = typeRef();
      if (acceptSym("(")) s->exprs = args();
    } else {
      s->type = typeRef();
      if (acceptSym("=")) s->exprs.push_back(expr());
    }
    endOfLine();
    return s;
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
      // One-line form: If cond Then statement
      Block b;
      b.push_back(simple());
      s->blocks.push_back(std::move(b));
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
      if (isWord(first, "For") || isWord(first, "While") || isWord(first, "Try")) ++open;
      if (isWord(first, "Next") || isWord(first, "Wend")) --open;
      if (isWord(first, "End") && i - start > 1 &&
          (isWord(toks[start + 1], "If") || isWord(toks[start + 1], "Try"))) {
        --open;
      }
    }
    start = i + 1;
  }
  return std::max(open, 0);
}

}  // namespace quorvex::lang
