#include <cstring>
#include <string>

#include "fract_testing.h"

namespace {

struct WriteCase {
  fract f;
  const char* mixed;
  const char* plain;
};

TEST(WriteText, MixedAndPlainForms) {
  const WriteCase cases[] = {
      {{0, 7}, "0", "0"},
      {{0, -7}, "0", "0"},
      {{3, 1}, "3", "3"},
      {{-3, 1}, "-3", "-3"},
      {{1, 3}, "1/3", "1/3"},
      {{-1, 3}, "-1/3", "-1/3"},
      {{10, 3}, "3 1/3", "10/3"},
      {{-10, 3}, "-3 1/3", "-10/3"},
      {{7, 2}, "3 1/2", "7/2"},
      {{-7, 2}, "-3 1/2", "-7/2"},
      {{4, 2}, "2 0/2", "4/2"},  // unreduced values keep their zero remainder
      {{5, 0}, "5/0", "5/0"},
      {{0, 0}, "0/0", "0/0"},
      {{-5, 0}, "-5/0", "-5/0"},
      {{1234567, 1000}, "1234 567/1000", "1234567/1000"},
      // Negative denominators are never computed, but are printed as truncating division would.
      {{7, -2}, "-3 1/-2", "7/-2"},
      {{-7, -2}, "3 1/-2", "-7/-2"},
      {{1, -3}, "0 1/-3", "1/-3"},
      {{5, -1}, "-5 0/-1", "5/-1"},
  };
  for (const WriteCase& c : cases) {
    EXPECT_EQ(mixedText(c.f), c.mixed) << c.f;
    EXPECT_EQ(plainText(c.f), c.plain) << c.f;
  }
}

// Every digit count, at both edges: the writer sizes each number before writing it.
TEST(WriteText, EveryLengthOfNumber) {
  for (long power = 1; power <= LONG_MAX / 10; power *= 10) {
    for (const long v : {power - 1, power, power + 1, power * 10 - 1}) {
      for (const long n : {v, -v}) {
        const std::string want = std::to_string(n);
        EXPECT_EQ(plainText({n, 1}), want);
        if (v != 1) {
          EXPECT_EQ(plainText({1, v}), "1/" + std::to_string(v));
        }
        EXPECT_EQ(mixedText({n, 1}), want);
      }
    }
  }
}

#if LONG_MAX == 9223372036854775807L

TEST(WriteText64, ExtremeValues) {
  const WriteCase cases[] = {
      {{LONG_MAX, 1}, "9223372036854775807", "9223372036854775807"},
      {{-LONG_MAX, 2}, "-4611686018427387903 1/2", "-9223372036854775807/2"},
      {{1, LONG_MAX}, "1/9223372036854775807", "1/9223372036854775807"},
      {{LONG_MAX - 1, LONG_MAX},
       "9223372036854775806/9223372036854775807",
       "9223372036854775806/9223372036854775807"},
      // Built by hand, never computed: printed without overflow all the same.
      {{LONG_MIN, 1}, "-9223372036854775808", "-9223372036854775808"},
      {{LONG_MIN, 3}, "-3074457345618258602 2/3", "-9223372036854775808/3"},
      {{LONG_MIN, 0}, "-9223372036854775808/0", "-9223372036854775808/0"},
      {{LONG_MIN, LONG_MIN},
       "1 0/-9223372036854775808",
       "-9223372036854775808/-9223372036854775808"},
  };
  for (const WriteCase& c : cases) {
    EXPECT_EQ(mixedText(c.f), c.mixed) << c.f;
    EXPECT_EQ(plainText(c.f), c.plain) << c.f;
  }
}

#elif LONG_MAX == 2147483647L

TEST(WriteText32, ExtremeValues) {
  const WriteCase cases[] = {
      {{LONG_MAX, 1}, "2147483647", "2147483647"},
      {{-LONG_MAX, 2}, "-1073741823 1/2", "-2147483647/2"},
      {{LONG_MIN, 1}, "-2147483648", "-2147483648"},
      {{LONG_MIN, 3}, "-715827882 2/3", "-2147483648/3"},
  };
  for (const WriteCase& c : cases) {
    EXPECT_EQ(mixedText(c.f), c.mixed) << c.f;
    EXPECT_EQ(plainText(c.f), c.plain) << c.f;
  }
}

#endif

TEST(WriteText, ReturnsTheCharacterCountOfAFreshBuffer) {
  for (const fract f : {fract{-10, 3}, fract{0, 5}, fract{LONG_MAX, LONG_MAX - 2}}) {
    for (auto write : {FractToStr, FractToStr2}) {
      char* out = nullptr;
      const int n = write(out, f);
      ASSERT_NE(out, nullptr);
      EXPECT_EQ(n, static_cast<int>(std::strlen(out))) << out;
      std::free(out);
    }
  }
}

// Every text written for a positive denominator reads back to the same value, reduced.
TEST(WriteText, BothFormsReadBack) {
  const long parts[] = {
      0, 1, 2, 3, 7, 10, 12, 99, 1000, 65535, 2147483647L, LONG_MAX / 3, LONG_MAX - 1, LONG_MAX};
  for (long n : parts) {
    for (long d : parts) {
      if (d == 0) continue;
      for (long sign : {1L, -1L}) {
        const fract f = {sign * n, d};
        fract reduced = f;
        reduce(reduced.num, reduced.den);
        for (const std::string& text : {mixedText(f), plainText(f)}) {
          fract back = kSentinel;
          ASSERT_TRUE(StrToFract(back, text.c_str())) << f << " as \"" << text << "\"";
          if (f.num == 0 || d == 1) {
            EXPECT_EQ(back.num, reduced.num) << text;  // zero and integers print no denominator
          } else {
            EXPECT_EQ(back, reduced) << f << " as \"" << text << "\"";
          }
        }
      }
    }
  }
}

}  // namespace
