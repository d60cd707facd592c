// Reading host-language declarations: "Name(p As Type, ...) As Type", keywords in any case.
#include <cctype>

#include "Runtime.h"

namespace quorvex {
namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  void skipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  bool atEnd() const { return pos_ == text_.size(); }
  std::size_t pos() const { return pos_; }

  bool take(char c) {
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // An identifier; type names may be dotted ("Module.Class"), each part an identifier.
  std::string identifier(bool dotted) {
    skipSpace();
    std::size_t begin = pos_;
    while (startsWord(pos_)) {
      ++pos_;
      while (pos_ < text_.size() && (std::isalnum(byte(pos_)) || text_[pos_] == '_')) ++pos_;
      if (!dotted || pos_ >= text_.size() || text_[pos_] != '.' || !startsWord(pos_ + 1)) break;
      ++pos_;
    }
    return std::string(text_.substr(begin, pos_ - begin));
  }

  // The keyword "As", which must stand alone.
  bool as() {
    std::size_t saved = pos_;
    std::string word = identifier(false);
    if (detail::sameName(word, "As")) return true;
    pos_ = saved;
    return false;
  }

 private:
  unsigned char byte(std::size_t at) const { return static_cast<unsigned char>(text_[at]); }
  bool startsWord(std::size_t at) const {
    return at < text_.size() && (std::isalpha(byte(at)) || text_[at] == '_');
  }
  std::string_view text_;
  std::size_t pos_ = 0;
};

std::string canonicalType(std::string type) {
  for (const char* builtin : {"Integer", "Double", "String", "Boolean"}) {
    if (detail::sameName(type, builtin)) return builtin;
  }
  return type;
}

bool fail(std::string* error, std::string message, std::size_t at) {
  if (error != nullptr) *error = message + " at byte " + std::to_string(at);
  return false;
}

bool parseType(Reader& in, std::string& type, std::string* error) {
  if (!in.as()) return fail(error, "expected As", in.pos());
  type = in.identifier(true);
  if (type.empty()) return fail(error, "expected a type", in.pos());
  type = canonicalType(std::move(type));
  return true;
}

bool parseParams(Reader& in, std::vector<Parameter>& params, std::string* error) {
  if (in.take(')')) return true;
  do {
    Parameter p;
    p.name = in.identifier(false);
    if (p.name.empty()) return fail(error, "expected a parameter name", in.pos());
    if (!parseType(in, p.type, error)) return false;
    params.push_back(std::move(p));
  } while (in.take(','));
  if (!in.take(')')) return fail(error, "expected , or )", in.pos());
  return true;
}

}  // namespace

std::optional<Declaration> parseDeclaration(std::string_view text, std::string* error) {
  Reader in(text);
  Declaration decl;
  decl.name = in.identifier(false);
  if (decl.name.empty()) return fail(error, "expected a name", in.pos()), std::nullopt;
  if (!in.take('(')) return fail(error, "expected (", in.pos()), std::nullopt;
  if (!parseParams(in, decl.params, error)) return std::nullopt;
  in.skipSpace();
  if (!in.atEnd() && !parseType(in, decl.result, error)) return std::nullopt;
  in.skipSpace();
  if (!in.atEnd()) return fail(error, "unexpected text", in.pos()), std::nullopt;
  return decl;
}

namespace {
struct OpName {
  Op op;
  const char* symbol;
};
constexpr OpName kOps[] = {
    {Op::Add, "+"},           {Op::Subtract, "-"},       {Op::Multiply, "*"},
    {Op::Divide, "/"},        {Op::IntegerDivide, "\\"}, {Op::Modulo, "Mod"},
    {Op::Power, "^"},         {Op::Equal, "="},          {Op::NotEqual, "<>"},
    {Op::Less, "<"},          {Op::LessEqual, "<="},     {Op::Greater, ">"},
    {Op::GreaterEqual, ">="},
};
}  // namespace

std::optional<Op> parseOp(std::string_view symbol) {
  for (const OpName& entry : kOps) {
    if (detail::sameName(symbol, entry.symbol)) return entry.op;
  }
  return std::nullopt;
}

const char* opSymbol(Op op) {
  for (const OpName& entry : kOps) {
    if (entry.op == op) return entry.symbol;
  }
  return "?";
}

const char* typeName(Type type) {
  switch (type) {
    case Type::Nil:
      return "Nil";
    case Type::Integer:
      return "Integer";
    case Type::Double:
      return "Double";
    case Type::String:
      return "String";
    case Type::Boolean:
      return "Boolean";
    case Type::Object:
      return "Object";
  }
  return "?";
}

namespace detail {

// Names are ASCII; folding by hand keeps the locale out of every lookup.
constexpr char fold(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;  // names are mostly written as declared
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

Passing passingOf(std::string_view type) {
  if (type.empty()) return Passing::None;
  if (type == kInteger) return Passing::Integer;
  if (type == kDouble) return Passing::Double;
  if (type == kBoolean) return Passing::Boolean;
  if (type == kString) return Passing::String;
  return Passing::Object;
}

}  // namespace detail
}  // namespace quorvex
