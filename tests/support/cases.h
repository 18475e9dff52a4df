// The calls of every command of commands.tsv, in one table that the promise
// tests, the fuzz seeds, the determinism corpus, the thread tests, the
// benchmarks and (through the case file korvel_corpus --calls writes) the
// Octave suite read: each command's accepted calls, its refused calls with
// the reason each raises, its size-limit calls, its extra fuzz seeds, how its
// random calls are drawn and, for the point kernels, where they start
// threads. Adding a command's tests is one entry in cases.cpp.
#ifndef KORVEL_TEST_CASES_H
#define KORVEL_TEST_CASES_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "../../core/parallel_sizes.h"
#include "screen_twins.h"

namespace cases {

// One input: its class as the hosts name it, its size and the raw bytes of
// its elements in column-major order. rows and columns are what mxGetM and
// mxGetN report: for an array of more than two dimensions (a picture),
// the first and the product of the others, with every one in dimensions.
struct Value {
  std::string className = "double";
  std::uint64_t rows = 0;
  std::uint64_t columns = 0;
  std::vector<unsigned char> bytes;
  bool complex = false;             // with an imaginary part of zeros
  int sameAs = -1;                  // the array of an earlier input again
  bool reportsHugeColumns = false;  // reports 2^31 columns, holding its own data
  std::vector<std::uint64_t> dimensions;  // more than two, or empty for a matrix
  // Every dimension: {rows, columns} for a matrix.
  std::vector<std::uint64_t> shape() const {
    return dimensions.empty() ? std::vector<std::uint64_t>{rows, columns} : dimensions;
  }
};
using Inputs = std::vector<Value>;

template <typename T>
Value matrix(const char *className, std::uint64_t rows, std::uint64_t columns,
             const std::vector<T> &elements) {
  Value value;
  value.className = className;
  value.rows = rows;
  value.columns = columns;
  value.bytes.resize(elements.size() * sizeof(T));
  if (!elements.empty()) std::memcpy(value.bytes.data(), elements.data(), value.bytes.size());
  return value;
}
// An array of any dimensions from its elements in column-major order;
// trailing singleton dimensions beyond the second are dropped, as the hosts
// drop them, so two dimensions or fewer make a matrix.
template <typename T>
Value array(const char *className, std::vector<std::uint64_t> dimensions, const std::vector<T> &elements) {
  while (dimensions.size() < 2) dimensions.push_back(1);
  while (dimensions.size() > 2 && dimensions.back() == 1) dimensions.pop_back();
  std::uint64_t columns = 1;
  for (std::size_t d = 1; d < dimensions.size(); ++d) columns *= dimensions[d];
  Value value = matrix(className, dimensions[0], columns, elements);
  if (dimensions.size() > 2) value.dimensions = dimensions;
  return value;
}
// A height-by-width-by-3 picture of doubles or uint8, zero-filled.
Value picture(std::uint64_t height, std::uint64_t width, const char *className = "double");
Value doubles(std::uint64_t rows, std::uint64_t columns, const std::vector<double> &elements);
Value row(const std::vector<double> &elements);
Value scalar(double value);
Value zeros(std::uint64_t rows, std::uint64_t columns, const char *className = "double");
Value int32s(std::uint64_t rows, std::uint64_t columns, const std::vector<std::int32_t> &elements);
Value logicals(std::uint64_t rows, std::uint64_t columns, const std::vector<std::uint8_t> &elements);
Value complexZeros(std::uint64_t rows, std::uint64_t columns);
Value same(int input);
Value reportingHugeColumns(Value value);
// The size in bytes of one element of a class the hosts know.
std::size_t elementSize(const std::string &className);

// splitmix64: tiny, portable, and the same sequence on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi].
  int between(int lo, int hi) {
    return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
  }
  // Uniform in [0, 1), exactly a multiple of 2^-53.
  double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
  bool chance(double p) { return unit() < p; }

 private:
  std::uint64_t state_;
};

// Random values, exact arithmetic only, so the same on every platform:
// ordinary numbers of many magnitudes, one in ten a special value (NaN,
// infinities, signed zeros, a subnormal).
std::vector<double> randomValues(Random &random, std::size_t count);
Value randomDoubles(Random &random, std::uint64_t rows, std::uint64_t columns);
// Doubles from a few values, so that equal neighbours are common.
Value randomPicks(Random &random, std::uint64_t rows, std::uint64_t columns);

// A refused call and the reason it raises, <command>:<reason>.
struct Refusal {
  Inputs inputs;
  const char *reason;
};

// A fuzz seed beyond the calls above: nlhs -1 asks for the outputs the
// command returns; address is the data address input 1 reports (0: none).
struct Seed {
  Inputs inputs;
  int nlhs = -1;
  std::uint64_t address = 0;
};

struct CommandCases {
  const char *command;
  std::vector<Inputs> accepted;  // the first is the command's plain valid call
  std::vector<Refusal> refused;
  std::vector<Inputs> tooLarge;  // one when its help lists tooLarge
  std::vector<Seed> seeds;
  // One random call, out of contract when `broken`; null for a command whose
  // result is a data address, which no two runs share.
  Inputs (*random)(Random &random, bool broken);
};

// Every command's cases, in no particular order; a command of the list
// without an entry fails Cases.EveryCommandOfTheListHasAnEntryWithCallsInAndOutOfContract.
const std::vector<CommandCases> &all();
const CommandCases *find(const std::string &command);

// One random call of the command: about one in eight breaks its contract
// (shape, index, count) and a third of those give input 1 another class.
Inputs randomCall(Random &random, const CommandCases &cases);

// The point kernels, where each starts threads and what follows the points
// in a call of them: inputs of sizes[k] elements (0: none), one column each,
// holding the next elements of `values` (the determinism corpus draws an
// input of more than one element afresh).
struct PointKernel {
  const char *command;
  korvel::Split split;
  std::uint64_t sizes[2];
  double values[4];
};
inline constexpr PointKernel kPointKernels[] = {
    {"korvelOffset", korvel::kOffsetSplit, {3}, {1.5, -2.5, 0.25}},
    {"korvelSpin", korvel::kSpinSplit, {1}, {0.6}},
    {"korvelToViewer", korvel::kViewerSplit, {3, 1}, {1.5, -2.5, 0.25, 0.6}},
    {"korvelRange", korvel::kRangeSplit, {}, {}},
    {"torusScreenMex", korvel::kTorusSplit, {}, {}},
    {"coneScreenMex", korvel::kConeSplit, {}, {}},
    // Screens other than the default: a dome, a cone above the eye.
    {"korvelTorusScreen", korvel::kTorusSplit, {1, 1}, {-0.6366197723675814, 1}},
    {"korvelConeScreen", korvel::kConeSplit, {1, 1}, {1.5, -0.75}}};

// The inputs that follow the points in a call of the kernel, each a column.
inline std::vector<std::vector<double>> inputsAfterPoints(const PointKernel &kernel) {
  std::vector<std::vector<double>> inputs;
  const double *next = kernel.values;
  for (std::uint64_t size : kernel.sizes)
    if (size > 0) {
      inputs.emplace_back(next, next + size);
      next += size;
    }
  return inputs;
}

}  // namespace cases

#endif
