// The bound of the core's logarithmic overflow tests, ln 2^(W-1) for a long of W bits: shared with
// the oracle that replays those tests, which must refuse exactly where the core does.
#ifndef QUORVEX_LOGLIMIT_H
#define QUORVEX_LOGLIMIT_H

#include <climits>

namespace quorvex {

#if LONG_MAX == 9223372036854775807L
constexpr double logLimit = 43.66827237527655;  // 63 ln 2, nearest double
#elif LONG_MAX == 2147483647L
constexpr double logLimit = 21.4875625973583;  // 31 ln 2, to 13 decimals
#else
#error "long must be 32 or 64 bits wide"
#endif

}  // namespace quorvex

#endif  // QUORVEX_LOGLIMIT_H
