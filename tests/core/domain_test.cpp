// The most negative long has no magnitude: as an operand or exponent it is refused, and no
// operation ever produces it.
#include "fract_testing.h"

namespace {

constexpr long kMin = LONG_MIN;

TEST(MostNegativeLong, EveryOperandPositionIsRefused) {
  const fract ok = {1, 2};
  const fract bad[] = {{kMin, 1}, {1, kMin}, {kMin, kMin}, {kMin, 0}, {0, kMin}};
  for (const fract& x : bad) {
    SCOPED_TRACE(::testing::Message() << x);
    fract r = kSentinel;
    EXPECT_FALSE(add(r, x, ok));
    EXPECT_FALSE(add(r, ok, x));
    EXPECT_FALSE(sub(r, x, ok));
    EXPECT_FALSE(sub(r, ok, x));
    EXPECT_FALSE(mul(r, x, ok));
    EXPECT_FALSE(mul(r, ok, x));
    EXPECT_FALSE(div(r, x, ok));
    EXPECT_FALSE(div(r, ok, x));
    EXPECT_FALSE(sqr(r, x));
    EXPECT_FALSE(myPow(r, x, 1));
    EXPECT_FALSE(myPow(r, x, 0));
    EXPECT_EQ(r, kSentinel);
  }
}

TEST(MostNegativeLong, AsAnExponentIsRefusedWhateverTheBase) {
  for (const fract base : {fract{1, 1}, fract{-1, 1}, fract{0, 1}, fract{2, 3}}) {
    fract r = kSentinel;
    EXPECT_FALSE(myPow(r, base, kMin)) << base;
    EXPECT_EQ(r, kSentinel);
  }
}

// Results one step beyond -LONG_MAX, reached from every operation.
TEST(MostNegativeLong, IsNeverProduced) {
  const long half = kMin / 2;  // -2^(W-2)
  struct Case {
    const char* what;
    bool (*op)(fract&, const fract&, const fract&);
    fract a, b;
  };
  const Case cases[] = {
      {"add", add, {half, 1}, {half, 1}}, {"sub", sub, {half, 1}, {-half, 1}},
      {"mul", mul, {half, 1}, {2, 1}},    {"mul", mul, {1, half}, {1, -2}},
      {"div", div, {-half, 1}, {-1, 2}},  {"div", div, {1, half}, {2, 1}},
  };
  for (const Case& c : cases) {
    fract r = kSentinel;
    EXPECT_FALSE(c.op(r, c.a, c.b)) << c.what << " " << c.a << ", " << c.b;
    EXPECT_NE(r.num, kMin);
    EXPECT_NE(r.den, kMin);
  }
  fract r = kSentinel;
  EXPECT_FALSE(myPow(r, fract{-2, 1}, sizeof(long) * 8 - 1));
  EXPECT_FALSE(myPow(r, fract{1, -2}, -static_cast<long>(sizeof(long) * 8 - 1)));
  EXPECT_EQ(r, kSentinel);
}

}  // namespace
