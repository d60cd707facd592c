// Text forms of fract: reading "7", "-3/4", "1 1/2"; writing the mixed form "3 1/2" and the plain
// form "7/2". Digits are converted and formatted by hand: no token buffer, no formatted I/O.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "fract.h"
#include "magnitude.h"

using quorvex::magnitude;

namespace {

// Only ' ' is a space; a tab or any other blank is an ordinary non-digit.
constexpr bool isSpace(char c) {
  return c == ' ';
}
constexpr bool isDigit(char c) {
  return static_cast<unsigned char>(c - '0') < 10;
}
constexpr unsigned digitValue(char c) {
  return static_cast<unsigned>(c - '0');
}

// A run of more digits than this is refused whatever its value, leading zeros included: such text
// is no number anyone writes, and the format has never accepted more.
constexpr long kLongestRun = 253;

constexpr unsigned long kLongMax = LONG_MAX;

// One digit run: where it ends, and its value if the value fits in long.
struct DigitRun {
  const char* end;
  long value;
  bool fits;
};

// Any run of at most this many digits fits in long, so the common short run needs no test.
constexpr long kDigitsThatFit = std::numeric_limits<long>::digits10;

DigitRun readRun(const char* p) {
  const char* const begin = p;
  unsigned long value = 0;
  for (; isDigit(*p) && p - begin < kDigitsThatFit; ++p) value = value * 10 + digitValue(*p);
  if (!isDigit(*p)) return {p, static_cast<long>(value), true};
  bool fits = true;
  for (; isDigit(*p); ++p) {
    const unsigned digit = digitValue(*p);
    if (value > (kLongMax - digit) / 10) fits = false;
    value = fits ? value * 10 + digit : 0;
  }
  if (p - begin > kLongestRun) fits = false;
  return {p, static_cast<long>(value), fits};
}

// -v when negative is set, else v, without a branch: signs come in any order.
constexpr long withSign(long v, bool negative) {
  const long mask = -static_cast<long>(negative);  // all ones or all zeros
  return (v ^ mask) - mask;
}

// Reads spaces from the current character on until a non-space or the text's last character.
const char* skipSpaces(const char* p) {
  while (isSpace(*p) && p[1] != '\0') ++p;
  return p;
}

// The current character after a run: the character that ended it, or, when the text ended, the
// run's last digit.
const char* afterRun(const DigitRun& run) {
  return *run.end != '\0' ? run.end : run.end - 1;
}

}  // namespace

// One pass, left to right, never looking back. The "current character" is the one last read; a
// pointer p stands on it, and p[1] == '\0' means it is the text's last.
bool StrToFract(fract& f, const char* s) {
  f.num = 0;
  f.den = 0;
  if (s == nullptr || *s == '\0') return false;  // no text at all reads as empty text

  const char* p = skipSpaces(s);
  if (p[1] == '\0' && !isDigit(*p)) return false;  // spaces only, or one lone non-digit

  // A sign is stepped over without a branch: texts with and without one come in any order. Past
  // it (it was not the last character, so p + 1 is in the text) spaces may follow; without one,
  // *p is no space, as a space here would be the last character.
  const bool hasSign = (*p == '+') | (*p == '-'), negative = *p == '-';
  p += hasSign;
  if (isSpace(*p)) p = skipSpaces(p);
  if (!isDigit(*p)) return false;

  const DigitRun first = readRun(p);
  if (!first.fits) return false;
  p = afterRun(first);
  if (isSpace(*p)) p = skipSpaces(p);

  if (p[1] == '\0') {  // an integer, whatever single character may trail it
    if (*p == '/') return false;
    f.num = withSign(first.value, negative);
    f.den = 1;
    return true;
  }

  long numerator = first.value, whole = 0;
  if (isDigit(*p)) {  // a mixed number: the first run was the whole part
    const DigitRun second = readRun(p);
    if (*second.end == '\0') return false;
    p = second.end;
    if (isSpace(*p)) p = skipSpaces(p);
    if (*p != '/' || p[1] == '\0') return false;
    if (!second.fits) return false;
    whole = first.value;
    numerator = second.value;
  } else if (*p != '/') {
    return false;
  }

  f.num = numerator;
  p = skipSpaces(p + 1);  // something follows the '/': checked above
  if (!isDigit(*p)) return false;
  const DigitRun denominator = readRun(p);  // anything after it is ignored
  if (!denominator.fits || denominator.value <= 0) return false;

  long value = numerator;
  if (whole != 0) {  // the mixed number's value must fit as well as its parts
    long product;
    if (__builtin_mul_overflow(denominator.value, whole, &product) ||
        __builtin_add_overflow(numerator, product, &value)) {
      return false;
    }
  }
  long den = denominator.value;
  quorvex::reduceInRange(value, den);
  f.num = withSign(value, negative);
  f.den = den;
  return true;
}

namespace {

// Every text written is well under this; 64-bit values need at most 3 * 20 + 3 characters.
constexpr std::size_t kOutSize = 255;

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// 10^k for every k up to the digit count of the largest unsigned long, less one.
constexpr unsigned long long kPowersOfTen[] = {1ULL,
                                               10ULL,
                                               100ULL,
                                               1000ULL,
                                               10000ULL,
                                               100000ULL,
                                               1000000ULL,
                                               10000000ULL,
                                               100000000ULL,
                                               1000000000ULL,
                                               10000000000ULL,
                                               100000000000ULL,
                                               1000000000000ULL,
                                               10000000000000ULL,
                                               100000000000000ULL,
                                               1000000000000000ULL,
                                               10000000000000000ULL,
                                               100000000000000000ULL,
                                               1000000000000000000ULL,
                                               10000000000000000000ULL};

// The number of decimal digits of v, without a loop: a value of b significant bits has
// floor(b * log10(2)) or one more digits (1233 / 4096 is log10(2) to within 2e-5, close enough
// for every b up to 64), and one comparison tells which. v | 1 has the digit count of v (an even
// v is never 10^k - 1), and gives 0 its one digit.
int digitCount(unsigned long v) {
  const unsigned long w = v | 1;
  const int bits = static_cast<int>(sizeof w * CHAR_BIT) - __builtin_clzl(w);
  const int low = (bits * 1233) >> 12;
  return low + (w >= kPowersOfTen[low]);
}

// Writes the decimal digits of v (with a leading '-' when negative is set) at out; returns the end.
// Counting the digits first lets them go straight to their places, right to left.
char* putDigits(char* out, unsigned long v, bool negative) {
  if (negative) *out++ = '-';
  char* const end = out + digitCount(v);
  char* p = end;
  while (v >= 100) {
    const unsigned pair = static_cast<unsigned>(v % 100) * 2;
    v /= 100;
    *--p = kDigitPairs[pair + 1];
    *--p = kDigitPairs[pair];
  }
  if (v >= 10) {
    *--p = kDigitPairs[v * 2 + 1];
    *--p = kDigitPairs[v * 2];
  } else {
    *--p = static_cast<char>('0' + v);
  }
  return end;
}

// LONG_MIN is printed like any other value: it can reach the text forms through a record built
// by hand, and has a magnitude as an unsigned value.
char* putLong(char* out, long v) {
  return putDigits(out, magnitude(v), v < 0);
}

char* putPlain(char* out, long n, long d) {
  out = putLong(out, n);
  *out++ = '/';
  return putLong(out, d);
}

// A zeroed buffer of kOutSize bytes, or null.
char* newBuffer(char*& out) {
  out = static_cast<char*>(std::malloc(kOutSize));
  if (out != nullptr) out[0] = '\0';
  return out;
}

int finish(char* begin, char* end) {
  *end = '\0';
  return static_cast<int>(end - begin);
}

}  // namespace

int FractToStr(char*& out, const fract& f) {
  char* p = newBuffer(out);
  if (p == nullptr) return 0;
  const long n = f.num, d = f.den;
  if (d == 0) return finish(out, putPlain(p, n, d));
  if (n == 0 || d == 1) return finish(out, putLong(p, n));
  const unsigned long m = magnitude(n);
  if (d > 0 && m < static_cast<unsigned long>(d)) return finish(out, putPlain(p, n, d));
  // Whole part and remainder, the remainder's sign dropped: 7/2 is "3 1/2" and -7/2 "-3 1/2". A
  // negative denominator (never computed by the arithmetic) flips the whole part's sign, as
  // truncating division by it does, and keeps its own sign.
  const unsigned long md = magnitude(d), q = m / md, rem = m % md;
  p = putDigits(p, q, q != 0 && ((n < 0) != (d < 0)));
  *p++ = ' ';
  p = putDigits(p, rem, false);
  *p++ = '/';
  return finish(out, putLong(p, d));
}

int FractToStr2(char*& out, const fract& f) {
  char* p = newBuffer(out);
  if (p == nullptr) return 0;
  if (f.den != 0 && (f.num == 0 || f.den == 1)) return finish(out, putLong(p, f.num));
  return finish(out, putPlain(p, f.num, f.den));
}
