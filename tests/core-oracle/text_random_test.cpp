// Randomized tests of the text conversions: both written forms against a reference formatter and
// read back to the reduced value, and the reader against the reference reader on random texts.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "CoreOracle.h"
#include "checks.h"
#include "fract.h"
#include "operands.h"
#include "text_model.h"

namespace {

constexpr int kCases = 60000;

using Formatter = int (*)(char*&, const fract&);
using Reference = std::string (*)(const fract&);

struct Form {
  const char* name;
  Formatter core;
  Reference reference;
};

const Form kForms[] = {
    {"FractToStr", FractToStr, textmodel::mixed},
    {"FractToStr2", FractToStr2, textmodel::plain},
};

std::string written(const Form& form, const fract& f, std::string& why) {
  char* out = nullptr;
  const int count = form.core(out, f);
  if (out == nullptr) {
    why = "no buffer";
    return {};
  }
  std::string text(out);
  std::free(out);
  if (count != static_cast<int>(text.size())) why = "returned count " + std::to_string(count);
  return text;
}

// The fraction n/d with d > 0 as StrToFract must return it: reduced, a zero numerator over 1
// (the text of any zero is "0").
fract reduced(const fract& f) {
  const oracle::Exact e = oracle::canonical(f);
  return {static_cast<long>(e.num), static_cast<long>(e.den)};
}

std::string checkWritten(const Form& form, const fract& f) {
  std::string why;
  const std::string text = written(form, f, why);
  const std::string want = form.reference(f);
  if (why.empty() && text != want) why = "wrote \"" + text + "\", expected \"" + want + "\"";
  if (why.empty() && f.den > 0) {
    fract back{0, 0};
    if (!StrToFract(back, text.c_str()))
      why = "\"" + text + "\" does not read back";
    else if (!checks::same(back, reduced(f)))
      why = "\"" + text + "\" reads back as " + checks::show(back);
  }
  return why.empty() ? why : std::string(form.name) + "(" + checks::show(f) + "): " + why;
}

TEST(CoreOracleText, WrittenFormsMatchAndReadBack) {
  for (const Form& form : kForms) {
    operands::Source source(0x7e470001);
    checks::Tally tally(form.name);
    for (int i = 0; i < kCases; ++i) {
      fract f = source.oddFraction();
      if (oracle::hasMin(f)) f = source.fraction();
      tally.record(checkWritten(form, f));
    }
  }
}

// Every small n/d, reduced or not, and every n/d at the edge of the range, in both forms.
TEST(CoreOracleText, EverySmallAndExtremeFractionReadsBack) {
  const long extremes[] = {LONG_MAX, LONG_MAX - 1, LONG_MAX / 2, LONG_MAX / 2 + 1};
  for (const Form& form : kForms) {
    checks::Tally tally(std::string(form.name) + " exhaustive");
    for (long n = -30; n <= 30; ++n)
      for (long d = 0; d <= 30; ++d) tally.record(checkWritten(form, {n, d}));
    for (long n : extremes) {
      for (long d : extremes) {
        tally.record(checkWritten(form, {n, d}));
        tally.record(checkWritten(form, {-n, d}));
      }
      for (long k = 1; k <= 3; ++k) {
        tally.record(checkWritten(form, {n, k}));
        tally.record(checkWritten(form, {-k, n}));
      }
    }
  }
}

// Decimal text of a random value from any band, now and then with leading zeros.
std::string decimal(operands::Source& source, bool small) {
  std::string digits = std::to_string(small ? source.between(0, 99) : source.magnitude());
  if (source.chance(10)) digits.insert(0, static_cast<size_t>(source.between(1, 30)), '0');
  if (source.chance(4)) digits += std::to_string(source.between(0, 99));  // past the limit, often
  return digits;
}

std::string spaces(operands::Source& source) {
  return std::string(static_cast<size_t>(source.chance(70) ? 0 : source.between(1, 3)), ' ');
}

// Texts close to the accepted shapes (integer, fraction, mixed number) with random slips, so that
// most reach deep into the reading rules before they are accepted or refused.
std::string nearlyWellFormed(operands::Source& source) {
  static const char kJunk[] = {'x', '/', '-', '+', ' ', '\t', '7', '.'};
  const bool small = source.chance(50);
  std::string s = spaces(source);
  if (source.chance(40)) s += source.chance(50) ? "-" : "+";
  // One draw per statement, so the text does not depend on the order operands are evaluated in.
  s += spaces(source);
  s += decimal(source, small);
  const int shape = static_cast<int>(source.between(0, 2));  // integer, fraction, mixed number
  if (shape == 2) {
    s += spaces(source);
    s += ' ';
    s += decimal(source, small);
  }
  if (shape >= 1) {
    s += spaces(source);
    s += '/';
    s += spaces(source);
    s += decimal(source, small);
  }
  const int slips = source.chance(60) ? 0 : static_cast<int>(source.between(1, 2));
  for (int k = 0; k < slips; ++k) {
    const long at = source.between(0, static_cast<long>(s.size()));
    s.insert(static_cast<size_t>(at), 1, kJunk[source.between(0, 7)]);
  }
  if (source.chance(20)) s += kJunk[source.between(0, 7)];
  return s;
}

// Short texts over the characters that matter, with no shape at all.
std::string anyShort(operands::Source& source) {
  static const char kAlphabet[] = "0123456789  //+-x\t";
  std::string s;
  const long length = source.between(0, 9);
  for (long k = 0; k < length; ++k) s += kAlphabet[source.between(0, sizeof kAlphabet - 2)];
  return s;
}

TEST(CoreOracleText, ReaderMatchesReferenceOnRandomTexts) {
  operands::Source source(0x7e470002);
  checks::Tally tally("StrToFract");
  int accepted = 0;
  for (int i = 0; i < kCases * 2; ++i) {
    const std::string s = i % 3 == 0 ? anyShort(source) : nearlyWellFormed(source);
    fract f{-1, -1};
    const bool ok = StrToFract(f, s.c_str());
    const textmodel::Reading want = textmodel::read(s);
    accepted += want.ok;
    std::string why;
    if (ok != want.ok)
      why = ok ? "accepted, expected refusal" : "refused, expected " + checks::show(want.f);
    else if (ok && !checks::same(f, want.f))
      why = "read " + checks::show(f) + ", expected " + checks::show(want.f);
    tally.record(why.empty() ? why : "\"" + s + "\": " + why);
  }
  EXPECT_GT(accepted, kCases / 5);
  EXPECT_LT(accepted, kCases * 2 - kCases / 5);
}

}  // namespace
