#include "streams.h"

#include <cstdio>
#include <random>

namespace bench {
namespace {

struct Shape {
  const char* name;
  long lo, hi;       // bounds of every component's magnitude
  long maxExponent;  // hi^maxExponent still fits in a 64-bit long
  unsigned long seed;
};

fract randomFraction(std::mt19937_64& rng, const Shape& shape) {
  std::uniform_int_distribution<long> component(shape.lo, shape.hi);
  for (;;) {
    fract f{component(rng), component(rng)};
    if (rng() & 1) f.num = -f.num;
    reduce(f.num, f.den);
    // Keep the stream's band after cancelling, so every operand is of the advertised size.
    const long m = f.num < 0 ? -f.num : f.num;
    if (m >= shape.lo && f.den >= shape.lo) return f;
  }
}

Stream makeStream(const Shape& shape, std::size_t size) {
  std::mt19937_64 rng(shape.seed);
  std::uniform_int_distribution<long> exponent(1, shape.maxExponent);
  Stream s{shape.name, size - 1, {}, {}, {}, {}};
  for (std::size_t i = 0; i < size; ++i) {
    s.a.push_back(randomFraction(rng, shape));
    s.b.push_back(randomFraction(rng, shape));
    s.exponents.push_back((rng() & 1) ? exponent(rng) : -exponent(rng));
    char text[64];
    std::snprintf(text, sizeof text, "%ld/%ld", s.a.back().num, s.a.back().den);
    s.texts.emplace_back(text);
  }
  return s;
}

}  // namespace

// Each lives as long as the process, like the benchmarks that read it.
const Stream& smallStream(std::size_t size) {
  return *new Stream(makeStream({"small", 1, 999, 6, 0x51a11}, size));
}

const Stream& largeStream(std::size_t size) {
  return *new Stream(makeStream({"large", 1L << 20, 1L << 30, 2, 0x1a26e}, size));
}

}  // namespace bench
