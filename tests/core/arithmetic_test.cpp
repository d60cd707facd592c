#include "fract_testing.h"

namespace {

enum class Op { Add, Sub, Mul, Div };

const char* name(Op op) {
  switch (op) {
    case Op::Add:
      return "+";
    case Op::Sub:
      return "-";
    case Op::Mul:
      return "*";
    case Op::Div:
      return "/";
  }
  return "?";
}

bool apply(Op op, fract& r, const fract& a, const fract& b) {
  switch (op) {
    case Op::Add:
      return add(r, a, b);
    case Op::Sub:
      return sub(r, a, b);
    case Op::Mul:
      return mul(r, a, b);
    case Op::Div:
      return div(r, a, b);
  }
  return false;
}

struct BinaryCase {
  fract a;
  Op op;
  fract b;
  bool ok;
  fract expected;  // when ok
};

// Every operation: the expected outcome, operands never written, and a failure leaves r alone
// (add and sub are allowed to have written r.num, but r.den never).
void check(const BinaryCase& c) {
  const fract a = c.a, b = c.b;
  fract r = kSentinel;
  const bool ok = apply(c.op, r, a, b);
  SCOPED_TRACE(::testing::Message() << c.a << " " << name(c.op) << " " << c.b);
  EXPECT_EQ(ok, c.ok);
  EXPECT_EQ(a, c.a);
  EXPECT_EQ(b, c.b);
  if (c.ok) {
    EXPECT_EQ(r, c.expected);
  } else if (c.op == Op::Add || c.op == Op::Sub) {
    EXPECT_EQ(r.den, kSentinel.den);
  } else {
    EXPECT_EQ(r, kSentinel);
  }
}

constexpr bool kFails = false;
constexpr fract kNone = {0, 0};

TEST(Arithmetic, ResultsAreReducedAndZeroKeepsItsDenominator) {
  const BinaryCase cases[] = {
      {{1, 2}, Op::Add, {1, 3}, true, {5, 6}},
      {{1, 6}, Op::Add, {1, 3}, true, {1, 2}},
      {{1, 2}, Op::Sub, {1, 2}, true, {0, 2}},
      {{3, 4}, Op::Sub, {1, 4}, true, {1, 2}},
      {{-3, 4}, Op::Add, {3, 4}, true, {0, 4}},
      {{5, 12}, Op::Add, {7, 18}, true, {29, 36}},
      {{1, 10}, Op::Add, {1, 15}, true, {1, 6}},
      {{-1, 2}, Op::Sub, {1, 3}, true, {-5, 6}},
      {{2, 4}, Op::Add, {2, 4}, true, {1, 1}},  // unreduced operands still cancel
      {{3, 9}, Op::Sub, {1, 6}, true, {1, 6}},
      {{2, 3}, Op::Mul, {9, 4}, true, {3, 2}},
      {{0, 1}, Op::Mul, {3, 4}, true, {0, 4}},
      {{-2, 3}, Op::Mul, {3, -4}, true, {-1, -2}},
      {{2, 4}, Op::Mul, {2, 4}, true, {1, 4}},
      {{1, 2}, Op::Div, {-1, 3}, true, {-3, 2}},
      {{-1, 2}, Op::Div, {-1, 3}, true, {3, 2}},
      {{2, 3}, Op::Div, {4, 9}, true, {3, 2}},
      {{0, 5}, Op::Div, {3, 7}, true, {0, 15}},
      {{1, 2}, Op::Div, {0, 1}, true, {1, 0}},  // the caller refuses zero divisors
  };
  for (const BinaryCase& c : cases) check(c);
}

#if LONG_MAX == 9223372036854775807L

constexpr long k2p62 = 4611686018427387904L;

TEST(Arithmetic64, SumsUpToTheLimitAndNoFurther) {
  const BinaryCase cases[] = {
      {{k2p62, 1}, Op::Add, {k2p62 - 1, 1}, true, {LONG_MAX, 1}},
      {{k2p62, 1}, Op::Add, {k2p62, 1}, kFails, kNone},
      {{-k2p62, 1}, Op::Sub, {k2p62, 1}, kFails, kNone},  // would be the most negative long
      {{-k2p62, 1}, Op::Add, {-k2p62, 1}, kFails, kNone},
      {{-k2p62, 1}, Op::Sub, {k2p62 - 1, 1}, true, {-LONG_MAX, 1}},
      {{k2p62, 1}, Op::Sub, {-k2p62, 1}, kFails, kNone},
      {{1, 3037000499L}, Op::Add, {1, 3037000501L}, kFails, kNone},  // lcm does not fit
      {{1, 3037000499L}, Op::Add, {1, 3037000499L}, true, {2, 3037000499L}},
  };
  for (const BinaryCase& c : cases) check(c);
}

TEST(Arithmetic64, ProductTestsKeepTheirConservativeRefusals) {
  const BinaryCase cases[] = {
      // The logarithms round up to the limit although the product fits: still refused.
      {{2, 1}, Op::Mul, {4611686018427387903L, 1}, kFails, kNone},
      {{3, 1}, Op::Mul, {3074457345618258602L, 1}, kFails, kNone},
      {{LONG_MAX, 1}, Op::Mul, {1, 1}, kFails, kNone},
      {{LONG_MAX, 1}, Op::Add, {0, 1}, kFails, kNone},
      {{LONG_MAX, 1}, Op::Div, {1, 1}, kFails, kNone},
      // In the same band, products the logarithms pass are formed exactly.
      {{1483750565L, 1}, Op::Mul, {6216255113L, 1}, true, {9223372036097888845L, 1}},
      {{3037000499L, 1}, Op::Mul, {3037000500L, 1}, true, {9223372033963249500L, 1}},
      // Out of range: refused by the exact test.
      {{3037000500L, 1}, Op::Mul, {3037000500L, 1}, kFails, kNone},
      {{-k2p62, 1}, Op::Mul, {2, 1}, kFails, kNone},  // -2^63 is never produced
      {{k2p62, 1}, Op::Div, {-1, 2}, kFails, kNone},
      {{1, k2p62}, Op::Mul, {1, 2}, kFails, kNone},
      {{1, 2}, Op::Mul, {1, k2p62 - 1}, kFails, kNone},  // the same refusal, in denominators
      {{1, 2}, Op::Mul, {1, k2p62 / 2 - 1}, true, {1, k2p62 - 2}},
  };
  for (const BinaryCase& c : cases) check(c);
}

// The harmonic sum's denominators outgrow the type: H_46 is the last that fits.
TEST(Arithmetic64, HarmonicSeriesReachesH46) {
  fract sum = {0, 1};
  long k = 1;
  for (;; ++k) {
    fract next;
    if (!add(next, sum, fract{1, k})) break;
    sum = next;
  }
  EXPECT_EQ(k, 47);
  EXPECT_EQ(sum, (fract{5943339269060627227L, 1345655451257488800L}));
}

#elif LONG_MAX == 2147483647L

TEST(Arithmetic32, SumsUpToTheLimitAndNoFurther) {
  const BinaryCase cases[] = {
      {{1073741824, 1}, Op::Add, {1073741823, 1}, true, {2147483647, 1}},
      {{1073741824, 1}, Op::Add, {1073741824, 1}, kFails, kNone},
      {{-1073741824, 1}, Op::Sub, {1073741824, 1}, kFails, kNone},
      {{-1073741824, 1}, Op::Sub, {1073741823, 1}, true, {-2147483647, 1}},
      {{1, 46337}, Op::Add, {1, 46349}, kFails, kNone},
  };
  for (const BinaryCase& c : cases) check(c);
}

TEST(Arithmetic32, ProductsUpToTheLimitAndNoFurther) {
  const BinaryCase cases[] = {
      {{46340, 1}, Op::Mul, {46340, 1}, true, {2147395600, 1}},
      {{46341, 1}, Op::Mul, {46341, 1}, kFails, kNone},
      {{2, 1}, Op::Mul, {1073741823, 1}, true, {2147483646, 1}},
      {{2, 1}, Op::Mul, {1073741824, 1}, kFails, kNone},
      {{-1073741824, 1}, Op::Mul, {2, 1}, kFails, kNone},
      {{1, 65536}, Op::Div, {32768, 1}, kFails, kNone},
  };
  for (const BinaryCase& c : cases) check(c);
}

#else
#error "long must be 32 or 64 bits wide"
#endif

struct SquareCase {
  fract a;
  bool ok;
  fract expected;
};

TEST(Square, IsTheUnreducedSquare) {
  const SquareCase cases[] = {
    {{-3, 4}, true, {9, 16}},
    {{2, 4}, true, {4, 16}},
    {{0, 3}, true, {0, 9}},
#if LONG_MAX == 9223372036854775807L
    {{3037000499L, 1}, true, {9223372030926249001L, 1}},
    {{1, -3037000500L}, false, kNone},
#else
    {{46340, 1}, true, {2147395600, 1}},
    {{1, -46341}, false, kNone},
#endif
  };
  for (const SquareCase& c : cases) {
    fract r = kSentinel;
    const fract a = c.a;
    EXPECT_EQ(sqr(r, a), c.ok) << c.a;
    EXPECT_EQ(r, c.ok ? c.expected : kSentinel) << c.a;
    EXPECT_EQ(a, c.a);
  }
}

TEST(ConvToDouble, DividesOnceAndMapsZeroDenominatorsToNaN) {
  EXPECT_EQ(convToDouble(fract{1, 4}), 0.25);
  EXPECT_EQ(convToDouble(fract{-7, 2}), -3.5);
  EXPECT_EQ(convToDouble(fract{0, 9}), 0.0);
  for (const fract f : {fract{5, 0}, fract{0, 0}, fract{-1, 0}}) {
    EXPECT_NE(convToDouble(f), convToDouble(f)) << f;  // NaN only
  }
}

}  // namespace
