// Pregenerated operand streams shared by the benchmarks: the same values for the core, for
// boost::rational<long> and for GMP's mpq_t, so each implementation does exactly the same work.
#ifndef QUORVEX_BENCH_STREAMS_H
#define QUORVEX_BENCH_STREAMS_H

#include <cstddef>
#include <string>
#include <vector>

#include "fract.h"

namespace bench {

// Operands per stream unless the command line says otherwise; a power of two, so that the index
// wraps with a mask.
//
// Why so many: a stream is replayed for as long as a benchmark runs, and the branch predictor
// learns a replayed sequence. With 1024 operands it learns most of the branches of a gcd loop
// (boost's gcd of two 30-bit values measured 15 ns there against 52 ns on 16384 operands), so the
// timings describe a program that repeats the same thousand operations, which no program does.
// 65536 operands are more than it can learn, and stream through the cache in order, which the
// prefetcher hides.
constexpr std::size_t kDefaultStreamSize = 65536;

struct Stream {
  const char* name;
  std::size_t mask;                // the number of operands less one: a power of two less one
  std::vector<fract> a, b;         // reduced, nonzero numerators, positive denominators
  std::vector<long> exponents;     // nonzero, small enough that every power fits
  std::vector<std::string> texts;  // the plain written form of each a
};

// `size` operands (a power of two) with every component below 1000.
const Stream& smallStream(std::size_t size);
// `size` operands with every component between 2^20 and 2^30.
const Stream& largeStream(std::size_t size);

}  // namespace bench

#endif  // QUORVEX_BENCH_STREAMS_H
