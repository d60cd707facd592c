// Completing the name being typed at the interactive prompt, from what the language, the plug-in
// and the session so far know: keywords, built-in functions, classes, global functions, variables
// and procedures, and after a '.' the methods of the object before it.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "quorvex/lang/interpreter.h"
#include "quorvex/lang/object_host.h"

namespace quorvex::runner {

struct Vocabulary {
  std::vector<std::string> words;                            // what a name on its own may be
  std::vector<std::pair<std::string, std::string>> objects;  // a variable and its class
  std::vector<std::pair<std::string, std::vector<std::string>>> methods;  // a class and its methods
};

Vocabulary vocabularyOf(const lang::ObjectHost& host, const lang::Interpreter& interpreter);

// The names that complete the word from `start` to the end of `line` (the line up to the cursor),
// in the spelling they were declared with, sorted, without regard to case. After a '.', the
// methods of the variable before it; of every class when that names no object variable.
std::vector<std::string> complete(const Vocabulary& names, std::string_view line,
                                  std::size_t start);

}  // namespace quorvex::runner
