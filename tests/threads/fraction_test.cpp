// Eight threads at once create, combine, compare, read and write Fraction objects through the
// plug-in's host-callable functions, with a host that serves them from any thread. Every thread
// starts with the same case, so the first calls that bind "CreateInstance", "PluginGetStringData"
// and "RuntimeRaiseException" race; every result and every raised exception is checked, on every
// thread, in every round.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>
#include <vector>

#include "FractionClass.h"
#include "FractionHost.h"
#include "Together.h"

namespace {

using threadhost::FractionHost;

constexpr int kRounds = 100;

QORAobjectStruct* make(long num, long den) {
  QORAobjectStruct* fraction = FractionHost::instance().create("Fraction");
  NewFraction(fraction, num, den);
  return fraction;
}

// What the host program would see: the exception raised, or the value of the result.
std::string outcome(QORAobjectStruct* result, QORAobjectStruct* self) {
  const std::string raised = FractionHost::takeRaised();
  if (!raised.empty()) return "raised " + raised + (result == self ? "" : ", not returning self");
  return std::to_string(FractionNum(result)) + "/" + std::to_string(FractionDen(result));
}

template <QORAobjectStruct* (*Op)(QORAobjectStruct*, QORAobjectStruct*)>
std::string byFraction(long an, long ad, long bn, long bd) {
  QORAobjectStruct* a = make(an, ad);
  return outcome(Op(a, make(bn, bd)), a);
}

template <QORAobjectStruct* (*Op)(QORAobjectStruct*, long)>
std::string byInteger(long an, long ad, long b) {
  QORAobjectStruct* a = make(an, ad);
  return outcome(Op(a, b), a);
}

std::string parsed(const char* text) {
  QORAobjectStruct* fraction = FractionHost::instance().create("Fraction");
  NewFractionS(fraction, FractionHost::instance().text(text));
  return outcome(fraction, fraction);
}

template <QORAstringStruct* (*Form)(QORAobjectStruct*)>
std::string written(long num, long den) {
  return "\"" + FractionHost::textOf(Form(make(num, den))) + "\"";
}

std::string compared(long an, long ad, long bn, long bd) {
  return std::to_string(CompareFF(make(an, ad), make(bn, bd)));
}

struct Case {
  const char* what;
  std::string (*run)();
  const char* expected;
};

// Ordered so that the first case binds creation, and raising comes soon after.
const Case kCases[] = {
    {"1/2 + 1/3", [] { return byFraction<FAddF>(1, 2, 1, 3); }, "5/6"},
    {"1/2 / 0/1", [] { return byFraction<FDivF>(1, 2, 0, 1); },
     "raised FractionDivideByZeroException"},
    {"1/2 - 1/3", [] { return byFraction<FSubF>(1, 2, 1, 3); }, "1/6"},
    {"2/3 * 9/4", [] { return byFraction<FMulF>(2, 3, 9, 4); }, "3/2"},
    {"LONG_MAX * 2", [] { return byInteger<FMulL>(LONG_MAX, 1, 2); },
     "raised FractionIntegerOverflowException"},
    {"(2/3) ^ -3", [] { return byInteger<PowFL>(2, 3, -3); }, "27/8"},
    {"1/3 compared to 1/2", [] { return compared(1, 3, 1, 2); }, "-1"},
    {"6/4 compared to 3/2", [] { return compared(6, 4, 3, 2); }, "0"},
    {"from \"-1 1/2\"", [] { return parsed("-1 1/2"); }, "-3/2"},
    {"from \"abc\"", [] { return parsed("abc"); }, "raised FractionBadArgumentException"},
    {"Str of 7/2", [] { return written<FractionStr>(7, 2); }, "\"3 1/2\""},
    {"Str2 of -7/2", [] { return written<FractionStr2>(-7, 2); }, "\"-7/2\""},
};

TEST(FractionThreads, EightThreadsCreateCombineCompareAndWrite) {
  QORAPluginMain(&FractionHost::resolve);
  ASSERT_NE(globalFractionRef, nullptr);
  ASSERT_EQ(FractionClass.dataOffset, threadhost::kDataOffset);

  std::array<std::vector<std::string>, together::kThreads> failures;
  together::run([&failures](int index) {
    for (int round = 0; round < kRounds; ++round) {
      for (const Case& check : kCases) {
        const std::string seen = check.run();
        if (seen != check.expected) {
          failures[index].push_back(std::string(check.what) + " gave " + seen + " in round " +
                                    std::to_string(round));
        }
      }
    }
  });
  for (int index = 0; index < together::kThreads; ++index) {
    std::string listed;
    for (const std::string& failure : failures[index]) listed += "\n  " + failure;
    EXPECT_TRUE(failures[index].empty()) << "thread " << index << ":" << listed;
  }
}

}  // namespace
