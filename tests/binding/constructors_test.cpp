// The four constructors, the accessors and the two text forms.
#include <climits>
#include <cmath>

#include "BindingFixture.h"

namespace binding {
namespace {

struct ConstructorCase {
  const char* what;
  std::vector<quorvex::Value> args;
  Stored expected;
  const char* exception;  // nullptr: none
};

TEST_F(Binding, Constructors) {
  const ConstructorCase cases[] = {
      {"no arguments", {}, {0, 1}, nullptr},
      {"denominator's sign dropped, not moved", {3L, -4L}, {3, 4}, nullptr},
      {"stored unreduced", {6L, 8L}, {6, 8}, nullptr},
      {"zero denominator stored", {5L, 0L}, {5, 0}, nullptr},
      {"negative numerator kept", {-3L, 4L}, {-3, 4}, nullptr},
      {"most negative numerator is storable", {LONG_MIN, 1L}, {LONG_MIN, 1}, nullptr},
      {"most negative denominator has no magnitude", {1L, LONG_MIN}, {0, 1}, kOverflow},
      {"one Integer", {7L}, {7, 1}, nullptr},
      {"text", {"3/4"}, {3, 4}, nullptr},
      {"text, mixed", {"-1 1/2"}, {-3, 2}, nullptr},
      {"empty text is zero, not an error", {""}, {0, 1}, nullptr},
      {"rejected text", {"abc"}, {0, 1}, kBadArgument},
      {"rejected text, two stray characters", {"5 xy"}, {0, 1}, kBadArgument},
      {"a NUL does not hide the rest of the text",
       {std::string("1\0garbage", 9)},
       {0, 1},
       kBadArgument},
  };
  for (const ConstructorCase& c : cases) {
    quorvex::Outcome made = host.construct("Fraction", c.args);
    ASSERT_FALSE(made.failed()) << c.what << ": " << made.error;
    EXPECT_EQ(made.raised(), c.exception != nullptr) << c.what;
    if (c.exception != nullptr) {
      EXPECT_EQ(made.exceptionClass(), c.exception) << c.what;
    }
    const quorvex::Value& fraction = made.value;
    ASSERT_TRUE(fraction.isObject()) << c.what;
    EXPECT_EQ(stored(fraction), c.expected) << c.what;
  }
}

TEST_F(Binding, TextForms) {
  struct Case {
    Stored value;
    const char* mixed;
    const char* plain;
  };
  const Case cases[] = {
      {{7, 2}, "3 1/2", "7/2"}, {{6, 8}, "6/8", "6/8"}, {{-10, 3}, "-3 1/3", "-10/3"},
      {{0, 7}, "0", "0"},       {{3, 1}, "3", "3"},     {{5, 0}, nullptr, "5/0"},
  };
  for (const Case& c : cases) {
    quorvex::Value f = make(c.value.num, c.value.den);
    quorvex::Outcome str2 = host.call(f, "Str2");
    ASSERT_TRUE(str2.ok()) << str2.error;
    EXPECT_EQ(str2.value.asString(), c.plain) << c.value;
    if (c.mixed == nullptr) continue;
    quorvex::Outcome str = host.call(f, "Str");
    ASSERT_TRUE(str.ok()) << str.error;
    EXPECT_EQ(str.value.asString(), c.mixed) << c.value;
  }
}

TEST_F(Binding, TextOfNilIsTheSameEmptyStringEveryTime) {
  for (const char* method : {"Str", "Str2"}) {
    host.clearEvents();
    const std::size_t strings = host.liveStrings();
    for (int i = 0; i < 2; ++i) {
      quorvex::Outcome text = host.callAs("Fraction", quorvex::Value::nil(), method);
      ASSERT_TRUE(text.ok()) << method << ": " << text.error;
      EXPECT_EQ(text.value.asString(), "") << method;
    }
    EXPECT_EQ(host.liveStrings(), strings) << method << " built a string instead of nullString";
    for (const quorvex::Event& event : host.entryLog()) {
      EXPECT_NE(event.name, "QORABuildStringWithEncoding") << method;
    }
  }
}

TEST_F(Binding, AccessorsAndConversionOfNil) {
  const quorvex::Value nil = quorvex::Value::nil();
  EXPECT_EQ(host.callAs("Fraction", nil, "Num").value.asInteger(), 0);
  EXPECT_EQ(host.callAs("Fraction", nil, "Den").value.asInteger(), 1);
  quorvex::Outcome converted = host.callGlobal("ConvToDouble", {nil});
  ASSERT_TRUE(converted.ok()) << converted.error;
  EXPECT_EQ(converted.value.asDouble(), 0.0);
}

TEST_F(Binding, ConversionToDouble) {
  struct Case {
    Stored value;
    double expected;  // NaN: a zero denominator
  };
  const Case cases[] = {{{1, 4}, 0.25}, {{-6, 8}, -0.75}, {{5, 0}, NAN}, {{0, 0}, NAN}};
  for (const Case& c : cases) {
    quorvex::Outcome converted = host.callGlobal("ConvToDouble", {make(c.value.num, c.value.den)});
    ASSERT_TRUE(converted.ok()) << converted.error;
    if (std::isnan(c.expected)) {
      EXPECT_TRUE(std::isnan(converted.value.asDouble())) << c.value;
    } else {
      EXPECT_EQ(converted.value.asDouble(), c.expected) << c.value;
    }
  }
}

}  // namespace
}  // namespace binding
