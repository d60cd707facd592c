#include "harmonic.h"

#include <gmp.h>

#include <boost/rational.hpp>
#include <string>

#include "fract.h"

namespace bench {
namespace {

constexpr long kLastTerm = 200;

std::string text(mpq_srcptr q) {
  char* s = mpq_get_str(nullptr, 10, q);
  std::string out(s);
  void (*release)(void*, std::size_t) = nullptr;
  mp_get_memory_functions(nullptr, nullptr, &release);
  release(s, out.size() + 1);
  return out;
}

bool equals(mpq_srcptr exact, long num, long den) {
  mpq_t q;
  mpq_init(q);
  mpq_set_si(q, num, 1);
  mpz_set_si(mpq_denref(q), den);
  mpq_canonicalize(q);
  const bool same = den > 0 && mpq_equal(q, exact) != 0;
  mpq_clear(q);
  return same;
}

// Adds 1/n to the exact running sum.
void addTerm(mpq_ptr exact, long n) {
  mpq_t term;
  mpq_init(term);
  mpq_set_si(term, 1, static_cast<unsigned long>(n));
  mpq_add(exact, exact, term);
  mpq_clear(term);
}

void reportCore(std::FILE* out) {
  mpq_t exact;
  mpq_init(exact);
  fract h{0, 1};
  long reached = 0;
  for (long n = 1; n <= kLastTerm; ++n) {
    addTerm(exact, n);
    fract next{0, 1};
    if (!add(next, h, fract{1, n})) {
      std::fprintf(out, "core:  H_%ld = %ld/%ld, exact; addition %ld (+ 1/%ld) reports overflow\n",
                   reached, h.num, h.den, n, n);
      break;
    }
    if (!equals(exact, next.num, next.den)) {
      std::fprintf(out, "core:  H_%ld WRONG: %ld/%ld, exact %s\n", n, next.num, next.den,
                   text(exact).c_str());
      break;
    }
    h = next;
    reached = n;
  }
  mpq_clear(exact);
}

void reportBoost(std::FILE* out) {
  mpq_t exact;
  mpq_init(exact);
  boost::rational<long> h(0);
  for (long n = 1; n <= kLastTerm; ++n) {
    addTerm(exact, n);
    try {
      h += boost::rational<long>(1, n);
    } catch (const boost::bad_rational& e) {
      std::fprintf(out, "boost: addition %ld throws bad_rational (%s)\n", n, e.what());
      break;
    }
    if (!equals(exact, h.numerator(), h.denominator())) {
      std::fprintf(out, "boost: H_%ld comes out as %ld/%ld with no error raised; exact %s\n", n,
                   h.numerator(), h.denominator(), text(exact).c_str());
      break;
    }
  }
  mpq_clear(exact);
}

}  // namespace

void reportHarmonicSeries(std::FILE* out) {
  std::fprintf(out,
               "harmonic series 1/1 + 1/2 + ... (64-bit long), partial sums checked with GMP\n");
  reportCore(out);
  reportBoost(out);
}

}  // namespace bench
