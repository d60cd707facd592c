#include "fract_testing.h"

namespace {

struct PowerCase {
  fract a;
  long p;
  bool ok;
  fract expected;  // when ok
};

void check(const PowerCase& c) {
  const fract a = c.a;
  fract r = kSentinel;
  SCOPED_TRACE(::testing::Message() << "(" << c.a << ")^" << c.p);
  EXPECT_EQ(myPow(r, a, c.p), c.ok);
  EXPECT_EQ(r, c.ok ? c.expected : kSentinel);  // untouched after a failure
  EXPECT_EQ(a, c.a);
}

constexpr fract kNone = {0, 0};

TEST(Power, SignsExponentsAndTheTrivialBases) {
  const PowerCase cases[] = {
      {{-2, 3}, 3, true, {-8, 27}},
      {{-2, 3}, -3, true, {-27, 8}},
      {{2, 3}, -2, true, {9, 4}},
      {{-1, 2}, -1, true, {-2, 1}},
      {{3, -2}, -1, true, {-2, 3}},
      {{2, -3}, 3, true, {8, -27}},
      {{4, 6}, 2, true, {16, 36}},  // not reduced
      {{7, 3}, 0, true, {1, 1}},
      {{-7, 3}, 0, true, {1, 1}},
      {{0, 5}, 0, true, {1, 1}},
      {{5, 0}, 0, true, {1, 1}},
      {{0, 5}, 3, true, {0, 125}},
      {{0, 5}, -2, true, {25, 0}},  // the caller keeps zero bases out
      {{1, 1}, 1000000, true, {1, 1}},
      {{-1, 1}, 1000001, true, {-1, 1}},
      {{-1, 1}, -1000001, true, {-1, 1}},
      {{1, -1}, LONG_MAX, true, {1, -1}},
      {{-1, 1}, -LONG_MAX, true, {-1, 1}},
      {{1, 2}, 1000, false, kNone},
      {{1, 2}, -1000, false, kNone},
      {{2, 1}, LONG_MAX, false, kNone},
  };
  for (const PowerCase& c : cases) check(c);
}

#if LONG_MAX == 9223372036854775807L

TEST(Power64, ExactUpToTheLimit) {
  const PowerCase cases[] = {
      {{2, 1}, 62, true, {4611686018427387904L, 1}},
      {{2, 1}, 63, false, kNone},
      {{-2, 1}, 63, false, kNone},  // -2^63 is never produced
      {{1, -2}, -63, false, kNone},
      {{8, 1}, 20, true, {1152921504606846976L, 1}},
      {{8, 1}, 21, false, kNone},
      {{512, 1}, 6, true, {18014398509481984L, 1}},
      {{512, 1}, 7, false, kNone},
      {{3, 1}, 39, true, {4052555153018976267L, 1}},
      {{3, 1}, 40, false, kNone},
      {{3037000499L, 1}, 2, true, {9223372030926249001L, 1}},
      {{3037000500L, 1}, 2, false, kNone},
      {{2097151, 1}, 3, true, {9223358842721533951L, 1}},
      {{2097152, 1}, 3, false, kNone},
      // Past 2^53 a double cannot hold these; they are still exact.
      {{3, 1}, 35, true, {50031545098999707L, 1}},
      {{-3, 7}, 21, true, {-10460353203L, 558545864083284007L}},
      {{7, 3}, -21, true, {10460353203L, 558545864083284007L}},
      // Exponents past 2^53, where a double would round the parity away.
      {{-1, 1}, 9007199254740993L, true, {-1, 1}},
      {{-1, 1}, 9007199254740992L, true, {1, 1}},
      {{-1, 1}, -9007199254740993L, true, {-1, 1}},
  };
  for (const PowerCase& c : cases) check(c);
}

#elif LONG_MAX == 2147483647L

TEST(Power32, ExactUpToTheLimit) {
  const PowerCase cases[] = {
      {{2, 1}, 30, true, {1073741824, 1}},
      {{2, 1}, 31, false, kNone},
      {{-2, 1}, 31, false, kNone},
      {{1, 2}, -30, true, {1073741824, 1}},
      {{3, 1}, 19, true, {1162261467, 1}},
      {{3, 1}, 20, false, kNone},
      {{46340, 1}, 2, true, {2147395600, 1}},
      {{46341, 1}, 2, false, kNone},
      {{1290, 1}, 3, true, {2146689000, 1}},
      {{1291, 1}, 3, false, kNone},
      {{-1, 1}, 2147483647, true, {-1, 1}},
  };
  for (const PowerCase& c : cases) check(c);
}

#endif

}  // namespace
