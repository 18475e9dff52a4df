// The toolbox's correctly rounded arc tangent (one value at a time, and two
// with SSE2), sine and cosine against the C library's, per value, on the
// same inputs: one spread over the exponents the kernels meet
// (|x| from 2^-8 to 2^8, either sign) and one like the torus kernel's
// quotients z/rho.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "../core/rounded_math.h"

namespace {

std::vector<double> inputs(bool torusLike) {
  std::vector<double> v(4096);
  std::uint64_t state = 12345;
  for (double &x : v) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const double u = static_cast<double>(state >> 11) * 0x1p-53;
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const double w = static_cast<double>(state >> 11) * 0x1p-53;
    x = torusLike ? (2 * u - 1) * 3 / (0.1 + w) : std::ldexp(2 * u - 1, static_cast<int>(w * 16) - 8);
  }
  return v;
}

template <double (*F)(double)>
void functionBench(benchmark::State &state) {
  const std::vector<double> x = inputs(state.range(0) != 0);
  for (auto _ : state) {
    double sum = 0;
    for (double v : x) sum += F(v);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * x.size()));
}

double libraryAtan(double x) { return std::atan(x); }
double roundedAtan(double x) { return korvel::rounded::atan(x); }
double librarySin(double x) { return std::sin(x); }
double roundedSin(double x) { return korvel::rounded::sin(x); }
double libraryCos(double x) { return std::cos(x); }
double roundedCos(double x) { return korvel::rounded::cos(x); }

BENCHMARK(functionBench<libraryAtan>)->Name("atan/C library")->Arg(0)->Arg(1);
BENCHMARK(functionBench<roundedAtan>)->Name("atan/korvel rounded")->Arg(0)->Arg(1);
// Sine and cosine on the first inputs (angles up to 256 in magnitude).
BENCHMARK(functionBench<librarySin>)->Name("sin/C library")->Arg(0);
BENCHMARK(functionBench<roundedSin>)->Name("sin/korvel rounded")->Arg(0);
BENCHMARK(functionBench<libraryCos>)->Name("cos/C library")->Arg(0);
BENCHMARK(functionBench<roundedCos>)->Name("cos/korvel rounded")->Arg(0);

#if defined(KORVEL_HAVE_SSE2)
void atanTwoBench(benchmark::State &state) {
  const std::vector<double> x = inputs(state.range(0) != 0);
  std::vector<double> y(x.size());
  for (auto _ : state) {
    y = x;
    for (std::size_t i = 0; i + 2 <= y.size(); i += 2) korvel::rounded::atanTwo(&y[i]);
    benchmark::DoNotOptimize(y.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * x.size()));
}
BENCHMARK(atanTwoBench)->Name("atan/korvel rounded, two lanes")->Arg(0)->Arg(1);
#endif

}  // namespace

BENCHMARK_MAIN();
