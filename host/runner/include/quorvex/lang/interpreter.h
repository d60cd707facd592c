// Checks a program against the classes the host knows, then runs it.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "quorvex/lang/ast.h"
#include "quorvex/lang/object_host.h"

namespace quorvex::lang {

// An exception the program raised through the host and did not catch.
struct UncaughtException {
  std::string className;
  Pos pos;
};

class Interpreter {
 public:
  Interpreter(ObjectHost& host, std::ostream& out);
  ~Interpreter();

  // Names, types and classes, before anything runs; throws ProgramError at the first fault.
  void check(const Program& program);
  // Checks, then runs. Variables declared at the outermost level stay for the next call, which is
  // how interactive input builds on earlier entries. Throws ProgramError or UncaughtException.
  void run(const Program& program);
  // Stops a run with a ProgramError after this many statements and loop rounds (0: no limit), so
  // that a fuzzer's endless loop ends.
  void setStepLimit(std::uint64_t steps);

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace quorvex::lang
