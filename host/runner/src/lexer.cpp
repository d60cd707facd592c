#include "quorvex/lang/lexer.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace quorvex::lang {

namespace {

constexpr bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
constexpr bool isIdentStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
constexpr bool isIdentChar(char c) {
  return isIdentStart(c) || isDigit(c);
}

class Lexer {
 public:
  Lexer(std::string_view src, int firstLine) : src_(src), line_(firstLine) {}

  std::vector<Token> run() {
    while (i_ < src_.size()) step();
    push(Tok::Newline, "", here());
    push(Tok::End, "", here());
    return std::move(out_);
  }

 private:
  Pos here() const { return {line_, static_cast<int>(i_ - lineStart_) + 1}; }

  void push(Tok k, std::string text, Pos p) { out_.push_back(Token{k, std::move(text), p}); }

  void step() {
    char c = src_[i_];
    if (c == '\n') {
      push(Tok::Newline, "", here());
      ++i_;
      ++line_;
      lineStart_ = i_;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      ++i_;
    } else if (c == '\'') {
      while (i_ < src_.size() && src_[i_] != '\n') ++i_;
    } else if (isDigit(c) || (c == '.' && i_ + 1 < src_.size() && isDigit(src_[i_ + 1]))) {
      number();
    } else if (isIdentStart(c)) {
      Pos p = here();
      std::size_t start = i_;
      while (i_ < src_.size() && isIdentChar(src_[i_])) ++i_;
      push(Tok::Identifier, std::string(src_.substr(start, i_ - start)), p);
    } else if (c == '"') {
      string();
    } else {
      symbol();
    }
  }

  void number() {
    Pos p = here();
    std::size_t start = i_;
    bool isDouble = false;
    while (i_ < src_.size() && isDigit(src_[i_])) ++i_;
    if (i_ < src_.size() && src_[i_] == '.') {
      isDouble = true;
      ++i_;
      while (i_ < src_.size() && isDigit(src_[i_])) ++i_;
    }
    if (i_ < src_.size() && (src_[i_] == 'e' || src_[i_] == 'E')) {
      std::size_t j = i_ + 1;
      if (j < src_.size() && (src_[j] == '+' || src_[j] == '-')) ++j;
      if (j < src_.size() && isDigit(src_[j])) {
        isDouble = true;
        i_ = j;
        while (i_ < src_.size() && isDigit(src_[i_])) ++i_;
      }
    }
    std::string text(src_.substr(start, i_ - start));
    Token t{isDouble ? Tok::Double : Tok::Integer, text, p};
    if (isDouble) {
      t.dbl = std::strtod(text.c_str(), nullptr);
    } else {
      errno = 0;
      unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
      // One past the largest Integer is allowed so that its negation, the smallest, can be written.
      constexpr unsigned long long limit =
          static_cast<unsigned long long>(std::numeric_limits<std::int64_t>::max()) + 1;
      if (errno == ERANGE || v > limit) {
        throw ProgramError(p, "the number " + text + " is too large for an Integer");
      }
      if (v == limit) {
        t.kind = Tok::Magnitude;
      } else {
        t.integer = static_cast<std::int64_t>(v);
      }
    }
    out_.push_back(std::move(t));
  }

  void string() {
    Pos p = here();
    ++i_;
    std::string text;
    for (;;) {
      if (i_ >= src_.size() || src_[i_] == '\n') {
        throw ProgramError(p, "this text has no closing quote (\") on its line");
      }
      if (src_[i_] == '"') {
        if (i_ + 1 < src_.size() && src_[i_ + 1] == '"') {
          text += '"';
          i_ += 2;
          continue;
        }
        ++i_;
        break;
      }
      text += src_[i_++];
    }
    push(Tok::String, std::move(text), p);
  }

  void symbol() {
    Pos p = here();
    static constexpr std::string_view twoChar[] = {"<>", "<=", ">="};
    for (auto s : twoChar) {
      if (src_.substr(i_, 2) == s) {
        push(Tok::Symbol, std::string(s), p);
        i_ += 2;
        return;
      }
    }
    static constexpr std::string_view oneChar = "+-*/\\^=<>(),.";
    char c = src_[i_];
    if (oneChar.find(c) == std::string_view::npos) {
      unsigned char u = static_cast<unsigned char>(c);
      std::string shown = (u >= 32 && u < 127) ? std::string(1, c) : "byte " + std::to_string(u);
      throw ProgramError(p, "unexpected character '" + shown + "'");
    }
    push(Tok::Symbol, std::string(1, c), p);
    ++i_;
  }

  std::string_view src_;
  std::size_t i_ = 0;
  std::size_t lineStart_ = 0;
  int line_;
  std::vector<Token> out_;
};

}  // namespace

std::vector<Token> tokenize(std::string_view source, int firstLine) {
  return Lexer(source, firstLine).run();
}

std::string describe(const Token& t) {
  switch (t.kind) {
    case Tok::Newline:
      return "the end of the line";
    case Tok::End:
      return "the end of the program";
    case Tok::String:
      return "text \"" + t.text + "\"";
    default:
      return "'" + t.text + "'";
  }
}

}  // namespace quorvex::lang
