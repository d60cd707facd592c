// The plug-in as the host sees it: random sequences of constructors, operators, methods and global
// functions on random operands, nil, and (now and then) with a host that hands out no instance.
// Every answer is held against exact arithmetic: a value must be exact, a raised exception must be
// the one the operands call for, and the host must never have to refuse what the plug-in returned.
#include <quorvex/host.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CoreOracle.h"
#include "fract.h"
#include "fuzz_input.h"
#include "loaded_host.h"

namespace {

using oracle::comfortable;
using wide = oracle::Wide;
using quorvex::Outcome;
using quorvex::Value;

constexpr const char* kOverflow = "FractionIntegerOverflowException";
constexpr const char* kDivideByZero = "FractionDivideByZeroException";
constexpr const char* kBadArgument = "FractionBadArgumentException";
constexpr std::size_t kSlots = 6;

quorvex::Host* host = nullptr;

std::string trail;  // the calls of the current input, printed with a failure

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "plugin: %s\n  calls: %s\n", what.c_str(), trail.c_str());
  std::abort();
}

void require(bool condition, const std::string& what) {
  if (!condition) fail(what);
}

std::string show(const fract& f) {
  return std::to_string(f.num) + "/" + std::to_string(f.den);
}

// An operand as the plug-in sees it: nil, or the instance data of a Fraction.
struct Operand {
  bool nil = true;
  fract f{0, 1};
};

Operand operandOf(const Value& v) {
  Operand o;
  if (!v.isObject()) return o;
  const quorvex::DataView data = host->instanceData(v);
  require(data.size >= sizeof(fract), "a Fraction without room for its data");
  o.nil = false;
  std::memcpy(&o.f, data.bytes, sizeof(fract));
  return o;
}

bool inDomain(const Operand& o) {
  return !o.nil && oracle::inDomain(o.f);
}

// --- what a call must answer

enum class Arith { Add, Sub, Mul, Div };

oracle::Exact exactly(Arith op, const fract& a, const fract& b) {
  switch (op) {
    case Arith::Add:
      return oracle::exactSum(a, b, false);
    case Arith::Sub:
      return oracle::exactSum(a, b, true);
    case Arith::Mul:
      return oracle::exactProduct(a, b);
    case Arith::Div:
      return oracle::exactQuotient(a, b);
  }
  return {0, 0};
}

// Far enough below the limit that an overflow there is a fault, for operands in the domain.
bool roomy(Arith op, const fract& a, const fract& b) {
  switch (op) {
    case Arith::Add:
    case Arith::Sub:
      return comfortable(a.num, b.den) && comfortable(b.num, a.den) && comfortable(a.den, b.den);
    case Arith::Mul:
      return comfortable(a.num, b.num) && comfortable(a.den, b.den);
    case Arith::Div:
      return comfortable(a.num, b.den) && comfortable(a.den, b.num);
  }
  return false;
}

void requireNoHostError(const Outcome& out) {
  require(!out.failed(), "the host refused the call: " + out.error);
}

void requireNewZero(const Outcome& out, const Value& self) {
  requireNoHostError(out);
  require(out.ok(), "a nil operand raised " + out.exceptionClass());
  const Operand r = operandOf(out.value);
  require(!r.nil && r.f.num == 0 && r.f.den == 1 && !out.value.same(self),
          "a nil operand did not give a new 0/1");
}

void requireRaisedOnSelf(const Outcome& out, const Value& self, const char* exceptionClass) {
  requireNoHostError(out);
  require(out.raised() && out.exceptionClass() == exceptionClass,
          std::string("expected ") + exceptionClass + ", got " +
              (out.raised() ? out.exceptionClass() : out.value.describe()));
  require(out.value.same(self), "a raise did not return the receiving Fraction");
}

// self op other, where other is the Fraction or Integer operand and `integerLeft` puts an Integer
// on the left (x - f, x / f).
void checkArithmetic(Arith op, const Outcome& out, const Value& self, const Operand& a,
                     const Operand& b, bool integerLeft, bool hostile) {
  // Without instances from the host a call may end early anyway; it must only not go wrong.
  if (hostile) return requireNoHostError(out);
  if (a.nil || b.nil) return requireNewZero(out, self);
  requireNoHostError(out);
  const fract& first = integerLeft ? b.f : a.f;
  const fract& second = integerLeft ? a.f : b.f;
  if (op == Arith::Div && second.num == 0) return requireRaisedOnSelf(out, self, kDivideByZero);
  if (out.raised()) {
    require(out.exceptionClass() == kOverflow, "arithmetic raised " + out.exceptionClass());
    require(out.value.same(self), "an overflow did not return the receiving Fraction");
    if (inDomain(a) && inDomain(b)) {
      require(!roomy(op, first, second), "overflow raised for a small result");
    }
    return;
  }
  const Operand r = operandOf(out.value);
  require(!r.nil && !out.value.same(self), "an operator did not return a new Fraction");
  if (!inDomain(a) || !inDomain(b)) return;
  require(oracle::holds(r.f, exactly(op, first, second)),
          "inexact result " + show(r.f) + " from " + show(first) + " and " + show(second));
}

void checkPower(const Outcome& out, const Value& base, const Operand& a, long n, bool hostile) {
  requireNoHostError(out);
  if (hostile) return;
  if (a.nil) return require(out.ok() && out.value.isNil(), "a power of nil is not nil");
  if (a.f.num == 0 && n == 0) return requireRaisedOnSelf(out, base, kBadArgument);
  if (a.f.num == 0 && n < 0) return requireRaisedOnSelf(out, base, kDivideByZero);
  const bool inRange = inDomain(a) && n != LONG_MIN;
  if (out.raised()) {
    require(out.exceptionClass() == kOverflow, "a power raised " + out.exceptionClass());
    require(out.value.same(base), "an overflow did not return the base");
    if (inRange) require(!oracle::powerBounds(a.f, n).comfortable, "power refused a small result");
    return;
  }
  const Operand r = operandOf(out.value);
  require(!r.nil, "a power gave no Fraction");
  if (n == 0) return require(r.f.num == 1 && r.f.den == 1, "x^0 is not 1/1");
  if (a.f.num == 0) return require(r.f.num == 0 && r.f.den == 1, "0^n is not 0/1");
  if (!inRange) return;
  require(oracle::powerBounds(a.f, n).representable && oracle::powerHolds(a.f, n, r.f),
          "inexact power " + show(r.f) + " of " + show(a.f) + " ^ " + std::to_string(n));
}

long sign(wide v) {
  return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

void checkCompare(const Outcome& out, const Operand& a, const Operand& b) {
  requireNoHostError(out);
  require(out.ok() && out.value.type() == quorvex::Type::Integer, "a comparison gave no Integer");
  const long got = static_cast<long>(out.value.asInteger());
  require(got >= -1 && got <= 1, "a comparison outside -1, 0, 1");
  if (a.nil || b.nil) return require(got == 0, "a comparison with nil is not 0");
  if (!inDomain(a) || !inDomain(b)) return;
  const oracle::Exact d = oracle::exactSum(a.f, b.f, true);
  require(got == sign(d.num), "wrong comparison of " + show(a.f) + " with " + show(b.f));
}

// --- the calls

struct Session {
  fuzzin::Input& in;
  std::vector<Value> slots;

  Value& slot() { return slots[in.byte() % slots.size()]; }

  // A Fraction from a slot, or now and then nil.
  Value fraction() {
    if (in.byte() % 8 == 0) return Value();
    return slot();
  }

  std::string text() {
    std::string s;
    for (std::size_t n = in.byte() % 24; n > 0 && !in.empty(); --n) {
      static constexpr char kAlphabet[] = "0123456789 /-+x\t";
      const std::uint8_t b = in.byte();
      s += b < 200 ? kAlphabet[b % (sizeof kAlphabet - 1)] : static_cast<char>(b);
    }
    return s;
  }

  void construct(bool hostile) {
    Outcome out;
    Operand want{false, {0, 1}};
    const char* mayRaise = nullptr;
    switch (in.byte() % 4) {
      case 0:
        trail += "new();";
        out = host->construct("Fraction");
        break;
      case 1: {
        const long x = in.integer();
        trail += "new(" + std::to_string(x) + ");";
        out = host->construct("Fraction", {Value(x)});
        want.f = {x, 1};
        break;
      }
      case 2: {
        const long n = in.integer(), d = in.integer();
        trail += "new(" + std::to_string(n) + "," + std::to_string(d) + ");";
        out = host->construct("Fraction", {Value(n), Value(d)});
        if (d == LONG_MIN) {
          mayRaise = kOverflow;  // no magnitude to store: the plug-in refuses it
        } else {
          want.f = {n, d < 0 ? -d : d};
        }
        break;
      }
      default: {
        const std::string s = text();
        trail += "new(\"" + s + "\");";
        out = host->construct("Fraction", {Value(s)});
        fract direct{};
        const bool hasNul = s.find('\0') != std::string::npos;
        if (!s.empty() && (hasNul || !StrToFract(direct, s.c_str()))) {
          mayRaise = kBadArgument;
        } else if (!s.empty()) {
          want.f = direct;
        }
      }
    }
    requireNoHostError(out);
    const Operand got = operandOf(out.value);
    if (mayRaise != nullptr) {
      // The exception object comes from the host too: without instances there is none to raise.
      require(hostile || (out.raised() && out.exceptionClass() == mayRaise),
              std::string("a constructor did not raise ") + mayRaise);
    } else {
      require(out.ok(), "a constructor raised " + out.exceptionClass());
    }
    require(!got.nil && got.f.num == want.f.num && got.f.den == want.f.den,
            "constructed " + show(got.f) + ", not " + show(want.f));
    slot() = out.value;
  }

  void twoOperands(bool hostile) {
    static constexpr const char* kNames[] = {"Operator_Add", "Operator_Subtract",
                                             "Operator_Multiply", "Operator_Divide"};
    const unsigned pick = in.byte();
    const Arith op = static_cast<Arith>(pick % 4);
    const Value self = fraction();
    const Operand a = operandOf(self);
    const unsigned form = (pick / 4) % 3;  // Fraction, Integer on the right, Integer on the left
    std::string name = kNames[static_cast<int>(op)];
    Outcome out;
    Operand b;
    if (form == 0) {
      const Value other = fraction();
      b = operandOf(other);
      trail += name + "(F,F);";
      out = host->callAs("Fraction", self, name, {other});
    } else {
      const long x = in.integer();
      b = Operand{false, {x, 1}};
      if (form == 2) name += "Right";
      trail += name + "(F," + std::to_string(x) + ");";
      out = host->callAs("Fraction", self, name, {Value(x)});
    }
    // Add and multiply share one function for both sides; their value does not depend on it.
    const bool integerLeft = form == 2 && (op == Arith::Sub || op == Arith::Div);
    checkArithmetic(op, out, self, a, b, integerLeft, hostile);
    if (out.ok() && out.value.isObject()) slot() = out.value;
  }

  void power(bool hostile) {
    const bool global = in.byte() % 2 == 0;
    const Value base = fraction();
    const long n = in.exponent();
    trail += std::string(global ? "Pow(F," : "Operator_Power(F,") + std::to_string(n) + ");";
    const Outcome out = global ? host->callGlobal("Pow", {base, Value(n)})
                               : host->callAs("Fraction", base, "Operator_Power", {Value(n)});
    if (!global && base.isNil()) {
      requireNoHostError(out);
      return require(out.ok() && out.value.isNil(), "a power of nil is not nil");
    }
    checkPower(out, base, operandOf(base), n, hostile);
    if (out.ok() && out.value.isObject()) slot() = out.value;
  }

  void compare() {
    const Value self = fraction();
    const bool withInteger = in.byte() % 2 == 0;
    Value other = withInteger ? Value(in.integer()) : fraction();
    const Operand b =
        withInteger ? Operand{false, {static_cast<long>(other.asInteger()), 1}} : operandOf(other);
    trail += "Operator_Compare;";
    checkCompare(host->callAs("Fraction", self, "Operator_Compare", {other}), operandOf(self), b);
  }

  // Negation, Abs, Sqr: one operand, a new object with a value computed without the core's
  // arithmetic tests (negation and Abs) or through sqr.
  void oneOperand(bool hostile) {
    const unsigned which = in.byte() % 3;
    const Value x = fraction();
    const Operand a = operandOf(x);
    static constexpr const char* kNames[] = {"Operator_Negate", "Abs", "Sqr"};
    trail += std::string(kNames[which]) + ";";
    const Outcome out = which == 0 ? host->callAs("Fraction", x, "Operator_Negate")
                                   : host->callGlobal(kNames[which], {x});
    requireNoHostError(out);
    if (hostile) return;
    if (a.nil) {
      if (which == 0) return requireNewZero(out, x);
      return require(out.ok() && out.value.isNil(), "Abs or Sqr of nil is not nil");
    }
    if (out.raised()) {
      require(out.exceptionClass() == kOverflow && out.value.same(x),
              "a one-operand call raised " + out.exceptionClass() + " or lost its operand");
      const bool noMagnitude = a.f.num == LONG_MIN;
      const bool bigSquare = !oracle::inDomain(a.f) || !comfortable(a.f.num, a.f.num) ||
                             !comfortable(a.f.den, a.f.den);
      return require(which == 2 ? bigSquare : noMagnitude, "overflow raised for a small result");
    }
    const Operand r = operandOf(out.value);
    require(!r.nil && !out.value.same(x), "no new Fraction");
    if (a.f.num == LONG_MIN || a.f.den == LONG_MIN) return;
    fract want = a.f;
    if (which == 0) want.num = -a.f.num;
    if (which == 1) want.num = a.f.num < 0 ? -a.f.num : a.f.num;
    if (which == 2) {
      const wide n = wide{a.f.num} * a.f.num, d = wide{a.f.den} * a.f.den;
      require(oracle::fits(n) && oracle::fits(d), "a square beyond long");
      want = {static_cast<long>(n), static_cast<long>(d)};
    }
    require(r.f.num == want.num && r.f.den == want.den, "wrong " + std::string(kNames[which]));
  }

  void accessors() {
    const Value x = fraction();
    const Operand a = operandOf(x);
    const unsigned which = in.byte() % 5;
    static constexpr const char* kNames[] = {"Num", "Den", "Str", "Str2", "ConvToDouble"};
    trail += std::string(kNames[which]) + ";";
    const Outcome out = which == 4 ? host->callGlobal("ConvToDouble", {x})
                                   : host->callAs("Fraction", x, kNames[which]);
    requireNoHostError(out);
    require(out.ok(), std::string(kNames[which]) + " raised");
    switch (which) {
      case 0:
        return require(out.value.asInteger() == (a.nil ? 0 : a.f.num), "wrong Num");
      case 1:
        return require(out.value.asInteger() == (a.nil ? 1 : a.f.den), "wrong Den");
      case 2:
      case 3: {
        if (a.nil) return require(out.value.asString().empty(), "text of nil is not empty");
        char* direct = nullptr;
        (which == 2 ? FractToStr : FractToStr2)(direct, a.f);
        const std::string want = direct != nullptr ? direct : "";
        std::free(direct);
        return require(out.value.asString() == want,
                       "text \"" + out.value.asString() + "\" instead of \"" + want + "\"");
      }
      default: {
        const double got = out.value.asDouble();
        if (a.nil) return require(got == 0.0, "ConvToDouble of nil is not 0");
        if (a.f.den == 0) return require(std::isnan(got), "a zero denominator is not NaN");
        const volatile double want = static_cast<double>(a.f.num) / static_cast<double>(a.f.den);
        return require(got == want, "wrong ConvToDouble");
      }
    }
  }

  void step() {
    const std::uint8_t choice = in.byte();
    // Now and then the host hands out no instance for the whole call.
    const bool hostile = choice >= 240;
    host->faults().createInstanceReturnsNull = hostile;
    if (hostile) trail += "[no instances]";
    switch (choice % 6) {
      case 0:
        construct(hostile);
        break;
      case 1:
        twoOperands(hostile);
        break;
      case 2:
        power(hostile);
        break;
      case 3:
        compare();
        break;
      case 4:
        oneOperand(hostile);
        break;
      default:
        accessors();
        break;
    }
    host->faults().createInstanceReturnsNull = false;
  }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  host = loadedHost("plugin");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzin::Input in(data, size);
  trail.clear();
  Session session{in, {}};
  for (std::size_t i = 0; i < kSlots; ++i) {
    session.slots.push_back(host->construct("Fraction", {Value(static_cast<long>(i) - 2)}).value);
  }
  for (int step = 0; step < 48 && !in.empty(); ++step) session.step();
  host->clearEvents();
  return 0;
}
