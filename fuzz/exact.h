// Exact rational arithmetic in an integer twice as wide as long: the oracle the harnesses hold the
// core's results against. Every product of two longs, and every sum of two such products, fits.
#ifndef QUORVEX_FUZZ_EXACT_H
#define QUORVEX_FUZZ_EXACT_H

#include <climits>
#include <cmath>

#include "fract.h"

namespace exact {

#if defined(__SIZEOF_INT128__)
using wide = __int128;
#else
static_assert(sizeof(long) == 4, "without a 128-bit integer only a 32-bit long has a wider type");
using wide = long long;
#endif
static_assert(sizeof(wide) >= 2 * sizeof(long), "the oracle needs twice the width of long");

inline wide magnitude(wide v) {
  return v < 0 ? -v : v;
}

inline wide gcd(wide a, wide b) {
  a = magnitude(a);
  b = magnitude(b);
  while (b != 0) {
    const wide t = a % b;
    a = b;
    b = t;
  }
  return a;
}

// Far enough below LONG_MAX that the core's conservative overflow tests have no excuse to refuse.
constexpr wide kComfortable = LONG_MAX / 4;

// A product of two parts that the core must compute rather than refuse.
inline bool comfortable(wide x, wide y) {
  return magnitude(x * y) <= kComfortable;
}

inline bool fitsLong(wide v) {
  return v >= -static_cast<wide>(LONG_MAX) && v <= LONG_MAX;
}

// A value in lowest terms with a positive denominator (den 0 only for "no value").
struct rational {
  wide num;
  wide den;
};

inline rational normalise(wide num, wide den) {
  if (den < 0) {
    num = -num;
    den = -den;
  }
  const wide g = gcd(num, den);
  if (g > 1) {
    num /= g;
    den /= g;
  }
  return {num, den};
}

// The domain in which the core promises exact results: no most negative long (it has no magnitude)
// and a denominator that is not zero.
inline bool inDomain(long v) {
  return v != LONG_MIN;
}
inline bool inDomain(const fract& f) {
  return inDomain(f.num) && inDomain(f.den) && f.den != 0;
}

inline bool lowestTerms(const fract& f) {
  return f.den > 0 && (f.num == 0 || gcd(f.num, f.den) == 1);
}

inline rational sum(const fract& a, const fract& b, bool negateB) {
  const wide bn = negateB ? -static_cast<wide>(b.num) : static_cast<wide>(b.num);
  return normalise(static_cast<wide>(a.num) * b.den + bn * a.den, static_cast<wide>(a.den) * b.den);
}
inline rational product(const fract& a, const fract& b) {
  return normalise(static_cast<wide>(a.num) * b.num, static_cast<wide>(a.den) * b.den);
}
inline rational quotient(const fract& a, const fract& b) {
  return normalise(static_cast<wide>(a.num) * b.den, static_cast<wide>(a.den) * b.num);
}

// True when the record holds exactly the value v (in any terms, with a denominator of either sign).
// A value whose lowest terms do not fit in long cannot be held at all, so any claim is a wrap.
inline bool holds(const fract& r, const rational& v) {
  if (r.den == 0 || !fitsLong(v.num) || !fitsLong(v.den)) return false;
  return static_cast<wide>(r.num) * v.den == v.num * static_cast<wide>(r.den);
}

// |base|^e, or -1 once it exceeds LONG_MAX (the core can then hold no such power).
inline wide powerMagnitude(long base, unsigned long e) {
  const wide b = magnitude(base);
  if (b <= 1 || e == 0) return e == 0 ? 1 : b;
  wide result = 1;
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
  const wide n = powerMagnitude(a.num, q), d = powerMagnitude(a.den, q);
  const bool representable = n >= 0 && d >= 0;
  return {representable, representable && n <= kComfortable && d <= kComfortable};
}

// Powers are computed in double precision and truncated: exact up to 2^53, within a couple of
// units in the last place above that, and never of the wrong sign.
inline bool closeTo(long got, wide want) {
  constexpr wide kExactLimit = wide{1} << 53;
  if (magnitude(want) <= kExactLimit) return got == want;
  if ((got < 0) != (want < 0)) return false;
  return magnitude(got - want) <= magnitude(want) >> 51;
}

// a^q, then for a negative exponent its reciprocal with the sign moved into the numerator.
inline bool powerMatches(const fract& a, long p, const fract& r, bool odd) {
  const unsigned long q = exponentMagnitude(p);
  const wide nMag = powerMagnitude(a.num, q), dMag = powerMagnitude(a.den, q);
  wide n = (a.num < 0 && odd) ? -nMag : nMag, d = (a.den < 0 && odd) ? -dMag : dMag;
  if (p < 0) {
    const wide swapped = n;
    n = swapped < 0 ? -d : d;
    d = swapped < 0 ? -swapped : swapped;
  }
  return closeTo(r.num, n) && closeTo(r.den, d);
}

// r holds a^p. Beyond 2^53 an exponent taken as a double has the parity of its rounded value;
// the exact parity is as good.
inline bool powerHolds(const fract& a, long p, const fract& r) {
  const unsigned long q = exponentMagnitude(p);
  const bool odd = q % 2 != 0, oddAsDouble = std::fmod(static_cast<double>(q), 2.0) != 0.0;
  return powerMatches(a, p, r, odd) || powerMatches(a, p, r, oddAsDouble);
}

}  // namespace exact

#endif  // QUORVEX_FUZZ_EXACT_H
