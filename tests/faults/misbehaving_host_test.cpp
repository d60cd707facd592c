// The plug-in against a host that lacks an entry, hands out no instance, cannot give a string's
// bytes or answers no class reference. Each scenario loads a private copy of the library, since the
// binding caches are never reset. Every member is called on a table of operands (including nil and
// operands that overflow, divide by zero or are malformed): the plug-in must neither crash nor
// write through null (the sanitizer build turns both into failures), must return what the host can
// take, and must degrade the way each scenario allows and no further.
#include <gtest/gtest.h>
#include <quorvex/host.h>

#include <cctype>
#include <climits>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "fract.h"

namespace {

using quorvex::Host;
using quorvex::Outcome;
using quorvex::Value;

enum Effect : unsigned {
  kNone = 0,
  kNoInstances = 1,  // no result object and no exception object can be made
  kNoRaise = 2,      // exceptions are made but never become pending
  kNoClass = 4,      // Fraction is never registered: its members cannot be called
  kNoGlobals = 8,    // the four global functions are never registered
  kNoText = 16,      // the text constructor never sees the string's bytes
  kNoStrings = 32,   // Str and Str2 can build no host string
};

struct Scenario {
  const char* name;
  void (*bend)(Host&);  // applied before the plug-in is loaded
  unsigned effects;
};

void PrintTo(const Scenario& s, std::ostream* os) {
  *os << s.name;
}

// --- the operations: every member on every kind of operand

constexpr int kNil = -1;
struct Arg {
  int operand = kNil;  // index into the operands, or kNil for a literal
  Value literal;
};
struct Call {
  enum class Kind { Method, Global, Construct } kind;
  std::string name;
  int receiver;  // operand index for methods
  std::vector<Arg> args;
};

// 3/4, 0/1, LONG_MAX/1 and nil: an ordinary value, a divisor of zero, an overflow, no object.
constexpr int kOperands = 4;
const long kIntegers[] = {0, 2, -1, LONG_MAX, LONG_MIN};

Arg operand(int i) {
  return Arg{i < kOperands - 1 ? i : kNil, Value()};
}
Arg integer(long x) {
  return Arg{kNil, Value(x)};
}

std::vector<Call> allCalls() {
  std::vector<Call> calls;
  using K = Call::Kind;
  for (int r = 0; r < kOperands; ++r) {
    for (const char* name : {"Num", "Den", "Str", "Str2", "Operator_Negate"}) {
      calls.push_back({K::Method, name, r, {}});
    }
    for (const char* name : {"Operator_Add", "Operator_Subtract", "Operator_Multiply",
                             "Operator_Divide", "Operator_Compare"}) {
      for (int s = 0; s < kOperands; ++s) calls.push_back({K::Method, name, r, {operand(s)}});
    }
    for (const char* name :
         {"Operator_Add", "Operator_AddRight", "Operator_Subtract", "Operator_SubtractRight",
          "Operator_Multiply", "Operator_MultiplyRight", "Operator_Divide", "Operator_DivideRight",
          "Operator_Power", "Operator_Compare"}) {
      for (long x : kIntegers) calls.push_back({K::Method, name, r, {integer(x)}});
    }
    for (const char* name : {"ConvToDouble", "Abs", "Sqr"}) {
      calls.push_back({K::Global, name, kNil, {operand(r)}});
    }
    for (long x : kIntegers) calls.push_back({K::Global, "Pow", kNil, {operand(r), integer(x)}});
  }
  calls.push_back({K::Construct, "", kNil, {}});
  for (long x : kIntegers) calls.push_back({K::Construct, "", kNil, {integer(x)}});
  for (long d : kIntegers) calls.push_back({K::Construct, "", kNil, {integer(3), integer(d)}});
  for (const char* text : {"1/2", "-1 1/2", "bad", "", "5/0", "99999999999999999999"}) {
    calls.push_back({K::Construct, "", kNil, {Arg{kNil, Value(text)}}});
  }
  calls.push_back({K::Construct, "", kNil, {Arg{kNil, Value(std::string("1\0/2", 4))}}});
  return calls;
}

struct Loaded {
  Host host;
  std::vector<Value> operands;  // by index; the last one is nil
};

void load(Loaded& l, const Scenario& s) {
  s.bend(l.host);
  std::string error;
  ASSERT_TRUE(l.host.load(QUORVEX_PLUGIN_PATH, &error)) << error;
  const long nums[] = {3, 0, LONG_MAX};
  const long dens[] = {4, 1, 1};
  for (int i = 0; i < kOperands - 1; ++i) {
    l.operands.push_back(l.host.construct("Fraction", {Value(nums[i]), Value(dens[i])}).value);
  }
  l.operands.emplace_back();
}

Outcome run(Loaded& l, const Call& c) {
  std::vector<Value> args;
  for (const Arg& a : c.args) args.push_back(a.operand == kNil ? a.literal : l.operands[a.operand]);
  switch (c.kind) {
    case Call::Kind::Method:
      return l.host.callAs("Fraction", l.operands[c.receiver], c.name, args);
    case Call::Kind::Global:
      return l.host.callGlobal(c.name, args);
    case Call::Kind::Construct:
      break;
  }
  return l.host.construct("Fraction", args);
}

std::string describe(const Call& c) {
  std::string text = c.kind == Call::Kind::Construct ? "new Fraction" : c.name;
  text += "(";
  if (c.kind == Call::Kind::Method) text += "self#" + std::to_string(c.receiver) + " ";
  for (const Arg& a : c.args) {
    text += a.operand == kNil ? a.literal.describe() : "#" + std::to_string(a.operand);
    text += " ";
  }
  return text + ")";
}

bool isOperand(const Loaded& l, const Value& v) {
  for (const Value& o : l.operands) {
    if (v.same(o)) return true;
  }
  return false;
}

bool isFractionException(const std::string& name) {
  return name == "FractionBadArgumentException" || name == "FractionDivideByZeroException" ||
         name == "FractionIntegerOverflowException";
}

// What every call must satisfy under a scenario: no refusal by the host except where the scenario
// left nothing registered to call, no exception where none can be made, no new object where the
// host hands out none.
void checkCall(const Loaded& l, const Scenario& s, const Call& c, const Outcome& out) {
  SCOPED_TRACE(describe(c));
  const bool member = c.kind != Call::Kind::Global;
  const bool unreachable =
      (member && (s.effects & kNoClass)) || (!member && (s.effects & kNoGlobals));
  if (out.failed()) {
    EXPECT_TRUE(unreachable) << out.error;
    return;
  }
  if (out.raised()) {
    EXPECT_TRUE(isFractionException(out.exceptionClass())) << out.exceptionClass();
    EXPECT_FALSE(s.effects & (kNoInstances | kNoRaise)) << out.exceptionClass();
  }
  if ((s.effects & kNoInstances) && c.kind != Call::Kind::Construct && out.value.isObject()) {
    EXPECT_TRUE(isOperand(l, out.value)) << "a new object from a host that makes none";
  }
}

std::size_t runScenario(const Scenario& s) {
  Loaded l;
  load(l, s);
  std::size_t count = 0;
  for (const Call& c : allCalls()) {
    checkCall(l, s, c, run(l, c));
    ++count;
  }
  return count;
}

fract dataOf(Host& host, const Value& v) {
  fract f{0, 0};
  const quorvex::DataView data = host.instanceData(v);
  if (data.size >= sizeof f) std::memcpy(&f, data.bytes, sizeof f);
  return f;
}

void expectFraction(Host& host, const Outcome& out, long num, long den) {
  ASSERT_TRUE(out.value.isObject()) << out.value.describe() << " " << out.error;
  const fract f = dataOf(host, out.value);
  EXPECT_EQ(f.num, num);
  EXPECT_EQ(f.den, den);
}

void missEntry(Host& h, const char* name) {
  h.removeEntry(name);
}

const Scenario kScenarios[] = {
    {"no RegisterPluginVersion", [](Host& h) { missEntry(h, "RegisterPluginVersion"); }, kNone},
    {"no pluginObjectType", [](Host& h) { missEntry(h, "pluginObjectType"); }, kNoInstances},
    {"no PluginRegisterClass", [](Host& h) { missEntry(h, "PluginRegisterClass"); }, kNoClass},
    {"no PluginRegisterMethod", [](Host& h) { missEntry(h, "PluginRegisterMethod"); }, kNoGlobals},
    {"no CreateInstance", [](Host& h) { missEntry(h, "CreateInstance"); }, kNoInstances},
    {"no RuntimeRaiseException", [](Host& h) { missEntry(h, "RuntimeRaiseException"); }, kNoRaise},
    {"no PluginGetStringData", [](Host& h) { missEntry(h, "PluginGetStringData"); }, kNoText},
    {"no QORABuildStringWithEncoding", [](Host& h) { missEntry(h, "QORABuildStringWithEncoding"); },
     kNoStrings},
    {"CreateInstance answers null", [](Host& h) { h.faults().createInstanceReturnsNull = true; },
     kNoInstances},
    {"PluginGetStringData fails", [](Host& h) { h.faults().stringDataFails = true; }, kNoText},
    {"pluginObjectType answers null", [](Host& h) { h.faults().objectTypeReturnsNull = true; },
     kNoInstances},
    {"PluginGetStringData answers 2 for true", [](Host& h) { h.faults().stringDataTrue = 2; },
     kNone},
};

class MisbehavingHost : public ::testing::TestWithParam<Scenario> {};

TEST_P(MisbehavingHost, EveryMemberOnEveryOperandStaysSound) {
  const std::size_t calls = runScenario(GetParam());
  EXPECT_GT(calls, 300u);
  RecordProperty("calls", static_cast<int>(calls));
}

// The scenario's own consequence, beyond the table's general rules.
TEST_P(MisbehavingHost, DegradesAsTheScenarioAllows) {
  const Scenario& s = GetParam();
  Loaded l;
  load(l, s);
  Host& h = l.host;
  const Value& a = l.operands[0];  // 3/4
  const Value& zero = l.operands[1];
  if (s.effects & kNoClass) {
    EXPECT_TRUE(h.classNames().empty());
    EXPECT_TRUE(h.callGlobal("Abs", {Value()}).value.isNil());
    return;
  }
  expectFraction(h, h.construct("Fraction", {Value(3L), Value(4L)}), 3, 4);
  const Outcome sum = h.callAs("Fraction", a, "Operator_Add", {Value(1L)});
  const Outcome quotient = h.callAs("Fraction", a, "Operator_Divide", {zero});
  const Outcome text = h.construct("Fraction", {Value("1/2")});
  const Outcome bad = h.construct("Fraction", {Value("bad")});
  const Outcome str = h.callAs("Fraction", a, "Str");
  if (s.effects & kNoInstances) {
    EXPECT_TRUE(sum.ok() && sum.value.same(a)) << "no result object: the receiver comes back";
  } else {
    expectFraction(h, sum, 7, 4);
  }
  EXPECT_TRUE(quotient.value.same(a));
  EXPECT_EQ(quotient.raised(), (s.effects & (kNoInstances | kNoRaise)) == 0);
  if (s.effects & kNoText) {
    expectFraction(h, text, 0, 1);
    expectFraction(h, bad, 0, 1);
    EXPECT_FALSE(bad.raised());
  } else {
    expectFraction(h, text, 1, 2);
    expectFraction(h, bad, 0, 1);
    EXPECT_EQ(bad.raised(), (s.effects & (kNoInstances | kNoRaise)) == 0);
  }
  EXPECT_EQ(str.value.asString(), (s.effects & kNoStrings) ? "" : "3/4");
  EXPECT_EQ(h.globals().size(), (s.effects & kNoGlobals) ? 0u : 4u);
}

// A host that runs out of instances part-way through a call: the result object is made but the
// exception object is not, or the other way round.
TEST(MisbehavingHost, InstancesRunOutPartWayThroughEveryCall) {
  const Scenario s{"instances run out", [](Host&) {}, kNone};
  Loaded l;
  load(l, s);
  std::size_t count = 0;
  for (const Call& c : allCalls()) {
    for (long budget = 0; budget <= 2; ++budget) {
      l.host.faults().createInstanceBudget = budget;
      const Outcome out = run(l, c);
      l.host.faults().createInstanceBudget = -1;
      SCOPED_TRACE("budget " + std::to_string(budget));
      EXPECT_FALSE(out.failed()) << describe(c) << ": " << out.error;
      if (out.raised()) {
        EXPECT_TRUE(isFractionException(out.exceptionClass())) << describe(c);
      }
      ++count;
    }
  }
  EXPECT_GT(count, 900u);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, MisbehavingHost, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p != '\0'; ++p) {
                             const bool word = std::isalnum(static_cast<unsigned char>(*p));
                             name += word ? *p : '_';
                           }
                           return name;
                         });

}  // namespace
