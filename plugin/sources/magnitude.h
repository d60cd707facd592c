// Private to the core: magnitudes as unsigned values, and the gcd and reductions that gcd.cpp,
// reduce.cpp, fractions.cpp and stringStuff.cpp share. Kept inline so the arithmetic does not pay a
// call per gcd.
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

// One step of the binary gcd on two odd values, given v - u (nonzero): the smaller stays, the
// other becomes the odd part of their difference. ctz(v - u) equals ctz(|u - v|), so the shift
// count does not wait for the comparison, and no branch depends on the data.
inline void gcdStep(unsigned long& u, unsigned long& v, unsigned long difference) {
  const int zeros = __builtin_ctzl(difference);
  const unsigned long smaller = u < v ? u : v;
  u = (u < v ? difference : u - v) >> zeros;
  v = smaller;
}

// Runs gcdStep until the two values meet. The test is on the difference the step needs anyway,
// so the loop's last branch resolves a cycle after the step begins, not after it ends.
inline void runGcd(unsigned long& u, unsigned long& v) {
  for (unsigned long difference = v - u; difference != 0; difference = v - u) {
    gcdStep(u, v, difference);
  }
}

// A value this many bits longer than the other is first brought down with one division: cheaper
// than the binary steps it replaces.
constexpr int kDivideAboveBits = 8;

// Readies two nonzero magnitudes for gcdStep (both odd, the common power of two set aside in
// shift). Returns false when the answer is already known, and leaves it in g: a gcd with 1, of
// equal values, or a division without remainder. These exits are the common cases of the
// arithmetic: denominators of 1, equal denominators, a numerator of +-1.
inline bool startGcd(unsigned long& u, unsigned long& v, unsigned long& g, int& shift) {
  if (u == 1 || v == 1) {
    g = 1;
    return false;
  }
  if (u == v) {
    g = u;
    return false;
  }
  if ((u >> kDivideAboveBits) > v) {
    u %= v;
    if (u == 0) {
      g = v;
      return false;
    }
  } else if ((v >> kDivideAboveBits) > u) {
    v %= u;
    if (v == 0) {
      g = u;
      return false;
    }
  }
  shift = __builtin_ctzl(u | v);
  u >>= __builtin_ctzl(u);
  v >>= __builtin_ctzl(v);
  return true;
}

// gcd of two nonzero magnitudes.
inline unsigned long binaryGcd(unsigned long u, unsigned long v) {
  unsigned long g;
  int shift;
  if (!startGcd(u, v, g, shift)) return g;
  runGcd(u, v);
  return u << shift;
}

// Runs two gcds that startGcd has readied to their end side by side: each step of one gcd waits
// on the previous step of the same gcd, so two chains do nearly twice the work per cycle. Each
// pair ends equal, at the odd part of its gcd.
inline void runGcdPair(unsigned long& u1, unsigned long& v1, unsigned long& u2, unsigned long& v2) {
  for (unsigned long d1 = v1 - u1, d2 = v2 - u2; d1 != 0 && d2 != 0; d1 = v1 - u1, d2 = v2 - u2) {
    gcdStep(u1, v1, d1);
    gcdStep(u2, v2, d2);
  }
  // One chain has finished; carry on with the other, chosen without a branch (which one ends
  // first is a coin toss that a branch would mispredict).
  const bool firstDone = u1 == v1;
  unsigned long u = firstDone ? u2 : u1, v = firstDone ? v2 : v1;
  runGcd(u, v);
  u1 = v1 = firstDone ? u1 : u;
  u2 = v2 = firstDone ? u : u2;
}

// Two independent gcds at once; either may already be answered by startGcd.
inline void binaryGcdPair(unsigned long u1, unsigned long v1, unsigned long u2, unsigned long v2,
                          unsigned long& g1, unsigned long& g2) {
  int shift1 = 0, shift2 = 0;
  const bool run1 = startGcd(u1, v1, g1, shift1);
  const bool run2 = startGcd(u2, v2, g2, shift2);
  if (run1 && run2) {
    runGcdPair(u1, v1, u2, v2);
  } else if (run1) {
    runGcd(u1, v1);
  } else if (run2) {
    runGcd(u2, v2);
  }
  if (run1) g1 = u1 << shift1;
  if (run2) g2 = u2 << shift2;
}

// Exact division of p and q by their common divisor g, skipped for the common g of 1.
inline void divideBoth(long& p, long& q, unsigned long g) {
  if (g != 1) {
    p /= static_cast<long>(g);
    q /= static_cast<long>(g);
  }
}

// reduce() for callers that have already kept LONG_MIN out: divides p and q by their gcd and
// returns it; 1, changing nothing, when either is 0.
inline long reduceInRange(long& p, long& q) {
  if (p == 0 || q == 0) return 1;
  const unsigned long g = binaryGcd(magnitude(p), magnitude(q));
  divideBoth(p, q, g);
  return static_cast<long>(g);
}

// reduceInRange(p1, q1) and reduceInRange(p2, q2) for two independent pairs, side by side.
inline void reduceTwoInRange(long& p1, long& q1, long& p2, long& q2) {
  if (p1 == 0 || q1 == 0) {
    reduceInRange(p2, q2);
  } else if (p2 == 0 || q2 == 0) {
    reduceInRange(p1, q1);
  } else {
    unsigned long g1, g2;
    binaryGcdPair(magnitude(p1), magnitude(q1), magnitude(p2), magnitude(q2), g1, g2);
    divideBoth(p1, q1, g1);
    divideBoth(p2, q2, g2);
  }
}

// reduceInRange(n, q1) followed by reduceInRange(n, q2), where q1 and q2 are coprime (or one of
// them is 0). Then what n shares with q2 does not change when n is divided by a divisor of q1, so
// both gcds can be taken from the original n, side by side.
inline void reduceAgainstCoprime(long& n, long& q1, long& q2) {
  if (n == 0) return;
  if (q1 == 0 || q2 == 0) {
    reduceInRange(n, q1);
    reduceInRange(n, q2);
    return;
  }
  unsigned long g1, g2;
  const unsigned long m = magnitude(n);
  binaryGcdPair(m, magnitude(q1), m, magnitude(q2), g1, g2);
  divideBoth(n, q1, g1);
  divideBoth(n, q2, g2);
}

}  // namespace quorvex

#endif  // QUORVEX_MAGNITUDE_H
