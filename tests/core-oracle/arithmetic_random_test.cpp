// Randomized differential tests of the arithmetic: every operation on operands from every band,
// compared with the exact replay of its algorithm. Fixed seeds keep every run identical.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "CoreOracle.h"
#include "checks.h"
#include "fract.h"
#include "operands.h"

namespace {

constexpr int kPairs = 60000;

// A stream that never refuses or never succeeds would prove nothing about the other outcome.
void expectBothOutcomes(const checks::Binary& op, int successes, int total) {
  EXPECT_GT(successes, total / 100) << op.name << " hardly ever succeeded";
  EXPECT_LT(successes, total - total / 100) << op.name << " hardly ever refused";
}

TEST(CoreOracleRandom, BinaryOperationsOnEveryBand) {
  for (const checks::Binary& op : checks::kBinaries) {
    operands::Source source(0x5eed0001);
    checks::Tally tally(op.name);
    int successes = 0;
    for (int i = 0; i < kPairs; ++i) {
      const fract a = source.fraction();
      fract b = source.fraction();
      if (op.divides && b.num == 0) b.num = 1;
      successes += op.replay(a, b).ok;
      tally.record(checks::checkBinary(op, a, b));
    }
    expectBothOutcomes(op, successes, kPairs);
  }
}

// Integers whose products and sums land within a few units of the limit: the band where the
// logarithmic tests refuse values that fit, and where a test that is only logarithmic would let
// a wrapped value through.
TEST(CoreOracleRandom, ProductsAndSumsNearTheLimit) {
  operands::Source source(0x5eed0002);
  checks::Tally tally("near-limit");
  for (int i = 0; i < kPairs; ++i) {
    long x = 0, y = 0;
    source.nearLimitFactors(x, y);
    const long small = source.between(1, 3);
    const fract pairs[][2] = {
        {{x, 1}, {y, 1}},      // mul: numerator product
        {{x, small}, {1, y}},  // div: numerator product after cancelling
        {{LONG_MAX - source.between(0, 8), 1}, {x % 16, small}},  // sums across the limit
        {{x, y < 0 ? -y : y}, {y, x < 0 ? -x : x}},               // products of cofactors and gcds
    };
    for (const auto& pair : pairs) {
      for (const checks::Binary& op : checks::kBinaries) {
        if (op.divides && pair[1].num == 0) continue;
        tally.record(checks::checkBinary(op, pair[0], pair[1]));
      }
    }
  }
}

// Denominators g * da and g * db that share a factor g, and numerators that share factors with
// g, with the cofactors, or with both: every way the cancellations of a sum against g, da and db
// can matter, on every band (large denominators included, where sums take their own path).
TEST(CoreOracleRandom, SumsWhoseFactorsOverlap) {
  operands::Source source(0x5eed0009);
  checks::Tally tally("overlapping factors");
  // Keeps |x * k| in range; x itself when the product would not fit.
  const auto times = [](long x, long k) {
    long product;
    return __builtin_mul_overflow(x, k, &product) ? x : product;
  };
  for (int i = 0; i < kPairs; ++i) {
    const long g = source.chance(50) ? source.between(1, 1000) : source.magnitude();
    const long da = times(g, source.magnitude()), db = times(g, source.magnitude());
    fract a{source.magnitude(), da}, b{source.magnitude(), db};
    switch (source.between(0, 3)) {  // what the numerators share
      case 0:
        a.num = times(a.num, g);
        break;
      case 1:
        a.num = times(a.num, da / g);
        b.num = times(b.num, g);
        break;
      case 2:
        b.num = times(b.num, db);
        break;
      default:
        break;
    }
    if (source.chance(50)) a.num = -a.num;
    if (source.chance(50)) b.num = -b.num;
    for (const checks::Binary& op : checks::kBinaries) {
      if (!op.divides) tally.record(checks::checkBinary(op, a, b));
    }
  }
}

// Zero and negative denominators, and the most negative long, are outside what the callers
// pass, but the algorithms still define the answer: a zero divisor leaves a zero denominator, and
// the most negative long is refused wherever it appears.
TEST(CoreOracleRandom, OddOperandsFollowTheAlgorithms) {
  operands::Source source(0x5eed0003);
  for (const checks::Binary& op : checks::kBinaries) {
    checks::Tally tally(op.name);
    for (int i = 0; i < kPairs / 4; ++i) {
      const fract a = source.oddFraction();  // drawn in order: arguments have none
      tally.record(checks::checkBinary(op, a, source.oddFraction()));
    }
  }
}

TEST(CoreOracleRandom, PowersOnEveryBand) {
  operands::Source source(0x5eed0004);
  checks::Tally tally("myPow");
  int successes = 0;
  for (int i = 0; i < kPairs * 2; ++i) {
    fract a = source.fraction();
    if (a.num == 0) a.num = source.between(-1, 1) == 0 ? 1 : -1;  // zero bases are the caller's
    if (source.chance(15)) a = {source.chance(50) ? 1 : -1, source.chance(50) ? 1 : a.den};
    const long p = source.exponentFor(source.chance(50) ? a.num : a.den);
    successes += oracle::pow(a, p).ok;
    tally.record(checks::checkPow(a, p));
  }
  EXPECT_GT(successes, kPairs / 10);
  EXPECT_LT(successes, kPairs * 2 - kPairs / 10);
}

TEST(CoreOracleRandom, OddPowers) {
  operands::Source source(0x5eed0005);
  checks::Tally tally("myPow odd");
  for (int i = 0; i < kPairs / 2; ++i) {
    const fract a = source.oddFraction();
    const long p = source.chance(10) ? LONG_MIN : source.exponentFor(a.num);
    tally.record(checks::checkPow(a, p));
  }
}

TEST(CoreOracleRandom, SquaresOnEveryBand) {
  operands::Source source(0x5eed0006);
  checks::Tally tally("sqr");
  for (int i = 0; i < kPairs; ++i) tally.record(checks::checkSqr(source.oddFraction()));
}

// One rounding only: the two conversions and a single division, so the nearest double of a value
// whose components are exact in a double is exact too (1/4 is 0.25, -3/8 is -0.375).
TEST(CoreOracleRandom, ConversionToDoubleDividesOnce) {
  operands::Source source(0x5eed0008);
  checks::Tally tally("convToDouble");
  for (int i = 0; i < kPairs; ++i) {
    const fract f = source.oddFraction();
    const double got = convToDouble(f);
    const bool nan = f.den == 0;
    const double want = nan ? 0.0 : static_cast<double>(f.num) / static_cast<double>(f.den);
    const bool same = nan ? std::isnan(got) : got == want;
    tally.record(same ? "" : checks::show(f) + " -> " + std::to_string(got));
  }
}

TEST(CoreOracleRandom, GcdAndReduceOnEveryBand) {
  operands::Source source(0x5eed0007);
  checks::Tally tally("gcd/reduce");
  for (int i = 0; i < kPairs * 2; ++i) {
    long a = source.magnitude(), b = source.magnitude();
    if (source.chance(50)) a = -a;
    if (source.chance(50)) b = -b;
    if (source.chance(5)) {
      (source.chance(50) ? a : b) = LONG_MIN;
    } else if (source.chance(5)) {
      (source.chance(50) ? a : b) = 0;
    }
    const bool outside = a == 0 || b == 0 || a == LONG_MIN || b == LONG_MIN;
    const long wantGcd = outside ? 0 : static_cast<long>(oracle::gcdWide(a, b));
    long p = a, q = b;
    const long g = reduce(p, q);
    long wantP = a, wantQ = b;
    long wantG = a == LONG_MIN || b == LONG_MIN ? 0 : oracle::reduce(wantP, wantQ);
    std::string why;
    if (gcd(a, b) != wantGcd)
      why = "gcd is " + std::to_string(gcd(a, b));
    else if (g != wantG || p != wantP || q != wantQ)
      why = "reduce gives " + std::to_string(g) + " and " + std::to_string(p) + "/" +
            std::to_string(q);
    tally.record(why.empty() ? why
                             : "(" + std::to_string(a) + ", " + std::to_string(b) + "): " + why);
  }
}

// The replay itself, held to values worked out by hand, so it cannot drift along with a faulty
// core: the documented logarithmic refusals, exact powers, and the limits of each width.
struct Anchor {
  const char* what;
  oracle::Outcome got;
  bool ok;
  fract r;
};

TEST(CoreOracleRandom, ReplayAgreesWithWorkedValues) {
  const Anchor anchors[] = {
#if LONG_MAX > 2147483647L
    {"2 x 4611686018427387903 is refused by the logarithms",
     oracle::mul({2, 1}, {4611686018427387903L, 1}),
     false,
     {}},
    {"4611686018427387904 + 4611686018427387903",
     oracle::add({4611686018427387904L, 1}, {4611686018427387903L, 1}),
     true,
     {LONG_MAX, 1}},
    {"4611686018427387904 + 4611686018427387904",
     oracle::add({4611686018427387904L, 1}, {4611686018427387904L, 1}),
     false,
     {}},
    {"3^35 exactly", oracle::pow({3, 1}, 35), true, {50031545098999707L, 1}},
    {"(-1)^(2^53 + 1)", oracle::pow({-1, 1}, 9007199254740993L), true, {-1, 1}},
    {"2^62", oracle::pow({2, 1}, 62), true, {4611686018427387904L, 1}},
    {"2^63", oracle::pow({2, 1}, 63), false, {}},
    {"8^20", oracle::pow({8, 1}, 20), true, {1152921504606846976L, 1}},
    {"8^21", oracle::pow({8, 1}, 21), false, {}},
    {"512^7", oracle::pow({512, 1}, 7), false, {}},
#else
    {"1073741824 + 1073741823",
     oracle::add({1073741824L, 1}, {1073741823L, 1}),
     true,
     {LONG_MAX, 1}},
    {"1073741824 + 1073741824", oracle::add({1073741824L, 1}, {1073741824L, 1}), false, {}},
    {"2^30", oracle::pow({2, 1}, 30), true, {1073741824L, 1}},
    {"2^31", oracle::pow({2, 1}, 31), false, {}},
    {"46340^2", oracle::sqr({46340, 1}), true, {2147395600L, 1}},
    {"46341^2", oracle::sqr({46341, 1}), false, {}},
#endif
    {"1/2 - 1/2 keeps its denominator", oracle::sub({1, 2}, {1, 2}), true, {0, 2}},
    {"0/1 x 3/4", oracle::mul({0, 1}, {3, 4}), true, {0, 4}},
    {"1/2 / -1/3", oracle::div({1, 2}, {-1, 3}), true, {-3, 2}},
    {"(-2/3)^-3", oracle::pow({-2, 3}, -3), true, {-27, 8}},
    {"(1/2)^1000", oracle::pow({1, 2}, 1000), false, {}},
    {"most negative numerator", oracle::add({LONG_MIN, 1}, {0, 1}), false, {}},
  };
  for (const Anchor& anchor : anchors) {
    EXPECT_EQ(anchor.got.ok, anchor.ok) << anchor.what;
    if (anchor.ok) {
      EXPECT_TRUE(checks::same(anchor.got.r, anchor.r))
          << anchor.what << ": " << checks::show(anchor.got.r);
    }
  }
}

}  // namespace
