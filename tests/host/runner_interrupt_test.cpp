// Ctrl-C as the runner handles it: a raised interrupt flag stops the running statement at the next
// statement or loop round, is lowered again, and leaves every variable as it was.
#include <gtest/gtest.h>
#include <quorvex/host.h>

#include <chrono>
#include <csignal>
#include <sstream>
#include <thread>

#include "host_binding.h"
#include "quorvex/lang/interpreter.h"
#include "quorvex/lang/parser.h"

namespace {

using namespace quorvex;

struct Session {
  Host host;
  std::ostringstream out;
  volatile std::sig_atomic_t flag = 0;
  std::unique_ptr<runner::HostBinding> binding;
  std::unique_ptr<lang::Interpreter> interpreter;

  Session() {
    std::string error;
    EXPECT_TRUE(host.load(QUORVEX_TEST_PLUGIN, &error)) << error;
    binding = std::make_unique<runner::HostBinding>(host);
    interpreter = std::make_unique<lang::Interpreter>(*binding, out);
    interpreter->setInterruptFlag(&flag);
    interpreter->setStepLimit(100000000);  // a missed interrupt fails the test instead of hanging
  }
  // "" when the entry ran to its end, "interrupted at L:C" when it was stopped.
  std::string run(const std::string& text, int line) {
    lang::Program program = lang::parse(text, line);
    try {
      interpreter->run(std::move(program));
    } catch (const lang::Interrupted& e) {
      return "interrupted at " + std::to_string(e.pos.line) + ":" + std::to_string(e.pos.column);
    }
    return "";
  }
};

TEST(RunnerInterrupt, StopsTheRunningEntryAndKeepsTheVariables) {
  Session s;
  EXPECT_EQ(s.run("Dim n As Integer = 5\nDim f As New Fraction(1, 2)\n", 1), "");
  s.flag = 1;  // raised between entries: the next one stops before its first statement
  EXPECT_EQ(s.run("n = 6\n", 3), "interrupted at 3:1");
  EXPECT_EQ(s.flag, 0);

  std::thread press([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    s.flag = 1;
  });
  EXPECT_EQ(s.run("While True\nn = n + 1\nf = f + 1\nWend\n", 4).rfind("interrupted at ", 0), 0u);
  press.join();
  EXPECT_EQ(s.run("Print n > 5, f > 1\n", 8), "");
  EXPECT_EQ(s.out.str(), "True True\n");
  EXPECT_EQ(s.host.liveObjects(), 1u);  // the loop's last temporaries went with the interrupt
}

}  // namespace
