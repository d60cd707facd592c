// Private to the core: magnitudes as unsigned values, and the gcd and reduction that gcd.cpp,
// reduce.cpp and fractions.cpp share. Kept inline so the arithmetic does not pay a call per gcd.
#ifndef QUORVEX_MAGNITUDE_H
#define QUORVEX_MAGNITUDE_H

#include <climits>

namespace quorvex {

// The most negative long has no magnitude in the type; every entry point refuses it.
constexpr bool hasMagnitude(long v) {
  return v != LONG_MIN;
}

// |v| without the overflow that negating a long can hit (LONG_MIN maps to 2^(W-1)).
constexpr unsigned long magnitude(long v) {
  return v < 0 ? 0UL - static_cast<unsigned long>(v) : static_cast<unsigned long>(v);
}

// Binary gcd of two nonzero magnitudes, stripping whole runs of zero bits at once. The early exits
// are the common cases of the arithmetic: a denominator of 1, equal denominators, a numerator of
// +-1 after cancelling.
inline unsigned long binaryGcd(unsigned long u, unsigned long v) {
  if (u == 1 || v == 1) return 1;
  if (u == v) return u;
  const int shift = __builtin_ctzl(u | v);
  u >>= __builtin_ctzl(u);
  do {
    v >>= __builtin_ctzl(v);
    // Both odd now; keep the smaller in u so v - u stays an even, nonnegative difference.
    const unsigned long lo = u < v ? u : v;
    v = u < v ? v - u : u - v;
    u = lo;
  } while (v != 0);
  return u << shift;
}

// Divides p and q (both nonzero, neither LONG_MIN) by their gcd and returns it. The divisions are
// skipped for coprime pairs, which is most pairs.
inline long reduceNonzero(long& p, long& q) {
  const unsigned long g = binaryGcd(magnitude(p), magnitude(q));
  if (g != 1) {
    p /= static_cast<long>(g);
    q /= static_cast<long>(g);
  }
  return static_cast<long>(g);
}

// reduce() for callers that have already kept LONG_MIN out.
inline long reduceInRange(long& p, long& q) {
  if (p == 0 || q == 0) return 1;
  return reduceNonzero(p, q);
}

}  // namespace quorvex

#endif  // QUORVEX_MAGNITUDE_H
