#include "crash_report.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <iterator>

#ifdef _WIN32
#include <io.h>
#define write _write
#else
#include <unistd.h>
#endif

namespace quorvex::runner {
namespace {

// Composed before any crash: the handler may only copy bytes out.
char gMessage[1024];
std::size_t gLength = 0;
int gStatus = 2;

struct Fatal {
  int signal;
  const char* name;
};
constexpr Fatal kFatal[] = {
    {SIGSEGV, "a bad memory access"},
    {SIGILL, "an illegal instruction"},
    {SIGFPE, "an arithmetic trap"},
#ifndef _WIN32
    {SIGBUS, "a bad memory access"},
#endif
};

void say(const char* text, std::size_t length) {
  while (length > 0) {
    const auto n = write(2, text, static_cast<unsigned>(length));
    if (n <= 0) return;
    text += n;
    length -= static_cast<std::size_t>(n);
  }
}

void onCrash(int signal) {
  say(gMessage, gLength);
  for (const Fatal& f : kFatal) {
    if (f.signal == signal) say(f.name, std::strlen(f.name));
  }
  say(")\n", 2);
  _exit(gStatus);
}

// What was in force before arming, put back on disarming. A thread that ends with an alternate
// stack still set may have it unmapped on its way out (sanitizer runtimes do, taking it for their
// own); here it is part of the program's static data.
#ifdef _WIN32
void (*gPrevious[std::size(kFatal)])(int);
#else
stack_t gPreviousStack{};
struct sigaction gPrevious[std::size(kFatal)];
#endif

}  // namespace

void CrashReport::arm(const std::string& plugin, int status) {
  if (armed_) return;
  armed_ = true;
  const std::string head = "quorvex: stopped: the plug-in " + plugin + " crashed (";
  gLength = std::min(head.size(), sizeof gMessage);
  std::memcpy(gMessage, head.data(), gLength);
  gStatus = status;
#ifdef _WIN32
  for (std::size_t i = 0; i < std::size(kFatal); ++i) {
    gPrevious[i] = std::signal(kFatal[i].signal, onCrash);
  }
#else
  // Its own stack, so that a crash by running out of stack can still be told.
  static char alternate[1 << 16];
  stack_t stack{};
  stack.ss_sp = alternate;
  stack.ss_size = sizeof alternate;
  sigaltstack(&stack, &gPreviousStack);
  struct sigaction action {};
  action.sa_handler = onCrash;
  action.sa_flags = SA_ONSTACK | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kFatal); ++i) {
    sigaction(kFatal[i].signal, &action, &gPrevious[i]);
  }
#endif
}

CrashReport::~CrashReport() {
  if (!armed_) return;
#ifdef _WIN32
  for (std::size_t i = 0; i < std::size(kFatal); ++i) std::signal(kFatal[i].signal, gPrevious[i]);
#else
  for (std::size_t i = 0; i < std::size(kFatal); ++i) {
    sigaction(kFatal[i].signal, &gPrevious[i], nullptr);
  }
  sigaltstack(&gPreviousStack, nullptr);
#endif
}

}  // namespace quorvex::runner
