// Per-operation cost of the core beside boost::rational<long> and GMP's mpq_t on the same operand
// streams. Benchmarks are named "<operation>/<stream>/<implementation>"; bench/ratios.py turns a
// run into the table of ratios. The harmonic-series report goes to stderr before the run.
#include <benchmark/benchmark.h>
#include <gmp.h>

#include <boost/rational.hpp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fract.h"
#include "harmonic.h"
#include "streams.h"

namespace {

using bench::Stream;
using Boost = boost::rational<long>;

// ---- the same streams in each implementation's own representation

struct BoostStream {
  std::size_t mask;
  std::vector<Boost> a, b;
};

struct GmpStream {
  std::size_t mask;
  std::vector<__mpq_struct> a, b;
};

BoostStream toBoost(const Stream& s) {
  BoostStream out{s.mask, {}, {}};
  for (std::size_t i = 0; i < s.a.size(); ++i) {
    out.a.emplace_back(s.a[i].num, s.a[i].den);
    out.b.emplace_back(s.b[i].num, s.b[i].den);
  }
  return out;
}

void setGmp(__mpq_struct& q, const fract& f) {
  mpq_init(&q);
  mpq_set_si(&q, f.num, static_cast<unsigned long>(f.den));
  mpq_canonicalize(&q);
}

// Lives as long as the process, like the benchmarks that read it.
const GmpStream& toGmp(const Stream& s) {
  auto* out = new GmpStream{s.mask, {}, {}};
  out->a.resize(s.a.size());
  out->b.resize(s.b.size());
  for (std::size_t i = 0; i < s.a.size(); ++i) {
    setGmp(out->a[i], s.a[i]);
    setGmp(out->b[i], s.b[i]);
  }
  return *out;
}

// What a user of boost::rational writes for an integer power: squaring, inverting first.
Boost boostPow(Boost base, long p) {
  if (p < 0) {
    base = Boost(1) / base;
    p = -p;
  }
  Boost result(1);
  for (;;) {
    if (p & 1) result *= base;
    p >>= 1;
    if (p == 0) return result;
    base *= base;
  }
}

void gmpPow(mpq_ptr r, mpq_srcptr a, long p) {
  const unsigned long e = static_cast<unsigned long>(p < 0 ? -p : p);
  mpz_pow_ui(mpq_numref(r), mpq_numref(a), e);
  mpz_pow_ui(mpq_denref(r), mpq_denref(a), e);
  if (p < 0) mpq_inv(r, r);
}

void gmpFree(char* s) {
  void (*release)(void*, std::size_t) = nullptr;
  mp_get_memory_functions(nullptr, nullptr, &release);
  release(s, std::strlen(s) + 1);
}

// ---- benchmark bodies: one operation per iteration, cycling through the stream

using CoreBinary = bool (*)(fract&, const fract&, const fract&);
using GmpBinary = void (*)(mpq_ptr, mpq_srcptr, mpq_srcptr);

template <CoreBinary op>
void coreBinary(benchmark::State& state, const Stream* s) {
  fract r{0, 1};
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ & s->mask;
    bool ok = op(r, s->a[k], s->b[k]);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(r);
  }
}

template <class Op>
void boostBinary(benchmark::State& state, const BoostStream* s) {
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ & s->mask;
    Boost r = Op{}(s->a[k], s->b[k]);
    benchmark::DoNotOptimize(r);
  }
}

template <GmpBinary op>
void gmpBinary(benchmark::State& state, const GmpStream* s) {
  mpq_t r;
  mpq_init(r);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ & s->mask;
    op(r, &s->a[k], &s->b[k]);
    benchmark::DoNotOptimize(r);
  }
  mpq_clear(r);
}

void corePow(benchmark::State& state, const Stream* s) {
  fract r{0, 1};
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ & s->mask;
    bool ok = myPow(r, s->a[k], s->exponents[k]);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(r);
  }
}

void boostPowBench(benchmark::State& state, const Stream* s, const BoostStream* b) {
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ & s->mask;
    Boost r = boostPow(b->a[k], s->exponents[k]);
    benchmark::DoNotOptimize(r);
  }
}

void gmpPowBench(benchmark::State& state, const Stream* s, const GmpStream* g) {
  mpq_t r;
  mpq_init(r);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ & s->mask;
    gmpPow(r, &g->a[k], s->exponents[k]);
    benchmark::DoNotOptimize(r);
  }
  mpq_clear(r);
}

void coreParse(benchmark::State& state, const Stream* s) {
  fract f{0, 1};
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ & s->mask;
    bool ok = StrToFract(f, s->texts[k].c_str());
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(f);
  }
}

void gmpParse(benchmark::State& state, const Stream* s) {
  mpq_t q;
  mpq_init(q);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ & s->mask;
    int rc = mpq_set_str(q, s->texts[k].c_str(), 10);
    mpq_canonicalize(q);
    benchmark::DoNotOptimize(rc);
    benchmark::DoNotOptimize(q);
  }
  mpq_clear(q);
}

void coreFormat(benchmark::State& state, const Stream* s) {
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ & s->mask;
    char* out = nullptr;
    int n = FractToStr(out, s->a[k]);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(out);
    std::free(out);
  }
}

void gmpFormat(benchmark::State& state, const GmpStream* g) {
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ & g->mask;
    char* out = mpq_get_str(nullptr, 10, &g->a[k]);
    benchmark::DoNotOptimize(out);
    gmpFree(out);
  }
}

// ---- registration

// The implementations must do the same work: every core result on the streams equals boost's,
// none is refused, and every text reads back as its operand.
bool sameResults(const Stream& s, const BoostStream& b) {
  const CoreBinary ops[] = {add, sub, mul, div};
  for (std::size_t k = 0; k < s.a.size(); ++k) {
    const Boost want[] = {b.a[k] + b.b[k], b.a[k] - b.b[k], b.a[k] * b.b[k], b.a[k] / b.b[k],
                          boostPow(b.a[k], s.exponents[k])};
    for (int op = 0; op < 5; ++op) {
      fract r{0, 1};
      const bool ok = op < 4 ? ops[op](r, s.a[k], s.b[k]) : myPow(r, s.a[k], s.exponents[k]);
      if (!ok || Boost(r.num, r.den) != want[op]) {
        std::fprintf(stderr, "%s stream, operation %d, operand %zu: core and boost differ\n",
                     s.name, op, k);
        return false;
      }
    }
    fract parsed{0, 0};
    if (!StrToFract(parsed, s.texts[k].c_str()) || parsed.num != s.a[k].num ||
        parsed.den != s.a[k].den) {
      std::fprintf(stderr, "%s stream, operand %zu: \"%s\" does not read as the operand\n", s.name,
                   k, s.texts[k].c_str());
      return false;
    }
  }
  return true;
}

template <class F>
void enroll(const std::string& name, F&& body) {
  benchmark::RegisterBenchmark(name.c_str(), std::forward<F>(body));
}

bool registerStream(const Stream& s) {
  const BoostStream* b = new BoostStream(toBoost(s));
  const GmpStream* g = &toGmp(s);
  if (!sameResults(s, *b)) return false;
  const std::string tail = std::string("/") + s.name + "/";
  enroll("add" + tail + "core", [&s](benchmark::State& st) { coreBinary<add>(st, &s); });
  enroll("add" + tail + "boost", [b](benchmark::State& st) { boostBinary<std::plus<>>(st, b); });
  enroll("add" + tail + "gmp", [g](benchmark::State& st) { gmpBinary<mpq_add>(st, g); });
  enroll("sub" + tail + "core", [&s](benchmark::State& st) { coreBinary<sub>(st, &s); });
  enroll("sub" + tail + "boost", [b](benchmark::State& st) { boostBinary<std::minus<>>(st, b); });
  enroll("sub" + tail + "gmp", [g](benchmark::State& st) { gmpBinary<mpq_sub>(st, g); });
  enroll("mul" + tail + "core", [&s](benchmark::State& st) { coreBinary<mul>(st, &s); });
  enroll("mul" + tail + "boost",
         [b](benchmark::State& st) { boostBinary<std::multiplies<>>(st, b); });
  enroll("mul" + tail + "gmp", [g](benchmark::State& st) { gmpBinary<mpq_mul>(st, g); });
  enroll("div" + tail + "core", [&s](benchmark::State& st) { coreBinary<div>(st, &s); });
  enroll("div" + tail + "boost", [b](benchmark::State& st) { boostBinary<std::divides<>>(st, b); });
  enroll("div" + tail + "gmp", [g](benchmark::State& st) { gmpBinary<mpq_div>(st, g); });
  enroll("myPow" + tail + "core", [&s](benchmark::State& st) { corePow(st, &s); });
  enroll("myPow" + tail + "boost", [&s, b](benchmark::State& st) { boostPowBench(st, &s, b); });
  enroll("myPow" + tail + "gmp", [&s, g](benchmark::State& st) { gmpPowBench(st, &s, g); });
  enroll("StrToFract" + tail + "core", [&s](benchmark::State& st) { coreParse(st, &s); });
  enroll("StrToFract" + tail + "gmp", [&s](benchmark::State& st) { gmpParse(st, &s); });
  enroll("FractToStr" + tail + "core", [&s](benchmark::State& st) { coreFormat(st, &s); });
  enroll("FractToStr" + tail + "gmp", [g](benchmark::State& st) { gmpFormat(st, g); });
  return true;
}

// Takes --stream_size=N (a power of two) out of the arguments; the rest are the benchmark
// library's. Returns 0 for a size that is not a power of two.
std::size_t takeStreamSize(int& argc, char** argv) {
  static const char kFlag[] = "--stream_size=";
  std::size_t size = bench::kDefaultStreamSize;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kFlag, sizeof kFlag - 1) == 0) {
      size = std::strtoul(argv[i] + sizeof kFlag - 1, nullptr, 10);
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return size != 0 && (size & (size - 1)) == 0 ? size : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t size = takeStreamSize(argc, argv);
  if (size == 0) {
    std::fprintf(stderr, "--stream_size must be a power of two\n");
    return 1;
  }
  bench::reportHarmonicSeries(stderr);
  std::fprintf(stderr, "streams of %zu operands\n", size);
  if (!registerStream(bench::smallStream(size)) || !registerStream(bench::largeStream(size))) {
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
