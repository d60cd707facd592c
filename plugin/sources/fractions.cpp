// Arithmetic on fract: every product, power and sum is tested before it is formed, so no
// intermediate ever leaves the range of long and nothing wraps.
#include <climits>
#include <cmath>
#include <limits>

#include "fract.h"
#include "logLimit.h"
#include "magnitude.h"

using quorvex::hasMagnitude;
using quorvex::logLimit;
using quorvex::magnitude;
using quorvex::reduceAgainstCoprime;
using quorvex::reduceInRange;
using quorvex::reduceTwoInRange;

namespace {

constexpr unsigned long kLongMax = LONG_MAX;

// How the product and power tests decide.
//
// The rule is the logarithmic one: a product |a|*|b| may be formed when ln|a| + ln|b| < logLimit,
// a power |a|^|p| when ln|a| * |p| < logLimit. The comparison is strict, so a result of exactly
// 2^(W-1) fails, and it is conservative near the limit: the doubles can round up to logLimit for
// a product that still fits (isGoodMul(2, 4611686018427387903) is false on the 64-bit build, as is
// LONG_MAX * 1), and that refusal is kept. But the doubles can also round down, letting through a
// product that does not fit; that would wrap, so the answer is "logarithmic test AND exact test".
//
// Cheaply: the exact product P is formed with the overflow-checked multiply first. P > LONG_MAX is
// refused outright. Below kLogBand the logarithmic test cannot refuse: there ln P is at least
// -ln(1 - 2^-30), about 9.3e-10, under 63 ln 2 (31 ln 2 on 32 bits, where logLimit's 13th-decimal
// rounding is 5e-15 lower), while the computed sum of logs is off by far less than 1e-13 (two
// conversions to double of relative error 2^-53, two logs within an ulp of values below 44, one
// rounded addition; for powers |p| <= 62 multiplies one log's error). So the logarithms are
// consulted only for kLogBand <= P <= LONG_MAX, the narrow band where they can differ from the
// exact answer.
constexpr unsigned long kLogBand = kLongMax - (kLongMax >> 30);

// The band's product test, out of the hot path. product is a * b, formed without overflow; it is
// LONG_MIN only when the true product is 2^(W-1), which does not fit.
[[gnu::cold, gnu::noinline]] bool isGoodMulInBand(long a, long b, long product) {
  return product != LONG_MIN &&
         std::log(static_cast<double>(magnitude(a))) + std::log(static_cast<double>(magnitude(b))) <
             logLimit;
}

bool logPowBelowLimit(unsigned long a, unsigned long p) {
  return std::log(static_cast<double>(a)) * static_cast<double>(p) < logLimit;
}

// a * b may be formed. Callers keep LONG_MIN out; it would be refused anyway (magnitude 2^(W-1)).
inline bool isGoodMul(long a, long b) {
  long product;
  if (__builtin_mul_overflow(a, b, &product)) return false;
  return magnitude(product) < kLogBand || isGoodMulInBand(a, b, product);  // 0 passes here too
}

// |a|^e exactly, by squaring, each step tested; false when it exceeds LONG_MAX or the logarithmic
// test refuses it. A square is taken only while exponent bits remain, so every intermediate is at
// most the final power: an intermediate that overflows means the power does too.
bool powMagnitude(unsigned long a, unsigned long e, unsigned long& out) {
  if (e == 0 || a == 1) {
    out = 1;
    return true;
  }
  if (a == 0) {
    out = 0;
    return true;
  }
  if (e >= sizeof(long) * CHAR_BIT) return false;  // 2^e alone is out of range
  unsigned long result = 1, base = a;
  for (unsigned long bits = e;;) {
    if ((bits & 1) != 0 && __builtin_mul_overflow(result, base, &result)) return false;
    bits >>= 1;
    if (bits == 0) break;
    if (__builtin_mul_overflow(base, base, &base)) return false;
  }
  if (result > kLongMax) return false;
  out = result;
  return result < kLogBand || logPowBelowLimit(a, e);
}

// a^p may be formed: a of 0 or +-1, or p of 0, always passes. Callers keep LONG_MIN out of a and p.
inline bool isGoodPow(long a, long p) {
  unsigned long unused;
  return a == 0 || powMagnitude(magnitude(a), magnitude(p), unused);
}

// x + y may be formed and is not LONG_MIN: false only for like signs with |x| + |y| > LONG_MAX.
// (x and y are never LONG_MIN themselves, so an unlike-signed sum never fails.)
inline bool isGoodAdd(long x, long y) {
  long sum;
  return !__builtin_add_overflow(x, y, &sum) && sum != LONG_MIN;
}

// x - y may be formed and is not LONG_MIN: false only for nonzero x, y of opposite signs with
// |x| + |y| > LONG_MAX.
inline bool isGoodSub(long x, long y) {
  long difference;
  return !__builtin_sub_overflow(x, y, &difference) && difference != LONG_MIN;
}

// Summed rather than short-circuited: one well-predicted branch instead of one per field.
inline bool inDomain(const fract& f) {
  return (f.num == LONG_MIN) + (f.den == LONG_MIN) == 0;
}
inline bool inDomain(const fract& a, const fract& b) {
  return (a.num == LONG_MIN) + (a.den == LONG_MIN) + (b.num == LONG_MIN) + (b.den == LONG_MIN) == 0;
}

// The cancellation of a sum against g, da and db in one gcd, for small denominators.
//
// Cancelling n against g, then da, then db removes, for each prime, as much as n shares with all
// three together: in total gcd(n, D) with D = g * da * db, leaving the denominator D / gcd(n, D)
// however the factors split. The split matters only to the two product tests before the
// denominator is formed, and only in their logarithmic band: below kLogBand both pass (each
// product is at most the final denominator). So when D is small, one gcd of two small numbers
// replaces three, with the same result; otherwise this declines (false, r untouched).
constexpr unsigned long kCancelAtOnceBelow = kLogBand < (1UL << 31) ? kLogBand : 1UL << 31;

inline bool cancelAtOnce(fract& r, long n, long g, long da, long db) {
  if (n == 0 || da <= 0 || db <= 0) return false;  // g is at least 1
  unsigned long gda, d;
  if (__builtin_mul_overflow(static_cast<unsigned long>(g), static_cast<unsigned long>(da), &gda) ||
      __builtin_mul_overflow(gda, static_cast<unsigned long>(db), &d) || d >= kCancelAtOnceBelow) {
    return false;
  }
  const unsigned long common = quorvex::binaryGcd(magnitude(n), d);
  r.num = n / static_cast<long>(common);
  r.den = static_cast<long>(d / common);
  return true;
}

// Writes n / (da * db * g) once n is cancelled, unless the denominator overflows.
inline bool storeSum(fract& r, long n, long g, long da, long db) {
  if (!isGoodMul(da, db)) return false;
  const long m = da * db;
  if (!isGoodMul(g, m)) return false;
  r.num = n;
  r.den = m * g;
  return true;
}

// The sum (or difference) of a and b, in lowest terms when both are.
//
// Why: with g = gcd(a.den, b.den) and da, db the coprime cofactors, the exact denominator is
// da * db * g. A prime dividing da divides neither db nor a.num (a is reduced), so it does not
// divide a.num * db + da * b.num; likewise for db. The sum can share factors with g only, and
// dividing both by their gcd leaves them coprime. The cancellations against da and db matter for
// unreduced operands. A zero sum cancels nothing and keeps the denominator it reached.

// The numerator a.num * db +- da * b.num, unless a product or the sum overflows.
template <bool kSubtract>
inline bool crossSum(const fract& a, const fract& b, long da, long db, long& n) {
  if (!isGoodMul(a.num, db) || !isGoodMul(da, b.num)) return false;
  const long x = a.num * db, y = da * b.num;
  if (kSubtract ? !isGoodSub(x, y) : !isGoodAdd(x, y)) return false;
  n = kSubtract ? x - y : x + y;
  return true;
}

// The general path: g, da and db already taken; cancels n against g, da and db in turn.
template <bool kSubtract>
inline bool addOrSubFrom(fract& r, const fract& a, const fract& b, long g, long da, long db) {
  long n;
  if (!crossSum<kSubtract>(a, b, da, db, n)) return false;
  if (cancelAtOnce(r, n, g, da, db)) return true;
  // Cancel against g, then against da and db in turn; da and db are coprime (or one is 0).
  reduceInRange(n, g);
  reduceAgainstCoprime(n, da, db);
  return storeSum(r, n, g, da, db);
}

// The cancellations against da and db change nothing when gcd(a.num, da) = gcd(b.num, db) = 1,
// which holds whenever both operands are in lowest terms. Then, as gcd(da, db) = 1,
// gcd(a.num * db + da * b.num, da) = gcd(a.num * db, da) = gcd(a.num, da) = 1, and dividing the
// sum by a divisor of g keeps it prime to da; likewise db. The result, and every overflow test on
// the way, is that of the general path.
template <bool kSubtract>
inline bool addOrSubCoprime(fract& r, const fract& a, const fract& b, long g) {
  long da = a.den, db = b.den;
  quorvex::divideBoth(da, db, static_cast<unsigned long>(g));
  long n;
  if (!crossSum<kSubtract>(a, b, da, db, n)) return false;
  reduceInRange(n, g);
  return storeSum(r, n, g, da, db);
}

// x * y modulo m (m nonzero), the product formed in 64 bits, which hold every product of two
// 32-bit longs; false when the product does not fit.
inline bool productModulo(unsigned long x, unsigned long y, unsigned long m, unsigned long& out) {
  unsigned long long product;
  if (__builtin_mul_overflow(static_cast<unsigned long long>(x), y, &product)) return false;
  out = static_cast<unsigned long>(product % m);
  return true;
}

// Finds g = gcd(a.den, b.den) and learns whether gcd(a.num, da) = gcd(b.num, db) = 1, with two gcds
// run side by side: ga = gcd(a.den, a.num * b.den) and gb = gcd(b.den, b.num * a.den).
//
// Why: for a prime p, let alpha and beta be its powers in a.den and b.den, nu its power in a.num.
// Its power in ga is min(alpha, nu + beta), in g min(alpha, beta): they differ exactly when
// alpha > beta and nu > 0, that is when p divides both a.num and da. So ga = g exactly when
// gcd(a.num, da) = 1, and gb = g exactly when gcd(b.num, db) = 1. And since ga divides a.den, gb
// divides b.den and g divides both, ga = gb holds only when both equal g; otherwise
// g = gcd(ga, gb). Each product is first taken modulo its denominator, so both gcds run on values
// no larger than the denominators: each costs what a gcd of the two denominators would.
//
// Components must be nonzero. False when a product does not fit; the caller then takes the
// general path.
inline bool denominatorsGcd(const fract& a, const fract& b, long& g, bool& coprimeParts) {
  const unsigned long ad = magnitude(a.den), bd = magnitude(b.den);
  unsigned long ra, rb;
  if (!productModulo(magnitude(a.num), bd, ad, ra) ||
      !productModulo(magnitude(b.num), ad, bd, rb)) {
    return false;
  }
  // gcd(ad, ra) = gcd(ad, ad + ra), and ad + ra is never 0 (nor does it overflow: ra < ad).
  unsigned long ga, gb;
  quorvex::binaryGcdPair(ad, ad + ra, bd, bd + rb, ga, gb);
  coprimeParts = ga == gb;
  g = static_cast<long>(coprimeParts ? ga : quorvex::binaryGcd(ga, gb));
  return true;
}

template <bool kSubtract>
inline bool addOrSub(fract& r, const fract& a, const fract& b) {
  if (!inDomain(a, b)) return false;
  long g;
  bool coprimeParts;
  // Small denominators are cheaper the general way, where one gcd of small values cancels it all.
  // A zero component has no gcd to learn from; such sums take the general path too.
  unsigned long denominators;
  const bool smallDenominators =
      !__builtin_mul_overflow(magnitude(a.den), magnitude(b.den), &denominators) &&
      denominators < kCancelAtOnceBelow;
  if (!smallDenominators && (a.num == 0) + (b.num == 0) + (a.den == 0) + (b.den == 0) == 0 &&
      denominatorsGcd(a, b, g, coprimeParts)) {
    if (coprimeParts) return addOrSubCoprime<kSubtract>(r, a, b, g);
    long da = a.den, db = b.den;
    quorvex::divideBoth(da, db, static_cast<unsigned long>(g));
    return addOrSubFrom<kSubtract>(r, a, b, g, da, db);
  }
  long da = a.den, db = b.den;
  g = reduceInRange(da, db);
  return addOrSubFrom<kSubtract>(r, a, b, g, da, db);
}

}  // namespace

bool add(fract& r, const fract& a, const fract& b) {
  return addOrSub<false>(r, a, b);
}

bool sub(fract& r, const fract& a, const fract& b) {
  return addOrSub<true>(r, a, b);
}

// Cross-cancelling before multiplying keeps reduced operands' product reduced and the factors
// small.
bool mul(fract& r, const fract& a, const fract& b) {
  if (!inDomain(a, b)) return false;
  long an = a.num, ad = a.den, bn = b.num, bd = b.den;
  reduceTwoInRange(an, bd, ad, bn);
  if (!isGoodMul(an, bn) || !isGoodMul(ad, bd)) return false;
  r.num = an * bn;
  r.den = ad * bd;
  return true;
}

// A zero divisor is the caller's to refuse; here it yields a zero denominator and true.
bool div(fract& r, const fract& a, const fract& b) {
  if (!inDomain(a, b)) return false;
  long an = a.num, ad = a.den, bn = b.num, bd = b.den;
  reduceTwoInRange(an, bn, ad, bd);
  if (!isGoodMul(an, bd) || !isGoodMul(ad, bn)) return false;
  long n = an * bd, d = ad * bn;
  if (b.num < 0) {  // the sign belongs in the numerator
    n = -n;
    d = -d;
  }
  r.num = n;
  r.den = d;
  return true;
}

bool sqr(fract& r, const fract& a) {
  if (!inDomain(a)) return false;
  if (!isGoodMul(a.num, a.num) || !isGoodMul(a.den, a.den)) return false;
  r.num = a.num * a.num;
  r.den = a.den * a.den;
  return true;
}

namespace {

// a^e for a power that isGoodPow has passed, so no step can overflow.
long wholePow(long a, unsigned long e) {
  long result = 1;
  for (;;) {
    if ((e & 1) != 0) result *= a;
    e >>= 1;
    if (e == 0) return result;
    if (a == 1 || a == -1) return result;  // what remains is a power of a * a = 1
    a *= a;
  }
}

}  // namespace

// Exact integer powers: every power that passes its tests fits, so none is rounded. A negative
// exponent inverts, moving the sign into the numerator; a zero base then gives a zero denominator,
// which the caller keeps out.
bool myPow(fract& r, const fract& a, long p) {
  if (!inDomain(a) || !hasMagnitude(p)) return false;
  if (!isGoodPow(a.num, p) || !isGoodPow(a.den, p)) return false;
  const unsigned long e = magnitude(p);
  const long n = wholePow(a.num, e), d = wholePow(a.den, e);
  if (p >= 0) {
    r.num = n;
    r.den = d;
  } else if (n >= 0) {
    r.num = d;
    r.den = n;
  } else {
    r.num = -d;
    r.den = -n;
  }
  return true;
}

double convToDouble(const fract& f) {
  if (f.den == 0) return std::numeric_limits<double>::quiet_NaN();
  return static_cast<double>(f.num) / static_cast<double>(f.den);
}
