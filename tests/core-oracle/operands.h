// Reproducible operands for the randomized tests, drawn from every magnitude band where the core's
// arithmetic changes behaviour: small values, the neighbourhoods of 2^15, 2^31, 2^62, the square
// root of the limit and the limit itself, values rich in small factors, and any bit length.
#ifndef QUORVEX_TESTS_CORE_ORACLE_OPERANDS_H
#define QUORVEX_TESTS_CORE_ORACLE_OPERANDS_H

#include <climits>
#include <cstdint>
#include <random>

#include "CoreOracle.h"
#include "fract.h"

namespace operands {

constexpr int kLongBits = static_cast<int>(sizeof(long) * CHAR_BIT);

// floor(sqrt(LONG_MAX)), the largest factor whose square still fits.
constexpr long kSqrtLimit = kLongBits == 64 ? 3037000499L : 46340L;

class Source {
 public:
  explicit Source(std::uint64_t seed) : rng_(seed) {}

  // Uniform in [lo, hi]; lo <= hi.
  long between(long lo, long hi) {
    const std::uint64_t span = static_cast<std::uint64_t>(hi) - static_cast<std::uint64_t>(lo);
    const std::uint64_t off = span == UINT64_MAX ? rng_() : rng_() % (span + 1);
    return static_cast<long>(static_cast<std::uint64_t>(lo) + off);
  }

  bool chance(int percent) { return between(0, 99) < percent; }

  // A magnitude in [1, LONG_MAX] from a randomly chosen band.
  long magnitude() {
    switch (between(0, 9)) {
      case 0:
      case 1:
        return between(1, 1000);
      case 2:
        return around(1L << 15, 64);
#if LONG_MAX > 2147483647L
      case 3:
        return around(1L << 31, 128);
      case 4:
        return around(1L << 62, 1024);
#else
      case 3:
        return around(1L << 30, 1024);
      case 4:
        return around(LONG_MAX, 128);
#endif
      case 5:
        return LONG_MAX - between(0, 1024);
      case 6:
        return around(kSqrtLimit, 64);
      case 7:
        return smooth();
      default:
        return anyBits();
    }
  }

  // A fraction with a positive denominator: negative, zero and unreduced numerators included.
  fract fraction() {
    fract f{chance(6) ? 0 : magnitude(), magnitude()};
    if (chance(50)) f.num = -f.num;
    if (chance(50)) {
      oracle::reduce(f.num, f.den);
    } else if (chance(50)) {
      unreduce(f);
    }
    return f;
  }

  // Like fraction(), but now and then with a zero or negative denominator or the most negative
  // long in a component: values the arithmetic still has to answer as its algorithms say.
  fract oddFraction() {
    fract f = fraction();
    switch (between(0, 9)) {
      case 0:
        f.den = 0;
        break;
      case 1:
      case 2:
        f.den = -f.den;
        break;
      case 3:
        f.num = LONG_MIN;
        break;
      case 4:
        f.den = LONG_MIN;
        break;
      default:
        break;
    }
    return f;
  }

  // Two integers whose product lies within a few units of the limit, where the logarithmic test
  // and the exact one can disagree.
  void nearLimitFactors(long& a, long& b) {
    a = chance(50) ? between(2, 1000) : around(kSqrtLimit, 1000);
    b = LONG_MAX / a + between(-2, 1);
    if (chance(50)) a = -a;
    if (chance(50)) b = -b;
  }

  // An exponent near the largest one for which |base|^p stays below the limit, or anywhere.
  long exponentFor(long base) {
    if (chance(20)) return between(LONG_MIN, LONG_MAX);
    long p = chance(20) ? between(-70, 70) : edgeExponent(base) + between(-1, 1);
    return chance(30) ? -p : p;
  }

 private:
  long around(long centre, long radius) {
    const long lo = centre - radius;
    const long hi = centre > LONG_MAX - radius ? LONG_MAX : centre + radius;
    return between(lo, hi);
  }

  long anyBits() {
    const int width = static_cast<int>(between(1, kLongBits - 1));
    const std::uint64_t top = std::uint64_t{1} << (width - 1);
    return static_cast<long>(top | (rng_() & (top - 1)));
  }

  // A product of small primes, so that numerators and denominators share many factors.
  long smooth() {
    static constexpr long kPrimes[] = {2, 3, 5, 7, 11, 13};
    long v = 1;
    const int steps = static_cast<int>(between(1, kLongBits));
    for (int i = 0; i < steps; ++i) {
      const long p = kPrimes[between(0, 5)];
      if (v > LONG_MAX / p) break;
      v *= p;
    }
    return v;
  }

  void unreduce(fract& f) {
    const long k = chance(50) ? between(2, 1000) : magnitude();
    const oracle::Wide n = static_cast<oracle::Wide>(f.num) * k;
    const oracle::Wide d = static_cast<oracle::Wide>(f.den) * k;
    if (oracle::fits(n) && oracle::fits(d)) f = {static_cast<long>(n), static_cast<long>(d)};
  }

  static long edgeExponent(long base) {
    const oracle::Wide m = oracle::magnitude(base);
    if (m < 2) return 1000000;
    long p = 0;
    for (oracle::Wide v = m; oracle::fits(v); v *= m) ++p;
    return p;
  }

  std::mt19937_64 rng_;
};

}  // namespace operands

#endif  // QUORVEX_TESTS_CORE_ORACLE_OPERANDS_H
