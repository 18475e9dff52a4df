// Time per point of the point kernels, called through the loader as a host
// calls them, next to the floors they are held to: a plain copy of the points
// into a zero-filled output of the same size (the memory floor) and a loop of
// sqrt + atan calls on the projections' own arguments (their compute floor).
// Prints one line per benchmark and N, then a table of ns/point, each
// kernel's ratio to the floor it is held to and whether that target is met.
// Each benchmark runs three times and the median counts, as the machine is
// shared and a first run of a large N can pay for fresh memory pages (the
// memory floor at N=10^7 once took six times its median);
// --benchmark_repetitions=R overrides that. Then korvelPaintTriangles on a
// frame of a 10^5-point mesh (ns/point of the mesh), at the default thread
// count and at 1 thread.
//
// Then every threaded kernel at 1 thread and at the default thread count
// side by side (threadTable below), from its threshold on: calls alternate
// between the two, and each figure is a median. The table is taken twice:
// with nothing of this benchmark beside it, then with one spinning process
// per core that the benchmark starts (each ends by itself after 15 minutes at
// most) and stops afterwards, as a parallel pool keeps every core busy.
// With --thresholds, instead, a sweep of sizes at 1 thread and at the
// default, which `make bench-thresholds` runs on plug-ins that use threads
// from far smaller sizes on: what the thresholds in core/parallel_sizes.h
// were chosen from.
//
//   bench_kernels [--plugins=DIR] [--thresholds] [--no-threads] [Google Benchmark flags]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../core/threads.h"
#include "../core/parallel_sizes.h"

#include "../tests/support/cases.h"
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

// Nanoseconds per point as a counter, so that --benchmark_out files carry it
// too; the console shows it as a plain number (see PointReporter).
void perPoint(benchmark::State &state) {
  state.counters["ns/point"] = benchmark::Counter(
      static_cast<double>(state.range(0)) * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// One command on n points, then `after`, what follows them in its call.
std::vector<mxArray *> afterInputs;  // freed at the end of main

// What follows the points in a call of the point kernel.
std::vector<const mxArray *> inputsAfter(const cases::PointKernel &kernel) {
  std::vector<const mxArray *> after;
  for (const std::vector<double> &values : cases::inputsAfterPoints(kernel)) {
    mxArray *input = mxCreateDoubleMatrix(static_cast<int>(values.size()), 1, mxREAL);
    std::copy(values.begin(), values.end(), mxGetPr(input));
    afterInputs.push_back(input);
    after.push_back(input);
  }
  return after;
}

void kernel(benchmark::State &state, const std::string &command,
            const std::vector<const mxArray *> &after) {
  const standin::Plugin plugin(pluginFolder, command);
  if (!plugin.ok()) {
    state.SkipWithError(plugin.error().c_str());
    return;
  }
  std::vector<const mxArray *> inputs = {scenePoints(state.range(0))};
  inputs.insert(inputs.end(), after.begin(), after.end());
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

// Which floor a kernel is held to, and by how much: its ns/point at most
// `factor` times the floor's ns/point at the same N, in the same run.
struct Row {
  const char *name;
  const char *floor;  // "memory", "compute", or nullptr for a floor itself
  double factor;
};
const Row kRows[] = {{"memory floor", nullptr, 0},     {"compute floor", nullptr, 0},
                     {"korvelOffset", "memory", 1.5},  {"korvelSpin", "memory", 1.5},
                     {"korvelRange", "memory", 1.5},   {"torusScreenMex", "compute", 1.3},
                     {"coneScreenMex", "compute", 1.3}};

void setThreads(const char *count);

// A frame of a mesh of n points on a 1024x1024 uint8 picture, as the
// picture frame of bench_host.m paints it: a wavy grid seen from below its
// edge, two triangles a cell of a few pixels each, nine in ten painted,
// far first.
std::vector<const mxArray *> frameInputs(long n) {
  static std::vector<const mxArray *> inputs;  // kept for the whole run
  if (!inputs.empty()) return inputs;
  const long side = std::lround(std::sqrt(static_cast<double>(n)));
  const long faceCount = 2 * (side - 1) * (side - 1);
  mxArray *uv = mxCreateDoubleMatrix(2, side * side, mxREAL);
  mxArray *faces = mxCreateNumericMatrix(3, faceCount, mxINT32_CLASS, mxREAL);
  mxArray *colours = mxCreateDoubleMatrix(faceCount, 3, mxREAL);
  const int pictureSize[3] = {1024, 1024, 3};
  mxArray *canvas = mxCreateNumericArray(3, pictureSize, mxUINT8_CLASS, mxREAL);
  mxArray *view = mxCreateDoubleMatrix(1, 3, mxREAL);
  const double corner[3] = {-1, 1, 512};
  std::copy(corner, corner + 3, mxGetPr(view));
  std::mt19937_64 engine(static_cast<unsigned long>(n));
  std::uniform_real_distribution<double> unit(0, 1);
  double *points = mxGetPr(uv);
  for (long r = 0; r < side; ++r)
    for (long c = 0; c < side; ++c) {
      const double x = 1.9 * c / (side - 1) - 0.95, y = 1.9 * r / (side - 1) - 0.95;
      points[2 * (r * side + c)] = x + 0.01 * std::sin(17 * y);
      points[2 * (r * side + c) + 1] = y + 0.01 * std::cos(23 * x);
    }
  auto *corners = static_cast<std::int32_t *>(mxGetData(faces));
  std::vector<std::pair<double, double>> depths;  // (distance, face number)
  for (long r = 0, t = 0; r + 1 < side; ++r)
    for (long c = 0; c + 1 < side; ++c)
      for (int half = 0; half < 2; ++half, ++t) {
        const std::int32_t a = static_cast<std::int32_t>(r * side + c);
        const std::int32_t b = static_cast<std::int32_t>(a + side);
        const std::int32_t cell[2][3] = {{a, b, b + 1}, {a, b + 1, a + 1}};
        std::copy(cell[half], cell[half] + 3, corners + 3 * t);
        const double x = points[2 * a], y = points[2 * a + 1];
        if (engine() % 10 != 0) depths.push_back({x * x + (y + 2) * (y + 2) + 0.01 * unit(engine), t + 1.0});
      }
  for (long i = 0; i < 3 * faceCount; ++i) mxGetPr(colours)[i] = unit(engine);
  std::sort(depths.rbegin(), depths.rend());
  mxArray *order = mxCreateDoubleMatrix(1, static_cast<int>(depths.size()), mxREAL);
  for (size_t i = 0; i < depths.size(); ++i) mxGetPr(order)[i] = depths[i].second;
  for (mxArray *input : {canvas, view, uv, faces, colours, order}) afterInputs.push_back(input);
  inputs = {canvas, view, uv, faces, colours, order};
  return inputs;
}

// `threads` null: the default thread count.
void paintFrame(benchmark::State &state, const char *threads) {
  const standin::Plugin plugin(pluginFolder, "korvelPaintTriangles");
  if (!plugin.ok()) {
    state.SkipWithError(plugin.error().c_str());
    return;
  }
  const std::vector<const mxArray *> inputs = frameInputs(state.range(0));
  setThreads(threads);
  for (auto _ : state) {
    standin::CallOutcome outcome = plugin.call(inputs);
    if (outcome.failed) {
      state.SkipWithError(outcome.message.c_str());
      break;
    }
    benchmark::DoNotOptimize(mxGetData(outcome.outputs[0]));
    mxDestroyArray(outcome.outputs[0]);
  }
  setThreads(nullptr);
  perPoint(state);
}

// Plain text, one line per benchmark and N: the median over the repetitions
// (or the single run), with ns/point as a plain number and its spread over
// the repetitions. Never colour: the output goes to logs as often as to a
// terminal. Notes each ns/point for the table that follows.
class PointReporter : public benchmark::BenchmarkReporter {
 public:
  bool ReportContext(const Context &context) override {
    PrintBasicContext(&GetErrorStream(), context);
    std::printf("%-24s %12s %12s %14s %9s %7s\n", "Benchmark (real time)", "time/call", "CPU/call",
                "runs x iters", "ns/point", "spread");
    return true;
  }

  // Called with the runs of one benchmark and N; with repetitions, once with
  // the runs and once more with their aggregates.
  void ReportRuns(const std::vector<Run> &runs) override {
    const Run *shown = nullptr, *variation = nullptr;
    for (const Run &run : runs) {
      if (run.error_occurred) {
        if (run.repetition_index <= 0)
          std::printf("%-24s ERROR: %s\n", nameOf(run).c_str(), run.error_message.c_str());
      } else if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") shown = &run;
        if (run.aggregate_name == "cv") variation = &run;
      } else if (run.repetitions > 1) {
        iterationsPerRun[nameOf(run)] = run.iterations;  // aggregates count runs instead
      } else {
        shown = &run;
      }
    }
    if (!shown || !shown->counters.count("ns/point")) return;
    const double time = shown->counters.at("ns/point").value;
    char spread[16] = "-";
    if (variation && variation->counters.count("ns/point"))
      std::snprintf(spread, sizeof spread, "%.1f%%", 100 * variation->counters.at("ns/point").value);
    char counts[32];
    const auto iterations = iterationsPerRun.find(nameOf(*shown));
    if (shown->run_type != Run::RT_Aggregate)
      std::snprintf(counts, sizeof counts, "1 x %lld", static_cast<long long>(shown->iterations));
    else if (iterations != iterationsPerRun.end())
      std::snprintf(counts, sizeof counts, "%lld x %lld", static_cast<long long>(shown->repetitions),
                    static_cast<long long>(iterations->second));
    else
      std::snprintf(counts, sizeof counts, "%lld runs", static_cast<long long>(shown->repetitions));
    std::printf("%-24s %12s %12s %14s %9.3f %7s\n", nameOf(*shown).c_str(),
                readable(shown->GetAdjustedRealTime(), shown->time_unit).c_str(),
                readable(shown->GetAdjustedCPUTime(), shown->time_unit).c_str(), counts, time, spread);
    nsPerPoint[nameOf(*shown)] = time;
    repetitions = shown->repetitions;
  }

  double lookup(const std::string &name, long n) const {
    const auto found = nsPerPoint.find(name + "/" + std::to_string(n));
    return found == nsPerPoint.end() ? NAN : found->second;
  }

  int64_t repetitions = 1;

 private:
  // A time in `unit` as ns, us, ms or s, whichever keeps it below 1000.
  static std::string readable(double time, benchmark::TimeUnit unit) {
    time *= 1e9 / benchmark::GetTimeUnitMultiplier(unit);
    const char *units[] = {"ns", "us", "ms", "s"};
    int shown = 0;
    for (; shown < 3 && time >= 1000; ++shown) time /= 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%.4g %s", time, units[shown]);
    return text;
  }
  static std::string nameOf(const Run &run) {
    return run.run_name.function_name + "/" + run.run_name.args;
  }
  std::map<std::string, double> nsPerPoint;
  std::map<std::string, int64_t> iterationsPerRun;
};

// A table line built from printf-style pieces, printed without trailing blanks.
struct Line {
  std::string text;
  template <typename... Values>
  void add(const char *format, Values... values) {
    char piece[128];
    std::snprintf(piece, sizeof piece, format, values...);
    text += piece;
  }
  void print() {
    text.erase(text.find_last_not_of(' ') + 1);
    std::printf("%s\n", text.c_str());
    text.clear();
  }
};

void printTable(const PointReporter &reporter) {
  char repetitions[48] = "one run each";
  if (reporter.repetitions > 1)
    std::snprintf(repetitions, sizeof repetitions, "median of %lld runs each",
                  static_cast<long long>(reporter.repetitions));
  std::printf(
      "\nns/point through the loader (%s), all rows from this one run.\n"
      "Target: the kernel's ns/point at most the factor times its floor's ns/point at the\n"
      "same N. memory = the memory floor (the points copied into a new zero-filled 3-by-N\n"
      "matrix); compute = the compute floor (one sqrt and one atan per point). Ratio = the\n"
      "kernel's ns/point over that floor's; 'met' or 'MISSED' at each N.\n\n",
      repetitions);
  Line line;
  line.add("%-15s %-15s", "", "target");
  for (long n : kPointCounts) line.add(" | N=%-22ld", n);
  line.print();
  line.add("%-15s %-15s", "", "");
  for (size_t k = 0; k < kPointCounts.size(); ++k) line.add(" | %8s %6s %-8s", "ns/point", "ratio", "");
  line.print();

  int met = 0, judged = 0;
  std::string missed;
  for (const Row &row : kRows) {
    char target[24] = "";
    if (row.floor) std::snprintf(target, sizeof target, "%s <= %.1fx", row.floor, row.factor);
    line.add("%-15s %-15s", row.name, target);
    for (long n : kPointCounts) {
      const double time = reporter.lookup(row.name, n);
      if (!row.floor) {
        line.add(" | %8.3f %6s %-8s", time, "", "");
        continue;
      }
      const double ratio = time / reporter.lookup(std::string(row.floor) + " floor", n);
      if (std::isnan(ratio)) {
        line.add(" | %8.3f %6s %-8s", time, "-", "no data");
        continue;
      }
      const bool isMet = ratio <= row.factor;
      line.add(" | %8.3f %5.2fx %-8s", time, ratio, isMet ? "met" : "MISSED");
      ++judged;
      if (isMet) {
        ++met;
      } else {
        char miss[96];
        std::snprintf(miss, sizeof miss, "\n  %s at N=%ld: %.2fx the %s floor, target %.1fx", row.name,
                      n, ratio, row.floor, row.factor);
        missed += miss;
      }
    }
    line.print();
  }
  std::printf("\nTargets met: %d of %d.%s%s\n", met, judged, missed.empty() ? "" : " Missed:",
              missed.c_str());
}

// --- 1 thread against the default ------------------------------------------

// The inputs of one timed call; the arrays are freed at the end of the run.
struct ThreadCase {
  std::string command;
  std::string size;  // as the table shows it
  std::vector<const mxArray *> inputs;
};

std::vector<mxArray *> caseArrays;  // every input made for the thread cases

mxArray *keep(mxArray *array) {
  caseArrays.push_back(array);
  return array;
}

std::string powerLabel(long n) {
  int power = 0;
  for (long m = n; m >= 10 && m % 10 == 0; m /= 10) ++power;
  return n == std::lround(std::pow(10.0, power)) ? "10^" + std::to_string(power) : std::to_string(n);
}

// T = 2N triangles over the toroidal screen of N scene points, nine in ten
// enabled, as bench_host.m makes them.
std::vector<const mxArray *> faceInputs(const standin::Plugin &torus, long n) {
  standin::CallOutcome screen = torus.call({scenePoints(n)});
  keep(screen.outputs[0]);
  const long t = 2 * n;
  mxArray *faces = keep(mxCreateNumericMatrix(3, t, mxINT32_CLASS, mxREAL));
  mxArray *mask = keep(mxCreateNumericMatrix(1, t, mxLOGICAL_CLASS, mxREAL));
  std::mt19937_64 engine(static_cast<unsigned long>(t));
  auto *corners = static_cast<std::int32_t *>(mxGetData(faces));
  auto *enabled = static_cast<unsigned char *>(mxGetData(mask));
  for (long i = 0; i < 3 * t; ++i) corners[i] = static_cast<std::int32_t>(engine() % n);
  for (long i = 0; i < t; ++i) enabled[i] = engine() % 10 != 0;
  return {faces, screen.outputs[0], mask};
}

// Whole numbers 1..2L+1 over `count` elements, L distinct from values and
// random to values, as bench_host.m makes them.
std::vector<const mxArray *> swapInputs(long count, long pairs) {
  std::mt19937_64 engine(static_cast<unsigned long>(count * 7 + pairs));
  const long side = std::lround(std::sqrt(static_cast<double>(count)));
  mxArray *values = keep(mxCreateDoubleMatrix(side, count / side, mxREAL));
  for (long i = 0; i < side * (count / side); ++i)
    mxGetPr(values)[i] = static_cast<double>(engine() % (2 * pairs + 1) + 1);
  std::vector<double> pool(2 * pairs);
  for (long i = 0; i < 2 * pairs; ++i) pool[i] = static_cast<double>(i + 1);
  std::shuffle(pool.begin(), pool.end(), engine);
  mxArray *from = keep(mxCreateDoubleMatrix(pairs, 1, mxREAL));
  mxArray *to = keep(mxCreateDoubleMatrix(pairs, 1, mxREAL));
  std::uniform_real_distribution<double> unit(0, 1);
  for (long k = 0; k < pairs; ++k) {
    mxGetPr(from)[k] = pool[k];
    mxGetPr(to)[k] = unit(engine);
  }
  return {values, from, to};
}

// 'random': values 1..4 drawn per element; 'tiles': one value 1..4 per 8x8
// tile.
const mxArray *labelImage(long side, bool tiles) {
  mxArray *image = keep(mxCreateDoubleMatrix(side, side, mxREAL));
  std::mt19937_64 engine(static_cast<unsigned long>(side * 2 + tiles));
  std::vector<double> tileValues((side / 8) * (side / 8));
  for (double &v : tileValues) v = static_cast<double>(engine() % 4 + 1);
  double *a = mxGetPr(image);
  for (long c = 0; c < side; ++c)
    for (long r = 0; r < side; ++r)
      a[r + c * side] = tiles ? tileValues[(r / 8) + (c / 8) * (side / 8)]
                              : static_cast<double>(engine() % 4 + 1);
  return image;
}

void setThreads(const char *count) {
  if (count)
    setenv("KORVEL_NUM_THREADS", count, 1);
  else
    unsetenv("KORVEL_NUM_THREADS");
}

double secondsOf(const standin::Plugin &plugin, const std::vector<const mxArray *> &inputs) {
  const auto start = std::chrono::steady_clock::now();
  standin::CallOutcome outcome = plugin.call(inputs);
  const auto stop = std::chrono::steady_clock::now();
  if (outcome.failed) {
    std::fprintf(stderr, "%s\n", outcome.message.c_str());
    std::exit(1);
  }
  for (mxArray *output : outcome.outputs) mxDestroyArray(output);
  return std::chrono::duration<double>(stop - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// How many pairs of calls a case gets: at least `least`, more while the
// case has used less than `seconds`, at most 41. Loaded, every call shares
// its core with a spinner's time slices, and a median of 9 pairs of calls
// of a tenth of a second still moves by a fifth: the loaded table takes more.
struct Pairs {
  size_t least;
  double seconds;
};
Pairs pairsPerCase = {9, 1.0};

// Times the case at `fewer` threads and at `more` (null: the default),
// alternating, after one untimed call of each, pairsPerCase times. Prints one row: the
// median time at each, and the median of each pair's ratio, since the two
// calls of a pair share whatever else the machine was doing just then.
// Returns the median at `fewer` threads, in seconds (0 when the plug-in is
// missing).
double timeSideBySide(const ThreadCase &c, const char *fewer, const char *more) {
  const standin::Plugin plugin(pluginFolder, c.command);
  if (!plugin.ok()) {
    std::printf("%-16s %-20s %s\n", c.command.c_str(), c.size.c_str(), plugin.error().c_str());
    return 0;
  }
  std::vector<double> one, many;
  setThreads(fewer);
  secondsOf(plugin, c.inputs);
  setThreads(more);
  secondsOf(plugin, c.inputs);
  double used = 0;
  while (one.size() < pairsPerCase.least || (used < pairsPerCase.seconds && one.size() < 41)) {
    setThreads(fewer);
    one.push_back(secondsOf(plugin, c.inputs));
    setThreads(more);
    many.push_back(secondsOf(plugin, c.inputs));
    used += one.back() + many.back();
  }
  setThreads(nullptr);
  std::vector<double> ratios(one.size());
  for (size_t i = 0; i < one.size(); ++i) ratios[i] = one[i] / many[i];
  const double a = median(one), b = median(many);
  std::printf("%-16s %-20s %12.4f %12.4f %8.2f %6zu\n", c.command.c_str(), c.size.c_str(), 1e3 * a,
              1e3 * b, median(ratios), one.size());
  std::fflush(stdout);
  return a;
}

// The points, then what follows them in a call of the point kernel.
std::vector<const mxArray *> pointInputs(const cases::PointKernel &kernel, long n) {
  std::vector<const mxArray *> inputs = {scenePoints(n)};
  for (const mxArray *input : inputsAfter(kernel)) inputs.push_back(input);
  return inputs;
}

// The point kernels and where each starts threads.
const auto &kPointCommands = cases::kPointKernels;

// How many cores are free just now: the time of one piece of pure arithmetic
// on 1 thread over the time of `threads` such pieces on `threads` threads
// (through core/threads.h). About the thread count when every core is
// free; on a machine busy with other work, threaded kernels gain less.
double freeCores(unsigned threads) {
  std::uint64_t sums[korvel::kMaxThreads] = {};
  auto piece = [&sums](std::size_t index, unsigned) {
    std::uint64_t a = index + 1, b = 3 * a;
    for (long i = 0; i < 20000000; ++i) {
      a = a * 6364136223846793005ull + 1;
      b ^= a >> 29;
    }
    sums[index] = a + b;
  };
  auto seconds = [&](unsigned count) {
    const auto start = std::chrono::steady_clock::now();
    korvel::runParallel(count, count, piece);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  const double one = seconds(1), all = seconds(threads);
  benchmark::DoNotOptimize(sums);
  return threads * one / all;
}

// Microseconds that finding the default thread count takes per call, as a
// call from its threshold on pays it (korvel::threadLimit): the median of 9
// batches of 2000.
double readingMicroseconds() {
  std::vector<double> batches;
  unsigned sink = 0;
  for (int batch = 0; batch < 9; ++batch) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 2000; ++i) sink += korvel::threadLimit(0);
    batches.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                      2000);
  }
  benchmark::DoNotOptimize(sink);
  return 1e6 * median(batches);
}

// The side of the smallest square with at least `elements` elements.
long sideFor(std::size_t elements) {
  return static_cast<long>(std::ceil(std::sqrt(static_cast<double>(elements))));
}

void threadTable(const char *condition) {
  setThreads(nullptr);
  const unsigned threads = korvel::threadLimit(0);
  std::printf("\n%s: each threaded kernel at 1 thread and at the default, %u threads now "
              "(KORVEL_NUM_THREADS unset); ms are medians of alternating calls, ratio = the "
              "median over the pairs of 1 thread / default\n",
              condition, threads);
  const unsigned cores = korvel::processorCount();
  std::printf("Free cores before (arithmetic on %u threads against 1): %.2f\n", cores,
              freeCores(cores));
  const double reading = readingMicroseconds();
  std::printf("Finding the default thread count: %.2f us per call from a threshold on\n", reading);
  std::printf("%-16s %-20s %12s %12s %8s %6s\n", "command", "size", "1 thread ms", "default ms",
              "ratio", "pairs");
  const standin::Plugin torus(pluginFolder, "torusScreenMex");
  // At each threshold first, where the reading weighs most.
  std::string shares;
  auto share = [&shares, reading](const char *command, double seconds) {
    char text[80];
    std::snprintf(text, sizeof text, " %s %.1f%%,", command, 100 * reading * 1e-6 / seconds);
    shares += text;
  };
  for (const auto &p : kPointCommands) {
    const long n = static_cast<long>(p.split.threshold);
    share(p.command, timeSideBySide({p.command, "N=" + std::to_string(n) + " (from)",
                                     pointInputs(p, n)},
                                    "1", nullptr));
  }
  const long faceN = static_cast<long>(korvel::kFaceSplit.threshold / 2);
  share("korvelFaceShown",
        timeSideBySide({"korvelFaceShown", "T=" + std::to_string(2 * faceN) + " (from)",
                        faceInputs(torus, faceN)},
                       "1", nullptr));
  const long tableSide = sideFor(korvel::kSwapTableSplit.threshold);
  share("valueSwap L=64", timeSideBySide({"valueSwap",
                                          std::to_string(tableSide) + "^2 L=64 (from)",
                                          swapInputs(tableSide * tableSide, 64)},
                                         "1", nullptr));
  // The scan's work is elements x (pairs + 1).
  const long scanSide = sideFor(korvel::kSwapScanSplit.threshold / (4 + 1));
  share("valueSwap L=4", timeSideBySide({"valueSwap", std::to_string(scanSide) + "^2 L=4 (from)",
                                         swapInputs(scanSide * scanSide, 4)},
                                        "1", nullptr));
  const long plateauSide = sideFor(korvel::kPlateauSplit.threshold);
  share("plateauLabels",
        timeSideBySide({"plateauLabels", std::to_string(plateauSide) + "^2 random (from)",
                        {labelImage(plateauSide, false)}},
                       "1", nullptr));
  for (long n : kPointCounts) {
    for (const auto &p : kPointCommands)
      timeSideBySide({p.command, "N=" + powerLabel(n), pointInputs(p, n)},
                     "1", nullptr);
    timeSideBySide({"korvelFaceShown", "T=2*" + powerLabel(n), faceInputs(torus, n)}, "1",
                   nullptr);
  }
  for (long n : kPointCounts)
    for (long pairs : {4L, 64L, 4096L, 65536L})
      timeSideBySide({"valueSwap", powerLabel(n) + " L=" + std::to_string(pairs),
                      swapInputs(n, pairs)},
                     "1", nullptr);
  for (long side : {256L, 1024L, 2048L, 4096L})
    for (bool tiles : {false, true})
      timeSideBySide({"plateauLabels",
                      std::to_string(side) + "^2 " + (tiles ? "tiles" : "random"),
                      {labelImage(side, tiles)}},
                     "1", nullptr);
  shares.pop_back();
  std::printf("The reading against a 1-thread call at each threshold:%s\n", shares.c_str());
  std::printf("Free cores after: %.2f\n", freeCores(cores));
}

// One process per core that only spins, so that a table can be taken with
// every core kept busy by others, as a parallel pool keeps them; each ends
// by itself after `seconds` (or with this process) should it not be stopped.
std::vector<pid_t> startSpinners(unsigned count, unsigned seconds) {
  std::fflush(stdout);
  std::vector<pid_t> spinners;
  for (unsigned k = 0; k < count; ++k) {
    const pid_t pid = fork();
    if (pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      alarm(seconds);
      for (volatile unsigned long spin = 0;; spin = spin + 1) {
      }
    }
    if (pid > 0) spinners.push_back(pid);
  }
  return spinners;
}

void stopSpinners(const std::vector<pid_t> &spinners) {
  for (pid_t pid : spinners) kill(pid, SIGKILL);
  for (pid_t pid : spinners) waitpid(pid, nullptr, 0);
}

// Sizes by powers of two, 1 thread against the default, which pays for
// finding the thread count as a real call does (2 threads on this 2-core
// machine when it is idle). In the build of `make bench-thresholds` the
// kernels use threads from a 16th of their thresholds on, so the sweep shows
// where threads start to pay.
void thresholdSweep() {
  setThreads(nullptr);
  std::printf("\nBy size: 1 thread against the default, %u threads now (ratio = 1 thread / "
              "default)%s\n",
              korvel::threadLimit(0),
              korvel::kTorusSplit.threshold < 4096 ? ", threads from a 16th of each threshold on"
                                                    : "");
  std::printf("%-16s %-20s %12s %12s %8s %6s\n", "command", "size", "1 thread ms",
              "default ms", "ratio", "pairs");
  for (const auto &p : kPointCommands)
    for (long n = 1024; n <= 1L << 22; n *= 2)
      timeSideBySide(
          {p.command, "N=" + std::to_string(n), pointInputs(p, n)}, "1",
          nullptr);
  const standin::Plugin torus(pluginFolder, "torusScreenMex");
  for (long n = 2048; n <= 1L << 18; n *= 2)
    timeSideBySide({"korvelFaceShown", "T=" + std::to_string(2 * n), faceInputs(torus, n)}, "1",
                   nullptr);
  for (long pairs : {0L, 4L, 12L, 64L, 4096L})
    for (long n = 4096; n <= 1L << 20; n *= 2)
      timeSideBySide({"valueSwap", std::to_string(n) + " L=" + std::to_string(pairs),
                      swapInputs(n, pairs)},
                     "1", nullptr);
  for (long side = 64; side <= 1024; side *= 2)
    for (bool tiles : {false, true})
      timeSideBySide({"plateauLabels", std::to_string(side) + "^2 " + (tiles ? "tiles" : "random"),
                      {labelImage(side, tiles)}},
                     "1", nullptr);
}

}  // namespace

int main(int argc, char **argv) {
  const char prefix[] = "--plugins=";
  bool thresholds = false, threads = true;
  std::vector<char *> arguments;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], prefix, sizeof prefix - 1) == 0)
      pluginFolder = argv[i] + sizeof prefix - 1;
    else if (std::strcmp(argv[i], "--thresholds") == 0)
      thresholds = true;
    else if (std::strcmp(argv[i], "--no-threads") == 0)
      threads = false;
    else
      arguments.push_back(argv[i]);
  }
  // Defaults that the caller's own flags, parsed after them, override.
  char repeat[] = "--benchmark_repetitions=3";
  arguments.insert(arguments.begin() + 1, repeat);
  int count = static_cast<int>(arguments.size());
  benchmark::Initialize(&count, arguments.data());

  std::vector<benchmark::internal::Benchmark *> all = {
      benchmark::RegisterBenchmark("memory floor", memoryFloor),
      benchmark::RegisterBenchmark("compute floor", computeFloor)};
  for (const auto &p : kPointCommands)
    all.push_back(benchmark::RegisterBenchmark(p.command, kernel, p.command, inputsAfter(p)));
  for (benchmark::internal::Benchmark *registered : all) {
    for (long n : kPointCounts) registered->Arg(n);
    registered->UseRealTime()->Unit(benchmark::kMicrosecond);
  }
  for (const char *threads : {static_cast<const char *>(nullptr), "1"})
    benchmark::RegisterBenchmark(threads ? "paint frame, 1 thread" : "paint frame", paintFrame, threads)
        ->Arg(100000)
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond);

  if (thresholds) {
    thresholdSweep();
  } else {
    PointReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printTable(reporter);
    if (threads) {
      threadTable("Idle (no process of this benchmark beside it)");
      const unsigned cores = korvel::processorCount();
      const std::vector<pid_t> spinners = startSpinners(cores, 900);
      char condition[96];
      std::snprintf(condition, sizeof condition, "Loaded (%u spinning processes, one per core, beside it)",
                    cores);
      pairsPerCase = {21, 4.0};
      threadTable(condition);
      stopSpinners(spinners);
    }
  }
  benchmark::Shutdown();
  for (mxArray *array : caseArrays) mxDestroyArray(array);
  for (mxArray *array : afterInputs) mxDestroyArray(array);
  return 0;
}
