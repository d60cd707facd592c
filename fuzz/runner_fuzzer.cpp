// Any text as a host-language program, parsed, checked and run with the plug-in loaded: the runner
// must answer with an error at a position inside the text, or with an uncaught exception of a
// named class, or run to the end; anything else that escapes (or a crash) is a finding.
#include <quorvex/host.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <streambuf>
#include <string>

#include "host_binding.h"
#include "loaded_host.h"
#include "quorvex/lang/interpreter.h"
#include "quorvex/lang/parser.h"

namespace {

quorvex::Host* host = nullptr;

// Output is not looked at; it only must not pile up.
class Discard : public std::streambuf {
 protected:
  int overflow(int c) override { return c == EOF ? 0 : c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

[[noreturn]] void fail(const std::string& what, const std::string& text) {
  std::fprintf(stderr, "runner: %s\n--- program\n%s\n---\n", what.c_str(), text.c_str());
  std::abort();
}

// Loops may run as long as their bounds say; the fuzzer leaves them to the runner's own tests
// and explores everything else. Words are compared whole and without regard to case.
bool mayLoop(const std::string& text) {
  std::string word;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
    if (std::isalnum(c) || c == '_') {
      word += static_cast<char>(std::tolower(c));
      continue;
    }
    if (word == "for" || word == "while") return true;
    word.clear();
  }
  return false;
}

int lineCount(const std::string& text) {
  return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  host = loadedHost("runner");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (mayLoop(text)) return 0;
  Discard discard;
  std::ostream out(&discard);
  quorvex::runner::HostBinding binding(*host);
  quorvex::lang::Interpreter interpreter(binding, out);
  try {
    quorvex::lang::Program program = quorvex::lang::parse(text, 1);
    interpreter.run(program);
  } catch (const quorvex::lang::ProgramError& e) {
    if (std::string(e.what()).empty()) fail("an error without a message", text);
    if (e.pos.line < 1 || e.pos.line > lineCount(text)) {
      fail("an error on line " + std::to_string(e.pos.line) + ", outside the program", text);
    }
  } catch (const quorvex::lang::UncaughtException& e) {
    if (e.className.empty()) fail("an uncaught exception without a class", text);
  }
  host->clearEvents();
  return 0;
}
