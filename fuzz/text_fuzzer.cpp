// Any bytes into StrToFract. The text sits in a buffer of exactly its own size, so the sanitizers
// see every read past its end. An accepted text must hold a positive denominator, and both of its
// text forms must read back to the same value; texts in the plain forms ("-12", "3/4", "1 1/2")
// are held against their exact value, and prefixes that the grammar allows must not change it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "CoreOracle.h"
#include "fract.h"

namespace {

using wide = oracle::Wide;

[[noreturn]] void fail(const char* what, const std::string& text, const fract& f) {
  std::fprintf(stderr, "text: %s\n  text \"%s\" -> %ld/%ld\n", what, text.c_str(), f.num, f.den);
  std::abort();
}

void require(bool condition, const char* what, const std::string& text, const fract& f) {
  if (!condition) fail(what, text, f);
}

// Reads text from a heap block of exactly strlen + 1 bytes.
bool read(fract& f, const std::string& text) {
  const std::size_t n = std::strlen(text.c_str());
  const std::unique_ptr<char[]> copy(new char[n + 1]);
  std::memcpy(copy.get(), text.c_str(), n + 1);
  return StrToFract(f, copy.get());
}

bool sameValue(const fract& x, const fract& y) {
  return x.den != 0 && y.den != 0 &&
         static_cast<wide>(x.num) * y.den == static_cast<wide>(y.num) * x.den;
}

void requireReadsBack(const fract& f, const std::string& source, bool mixed) {
  char* out = nullptr;
  const int count = mixed ? FractToStr(out, f) : FractToStr2(out, f);
  if (out == nullptr) return;  // allocation failed: nothing was written
  const std::string form(out);
  std::free(out);
  require(count >= 0 && static_cast<std::size_t>(count) == form.size() && form.size() < 64,
          "text form with a wrong length", source, f);
  fract back{};
  require(read(back, form), mixed ? "mixed form not read back" : "plain form not read back", source,
          f);
  require(sameValue(back, f), "text form reads back to another value", form, back);
}

// The value of one of the plain forms, [+-]w, [+-]n/d or [+-]w n/d, in wide arithmetic; a digit
// run beyond long is marked by a negative value. Anything else is not one of these forms.
struct Plain {
  bool matched = false;
  bool longRun = false;  // a run longer than the 253 digits any fixed buffer has to hold
  bool negative = false;
  wide whole = 0, num = 0, den = 0;
  bool fraction = false;
};

wide digitRun(const char*& s, bool& longRun) {
  const char* start = s;
  wide v = 0;
  for (; *s >= '0' && *s <= '9'; ++s) {
    if (v >= 0) v = v * 10 + (*s - '0');
    if (v > LONG_MAX) v = -1;
  }
  if (s - start > 253) longRun = true;
  return v;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

Plain plainForm(const char* s) {
  Plain p;
  if (*s == '-' || *s == '+') p.negative = *s++ == '-';
  if (!isDigit(*s)) return p;
  const wide first = digitRun(s, p.longRun);
  if (*s == '\0') {
    p.whole = first;
    p.matched = true;
    return p;
  }
  if (*s == ' ') {
    ++s;
    if (!isDigit(*s)) return p;
    p.whole = first;
    p.num = digitRun(s, p.longRun);
  } else {
    p.num = first;
  }
  if (*s++ != '/' || !isDigit(*s)) return p;
  p.den = digitRun(s, p.longRun);
  p.fraction = true;
  p.matched = *s == '\0';
  return p;
}

void checkPlainForm(const std::string& text, bool accepted, const fract& f) {
  const Plain p = plainForm(text.c_str());
  if (!p.matched) return;
  const bool runsFit = p.whole >= 0 && p.num >= 0 && p.den >= 0;
  if (!p.fraction) {
    if (!runsFit) return require(!accepted, "integer beyond long accepted", text, f);
    if (!accepted && p.longRun) return;
    require(accepted, "integer refused", text, f);
    const wide want = p.negative ? -p.whole : p.whole;
    return require(f.num == want && f.den == 1, "integer misread", text, f);
  }
  const wide total = p.whole * p.den + p.num;  // every factor fits in long: no overflow here
  const bool fits = runsFit && p.den > 0 && oracle::fits(total);
  if (!fits) return require(!accepted, "fraction that long cannot hold accepted", text, f);
  if (!accepted && p.longRun) return;
  require(accepted, "fraction refused", text, f);
  const oracle::Exact v = oracle::canonical(p.negative ? -total : total, p.den);
  if (total == 0)
    return require(f.num == 0 && f.den == p.den, "zero lost its denominator", text, f);
  require(f.num == v.num && f.den == v.den, "fraction misread or not reduced", text, f);
}

// A text that starts with a digit means the same after a leading space, a "+" or a "- ".
void checkPrefixes(const std::string& text, bool accepted, const fract& f) {
  if (text.empty() || !isDigit(text[0])) return;
  static constexpr const char* kPrefixes[] = {" ", "+", "- ", "  +  "};
  for (const char* prefix : kPrefixes) {
    fract g{};
    const bool again = read(g, prefix + text);
    require(again == accepted, "a prefix changed whether the text is read", prefix + text, g);
    if (!accepted) continue;
    const bool negated = prefix[0] == '-';
    require(g.den == f.den && g.num == (negated ? -f.num : f.num), "a prefix changed the value",
            prefix + text, g);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data),
                         strnlen(reinterpret_cast<const char*>(data), size));
  fract f{};
  const bool accepted = read(f, text);
  if (accepted) {
    require(f.den > 0, "accepted text without a positive denominator", text, f);
    require(f.num != LONG_MIN, "accepted text gives the most negative long", text, f);
    requireReadsBack(f, text, true);
    requireReadsBack(f, text, false);
  }
  checkPlainForm(text, accepted, f);
  checkPrefixes(text, accepted, f);
  return 0;
}
