// Object lifetime as a program sees it: what a run creates is destroyed as soon as nothing refers
// to it, so a loop ten times longer leaves exactly as much alive as a short one.
#include <gtest/gtest.h>
#include <quorvex/host.h>

#include <sstream>
#include <string>

#include "host_binding.h"
#include "quorvex/lang/interpreter.h"
#include "quorvex/lang/parser.h"

namespace {

using quorvex::Host;

struct Alive {
  std::size_t objects, strings, events;
  bool operator==(const Alive& o) const {
    return objects == o.objects && strings == o.strings && events == o.events;
  }
};

std::ostream& operator<<(std::ostream& os, const Alive& a) {
  return os << a.objects << " objects, " << a.strings << " strings, " << a.events << " events";
}

// Runs `body` `rounds` times in a fresh host loaded with `plugin`, after `setup`.
struct Looped {
  Host host;
  Alive alive{};
  std::string error;

  Looped(const char* plugin, const std::string& setup, const std::string& body, int rounds) {
    if (!host.load(plugin, &error)) return;
    quorvex::runner::HostBinding binding(host);
    std::ostringstream out;
    quorvex::lang::Interpreter interpreter(binding, out);
    const std::string source =
        setup + "For i = 1 To " + std::to_string(rounds) + "\n" + body + "\nNext\n";
    try {
      quorvex::lang::Program program = quorvex::lang::parse(source, 1);
      interpreter.run(std::move(program));
    } catch (const quorvex::lang::ProgramError& e) {
      error = e.what();
    } catch (const quorvex::lang::UncaughtException& e) {
      error = "uncaught " + e.className;
    }
    alive = {host.liveObjects(), host.liveStrings(), host.events().size()};
  }
  std::int64_t count(int what) { return host.callGlobal("Count", {what}).value.asInteger(); }
};

struct Loop {
  const char* name;
  const char* setup;
  const char* body;
};

const char* const kFractions =
    "Dim a As New Fraction(1, 3)\nDim b As New Fraction(2, 7)\n"
    "Dim z As New Fraction(0, 1)\nDim s As Fraction\nDim t As String\n";

TEST(RunnerLifetime, LongLoopsLeaveNoMoreAliveThanShortOnes) {
  const Loop loops[] = {
      {"sum", kFractions, "s = a + b"},
      {"product", kFractions, "s = a * b"},
      {"text", kFractions, "t = (a + b).Str"},
      {"construct", kFractions, "s = New Fraction(\"1/2\")"},
      {"caught", kFractions,
       "Try\ns = a / z\nCatch e As FractionDivideByZeroException\nt = a.Str\nEnd Try"},
      {"dropped half-way", kFractions,
       "Try\ns = (a + b) * (a / z)\nCatch e As FractionDivideByZeroException\nEnd Try"},
  };
  for (const Loop& loop : loops) {
    Looped once(QUORVEX_TEST_PLUGIN, loop.setup, loop.body, 1);
    Looped many(QUORVEX_TEST_PLUGIN, loop.setup, loop.body, 2000);
    EXPECT_EQ(once.error, "") << loop.name;
    EXPECT_EQ(many.error, "") << loop.name;
    EXPECT_EQ(once.alive, many.alive) << loop.name;
    EXPECT_LE(many.alive.objects, 5u) << loop.name;  // the variables' own, nothing more
  }
}

// The probe plug-in counts its constructor and destructor calls: every instance that is gone was
// destructed exactly once, including temporaries an exception abandoned mid-expression.
TEST(RunnerLifetime, EveryDroppedInstanceIsDestructedOnce) {
  const char* const setup = "Dim p As New Probe(1)\nDim q As Probe\n";
  const Loop loops[] = {
      {"temporaries", setup, "q = (p + 1) + (p + 2)"},
      {"raised mid-expression", setup,
       "Try\nq = (p + 1) + p.Fail()\nCatch e As ProbeException\nq = p + 3\nEnd Try"},
      {"uncaught", setup, "q = (p + 1) + p.Fail()"},
  };
  for (const Loop& loop : loops) {
    Looped run(QVX_PROBE_PLUGIN, loop.setup, loop.body, 50);
    const std::int64_t constructed = run.count(0), destructed = run.count(1);
    EXPECT_GE(constructed, 2) << loop.name;
    EXPECT_EQ(constructed - destructed, static_cast<std::int64_t>(run.host.liveObjects()))
        << loop.name;
    EXPECT_LE(run.host.liveObjects(), 2u) << loop.name;
  }
}

}  // namespace
