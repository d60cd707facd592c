// Random operands and operations for the arithmetic core, each result held against exact
// arithmetic in a wider integer: a success must carry the exact value (never a wrapped one), a
// refusal must leave the result record as the core promises, and a refusal is only allowed where
// the schoolbook computation would come near the limit of long.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "CoreOracle.h"
#include "fract.h"
#include "fuzz_input.h"

namespace {

using oracle::comfortable;
using oracle::kComfortable;
using wide = oracle::Wide;

constexpr fract kUntouched = {0x5A5A5A5, -0x3C3C3C3};  // what a refusal must leave in r

[[noreturn]] void fail(const char* what, const fract& a, const fract& b, const fract& r) {
  std::fprintf(stderr, "arith: %s\n  a = %ld/%ld  b = %ld/%ld  r = %ld/%ld\n", what, a.num, a.den,
               b.num, b.den, r.num, r.den);
  std::abort();
}

void require(bool condition, const char* what, const fract& a, const fract& b, const fract& r) {
  if (!condition) fail(what, a, b, r);
}

bool same(const fract& x, const fract& y) {
  return x.num == y.num && x.den == y.den;
}

// Operands are mostly in the core's domain and in lowest terms, so that the strongest checks apply;
// the rest are raw, to show that nothing outside the domain crashes or invokes undefined behaviour.
fract operand(fuzzin::Input& in) {
  const unsigned mode = in.byte() % 8;
  fract f{in.integer(), in.integer()};
  if (mode == 0) return f;
  if (f.num == LONG_MIN) f.num = -LONG_MAX;
  if (f.den == 0 || f.den == LONG_MIN) f.den = 1;
  if (f.den < 0) f.den = -f.den;
  if (mode == 1) return f;
  const oracle::Exact v = oracle::canonical(f.num, f.den);
  return {static_cast<long>(v.num), static_cast<long>(v.den)};
}

// What the result must look like beyond its value, given operands in lowest terms.
void requireShape(const fract& a, const fract& b, const fract& r) {
  if (a.den > 0 && b.den > 0) require(r.den > 0, "denominator not positive", a, b, r);
  if (oracle::inLowestTerms(a) && oracle::inLowestTerms(b) && r.num != 0) {
    require(oracle::inLowestTerms(r), "result not in lowest terms", a, b, r);
  }
}

void checkSum(const fract& a, const fract& b, bool subtract) {
  fract r = kUntouched;
  const bool ok = subtract ? sub(r, a, b) : add(r, a, b);
  if (!oracle::inDomain(a) || !oracle::inDomain(b)) return;
  const oracle::Exact v = oracle::exactSum(a, b, subtract);
  if (ok) {
    require(oracle::holds(r, v), subtract ? "sub: wrong value" : "add: wrong value", a, b, r);
    requireShape(a, b, r);
  } else {
    const bool fits =
        comfortable(a.num, b.den) && comfortable(b.num, a.den) && comfortable(a.den, b.den);
    require(!fits, subtract ? "sub refused a small result" : "add refused a small result", a, b, r);
  }
}

void checkProduct(const fract& a, const fract& b, bool divide) {
  fract r = kUntouched;
  const bool ok = divide ? div(r, a, b) : mul(r, a, b);
  if (!ok) require(same(r, kUntouched), "refusal wrote the result", a, b, r);
  if (!oracle::inDomain(a) || !oracle::inDomain(b) || (divide && b.num == 0)) return;
  const oracle::Exact v = divide ? oracle::exactQuotient(a, b) : oracle::exactProduct(a, b);
  if (ok) {
    require(oracle::holds(r, v), divide ? "div: wrong value" : "mul: wrong value", a, b, r);
    requireShape(a, b, r);
  } else {
    const bool fits = divide ? comfortable(a.num, b.den) && comfortable(a.den, b.num)
                             : comfortable(a.num, b.num) && comfortable(a.den, b.den);
    require(!fits, divide ? "div refused a small result" : "mul refused a small result", a, b, r);
  }
}

void checkSquare(const fract& a) {
  fract r = kUntouched;
  const bool ok = sqr(r, a);
  if (!ok) require(same(r, kUntouched), "sqr: refusal wrote the result", a, a, r);
  if (!oracle::inDomain(a)) return;
  const wide n = static_cast<wide>(a.num) * a.num, d = static_cast<wide>(a.den) * a.den;
  if (ok) {
    require(oracle::fits(n) && oracle::fits(d), "sqr: wrapped", a, a, r);
    require(r.num == n && r.den == d, "sqr: not the unreduced square", a, a, r);
  } else {
    require(n > kComfortable || d > kComfortable, "sqr refused a small result", a, a, r);
  }
}

void checkPower(const fract& a, long p) {
  fract r = kUntouched;
  const bool ok = myPow(r, a, p);
  const fract shownP{p, 0};
  if (!ok) require(same(r, kUntouched), "myPow: refusal wrote the result", a, shownP, r);
  if (!oracle::inDomain(a) || p == LONG_MIN || (a.num == 0 && p < 0)) return;
  const oracle::PowerBounds bounds = oracle::powerBounds(a, p);
  if (!ok) return require(!bounds.comfortable, "myPow refused a small result", a, shownP, r);
  require(bounds.representable, "myPow: accepted a power beyond long", a, shownP, r);
  require(oracle::powerHolds(a, p, r), "myPow: wrong value", a, shownP, r);
}

void checkGcdAndReduce(long x, long y) {
  const fract shown{x, y};
  const long g = gcd(x, y);
  long p = x, q = y;
  const long applied = reduce(p, q);
  const fract after{p, q};
  const bool noMagnitude = x == LONG_MIN || y == LONG_MIN, zero = x == 0 || y == 0;
  if (noMagnitude || zero) {
    require(g == 0, "gcd without two magnitudes is not 0", shown, shown, after);
    const bool signalled = (noMagnitude && applied == 0) || (zero && applied == 1);
    require(signalled && p == x && q == y, "reduce changed what it cannot reduce", shown, shown,
            after);
    return;
  }
  require(g == oracle::gcdWide(x, y), "gcd: wrong divisor", shown, shown, after);
  require(applied == g && p * g == x && q * g == y, "reduce: wrong quotients", shown, shown, after);
}

void checkDouble(const fract& a) {
  // Stored, so that both sides are rounded to double even where the x87 unit keeps more precision.
  const volatile double d = convToDouble(a);
  if (a.den == 0) {
    require(std::isnan(d), "convToDouble: zero denominator is not NaN", a, a, a);
  } else {
    const volatile double want = static_cast<double>(a.num) / static_cast<double>(a.den);
    require(d == want, "convToDouble: not one division of the two doubles", a, a, a);
  }
}

// Both text forms of any record: bounded, counted right, and read back to the value whenever the
// denominator is positive; a zero denominator is printed but never read back.
void checkForms(const fract& a) {
  for (const bool mixed : {true, false}) {
    char* out = nullptr;
    const int count = mixed ? FractToStr(out, a) : FractToStr2(out, a);
    if (out == nullptr) continue;  // allocation failed: nothing was written
    const std::size_t length = std::strlen(out);
    fract back{};
    const bool read = StrToFract(back, out);
    std::free(out);
    require(count >= 0 && static_cast<std::size_t>(count) == length && length < 64,
            "text form with a wrong length", a, a, back);
    if (a.den == 0) require(!read, "a zero denominator read back", a, a, back);
    if (a.den <= 0 || !oracle::inDomain(a)) continue;
    require(read && oracle::holds(back, oracle::canonical(a.num, a.den)),
            mixed ? "mixed form does not read back" : "plain form does not read back", a, a, back);
  }
}

void checkOne(fuzzin::Input& in) {
  const unsigned op = in.byte() % 8;
  const fract a = operand(in);
  switch (op) {
    case 0:
    case 1:
      return checkSum(a, operand(in), op == 1);
    case 2:
    case 3:
      return checkProduct(a, operand(in), op == 3);
    case 4:
      return checkSquare(a);
    case 5:
      return checkPower(a, in.exponent());
    case 6:
      return checkGcdAndReduce(a.num, a.den);
    default:
      checkForms(a);
      return checkDouble(a);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzin::Input in(data, size);
  for (int step = 0; step < 64 && !in.empty(); ++step) checkOne(in);
  return 0;
}
