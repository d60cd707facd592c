// The harmonic series 1/1 + 1/2 + ... summed with the core's add, with boost::rational<long>
// beside it, each partial sum checked against GMP's exact value.
#ifndef QUORVEX_BENCH_HARMONIC_H
#define QUORVEX_BENCH_HARMONIC_H

#include <cstdio>

namespace bench {

// Writes where the core stops (an overflow it reports) and where boost goes silently wrong.
void reportHarmonicSeries(std::FILE* out);

}  // namespace bench

#endif  // QUORVEX_BENCH_HARMONIC_H
