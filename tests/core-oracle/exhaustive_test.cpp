// Exhaustive checks of small ranges: every pair of fractions with small components, and every
// pair drawn from a small window at the limit, for every operation.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "CoreOracle.h"
#include "checks.h"
#include "fract.h"

namespace {

constexpr long kBound = 12;

// Every n/d with |n| <= kBound and 1 <= d <= kBound, reduced or not.
std::vector<fract> smallFractions() {
  std::vector<fract> all;
  for (long n = -kBound; n <= kBound; ++n)
    for (long d = 1; d <= kBound; ++d) all.push_back({n, d});
  return all;
}

// Components a few units below the limit, beside small ones: every sum, product and cancellation
// across the boundary.
std::vector<fract> limitWindow() {
  std::vector<long> parts;
  for (long k = 0; k < 4; ++k) parts.insert(parts.end(), {LONG_MAX - k, -(LONG_MAX - k)});
  for (long k = 1; k <= 3; ++k) parts.insert(parts.end(), {k, -k});
  parts.push_back(LONG_MAX / 2);
  parts.push_back(LONG_MAX / 2 + 1);
  parts.push_back(0);
  std::vector<fract> all;
  for (long n : parts)
    for (long d : parts)
      if (d > 0) all.push_back({n, d});
  return all;
}

void everyPair(const std::vector<fract>& values, const char* what) {
  for (const checks::Binary& op : checks::kBinaries) {
    checks::Tally tally(std::string(op.name) + " " + what);
    for (const fract& a : values)
      for (const fract& b : values)
        if (!op.divides || b.num != 0) tally.record(checks::checkBinary(op, a, b));
  }
}

TEST(CoreOracleExhaustive, EveryPairOfSmallFractions) {
  const std::vector<fract> values = smallFractions();
  everyPair(values, "small");
  // Nothing this small may be refused, so the replay cannot have hidden a refusal.
  for (const fract& a : values)
    for (const fract& b : values) {
      fract r{};
      ASSERT_TRUE(add(r, a, b) && sub(r, a, b) && mul(r, a, b))
          << checks::show(a) << ", " << checks::show(b);
    }
}

TEST(CoreOracleExhaustive, EveryPairAtTheLimit) {
  everyPair(limitWindow(), "at the limit");
}

TEST(CoreOracleExhaustive, EveryPowerAndSquareOfSmallFractions) {
  checks::Tally tally("myPow/sqr small");
  for (const fract& a : smallFractions()) {
    tally.record(checks::checkSqr(a));
    for (long p = -2 * kBound; p <= 2 * kBound; ++p)
      if (a.num != 0 || p > 0) tally.record(checks::checkPow(a, p));
  }
}

TEST(CoreOracleExhaustive, EveryPowerAtTheLimit) {
  checks::Tally tally("myPow at the limit");
  for (const fract& a : limitWindow())
    for (long p : {-3L, -2L, -1L, 1L, 2L, 3L, LONG_MAX, -LONG_MAX})
      if (a.num != 0 || p > 0) tally.record(checks::checkPow(a, p));
}

TEST(CoreOracleExhaustive, GcdAndReduceOfSmallPairs) {
  for (long a = -60; a <= 60; ++a)
    for (long b = -60; b <= 60; ++b) {
      if (a == 0 || b == 0) continue;
      ASSERT_EQ(gcd(a, b), static_cast<long>(oracle::gcdWide(a, b))) << a << ", " << b;
      long p = a, q = b, wantP = a, wantQ = b;
      const long wantG = oracle::reduce(wantP, wantQ);
      ASSERT_EQ(reduce(p, q), wantG) << a << ", " << b;
      ASSERT_TRUE(p == wantP && q == wantQ) << a << ", " << b << " -> " << p << ", " << q;
    }
}

// 1/1 + 1/2 + ... term by term: every partial sum the core reaches is exact, and the first refusal
// comes where the exact replay says: at the 47th addition with a 64-bit long, the 25th with a
// 32-bit one.
TEST(CoreOracleExhaustive, HarmonicSeriesStopsWhereTheReplayDoes) {
  fract h{0, 1};
  long n = 1;
  for (; n < 200; ++n) {
    const fract term{1, n};
    fract next{0, 1};
    const bool ok = add(next, h, term);
    const oracle::Outcome want = oracle::add(h, term);
    ASSERT_EQ(ok, want.ok) << "term 1/" << n;
    if (!ok) break;
    ASSERT_TRUE(checks::same(next, want.r)) << "H_" << n << " = " << checks::show(next);
    h = next;
  }
#if LONG_MAX > 2147483647L
  EXPECT_EQ(n, 47);
  EXPECT_TRUE(checks::same(h, {5943339269060627227L, 1345655451257488800L})) << checks::show(h);
#else
  EXPECT_EQ(n, 25);
  EXPECT_TRUE(checks::same(h, {1347822955L, 356948592L})) << checks::show(h);
#endif
}

}  // namespace
