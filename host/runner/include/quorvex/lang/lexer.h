// Splits program text into tokens. Newlines are tokens: the language is one statement a line.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::lang {

struct Pos {
  int line = 0;
  int column = 0;
};

// A fault in the program the user can act on: where, and what was expected or went wrong.
struct ProgramError : std::runtime_error {
  ProgramError(Pos p, const std::string& what) : std::runtime_error(what), pos(p) {}
  Pos pos;
};

enum class Tok {
  Identifier,
  Integer,
  // 9223372036854775808: one past the largest Integer, readable only as the operand of a minus
  // (the smallest Integer).
  Magnitude,
  Double,
  String,
  Symbol,  // operators and punctuation; the text says which
  Newline,
  End,
};

struct Token {
  Tok kind;
  std::string text;  // identifier, symbol or decoded string contents
  Pos pos;
  std::int64_t integer = 0;
  double dbl = 0;
};

// Throws ProgramError for a character or literal it cannot read. `firstLine` numbers the first
// line of `source`, so interactive input keeps counting across entries.
std::vector<Token> tokenize(std::string_view source, int firstLine = 1);

std::string describe(const Token& t);

}  // namespace quorvex::lang
