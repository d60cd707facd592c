// Reads interactive input a line at a time: with editing and history where readline is available,
// from plain standard input elsewhere. Ctrl-C is caught for the whole session: it abandons the
// line being typed, or raises interruptFlag() for the statement that is running.
#pragma once

#include <csignal>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::runner {

struct Line {
  enum class Kind { Text, End, Interrupted };
  Kind kind = Kind::End;
  std::string text;
};

// Raised by Ctrl-C (SIGINT) once catchInterrupts() has run; whoever acts on it lowers it.
volatile std::sig_atomic_t& interruptFlag();
void catchInterrupts();

// The next line without its newline. Line editing and history only for a terminal; from a pipe,
// plain lines and no prompt.
Line readLine(const char* prompt, bool terminal);

// History kept between sessions, in `path` (empty: none), at most kHistoryLines lines.
constexpr int kHistoryLines = 1000;
void startHistory(const std::string& path);
// Where history is kept for this user ($HOME/.quorvex_history), or "" without a home.
std::string historyPath();

// What Tab offers while a line is edited, in place of file names: the names that complete the
// word from `start` to the end of `line` (the line up to the cursor).
using Completer = std::function<std::vector<std::string>(std::string_view line, std::size_t start)>;
void setCompleter(Completer completer);

bool standardInputIsTerminal();

}  // namespace quorvex::runner
