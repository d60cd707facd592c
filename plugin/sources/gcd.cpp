#include "fract.h"
#include "magnitude.h"

long gcd(long a, long b) {
  using namespace quorvex;
  // Zero has no gcd worth reporting, and LONG_MIN has no magnitude: 0 tells the caller so.
  if (a == 0 || b == 0 || !hasMagnitude(a) || !hasMagnitude(b)) return 0;
  return static_cast<long>(binaryGcd(magnitude(a), magnitude(b)));
}
