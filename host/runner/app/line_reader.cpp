#include "line_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/select.h>
#include <unistd.h>
#endif

#ifdef QUORVEX_HAVE_READLINE
#include <readline/history.h>
#include <readline/readline.h>
#endif

namespace quorvex::runner {
namespace {

volatile std::sig_atomic_t gInterrupted = 0;
std::string gHistory;
Completer gCompleter;

void onInterrupt(int) {
  gInterrupted = 1;
}

// Whether a read that failed was cut short by Ctrl-C; lowers the flag if so.
bool takeInterrupt() {
  if (gInterrupted == 0) return false;
  gInterrupted = 0;
  return true;
}

#ifdef QUORVEX_HAVE_READLINE
std::optional<std::string> gRead;
bool gDone = false;

void onLine(char* raw) {
  gRead = raw != nullptr ? std::optional<std::string>(raw) : std::nullopt;
  std::free(raw);
  gDone = true;
  rl_callback_handler_remove();
}

std::vector<std::string> gMatches;

char* nextMatch(const char*, int state) {
  static std::size_t next = 0;
  if (state == 0) next = 0;
  return next < gMatches.size() ? strdup(gMatches[next++].c_str()) : nullptr;
}

char** completeWord(const char* text, int start, int end) {
  rl_attempted_completion_over = 1;       // no file names when nothing fits
  rl_completion_append_character = '\0';  // a name is often followed by "(" or "."
  if (!gCompleter || start < 0 || end < start) return nullptr;
  gMatches = gCompleter(std::string_view(rl_line_buffer, static_cast<std::size_t>(end)),
                        static_cast<std::size_t>(start));
  return gMatches.empty() ? nullptr : rl_completion_matches(text, nextMatch);
}

// readline's callback form, so that Ctrl-C can end a wait for input instead of only the process.
Line readEdited(const char* prompt) {
  gDone = false;
  rl_callback_handler_install(prompt, onLine);
  while (!gDone) {
    fd_set in;
    FD_ZERO(&in);
    FD_SET(fileno(rl_instream), &in);
    if (select(fileno(rl_instream) + 1, &in, nullptr, nullptr, nullptr) < 0) {
      if (errno == EINTR && takeInterrupt()) {
        // What was typed stays on the screen, marked as dropped; the next prompt starts below it.
        std::fputs(" ^C\n", rl_outstream);
        std::fflush(rl_outstream);
        rl_free_line_state();
        rl_callback_sigcleanup();
        rl_callback_handler_remove();
        return {Line::Kind::Interrupted, {}};
      }
      if (errno != EINTR) return {};
      continue;
    }
    rl_callback_read_char();
  }
  if (!gRead) return {};
  if (!gRead->empty()) {
    add_history(gRead->c_str());
    if (!gHistory.empty()) {
      append_history(1, gHistory.c_str());
      history_truncate_file(gHistory.c_str(), kHistoryLines);
    }
  }
  return {Line::Kind::Text, *gRead};
}
#endif

}  // namespace

volatile std::sig_atomic_t& interruptFlag() {
  return gInterrupted;
}

void catchInterrupts() {
#ifdef _WIN32
  std::signal(SIGINT, onInterrupt);
#else
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a wait for input ends, so the prompt can start afresh
  sigaction(SIGINT, &action, nullptr);
#endif
#ifdef QUORVEX_HAVE_READLINE
  rl_catch_signals = 0;
#endif
}

void startHistory(const std::string& path) {
  gHistory = path;
#ifdef QUORVEX_HAVE_READLINE
  stifle_history(kHistoryLines);
  if (!path.empty()) {
    // A first session has no file yet; creating it here lets append_history add to it.
    if (read_history(path.c_str()) != 0) write_history(path.c_str());
  }
#endif
}

std::string historyPath() {
  const char* home = std::getenv("HOME");
  return home != nullptr && *home != '\0' ? std::string(home) + "/.quorvex_history" : "";
}

void setCompleter(Completer completer) {
  gCompleter = std::move(completer);
#ifdef QUORVEX_HAVE_READLINE
  rl_attempted_completion_function = completeWord;
  // A name ends at anything that is not part of one: "a.St" completes "St" as a method.
  rl_completer_word_break_characters = " \t\n\"'().,:;=<>+-*/\\^&";
  rl_variable_bind("completion-ignore-case", "on");
  rl_variable_bind("show-all-if-ambiguous", "on");  // the choices at once, not after a bell
#endif
}

bool standardInputIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stdin)) != 0;
#else
  return isatty(STDIN_FILENO) != 0;
#endif
}

Line readLine(const char* prompt, bool terminal) {
#ifdef QUORVEX_HAVE_READLINE
  if (terminal) return readEdited(prompt);
#endif
  if (terminal) std::cout << prompt << std::flush;
  std::string line;
  if (!std::getline(std::cin, line)) {
    if (!takeInterrupt()) return {};
    std::cin.clear();
    if (terminal) std::cout << "^C\n";
    return {Line::Kind::Interrupted, {}};
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return {Line::Kind::Text, line};
}

}  // namespace quorvex::runner
