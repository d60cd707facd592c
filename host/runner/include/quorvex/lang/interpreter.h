// Checks a program against the classes the host knows, then runs it.
#pragma once

#include <csignal>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "quorvex/lang/ast.h"
#include "quorvex/lang/object_host.h"

namespace quorvex::lang {

// Calls of the program's procedures that may be in progress at once; one more is an error.
constexpr std::size_t kMaxCallDepth = 100000;

// An exception the program raised (through the host, or an index out of range) and did not catch.
struct UncaughtException {
  std::string className;
  Pos pos;
  std::string where;    // "raised on line 5, in Inner, called from line 9"
  std::string message;  // what the runner's own exceptions say; empty for the plug-in's

  // "uncaught exception C (raised on line 5, in F, called from line 9)[: message]"
  std::string describe() const {
    return "uncaught exception " + className + " (" + where + ")" +
           (message.empty() ? "" : ": " + message);
  }
};

// A run stopped because the interrupt flag was raised (Ctrl-C), at the statement about to run.
struct Interrupted {
  Pos pos;
};

class Interpreter {
 public:
  Interpreter(ObjectHost& host, std::ostream& out);
  ~Interpreter();

  // Checks (names, types, classes and procedures, before anything runs), then runs. Variables
  // declared at the outermost level and the procedures defined stay for the next call, which is
  // how interactive input builds on earlier entries. Throws ProgramError, UncaughtException or
  // Interrupted.
  void run(Program program);
  // Stops a run with a ProgramError after this many statements and loop rounds (0: no limit), so
  // that a fuzzer's endless loop ends.
  void setStepLimit(std::uint64_t steps);
  // Before each statement and loop round a run looks at `flag` (set by a signal handler); when it
  // is raised, the run lowers it and stops with Interrupted. Null: never interrupted.
  void setInterruptFlag(volatile std::sig_atomic_t* flag);

  // What the next entry may name, as declared so far: the variables at the outermost level, each
  // with its class when it holds objects (else ""), and the procedures.
  struct Names {
    std::vector<std::pair<std::string, std::string>> variables;
    std::vector<std::string> procedures;
  };
  Names declaredNames() const;

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace quorvex::lang
