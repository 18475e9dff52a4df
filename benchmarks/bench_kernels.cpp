// Time per point of the point kernels, called through the loader as a host
// calls them, next to the floors they are held to: a plain copy of the points
// into a zero-filled output of the same size (the memory floor) and a loop of
// sqrt + atan calls on the projections' own arguments (their compute floor).
// Prints Google Benchmark's report, then a table of ns/point and ratios.
//
//   bench_kernels [--plugins=DIR] [Google Benchmark flags]
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "loader.h"
#include "standin.h"

namespace {

std::string pluginFolder = KORVEL_BENCH_PLUGIN_DIR;
const std::vector<long> kPointCounts = {10000, 1000000, 10000000};

// Scene-like points: bearings all round, slopes z/rho from about -3 to 3, so
// that every clamp case of both projections occurs.
const mxArray *scenePoints(long n) {
  static std::map<long, mxArray *> cache;  // kept for the whole run
  mxArray *&points = cache[n];
  if (!points) {
    points = mxCreateDoubleMatrix(3, n, mxREAL);
    std::mt19937_64 engine(static_cast<unsigned long>(n));
    std::uniform_real_distribution<double> horizontal(-50, 50), vertical(-100, 100);
    double *p = mxGetPr(points);
    for (long j = 0; j < n; ++j) {
      p[3 * j] = horizontal(engine);
      p[3 * j + 1] = horizontal(engine);
      p[3 * j + 2] = vertical(engine);
    }
  }
  return points;
}

void perPoint(benchmark::State &state) {
  state.counters["ns/point"] = benchmark::Counter(
      static_cast<double>(state.range(0)) * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// One command on n points; `second` is its second input, if any.
void kernel(benchmark::State &state, const std::string &command, const mxArray *second) {
  const standin::Plugin plugin(pluginFolder, command);
  if (!plugin.ok()) {
    state.SkipWithError(plugin.error().c_str());
    return;
  }
  std::vector<const mxArray *> inputs = {scenePoints(state.range(0))};
  if (second) inputs.push_back(second);
  for (auto _ : state) {
    standin::CallOutcome outcome = plugin.call(inputs);
    if (outcome.failed) {
      state.SkipWithError(outcome.message.c_str());
      break;
    }
    benchmark::DoNotOptimize(mxGetPr(outcome.outputs[0]));
    mxDestroyArray(outcome.outputs[0]);
  }
  perPoint(state);
}

// The bytes of the points copied into a new zero-filled 3-by-n matrix of the
// host: what any kernel that reads the points and writes a point matrix pays.
void memoryFloor(benchmark::State &state) {
  const long n = state.range(0);
  const double *points = mxGetPr(scenePoints(n));
  for (auto _ : state) {
    mxArray *copy = mxCreateDoubleMatrix(3, n, mxREAL);
    std::memcpy(mxGetPr(copy), points, 3 * static_cast<size_t>(n) * sizeof(double));
    benchmark::DoNotOptimize(mxGetPr(copy));
    benchmark::ClobberMemory();
    mxDestroyArray(copy);
  }
  perPoint(state);
}

// One sqrt and one atan per point, on the arguments the toroidal projection
// gives them (x*x + y*y and z/rho), results kept.
void computeFloor(benchmark::State &state) {
  const long n = state.range(0);
  const double *p = mxGetPr(scenePoints(n));
  std::vector<double> squares(n), quotients(n), results(n);
  for (long j = 0; j < n; ++j) {
    squares[j] = p[3 * j] * p[3 * j] + p[3 * j + 1] * p[3 * j + 1];
    quotients[j] = p[3 * j + 2] / std::sqrt(squares[j]);
  }
  for (auto _ : state) {
    for (long j = 0; j < n; ++j) results[j] = std::sqrt(squares[j]) + std::atan(quotients[j]);
    benchmark::DoNotOptimize(results.data());
    benchmark::ClobberMemory();
  }
  perPoint(state);
}

// Keeps Google Benchmark's report and notes ns/point per benchmark name.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run> &runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
      const auto counter = run.counters.find("ns/point");
      if (run.error_occurred || counter == run.counters.end()) continue;
      nsPerPoint[run.benchmark_name()] = counter->second.value;
    }
  }
  std::map<std::string, double> nsPerPoint;
};

struct Row {
  const char *name;
  const char *target;  // what it is held to
};

void printTable(const TableReporter &reporter) {
  const Row rows[] = {{"memory floor", ""},           {"compute floor", ""},
                      {"korvelOffset", "memory 1.5x"}, {"korvelSpin", "memory 1.5x"},
                      {"korvelRange", "memory 1.5x"},  {"torusScreenMex", "compute 1.3x"},
                      {"coneScreenMex", "compute 1.3x"}};
  auto lookup = [&](const std::string &name, long n) {
    const auto found = reporter.nsPerPoint.find(name + "/" + std::to_string(n) + "/real_time");
    return found == reporter.nsPerPoint.end() ? NAN : found->second;
  };
  std::printf("\nns/point through the loader, and ratio to each floor (same run)\n");
  std::printf("%-16s %-13s", "", "target");
  for (long n : kPointCounts) std::printf(" | N=%-8ld %6s %7s", n, "/mem", "/comp");
  std::printf("\n");
  for (const Row &row : rows) {
    std::printf("%-16s %-13s", row.name, row.target);
    for (long n : kPointCounts) {
      const double time = lookup(row.name, n);
      std::printf(" | %10.3f %5.2fx %6.2fx", time, time / lookup("memory floor", n),
                  time / lookup("compute floor", n));
    }
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char **argv) {
  const char prefix[] = "--plugins=";
  std::vector<char *> arguments;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], prefix, sizeof prefix - 1) == 0)
      pluginFolder = argv[i] + sizeof prefix - 1;
    else
      arguments.push_back(argv[i]);
  }
  int count = static_cast<int>(arguments.size());
  benchmark::Initialize(&count, arguments.data());

  mxArray *position = mxCreateDoubleMatrix(3, 1, mxREAL);
  mxGetPr(position)[0] = 1.5, mxGetPr(position)[1] = -2.5, mxGetPr(position)[2] = 0.25;
  mxArray *angle = mxCreateDoubleMatrix(1, 1, mxREAL);
  mxGetPr(angle)[0] = 0.7;

  std::vector<benchmark::internal::Benchmark *> all = {
      benchmark::RegisterBenchmark("memory floor", memoryFloor),
      benchmark::RegisterBenchmark("compute floor", computeFloor),
      benchmark::RegisterBenchmark("korvelOffset", kernel, "korvelOffset", position),
      benchmark::RegisterBenchmark("korvelSpin", kernel, "korvelSpin", angle),
      benchmark::RegisterBenchmark("korvelRange", kernel, "korvelRange", nullptr),
      benchmark::RegisterBenchmark("torusScreenMex", kernel, "torusScreenMex", nullptr),
      benchmark::RegisterBenchmark("coneScreenMex", kernel, "coneScreenMex", nullptr)};
  for (benchmark::internal::Benchmark *registered : all) {
    for (long n : kPointCounts) registered->Arg(n);
    registered->UseRealTime()->Unit(benchmark::kMicrosecond);
  }

  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  printTable(reporter);
  benchmark::Shutdown();
  mxDestroyArray(position);
  mxDestroyArray(angle);
  return 0;
}
