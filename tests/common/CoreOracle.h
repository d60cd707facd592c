// The exact oracle of the core, for the randomized and exhaustive tests and the fuzz harnesses
// alike. Every step of the core's algorithms is replayed here in an integer twice as wide as long,
// so an intermediate that would not fit a `long` is seen as such instead of wrapping; the
// logarithmic tests are replayed with the same bound and the same `log` calls, so that the
// conservative refusals near the limit are expected too. The exact values of sums, products,
// quotients and powers are here as well, for checks that need the value alone.
#ifndef QUORVEX_TESTS_COMMON_COREORACLE_H
#define QUORVEX_TESTS_COMMON_COREORACLE_H

#include <climits>
#include <cmath>

#include "fract.h"
#include "logLimit.h"

namespace oracle {

#if LONG_MAX > 2147483647L
using Wide = __int128;  // twice the width of `long`
#else
using Wide = long long;
#endif
static_assert(sizeof(Wide) >= 2 * sizeof(long), "the oracle needs twice the width of long");

// The most negative long has no magnitude, so it never fits and is never produced.
constexpr bool fits(Wide v) {
  return v >= -LONG_MAX && v <= LONG_MAX;
}
constexpr Wide magnitude(Wide v) {
  return v < 0 ? -v : v;
}
constexpr bool hasMin(const fract& f) {
  return f.num == LONG_MIN || f.den == LONG_MIN;
}

constexpr Wide gcdWide(Wide a, Wide b) {
  a = magnitude(a);
  b = magnitude(b);
  while (b != 0) {
    const Wide t = a % b;
    a = b;
    b = t;
  }
  return a;
}

// Goes through a volatile so the compiler cannot fold the logarithm of a constant at build time
// with a differently rounded algorithm than the run-time library the core calls.
inline double lnMagnitude(long v) {
  volatile double d = std::fabs(static_cast<double>(v));
  return std::log(d);
}

inline bool logMulPasses(long a, long b) {
  return a == 0 || b == 0 || lnMagnitude(a) + lnMagnitude(b) < quorvex::logLimit;
}

inline bool logPowPasses(long a, long p) {
  if (a == 0) return true;
  volatile double exponent = std::fabs(static_cast<double>(p));
  return lnMagnitude(a) * exponent < quorvex::logLimit;
}

// A product the core may form only when both the logarithmic test and the exact value allow it.
inline bool product(long a, long b, long& out) {
  const Wide w = static_cast<Wide>(a) * b;
  if (!logMulPasses(a, b) || !fits(w)) return false;
  out = static_cast<long>(w);
  return true;
}

inline long reduce(long& p, long& q) {
  if (p == 0 || q == 0) return 1;
  const long g = static_cast<long>(gcdWide(p, q));
  p /= g;
  q /= g;
  return g;
}

struct Outcome {
  bool ok = false;
  fract r{0, 0};
};

inline Outcome addOrSub(const fract& a, const fract& b, bool subtract) {
  if (hasMin(a) || hasMin(b)) return {};
  long da = a.den, db = b.den;
  long g = reduce(da, db);
  long x = 0, y = 0;
  if (!product(a.num, db, x) || !product(da, b.num, y)) return {};
  const Wide sum = subtract ? static_cast<Wide>(x) - y : static_cast<Wide>(x) + y;
  if (!fits(sum)) return {};
  long n = static_cast<long>(sum);
  reduce(n, g);
  reduce(n, da);
  reduce(n, db);
  long m = 0, d = 0;
  if (!product(da, db, m) || !product(g, m, d)) return {};
  return {true, {n, d}};
}

inline Outcome add(const fract& a, const fract& b) {
  return addOrSub(a, b, false);
}
inline Outcome sub(const fract& a, const fract& b) {
  return addOrSub(a, b, true);
}

inline Outcome mul(const fract& a, const fract& b) {
  if (hasMin(a) || hasMin(b)) return {};
  long an = a.num, ad = a.den, bn = b.num, bd = b.den;
  reduce(an, bd);
  reduce(ad, bn);
  Outcome out;
  out.ok = product(an, bn, out.r.num) && product(ad, bd, out.r.den);
  return out;
}

// Multiplication by the reciprocal, cancelled the same way, with the sign moved off the divisor.
inline Outcome div(const fract& a, const fract& b) {
  Outcome out = mul(a, {b.den, b.num});
  if (out.ok && b.num < 0) out.r = {-out.r.num, -out.r.den};
  return out;
}

inline Outcome sqr(const fract& a) {
  if (hasMin(a)) return {};
  Outcome out;
  out.ok = product(a.num, a.num, out.r.num) && product(a.den, a.den, out.r.den);
  return out;
}

// base^q for q >= 0, exactly; false when it does not fit.
inline bool exactPower(long base, long q, long& out) {
  const Wide m = magnitude(base);
  const bool negative = base < 0 && q % 2 != 0;
  if (q == 0 || m == 1) {
    out = negative ? -1 : 1;
    return true;
  }
  if (m == 0) {
    out = 0;
    return true;
  }
  Wide v = 1;
  for (long i = 0; i < q; ++i) {
    v *= m;
    if (!fits(v)) return false;
  }
  out = static_cast<long>(negative ? -v : v);
  return true;
}

inline Outcome pow(const fract& a, long p) {
  if (hasMin(a) || p == LONG_MIN) return {};
  if (!logPowPasses(a.num, p) || !logPowPasses(a.den, p)) return {};
  const long q = p < 0 ? -p : p;
  long n = 0, d = 0;
  if (!exactPower(a.num, q, n) || !exactPower(a.den, q, d)) return {};
  if (p >= 0) return {true, {n, d}};
  return {true, n >= 0 ? fract{d, n} : fract{-d, -n}};
}

// A rational in canonical form (positive denominator, lowest terms), wide enough to hold the
// exact result of any operation on two fracts.
struct Exact {
  Wide num;
  Wide den;
};

// 0/0 stays as it is: it has no canonical form, and nothing to divide by.
constexpr Exact canonical(Wide n, Wide d) {
  if (d < 0) {
    n = -n;
    d = -d;
  }
  const Wide g = n == 0 ? d : gcdWide(n, d);
  if (g == 0) return {n, d};
  return {n / g, d / g};
}

constexpr bool operator==(const Exact& x, const Exact& y) {
  return x.num == y.num && x.den == y.den;
}

constexpr Exact canonical(const fract& f) {
  return canonical(f.num, f.den);
}

constexpr bool inLowestTerms(const fract& f) {
  return f.den > 0 && (f.num == 0 || gcdWide(f.num, f.den) == 1);
}

// The exact values, for the harnesses that hold the core's results against the value alone rather
// than against a replay of its steps.

// Far enough below LONG_MAX that the core's conservative overflow tests have no excuse to refuse.
constexpr Wide kComfortable = LONG_MAX / 4;

// A product of two parts that the core must compute rather than refuse.
constexpr bool comfortable(Wide x, Wide y) {
  return magnitude(x * y) <= kComfortable;
}

// The domain in which the core promises exact results: no most negative long (it has no magnitude)
// and a denominator that is not zero.
constexpr bool inDomain(const fract& f) {
  return !hasMin(f) && f.den != 0;
}

inline Exact exactSum(const fract& a, const fract& b, bool negateB) {
  const Wide bn = negateB ? -static_cast<Wide>(b.num) : static_cast<Wide>(b.num);
  return canonical(static_cast<Wide>(a.num) * b.den + bn * a.den, static_cast<Wide>(a.den) * b.den);
}
inline Exact exactProduct(const fract& a, const fract& b) {
  return canonical(static_cast<Wide>(a.num) * b.num, static_cast<Wide>(a.den) * b.den);
}
inline Exact exactQuotient(const fract& a, const fract& b) {
  return canonical(static_cast<Wide>(a.num) * b.den, static_cast<Wide>(a.den) * b.num);
}

// True when the record holds exactly the value v (in any terms, with a denominator of either sign).
// A value whose lowest terms do not fit in long cannot be held at all, so any claim is a wrap.
inline bool holds(const fract& r, const Exact& v) {
  if (r.den == 0 || !fits(v.num) || !fits(v.den)) return false;
  return static_cast<Wide>(r.num) * v.den == v.num * static_cast<Wide>(r.den);
}

// |base|^e, or -1 once it exceeds LONG_MAX (the core can then hold no such power).
inline Wide powerMagnitude(long base, unsigned long e) {
  const Wide b = magnitude(base);
  if (b <= 1 || e == 0) return e == 0 ? 1 : b;
  Wide result = 1;
  for (unsigned long i = 0; i < e; ++i) {
    result *= b;
    if (result > LONG_MAX) return -1;
  }
  return result;
}

inline unsigned long exponentMagnitude(long p) {
  return p < 0 ? static_cast<unsigned long>(-p) : static_cast<unsigned long>(p);
}

// Whether both parts of a^p (a in the domain, p not the most negative long) fit in long at all,
// and whether they fit far enough below the limit that refusing them would be a fault.
struct PowerBounds {
  bool representable;
  bool comfortable;
};
inline PowerBounds powerBounds(const fract& a, long p) {
  const unsigned long q = exponentMagnitude(p);
  const Wide n = powerMagnitude(a.num, q), d = powerMagnitude(a.den, q);
  const bool representable = n >= 0 && d >= 0;
  return {representable, representable && n <= kComfortable && d <= kComfortable};
}

// r holds a^p exactly, unreduced: a^|p|, then for a negative exponent its reciprocal with the sign
// moved into the numerator.
inline bool powerHolds(const fract& a, long p, const fract& r) {
  const unsigned long q = exponentMagnitude(p);
  const bool odd = q % 2 != 0;
  const Wide nMag = powerMagnitude(a.num, q), dMag = powerMagnitude(a.den, q);
  Wide n = (a.num < 0 && odd) ? -nMag : nMag, d = (a.den < 0 && odd) ? -dMag : dMag;
  if (p < 0) {
    const Wide swapped = n;
    n = swapped < 0 ? -d : d;
    d = swapped < 0 ? -swapped : swapped;
  }
  return r.num == n && r.den == d;
}

}  // namespace oracle

#endif  // QUORVEX_TESTS_COMMON_COREORACLE_H
