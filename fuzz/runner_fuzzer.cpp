// Any text as a host-language program, parsed, checked and run with the plug-in loaded: the runner
// must answer with an error at a position inside the text, or with an uncaught exception of a
// named class, or run to the end; anything else that escapes (or a crash) is a finding.
#include <quorvex/host.h>

#include <algorithm>
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
constexpr std::uint64_t kStepLimit = 20000;

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

int lineCount(const std::string& text) {
  return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  host = loadedHost("runner");
  return 0;
}

namespace {

void runOne(const std::string& text) {
  Discard discard;
  std::ostream out(&discard);
  quorvex::runner::HostBinding binding(*host);
  quorvex::lang::Interpreter interpreter(binding, out);
  // Loops are fuzzed too; a program that would run on for long is stopped with an error instead.
  interpreter.setStepLimit(kStepLimit);
  try {
    quorvex::lang::Program program = quorvex::lang::parse(text, 1);
    interpreter.run(std::move(program));
  } catch (const quorvex::lang::ProgramError& e) {
    if (std::string(e.what()).empty()) fail("an error without a message", text);
    if (e.pos.line < 1 || e.pos.line > lineCount(text)) {
      fail("an error on line " + std::to_string(e.pos.line) + ", outside the program", text);
    }
  } catch (const quorvex::lang::UncaughtException& e) {
    if (e.className.empty()) fail("an uncaught exception without a class", text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::size_t objects = host->liveObjects(), strings = host->liveStrings();
  runOne(text);
  if (host->liveObjects() != objects || host->liveStrings() != strings) {
    fail("kept " + std::to_string(host->liveObjects() - objects) + " objects and " +
             std::to_string(host->liveStrings() - strings) + " strings alive after the run",
         text);
  }
  host->clearEvents();
  return 0;
}
