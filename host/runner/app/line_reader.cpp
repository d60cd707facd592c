#include "line_reader.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#ifdef QUORVEX_HAVE_READLINE
#include <readline/history.h>
#include <readline/readline.h>
#endif

namespace quorvex::runner {

bool standardInputIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stdin)) != 0;
#else
  return isatty(STDIN_FILENO) != 0;
#endif
}

std::optional<std::string> readLine(const char* prompt, bool terminal) {
#ifdef QUORVEX_HAVE_READLINE
  if (terminal) {
    char* raw = readline(prompt);
    if (!raw) return std::nullopt;
    std::string line(raw);
    std::free(raw);
    if (!line.empty()) add_history(line.c_str());
    return line;
  }
#endif
  if (terminal) std::cout << prompt << std::flush;
  std::string line;
  if (!std::getline(std::cin, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace quorvex::runner
