#include <string>

#include "fract_testing.h"

namespace {

struct ReadCase {
  std::string text;
  bool ok;
  fract expected;  // when ok
};

// After a refusal the record holds no value: its denominator is 0 ("5/0" leaves 5 and 0).
void check(const ReadCase& c) {
  fract f = kSentinel;
  SCOPED_TRACE("\"" + c.text + "\"");
  EXPECT_EQ(StrToFract(f, c.text.c_str()), c.ok);
  if (c.ok) {
    EXPECT_EQ(f, c.expected);
  } else {
    EXPECT_EQ(f.den, 0);
  }
}

constexpr fract kNone = {0, 0};

TEST(ReadText, IntegersFractionsAndMixedNumbers) {
  const ReadCase cases[] = {
      {"3", true, {3, 1}},      {"+3", true, {3, 1}},      {"007", true, {7, 1}},
      {"  -3", true, {-3, 1}},  {"- 3", true, {-3, 1}},    {"3/4", true, {3, 4}},
      {"6/8", true, {3, 4}},    {" 6 / 8 ", true, {3, 4}}, {"6/ 8", true, {3, 4}},
      {"6 /8", true, {3, 4}},   {"-6 / 8", true, {-3, 4}}, {"1 1/2", true, {3, 2}},
      {"1 1 /2", true, {3, 2}}, {"-1 1/2", true, {-3, 2}}, {"+ 1 1/2", true, {3, 2}},
      {"1 5/2", true, {7, 2}},  {"11/2", true, {11, 2}},  // no space: a plain fraction
      {"0/5", true, {0, 5}},    {"-0/5", true, {0, 5}},    {"0 0/5", true, {0, 5}},
      {"1 0/5", true, {1, 1}},  {"10/4", true, {5, 2}},
  };
  for (const ReadCase& c : cases) check(c);
}

TEST(ReadText, TrailingTextIsIgnoredOnlyWhereTheFormatAllows) {
  const ReadCase cases[] = {
      {"12 3/4 junk", true, {51, 4}},
      {"1/2xyz", true, {1, 2}},
      {"1/2/3", true, {1, 2}},
      {"1 2/3 4", true, {5, 3}},
      // One stray character at the very end of an integer is ignored; two are not.
      {"5x", true, {5, 1}},
      {"5 x", true, {5, 1}},
      {"5 ", true, {5, 1}},
      {"5   ", true, {5, 1}},
      {"1 2", true, {1, 1}},
      {"5xy", false, kNone},
      {"5 xy", false, kNone},
      {"1 2 3", false, kNone},
  };
  for (const ReadCase& c : cases) check(c);
}

TEST(ReadText, MalformedTextIsRefused) {
  const ReadCase cases[] = {
      {"", false, kNone},       {"   ", false, kNone},   {"-", false, kNone},
      {"x", false, kNone},      {"x5", false, kNone},    {"--5", false, kNone},
      {"+-5", false, kNone},    {"- ", false, kNone},    {"5/", false, kNone},
      {"5 /", false, kNone},    {"5/0", false, kNone},   {"5/-3", false, kNone},
      {"5 /x", false, kNone},   {"5/ ", false, kNone},   {"1 1x/2", false, kNone},
      {"1 -1/2", false, kNone}, {"1 1/", false, kNone},  {"1 1 /", false, kNone},
      {"1 1/0", false, kNone},  {"\t5", false, kNone},   {"5\t/2x", false, kNone},
      {"1 12", false, kNone},   {"0/000", false, kNone}, {"/5", false, kNone},
  };
  for (const ReadCase& c : cases) check(c);
}

TEST(ReadText, RefusalKeepsTheNumeratorAlreadyRead) {
  fract f = kSentinel;
  EXPECT_FALSE(StrToFract(f, "5/0"));
  EXPECT_EQ(f, (fract{5, 0}));
}

TEST(ReadText, NoTextIsRefusedLikeEmptyText) {
  fract f = kSentinel;
  EXPECT_FALSE(StrToFract(f, nullptr));
  EXPECT_EQ(f, (fract{0, 0}));
}

TEST(ReadText, TheTextEndsAtItsFirstNul) {
  const char text[] =
      "3/4\0"
      "5";
  fract f;
  ASSERT_TRUE(StrToFract(f, text));
  EXPECT_EQ(f, (fract{3, 4}));
}

// However long a digit run, nothing is copied anywhere: a run of more than 253 digits is refused
// whatever its value, as is every value outside long.
TEST(ReadText, OverlongRunsAreRefused) {
  const std::string zeros252(252, '0'), zeros300(300, '0');
  const ReadCase cases[] = {
      {std::string(10000, '7'), false, kNone}, {std::string(10000, '0'), false, kNone},
      {"1/" + zeros300 + "1", false, kNone},   {zeros300 + "1/2", false, kNone},
      {"1 " + zeros300 + "1/2", false, kNone}, {zeros252 + "7", true, {7, 1}},
      {"0" + zeros252 + "7", false, kNone},    {"3/" + zeros252 + "4", true, {3, 4}},
  };
  for (const ReadCase& c : cases) check(c);
}

#if LONG_MAX == 9223372036854775807L

TEST(ReadText64, ValuesOutsideLongAreRefused) {
  const ReadCase cases[] = {
      {"9223372036854775807", true, {LONG_MAX, 1}},
      {"-9223372036854775807", true, {-LONG_MAX, 1}},
      {"9223372036854775808", false, kNone},
      {"-9223372036854775808", false, kNone},  // the most negative long is never produced
      {"18446744073709551617", false, kNone},  // would wrap to 1
      {"1/9223372036854775808", false, kNone},
      {"1/9223372036854775807", true, {1, LONG_MAX}},
      {"99999999999999999999 1/2", false, kNone},
      {"1 99999999999999999999/2", false, kNone},
      {"4611686018427387903 1/2", true, {LONG_MAX, 2}},
      {"-4611686018427387903 1/2", true, {-LONG_MAX, 2}},
      {"4611686018427387903 3/2", false, kNone},  // the mixed sum does not fit
      {"4611686018427387904 0/2", false, kNone},
      {"1 9223372036854775807/2", false, kNone},
      {"2 1/4611686018427387904", false, kNone},
  };
  for (const ReadCase& c : cases) check(c);
}

#elif LONG_MAX == 2147483647L

TEST(ReadText32, ValuesOutsideLongAreRefused) {
  const ReadCase cases[] = {
      {"2147483647", true, {2147483647, 1}}, {"-2147483647", true, {-2147483647, 1}},
      {"2147483648", false, kNone},          {"-2147483648", false, kNone},
      {"4294967297", false, kNone},  // would wrap to 1
      {"1/2147483648", false, kNone},        {"1073741823 1/2", true, {2147483647, 2}},
      {"1073741823 3/2", false, kNone},      {"1073741824 0/2", false, kNone},
  };
  for (const ReadCase& c : cases) check(c);
}

#endif

}  // namespace
