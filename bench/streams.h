// Pregenerated operand streams shared by the benchmarks: the same values for the core, for
// boost::rational<long> and for GMP's mpq_t, so each implementation does exactly the same work.
#ifndef QUORVEX_BENCH_STREAMS_H
#define QUORVEX_BENCH_STREAMS_H

#include <cstddef>
#include <string>
#include <vector>

#include "fract.h"

namespace bench {

// A power of two, so that the index wraps with a mask; small enough to stay in the L1 cache.
constexpr std::size_t kStreamSize = 1024;
constexpr std::size_t kMask = kStreamSize - 1;

struct Stream {
  const char* name;
  std::vector<fract> a, b;         // reduced, nonzero numerators, positive denominators
  std::vector<long> exponents;     // nonzero, small enough that every power fits
  std::vector<std::string> texts;  // the plain written form of each a
};

// Components below 1000.
const Stream& smallStream();
// Components between 2^20 and 2^30.
const Stream& largeStream();

}  // namespace bench

#endif  // QUORVEX_BENCH_STREAMS_H
