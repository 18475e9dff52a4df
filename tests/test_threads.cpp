// Every threaded kernel gives the bits of one thread at every thread count
// (KORVEL_NUM_THREADS), at sizes just below, at and above the size from which
// it uses threads (core/parallel_sizes.h), one unit either side of a
// multiple of its piece, and large enough for 7 threads to share.
#include <cstdlib>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "../arrays/plateau_labels.h"
#include "../scene/paint_strokes.h"
#include "../scene/paint_triangles.h"
#include "../core/threads.h"
#include "../core/parallel_sizes.h"
#include "cases.h"
#include "harness.h"
#include "point_samples.h"

using namespace harness;

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// KORVEL_NUM_THREADS for the calls that follow; null unsets it.
void setThreadCount(const char *count) {
#if defined(_WIN32)
  SetEnvironmentVariableA("KORVEL_NUM_THREADS", count);
#else
  if (count)
    setenv("KORVEL_NUM_THREADS", count, 1);
  else
    unsetenv("KORVEL_NUM_THREADS");
#endif
}

// After the 1-thread reference; null: unset, every core.
const char *const kThreadCounts[] = {"2", "3", "7", nullptr};

// The command gives at every thread count what it gives at 1 thread: the same
// bits, or the same error.
void expectSameAtEveryThreadCount(const std::string &command,
                                  const std::vector<const mxArray *> &inputs,
                                  const std::string &what) {
  setThreadCount("1");
  const Result reference = call(command, inputs);
  for (const char *count : kThreadCounts) {
    setThreadCount(count);
    const Result result = call(command, inputs);
    const std::string where = command + " " + what + ", KORVEL_NUM_THREADS=" + (count ? count : "unset");
    ASSERT_EQ(result.failed, reference.failed) << where << ": " << result.message;
    if (reference.failed)
      EXPECT_EQ(result.message, reference.message) << where;
    else
      EXPECT_TRUE(sameBits(reference.output().values(), result.output().values())) << where;
  }
  setThreadCount(nullptr);
}

// plateauLabels' core, thread counts passed as its argument, gives the
// labels of one thread: linking (in bands from 2 threads on) and flooding
// (no budget for union-find steps, so every join floods instead).
void expectSameLabelsAtEveryThreadCount(const std::vector<double> &cells, size_t rows,
                                        size_t columns, const std::string &what) {
  for (size_t stepsPerCell : {size_t{8}, size_t{0}}) {
    std::vector<double> reference(cells.size()), labels(cells.size());
    korvel::PlateauOptions options;
    options.findStepsPerCell = stepsPerCell;
    options.threads = 1;
    korvel::plateauLabels(cells.data(), rows, columns, reference.data(), options);
    for (unsigned threads : {2u, 3u, 7u, 0u}) {
      options.threads = threads;
      korvel::plateauLabels(cells.data(), rows, columns, labels.data(), options);
      EXPECT_TRUE(sameBits(reference, labels))
          << what << ", " << threads << " threads, " << stepsPerCell << " steps per cell";
    }
  }
}

// Units of work around a split: just below, at and above its threshold, one
// either side of the first multiple of its piece above that, and enough for
// 7 threads (each takes at least half the threshold) where that stays below
// 2^20 units; beyond, the kernels split exactly as the smaller ones do.
std::vector<size_t> sizesAround(korvel::Split split) {
  const size_t multiple = (split.threshold / split.piece + 1) * split.piece;
  std::vector<size_t> sizes = {split.threshold - 1, split.threshold, split.threshold + 1,
                               multiple - 1, multiple + 1};
  const size_t forSeven = 7 * split.threshold / 2 + split.piece + 1;
  if (forSeven <= size_t{1} << 20) sizes.push_back(forSeven);
  return sizes;
}
}  // namespace

TEST(Threads, PointKernelsGiveTheSameBitsAtEveryThreadCount) {
  samples::Coordinates coordinates(0x7468726561647321ull);
  const auto &cases = cases::kPointKernels;
  size_t most = 0;
  for (const auto &c : cases)
    for (size_t n : sizesAround(c.split)) most = n > most ? n : most;
  const std::vector<double> pool = coordinates.points(most);  // each size takes its first n
  for (const auto &c : cases)
    for (size_t n : sizesAround(c.split)) {
      Array points = doubles(3, n, std::vector<double>(pool.begin(), pool.begin() + 3 * n));
      std::vector<Array> after;
      for (const std::vector<double> &input : cases::inputsAfterPoints(c))
        after.push_back(doubles(input.size(), 1, input));
      std::vector<const mxArray *> inputs = {points};
      for (const Array &input : after) inputs.push_back(input);
      expectSameAtEveryThreadCount(c.command, inputs, "N=" + std::to_string(n));
    }
}

TEST(Threads, KorvelFaceShownGivesTheSameFlagsAndTheSameFirstFault) {
  std::mt19937_64 engine(0x66616365);
  const double flagPool[] = {0, 1, 1, 0.5, kNaN};
  const uint8_t maskPool[] = {0, 1, 1, 1, 2};
  for (size_t triangles : sizesAround(korvel::kFaceSplit)) {
    // Half as many points as triangles: the flags are packed into bits, split
    // by points too; 1000 points: they are read from the screen.
    for (size_t points : {triangles / 2, size_t{1000}}) {
      std::vector<double> screen(3 * points, 1.0);
      for (size_t j = 0; j < points; ++j) screen[3 * j + 2] = flagPool[engine() % 5];
      std::vector<int32_t> corners(3 * triangles);
      for (int32_t &corner : corners) corner = static_cast<int32_t>(engine() % points);
      std::vector<uint8_t> mask(triangles);
      for (uint8_t &m : mask) m = maskPool[engine() % 5];
      Array screenArray = doubles(3, points, screen);
      Array maskArray = uint8s(1, triangles, mask);
      const std::string what = "T=" + std::to_string(triangles) + " points=" + std::to_string(points);
      Array faces = int32s(3, triangles, corners);
      expectSameAtEveryThreadCount("korvelFaceShown", {faces, screenArray, maskArray}, what);
      // Bad corners of enabled triangles in the last piece and in an earlier
      // one: the error names the earlier, as one thread deciding in order does.
      for (size_t t : {triangles - 1, triangles / 3}) {
        mask[t] = 1;
        corners[3 * t] = corners[3 * t + 1] = corners[3 * t + 2] = -1;
      }
      Array badFaces = int32s(3, triangles, corners);
      Array badMask = uint8s(1, triangles, mask);
      expectSameAtEveryThreadCount("korvelFaceShown", {badFaces, screenArray, badMask},
                                   what + " with bad corners");
    }
  }
}

TEST(Threads, ValueSwapGivesTheSameBitsAtEveryThreadCount) {
  std::mt19937_64 engine(0x73776170);
  const double special[] = {kNaN, 0.0, -0.0, kInf, -kInf};
  // No pairs and 5: the scan, split by elements times (pairs + 1); 64: the
  // table, split by elements.
  for (size_t pairs : {size_t{0}, size_t{5}, size_t{64}}) {
    const korvel::Split split = pairs > 12 ? korvel::kSwapTableSplit : korvel::kSwapScanSplit;
    const size_t perElement = pairs > 12 ? 1 : pairs + 1;
    std::vector<double> from(pairs), to(pairs);
    for (size_t k = 0; k < pairs; ++k) {
      from[k] = k % 9 == 0 ? special[k % 5] : static_cast<double>(engine() % (2 * pairs) + 1);
      to[k] = k % 7 == 0 ? -0.0 : static_cast<double>(engine() % 1000) / 8;
    }
    Array fromArray = doubles(pairs, 1, from);
    Array toArray = doubles(pairs, 1, to);
    for (size_t work : sizesAround(split)) {
      const size_t count = work / perElement;
      std::vector<double> values(count);
      for (double &v : values)
        v = engine() % 10 == 0 ? special[engine() % 5] : static_cast<double>(engine() % (2 * pairs + 1) + 1);
      Array valueArray = doubles(count, 1, values);
      expectSameAtEveryThreadCount("valueSwap", {valueArray, fromArray, toArray},
                                   std::to_string(count) + " elements, L=" + std::to_string(pairs));
    }
  }
}

namespace {
// The value of cell (r, c) of a rows-by-columns image.
using Image = std::function<double(size_t r, size_t c, size_t rows, size_t columns)>;

// A spiral wall of 1s in 0s, one cell wide with one-cell gaps: a single
// region that winds through every band, and one for the corridor between.
std::vector<double> spiral(size_t rows, size_t columns) {
  std::vector<double> cells(rows * columns, 0.0);
  auto at = [&](long r, long c) -> double * {
    if (r < 0 || c < 0 || r >= static_cast<long>(rows) || c >= static_cast<long>(columns)) return nullptr;
    return &cells[r + c * rows];
  };
  const long dr[] = {0, 1, 0, -1}, dc[] = {1, 0, -1, 0};
  long r = 0, c = 0;
  int direction = 0, turns = 0;
  *at(r, c) = 1;
  while (turns < 2) {
    double *next = at(r + dr[direction], c + dc[direction]);
    double *beyond = at(r + 2 * dr[direction], c + 2 * dc[direction]);
    if (next && *next == 0 && (!beyond || *beyond == 0)) {
      r += dr[direction], c += dc[direction];
      *next = 1;
      turns = 0;
    } else {
      direction = (direction + 1) % 4;
      ++turns;
    }
  }
  return cells;
}
}  // namespace

TEST(Threads, PlateauLabelsGivesTheSameLabelsForRegionsAcrossEveryBandEdge) {
  std::mt19937_64 engine(0x706c6174);
  std::vector<double> noise(1 << 20);
  for (double &v : noise) v = static_cast<double>(engine() % 4 + 1);
  std::vector<double> ones(1 << 20);  // at density 0.6
  for (double &v : ones) v = engine() % 5 < 3 ? 1.0 : 0.0;
  auto random = [&noise](size_t r, size_t c, size_t = 0, size_t = 0) { return noise[(r * 7919 + c * 104729) % noise.size()]; };
  const struct {
    const char *name;
    Image value;
  } images[] = {
      {"random 1..4", random},
      {"one region", [](size_t, size_t, size_t, size_t) { return -0.0; }},
      {"every cell its own", [](size_t r, size_t c, size_t, size_t) { return static_cast<double>((r + c) % 2); }},
      {"all NaN", [](size_t, size_t, size_t, size_t) { return kNaN; }},
      {"horizontal stripes", [](size_t r, size_t, size_t, size_t) { return static_cast<double>(r % 2); }},
      {"vertical stripes", [](size_t, size_t c, size_t, size_t) { return static_cast<double>(c / 3 % 2); }},
      {"diagonal stripes", [](size_t r, size_t c, size_t, size_t) { return static_cast<double>((r + 2 * c) / 5 % 3); }},
      // Teeth along every row pair, joined by a spine in the first or the
      // last column: each region's first cell lies far from where its teeth
      // meet.
      {"comb, spine left", [](size_t r, size_t c, size_t, size_t) { return c == 0 || r % 2 == 0 ? 1.0 : 2.0; }},
      {"comb, spine right",
       [](size_t r, size_t c, size_t, size_t columns) {
         return c + 1 == columns || r % 2 == 0 ? 1.0 : 2.0;
       }},
      {"8x8 tiles", [&random](size_t r, size_t c, size_t, size_t) { return random(r / 8, c / 8); }},
      {"random with NaN and zeros",
       [&random](size_t r, size_t c, size_t, size_t) {
         const double v = random(r, c);
         return v == 1 ? kNaN : v == 2 ? ((r ^ c) & 1 ? 0.0 : -0.0) : v;
       }},
      // Ones at density 0.6, past percolation: one region crosses every band
      // among many small ones.
      {"binary past percolation",
       [&ones](size_t r, size_t c, size_t, size_t) { return ones[(r * 7919 + c * 104729) % ones.size()]; }},
      // Runs broken on, before and after the edges of 64-row blocks, some
      // columns apart: bands linked a run at a time.
      {"runs across row blocks",
       [](size_t r, size_t c, size_t, size_t) {
         return static_cast<double>(r % 64 == 0 || (r % 64 == 63 && c % 3 == 0) || r % 128 == 65);
       }},
  };
  // The size from which threads are used, one either side, a row and a
  // column vector, and fewer columns than bands, each on a few images; then
  // every image with 2 threads' bands and with 7 threads' (14 bands).
  const size_t t = korvel::kPlateauSplit.threshold;
  static_assert(korvel::kPlateauSplit.threshold == 512 * 512, "the shapes below straddle it");
  const struct {
    size_t rows, columns, images;  // the first `images` of the list above
  } shapes[] = {{511, 513, 5},   {512, 512, 5},   {1, t + 1, 5},         {t + 1, 1, 5},
                {t / 3 + 1, 3, 5}, {530, 530, 13}, {960, 960, 13}};
  for (const auto &shape : shapes)
    for (size_t i = 0; i < shape.images; ++i) {
      const auto &image = images[i];
      std::vector<double> cells(shape.rows * shape.columns);
      for (size_t c = 0; c < shape.columns; ++c)
        for (size_t r = 0; r < shape.rows; ++r) cells[r + c * shape.rows] = image.value(r, c, shape.rows, shape.columns);
      const std::string what = std::string(image.name) + " " + std::to_string(shape.rows) + "x" +
                               std::to_string(shape.columns);
      expectSameAtEveryThreadCount("plateauLabels", {doubles(shape.rows, shape.columns, cells)}, what);
      expectSameLabelsAtEveryThreadCount(cells, shape.rows, shape.columns, what);
    }
  const std::vector<double> winding = spiral(960, 960);
  expectSameAtEveryThreadCount("plateauLabels", {doubles(960, 960, winding)}, "spiral");
  expectSameLabelsAtEveryThreadCount(winding, 960, 960, "spiral");
}

TEST(Threads, NeitherAnUnusableSettingNorThreadsThatCannotStartChangeTheResult) {
  std::vector<double> cells(530 * 530);
  for (size_t p = 0; p < cells.size(); ++p) cells[p] = static_cast<double>(p * 2654435761u % 5);
  Array input = doubles(530, 530, cells);
  setThreadCount("1");
  const Result reference = call("plateauLabels", {input});
  // No thread count (every core, as when unset), or more threads than any
  // machine has (capped).
  for (const char *setting : {"0", "", "many", "-2", "99999999999999999999"}) {
    setThreadCount(setting);
    const Result result = call("plateauLabels", {input});
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_TRUE(sameBits(reference.output().values(), result.output().values())) << setting;
  }
  setThreadCount(nullptr);
  // Every thread start fails: the calling thread does all the bands' work.
  korvel::PlateauOptions options;
  options.threads = 7;
  options.startThreads = false;
  std::vector<double> labels(cells.size());
  korvel::plateauLabels(cells.data(), 530, 530, labels.data(), options);
  EXPECT_TRUE(sameBits(reference.output().values(), labels));
}

// The readers of the settings and system files that size the default team.
TEST(Threads, ThreadLimitsReadFromSettingsAndSystemFiles) {
  using namespace korvel::limits;
  const struct {
    const char *text;
    unsigned korvel, omp;  // as KORVEL_NUM_THREADS, as OMP_NUM_THREADS (0: unset)
  } counts[] = {{nullptr, 0, 0}, {"", 0, 0},    {"0", 0, 0},          {"3", 3, 3},
                {"2,1", 0, 2},   {" 4\n", 0, 4}, {"junk", 0, 0},      {"3x", 0, 0},
                {"-1", 0, 0},    {",2", 0, 0},  {"99999999999", 256, 256}};
  for (const auto &c : counts) {
    EXPECT_EQ(parseCount(c.text, false), c.korvel) << (c.text ? c.text : "null");
    EXPECT_EQ(parseCount(c.text, true), c.omp) << (c.text ? c.text : "null");
  }
  // cgroup quotas in whole cores, at least 1 (0: none): v2's cpu.max, then
  // v1's cpu.cfs_quota_us and cpu.cfs_period_us.
  const struct {
    const char *text;
    unsigned cores;
  } cpuMax[] = {{"max 100000\n", 0},   {"50000 100000\n", 1}, {"150000 100000", 1},
                {"200000 100000\n", 2}, {"", 0},               {"junk", 0}};
  for (const auto &c : cpuMax) EXPECT_EQ(cpuMaxCores(c.text), c.cores) << c.text;
  const struct {
    const char *quota, *period;
    unsigned cores;
  } cfs[] = {{"-1\n", "100000\n", 0}, {"50000\n", "100000\n", 1},
             {"250000\n", "100000\n", 2}, {"100000", "", 0}};
  for (const auto &c : cfs) EXPECT_EQ(cfsQuotaCores(c.quota, c.period), c.cores) << c.quota;
  // /proc/loadavg's runnable tasks, and the cores they leave to a call on 2
  // or 8 (0 runnable: unknown, every core).
  const struct {
    const char *text;
    unsigned runnable, freeOfTwo, freeOfEight;
  } loads[] = {{"0.50 0.40 0.30 1/456 12345\n", 1, 2, 8}, {"2.10 1.00 0.90 3/99 7\n", 3, 1, 6},
               {"9.00 9.00 9.00 40/99 7", 40, 1, 1},      {"0.5 0.4 0.3 0/1 1", 0, 2, 8},
               {"junk", 0, 2, 8}};
  for (const auto &c : loads) {
    EXPECT_EQ(runnableTasks(c.text), c.runnable) << c.text;
    EXPECT_EQ(freeCores(2, runnableTasks(c.text)), c.freeOfTwo) << c.text;
    EXPECT_EQ(freeCores(8, runnableTasks(c.text)), c.freeOfEight) << c.text;
  }
  // /proc/self/cgroup: the group of the CPU controller; a v1 hierarchy with
  // "cpu" among its controllers rules over the unified one.
  const struct {
    const char *text;
    bool found, v2;
    const char *path;
  } groups[] = {{"0::/user.slice/a.scope\n", true, true, "/user.slice/a.scope"},
                {"4:cpu,cpuacct:/docker/x\n0::/\n", true, false, "/docker/x"},
                {"0::/b\n2:cpuacct:/a\n", true, true, "/b"},
                {"1:name=systemd:/x\n3:cpu:/\n0::/y", true, false, "/"},
                {"2:cpuacct:/a\n", false, false, ""},
                {"junk", false, false, ""}};
  for (const auto &c : groups) {
    CgroupPath own{nullptr, 0, false};
    ASSERT_EQ(cpuCgroup(c.text, own), c.found) << c.text;
    if (!c.found) continue;
    EXPECT_EQ(own.v2, c.v2) << c.text;
    EXPECT_EQ(std::string(own.path, own.length), c.path) << c.text;
  }
}

// The painters' cores on a picture large enough for threads, in a MATLAB
// picture's layout and in a NumPy image's (bands across the other axis), of
// doubles and of bytes: every thread count, and every way of finding a
// face's pixels in a column (bisection everywhere, nowhere, past 12 rows),
// of reading its corners and colour (worked out beforehand or not) and of
// ordering the faces (nearest first or first to last) paints the pixels one
// thread testing every pixel first to last paints.
TEST(Threads, PaintersPaintTheSamePixelsAtEveryThreadCountInEitherLayout) {
  std::mt19937_64 engine(0x7061696e74);
  auto unit = [&engine] { return static_cast<double>(engine() >> 11) / 9007199254740992.0; };
  const size_t height = 530, width = 610, points = 6000;
  std::vector<double> uv(2 * points), colours(3 * points / 3), segments(4 * 300), order;
  for (size_t i = 0; i < points; ++i) {
    // Small faces around random centres, a few corners far off or exactly on pixel centres.
    const size_t centre = i - i % 3;
    uv[2 * i] = i % 3 == 0 ? unit() * 700 - 40 : uv[2 * centre] + unit() * 30 - 15;
    uv[2 * i + 1] = i % 3 == 0 ? unit() * 600 - 40 : uv[2 * centre + 1] + unit() * 30 - 15;
    if (i % 97 == 1) uv[2 * i] = std::floor(uv[2 * i]) + 0.5;
    if (i % 389 == 2) uv[2 * i + 1] = 1e300;
  }
  std::vector<std::int32_t> faces(points);
  for (size_t i = 0; i < points; ++i) faces[i] = static_cast<std::int32_t>(i);
  for (double &c : colours) c = unit();
  for (size_t p = 0; p < points / 3; ++p) order.push_back(static_cast<double>(engine() % (points / 3) + 1));
  for (double &s : segments) s = unit() * 700 - 50;
  const korvel::PictureView view = {-0.25, 540, 1.0};
  const korvel::TriangleScene scene = {uv.data(), points, faces.data(), points / 3, colours.data(), 3, 1,
                                       order.data(), order.size()};
  const korvel::StrokeScene strokes = {segments.data(), 300, colours.data(), 3, 1, 3};
  const size_t elements = height * width * 3;
  // Layouts: MATLAB's column-major planes; NumPy's interleaved rows.
  struct Layout {
    size_t rowStep, columnStep, channelStep, winnerRowStep, winnerColumnStep;
  } const layouts[] = {{1, height, height * width, 1, height}, {3 * width, 3, 1, width, 1}};
  for (bool bytes : {false, true}) {
    std::vector<std::vector<double>> reference;
    for (const Layout &layout : layouts) {
      std::vector<double> doubles(elements, 0.5), winners(height * width, 0.0);
      std::vector<std::uint8_t> bytePixels(elements, 7);
      auto paint = [&](unsigned threads, size_t searchFromRows, size_t prepareFrom, bool nearestFirst) {
        std::fill(doubles.begin(), doubles.end(), 0.5);
        std::fill(bytePixels.begin(), bytePixels.end(), 7);
        std::fill(winners.begin(), winners.end(), 0.0);
        const korvel::Picture picture = {bytes ? nullptr : doubles.data(), bytes ? bytePixels.data() : nullptr,
                                         height, width, layout.rowStep, layout.columnStep, layout.channelStep};
        korvel::paintTriangles(picture, {winners.data(), layout.winnerRowStep, layout.winnerColumnStep}, view,
                               scene, {threads, searchFromRows, prepareFrom, nearestFirst});
        korvel::paintStrokes(picture, view, strokes, threads);
        // Pixel by pixel in a layout of their own, to compare across layouts.
        std::vector<double> pixels;
        for (size_t r = 0; r < height; ++r)
          for (size_t c = 0; c < width; ++c) {
            for (size_t k = 0; k < 3; ++k) {
              const size_t at = r * layout.rowStep + c * layout.columnStep + k * layout.channelStep;
              pixels.push_back(bytes ? bytePixels[at] : doubles[at]);
            }
            pixels.push_back(winners[r * layout.winnerRowStep + c * layout.winnerColumnStep]);
          }
        return pixels;
      };
      const size_t never = size_t(-1);
      if (reference.empty()) reference.push_back(paint(1, never, never, false));
      // Bisection everywhere, past 12 rows, nowhere; points and colours
      // worked out beforehand or not; nearest first or first to last.
      const struct {
        size_t searchFromRows, prepareFrom;
        bool nearestFirst;
      } ways[] = {{0, never, true}, {12, 0, true}, {never, 0, false}, {12, never, false}, {never, never, true}};
      for (unsigned threads : {1u, 2u, 3u, 7u, 0u})
        for (const auto &way : ways)
          EXPECT_TRUE(sameBits(reference[0], paint(threads, way.searchFromRows, way.prepareFrom, way.nearestFirst)))
              << (bytes ? "bytes, " : "doubles, ") << "row step " << layout.rowStep << ", " << threads
              << " threads, bisection from " << way.searchFromRows << " rows, prepared from " << way.prepareFrom
              << (way.nearestFirst ? ", nearest first" : ", first to last");
    }
  }
}
