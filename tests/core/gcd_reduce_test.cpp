#include <numeric>

#include "fract_testing.h"

namespace {

struct GcdCase {
  long a, b, expected;
};

TEST(Gcd, MagnitudesOfNonzeroArguments) {
  const GcdCase cases[] = {
      {12, 18, 6},
      {-12, 18, 6},
      {18, -12, 6},
      {-21, -7, 7},
      {1, LONG_MAX, 1},
      {LONG_MAX, 1, 1},
      {LONG_MAX, LONG_MAX, LONG_MAX},
      {-LONG_MAX, LONG_MAX, LONG_MAX},
      {1L << 30, 3L << 20, 1L << 20},
      {LONG_MAX - 1, (LONG_MAX - 1) / 2, (LONG_MAX - 1) / 2},
      {97, 89, 1},
      {1000, 999, 1},
  };
  for (const GcdCase& c : cases) {
    EXPECT_EQ(gcd(c.a, c.b), c.expected) << c.a << ", " << c.b;
  }
}

TEST(Gcd, AgreesWithEuclidOverASmallSquare) {
  for (long a = -150; a <= 150; ++a) {
    for (long b = 1; b <= 150; ++b) {
      if (a == 0) continue;
      ASSERT_EQ(gcd(a, b), std::gcd(a, b)) << a << ", " << b;
      ASSERT_EQ(gcd(b, a), std::gcd(a, b)) << b << ", " << a;
    }
  }
}

TEST(Gcd, ZeroAndTheMostNegativeLongGiveZero) {
  const GcdCase cases[] = {{0, 5, 0},        {5, 0, 0},        {0, 0, 0},
                           {LONG_MIN, 2, 0}, {2, LONG_MIN, 0}, {LONG_MIN, LONG_MIN, 0},
                           {LONG_MIN, 0, 0}};
  for (const GcdCase& c : cases) EXPECT_EQ(gcd(c.a, c.b), c.expected) << c.a << ", " << c.b;
}

struct ReduceCase {
  long p, q;
  long expected_divisor, expected_p, expected_q;
};

TEST(Reduce, DividesBothByTheirGcdKeepingSigns) {
  const ReduceCase cases[] = {
      {-4, 6, 2, -2, 3},
      {6, -4, 2, 3, -2},
      {7, 7, 7, 1, 1},
      {3, 4, 1, 3, 4},
      {0, 5, 1, 0, 5},  // a zero changes nothing
      {5, 0, 1, 5, 0},
      {0, 0, 1, 0, 0},
      {LONG_MAX, -LONG_MAX, LONG_MAX, 1, -1},
      {LONG_MIN, 2, 0, LONG_MIN, 2},  // no magnitude: refused, nothing changed
      {4, LONG_MIN, 0, 4, LONG_MIN},
      {0, LONG_MIN, 0, 0, LONG_MIN},
  };
  for (const ReduceCase& c : cases) {
    long p = c.p, q = c.q;
    EXPECT_EQ(reduce(p, q), c.expected_divisor) << c.p << ", " << c.q;
    EXPECT_EQ(p, c.expected_p) << c.p << ", " << c.q;
    EXPECT_EQ(q, c.expected_q) << c.p << ", " << c.q;
  }
}

}  // namespace
