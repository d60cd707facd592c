// Reads program text into a syntax tree; a syntax error throws ProgramError naming what was
// expected.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "quorvex/lang/ast.h"

namespace quorvex::lang {

// Deepest nesting of expressions or blocks accepted; deeper input is refused, not recursed into.
constexpr int kMaxNesting = 200;

Program parse(std::string_view source, int firstLine = 1);

// For interactive input: how many blocks the text leaves open (0 when it can run as it stands).
// Never throws; text it cannot read counts as complete so that the parser reports the fault.
int openBlocks(std::string_view source);

// The words the language knows of its own, as its documentation spells them: its keywords and its
// built-in functions (for completing names as they are typed).
std::vector<std::string> languageWords();

}  // namespace quorvex::lang
