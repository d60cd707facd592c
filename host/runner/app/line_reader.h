// Reads interactive input a line at a time: with editing and history where readline is available,
// from plain standard input elsewhere.
#pragma once

#include <optional>
#include <string>

namespace quorvex::runner {

// The next line without its newline, or nullopt at the end of input. Line editing and history only
// for a terminal; from a pipe, plain lines and no prompt.
std::optional<std::string> readLine(const char* prompt, bool terminal);

bool standardInputIsTerminal();

}  // namespace quorvex::runner
