// The functions the language has of its own: numbers (Abs, Floor, Ceil, Round, Sqrt, Min, Max)
// and text (Len, Left, Right, Mid, InStr, Val, Chr, Asc, Str, Trim, UCase, LCase). A plug-in's
// global of the same name takes the arguments of its own types (Abs of a Fraction).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quorvex/lang/lexer.h"
#include "quorvex/lang/value.h"

namespace quorvex::lang {

struct Builtin {
  const char* name;
  std::vector<Type> params;
  Type result;
  // Throws ProgramError at `pos` for an argument outside the function's domain.
  Value (*apply)(const std::vector<Value>& args, Pos pos);
  std::string declaration() const;  // "Abs(x As Integer) As Integer"
};

bool isBuiltinName(std::string_view name);
std::vector<std::string> builtinNames();
std::vector<const Builtin*> builtinOverloads(std::string_view name);

// The overload that takes arguments of these types: an exact match before one that needs an
// Integer widened to a Double; null when none does. A type not known before running (nullopt)
// makes no overload certain, so none is chosen.
const Builtin* chooseBuiltin(std::string_view name, const std::vector<std::optional<Type>>& args);

// Gives the last index of dimension `dimension` (1 or 2) of an array, the language's UBound.
constexpr const char* kUBound = "UBound";

}  // namespace quorvex::lang
