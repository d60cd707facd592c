// The side-by-side gcds that add, sub, mul and div rely on: every lane must get its own answer
// whichever lane ends first, whatever early exit a lane takes. And sums on large denominators,
// reduced or not, must come out as the step-by-step cancellation gives them.
#include <climits>
#include <numeric>
#include <random>

#include "fract_testing.h"
#include "magnitude.h"

namespace {

using quorvex::binaryGcdPair;

struct Lane {
  unsigned long u, v;
};

unsigned long euclid(const Lane& l) {
  return std::gcd(l.u, l.v);
}

void expectLanes(const Lane& l1, const Lane& l2) {
  unsigned long g1 = 0, g2 = 0;
  binaryGcdPair(l1.u, l1.v, l2.u, l2.v, g1, g2);
  EXPECT_EQ(g1, euclid(l1)) << l1.u << ", " << l1.v;
  EXPECT_EQ(g2, euclid(l2)) << l2.u << ", " << l2.v;
}

// Lanes of very different lengths and every kind of early exit, in every position.
TEST(GcdLanes, EachLaneGetsItsOwnAnswer) {
  const Lane lanes[] = {
      {1, 999},                    // gcd with 1
      {4096, 4096},                // equal
      {3 << 20, 3},                // one divides the other, far apart in size
      {12, 18},                    // short chain, common power of two
      {1073741789, 1073741827},    // long chain, coprime
      {(1L << 29) * 3, 1L << 30},  // powers of two on both sides
      {999999937, 7},              // unequal sizes with a remainder
      {2147483647, 1},
  };
  for (const Lane& a : lanes) {
    for (const Lane& b : lanes) expectLanes(a, b);
  }
}

TEST(GcdLanes, RandomLanesOnEveryScale) {
  std::mt19937_64 rng(0x6cd);
  const int widths[] = {4, 10, 20, 30, static_cast<int>(sizeof(long) * CHAR_BIT) - 1};
  for (int i = 0; i < 3000; ++i) {
    Lane l[2];
    for (Lane& lane : l) {
      const int w1 = widths[rng() % 5], w2 = widths[rng() % 5];
      const unsigned long factor = 1 + rng() % 64;  // a shared factor now and then
      lane.u = 1 + rng() % ((1UL << w1) - 1);
      lane.v = 1 + rng() % ((1UL << w2) - 1);
      if (i % 3 == 0 && lane.u <= LONG_MAX / factor && lane.v <= LONG_MAX / factor) {
        lane.u *= factor;
        lane.v *= factor;
      }
    }
    expectLanes(l[0], l[1]);
  }
}

#if LONG_MAX > 2147483647L
struct SumCase {
  fract a, b;
  bool subtract;
  fract expected;
};

// Denominators too large to cancel in one gcd: reduced operands skip the cancellations against
// the cofactors, unreduced ones must still get them, unless what they share lies in the
// denominators' common factor only.
TEST(GcdLanes, SumsOnLargeDenominators) {
  const SumCase cases[] = {
      {{1048583, 3145739}, {2097169, 3145719}, false, {9895693779068, 9895610941341}},
      {{3145749, 3145719}, {5, 1073741824}, false, {1125907428278257, 1125896685617152}},
      {{1048618, 2097146}, {-7, 6291438}, true, {3145861, 6291438}},
      {{999999937, 1073741824}, {1, 1073741824}, false, {499999969, 536870912}},
      {{42, 6291438}, {35, 5242915}, false, {14680092, 1099515822059}},
      {{-536870909, 1073741789}, {536870909, 1073741789}, true, {-1073741818, 1073741789}},
      {{1073741789, 1073741827}, {-1073741789, 1073741827}, false, {0, 1073741827}},
      // 2/(2 * 1073741827) shares its 2 with the common factor only
      {{2, 2147483654}, {1, 2147483578}, false, {3221225405, 2305842940494217006}},
      // 6/(4 * 1048573) shares 2 with its own cofactor and 3 with the other's
      {{6, 4194292}, {5, 6291426}, false, {7340002, 3298509717549}},
      {{6, 4194292}, {5, 6291426}, true, {2097137, 3298509717549}},
  };
  for (const SumCase& c : cases) {
    fract r = kSentinel;
    ASSERT_TRUE(c.subtract ? sub(r, c.a, c.b) : add(r, c.a, c.b))
        << c.a << (c.subtract ? " - " : " + ") << c.b;
    EXPECT_EQ(r, c.expected) << c.a << (c.subtract ? " - " : " + ") << c.b;
  }
}
#endif

}  // namespace
