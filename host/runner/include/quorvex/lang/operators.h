// The built-in operators on Integer, Double, String and Boolean values. Objects never get here:
// their operators are the host's.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "quorvex/lang/ast.h"
#include "quorvex/lang/value.h"
#include "quorvex/operator_rules.h"

namespace quorvex::lang {

// Longest text a program may build; a runaway doubling loop stops here rather than at the end of
// memory.
constexpr std::size_t kMaxTextLength = std::size_t{1} << 26;

// The type `l op r` has, or nullopt with `why` saying what is wrong (never for objects).
std::optional<Type> builtinResult(Op op, const Type& l, const Type& r, std::string* why);
std::optional<Type> builtinResult(Op op, const Type& operand, std::string* why);  // Neg, Not

// Evaluates a built-in operator; throws ProgramError at `pos` for a type mismatch, an Integer
// overflow or an Integer division by zero. And/Or are evaluated here without short-circuit.
Value applyBuiltin(Op op, const Value& l, const Value& r, Pos pos);
Value applyBuiltin(Op op, const Value& operand, Pos pos);

// The host language operator `op` is, for the operators an object may answer (not Is, And, Or,
// Not or negation).
std::optional<quorvex::Op> hostOperator(Op op);
bool isComparison(Op op);
// The method an object answers `op` with on the left, and on the right.
std::string leftMethod(Op op);
std::string rightMethod(Op op);

}  // namespace quorvex::lang
