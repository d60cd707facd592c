#include "fract.h"
#include "magnitude.h"

long reduce(long& p, long& q) {
  using namespace quorvex;
  // Refused before the zero test: a LONG_MIN argument is a failure whatever its partner.
  if (!hasMagnitude(p) || !hasMagnitude(q)) return 0;
  return reduceInRange(p, q);
}
