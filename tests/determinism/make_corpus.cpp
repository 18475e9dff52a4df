// korvel_corpus: writes the fixed corpus of calls that every target runs, in
// korvel_run's case format (tests/support/case_runner.cpp):
//
//   korvel_corpus CASES
//
// The calls come from a generator with a fixed seed and exact arithmetic
// only, so the file is the same byte for byte wherever it is made. Every
// command of commands.tsv but those whose result is a data address is
// called, in the list's order, in and out of contract,
// with the special values (NaN, infinities, signed zeros, subnormals) where
// the last bit of a result is most fragile. Results are the same on every
// correct target, so one hash of korvel_run's results file stands for the
// whole run. A few calls at the end are large enough for the kernels to
// spread them over threads (gateway/parallel_sizes.h).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "korvel_commands.h"
#include "../../gateway/parallel_sizes.h"

namespace {

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
  int between(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1)); }
  // Uniform in [0, 1), exactly a multiple of 2^-53.
  double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
  bool chance(double p) { return unit() < p; }

 private:
  std::uint64_t state_;
};

struct Array {
  std::string className;
  std::uint64_t rows = 0;
  std::uint64_t columns = 0;
  std::vector<unsigned char> bytes;  // column-major elements
};

template <typename T>
Array matrix(const char *className, std::uint64_t rows, std::uint64_t columns, const std::vector<T> &elements) {
  Array array{className, rows, columns, {}};
  array.bytes.resize(elements.size() * sizeof(T));
  if (!elements.empty()) std::memcpy(array.bytes.data(), elements.data(), array.bytes.size());
  return array;
}

const double kSpecial[] = {NAN, INFINITY, -INFINITY, 0.0, -0.0, 1.0, -1.0, 4.9e-324, 1e300, -1e-300};
const double kPowersOfTen[] = {1e-3, 1e-2, 1e-1, 1.0, 1e1, 1e2, 1e3};

// Ordinary numbers of many magnitudes, one in ten of them a special value.
std::vector<double> values(Random &random, std::size_t count) {
  std::vector<double> out(count);
  for (double &v : out) {
    if (random.chance(0.1))
      v = kSpecial[random.between(0, 9)];
    else
      v = (2.0 * random.unit() - 1.0) * kPowersOfTen[random.between(0, 6)];
  }
  return out;
}

Array doubles(Random &random, std::uint64_t rows, std::uint64_t columns) {
  return matrix("double", rows, columns, values(random, static_cast<std::size_t>(rows * columns)));
}

// Doubles from a few values, so that equal neighbours are common.
Array picks(Random &random, std::uint64_t rows, std::uint64_t columns) {
  const double pool[] = {1.0, 2.0, 2.5, NAN, 0.0, -0.0, INFINITY, -INFINITY};
  std::vector<double> out(static_cast<std::size_t>(rows * columns));
  for (double &v : out) v = pool[random.between(0, 7)];
  return matrix("double", rows, columns, out);
}

Array scalar(double value) { return matrix("double", 1, 1, std::vector<double>{value}); }

// A point matrix, with points on the z axis and on the screens' rims; a row
// count other than 3 when the call is to break the contract.
Array points(Random &random, bool broken, int maxColumns) {
  const std::uint64_t rows = broken ? static_cast<std::uint64_t>(random.between(0, 4)) : 3;
  const int n = random.between(0, maxColumns);
  std::vector<double> p = values(random, static_cast<std::size_t>(rows) * n);
  if (rows == 3 && n > 0 && random.chance(0.3)) {
    const int on = random.between(0, n - 1);
    p[3 * on] = 0.0;
    p[3 * on + 1] = 0.0;
  }
  return matrix("double", rows, static_cast<std::uint64_t>(n), p);
}

// Another class for the same elements, the way a caller's mistake looks.
Array asSingle(const Array &array) {
  std::vector<float> out(array.bytes.size() / 8);
  for (std::size_t i = 0; i < out.size(); ++i) {
    double v;
    std::memcpy(&v, array.bytes.data() + 8 * i, 8);
    out[i] = static_cast<float>(v);
  }
  return matrix("single", array.rows, array.columns, out);
}

// Corner indices passed as doubles, as a caller who forgot int32() would.
Array asDouble(const Array &int32Array) {
  std::vector<double> out(int32Array.bytes.size() / 4);
  for (std::size_t i = 0; i < out.size(); ++i) {
    std::int32_t v;
    std::memcpy(&v, int32Array.bytes.data() + 4 * i, 4);
    out[i] = v;
  }
  return matrix("double", int32Array.rows, int32Array.columns, out);
}

struct Call {
  std::string command;
  std::uint32_t nlhs = 1;
  std::vector<Array> inputs;
};

std::vector<Array> faceInputs(Random &random, bool broken) {
  const int m = random.between(1, 40);
  const int t = random.between(0, 60);
  const double flagPool[] = {0.0, 1.0, 1.0, 0.5, NAN, 1.0 + 2.220446049250313e-16, 2.0};
  std::vector<double> screen = values(random, 3 * static_cast<std::size_t>(m));
  for (int j = 0; j < m; ++j) screen[3 * j + 2] = flagPool[random.between(0, 6)];
  std::vector<std::int32_t> corners(3 * static_cast<std::size_t>(t));
  for (std::int32_t &c : corners) c = random.between(0, m - 1);
  if (broken && t > 0) corners[random.between(0, 3 * t - 1)] = random.chance(0.5) ? m : -1;
  const std::uint8_t maskPool[] = {0, 1, 1, 1, 2, 255};
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(t));
  for (std::uint8_t &b : mask) b = maskPool[random.between(0, 5)];
  const bool logical = random.chance(0.5);
  if (logical)
    for (std::uint8_t &b : mask) b = b != 0;
  return {matrix("int32", 3, static_cast<std::uint64_t>(t), corners), matrix("double", 3, static_cast<std::uint64_t>(m), screen),
          matrix(logical ? "logical" : "uint8", 1, static_cast<std::uint64_t>(t), mask)};
}

std::vector<Array> strokeInputs(Random &random, bool broken) {
  const int g = random.between(1, 8);
  const int k = random.between(0, 12);
  const double counters[] = {0.0, 1.0, 2.0, 2.5, 0.75};
  const double n = counters[random.between(0, 4)];
  int columns = static_cast<int>(n) + k + random.between(0, 2);
  if (broken) columns = columns > 2 ? columns - random.between(1, 2) : 0;
  std::vector<double> codes(static_cast<std::size_t>(k));
  for (double &code : codes) code = 1.0 + static_cast<double>(random.between(0, 10 * g - 1)) / 10.0;
  if (broken && k > 0 && random.chance(0.5)) codes[random.between(0, k - 1)] = random.chance(0.5) ? g + 1 : 0;
  const auto cols = static_cast<std::uint64_t>(columns);
  return {doubles(random, 4, cols), doubles(random, 6, cols), scalar(n), doubles(random, 4, static_cast<std::uint64_t>(g)),
          matrix("double", 1, static_cast<std::uint64_t>(k), codes), doubles(random, 1, 1), doubles(random, 1, 2),
          scalar(random.between(1, 4)), doubles(random, 1, 3)};
}

// One call of the command; false for a command that has no calls here.
bool makeCall(Random &random, const korvel::CommandFacts &facts, Call &call) {
  const std::string command = facts.name;
  call = Call{command, static_cast<std::uint32_t>(facts.outputs()), {}};
  const bool broken = random.chance(0.125);
  if (command == "korvelOffset") {
    Array pos = doubles(random, 1, static_cast<std::uint64_t>(random.between(broken ? 0 : 3, 5)));
    if (random.chance(0.5)) std::swap(pos.rows, pos.columns);
    call.inputs = {points(random, broken, 200), pos};
  } else if (command == "korvelSpin") {
    const double angles[] = {1.5707963267948966, 3.141592653589793, -0.7853981633974483, 0.0, -0.0,
                             6.283185307179586,  1e6,               NAN,                 INFINITY};
    double theta = random.chance(0.5) ? angles[random.between(0, 8)] : values(random, 1)[0] / 10.0;
    std::vector<double> pose{theta};
    for (double v : values(random, static_cast<std::size_t>(random.between(0, 2)))) pose.push_back(v);
    call.inputs = {points(random, broken, 200), matrix("double", 1, pose.size(), pose)};
  } else if (command == "korvelRange" || command == "torusScreenMex" || command == "coneScreenMex") {
    call.inputs = {points(random, broken, 400)};
  } else if (command == "korvelFaceShown") {
    call.inputs = faceInputs(random, broken);
  } else if (command == "korvelStrokeText") {
    call.inputs = strokeInputs(random, broken);
  } else if (command == "plateauLabels") {
    call.inputs = {picks(random, static_cast<std::uint64_t>(random.between(0, 30)),
                         static_cast<std::uint64_t>(random.between(0, 30)))};
  } else if (command == "valueSwap") {
    const int pairs = random.between(0, 80);
    Array from = picks(random, static_cast<std::uint64_t>(pairs), random.chance(0.2) ? 2 : 1);
    const int toCount = broken && pairs > 0 ? pairs - 1 : pairs;
    call.inputs = {picks(random, static_cast<std::uint64_t>(random.between(0, 20)),
                         static_cast<std::uint64_t>(random.between(0, 20))),
                   from, doubles(random, 1, static_cast<std::uint64_t>(toCount))};
  } else {
    return false;
  }
  if (broken && random.chance(0.3))
    call.inputs[0] = call.inputs[0].className == "double" ? asSingle(call.inputs[0]) : asDouble(call.inputs[0]);
  return true;
}

// Calls past each threaded kernel's threshold, by one piece and one unit, so
// that their pieces end off a multiple of the piece.
std::vector<Call> threadedCalls(Random &random) {
  auto past = [](gateway::Split split, std::size_t perUnit = 1) {
    return static_cast<std::uint64_t>((split.threshold + split.piece + 1) / perUnit + 1);
  };
  std::vector<Call> calls;
  const struct {
    const char *command;
    gateway::Split split;
  } pointCommands[] = {{"korvelOffset", gateway::kOffsetSplit}, {"korvelSpin", gateway::kSpinSplit},
                       {"korvelRange", gateway::kRangeSplit},   {"torusScreenMex", gateway::kTorusSplit},
                       {"coneScreenMex", gateway::kConeSplit}};
  for (const auto &point : pointCommands) {
    Call call{point.command, 1, {doubles(random, 3, past(point.split))}};
    if (call.command == "korvelOffset") call.inputs.push_back(doubles(random, 3, 1));
    if (call.command == "korvelSpin") call.inputs.push_back(scalar(0.6));
    calls.push_back(call);
  }
  // Flags packed into bits (half as many points as triangles), and read from
  // the screen (few points).
  const std::uint64_t triangles = past(gateway::kFaceSplit);
  for (std::uint64_t points : {triangles / 2, std::uint64_t{1000}}) {
    std::vector<double> screen = values(random, 3 * points);
    const double flagPool[] = {0.0, 1.0, 1.0, NAN};
    for (std::uint64_t j = 0; j < points; ++j) screen[3 * j + 2] = flagPool[random.between(0, 3)];
    std::vector<std::int32_t> corners(3 * triangles);
    for (std::int32_t &c : corners) c = random.between(0, static_cast<int>(points) - 1);
    std::vector<std::uint8_t> mask(triangles);
    for (std::uint8_t &b : mask) b = random.chance(0.9);
    calls.push_back({"korvelFaceShown", 1,
                     {matrix("int32", 3, triangles, corners), matrix("double", 3, points, screen),
                      matrix("logical", 1, triangles, mask)}});
  }
  // The table over many pairs, and the scan over few.
  for (int pairs : {64, 4}) {
    const std::uint64_t count =
        pairs > 12 ? past(gateway::kSwapTableSplit) : past(gateway::kSwapScanSplit, pairs + 1);
    calls.push_back({"valueSwap", 1,
                     {picks(random, count, 1), picks(random, static_cast<std::uint64_t>(pairs), 1),
                      doubles(random, static_cast<std::uint64_t>(pairs), 1)}});
  }
  // Many small regions, and two values whose regions wind across the bands.
  const std::uint64_t side = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(past(gateway::kPlateauSplit)))) + 1;
  calls.push_back({"plateauLabels", 1, {picks(random, side, side)}});
  std::vector<double> two(side * side);
  for (double &v : two) v = random.chance(0.55) ? 1.0 : 2.0;
  calls.push_back({"plateauLabels", 1, {matrix("double", side, side, two)}});
  return calls;
}

class Output {
 public:
  void bytes(const void *from, std::size_t count) {
    const auto *data = static_cast<const unsigned char *>(from);
    bytes_.insert(bytes_.end(), data, data + count);
  }
  template <typename T>
  void little(T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) bytes_.push_back(static_cast<unsigned char>(value >> (8 * i)));
  }
  void text(const std::string &value) {
    little(static_cast<std::uint32_t>(value.size()));
    bytes(value.data(), value.size());
  }
  void array(const Array &a) {
    text(a.className);
    little(a.rows);
    little(a.columns);
    bytes(a.bytes.data(), a.bytes.size());
  }
  const std::vector<unsigned char> &data() const { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
};

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: korvel_corpus CASES\n");
    return 2;
  }
  const int callsPerCommand = 300;
  Random random(20261208);
  std::vector<Call> calls;
  for (const korvel::CommandFacts &command : korvel::kCommands) {
    if (command.results == korvel::Results::address) continue;
    for (int c = 0; c < callsPerCommand; ++c) {
      calls.emplace_back();
      if (!makeCall(random, command, calls.back())) {
        std::fprintf(stderr, "korvel_corpus: no calls of %s in make_corpus.cpp\n", command.name);
        return 2;
      }
    }
  }
  for (const Call &call : threadedCalls(random)) calls.push_back(call);

  Output out;
  out.bytes("KVCASES1", 8);
  out.little(static_cast<std::uint32_t>(calls.size()));
  for (const Call &call : calls) {
    out.text(call.command);
    out.little(call.nlhs);
    out.little(static_cast<std::uint32_t>(call.inputs.size()));
    for (const Array &input : call.inputs) out.array(input);
  }
  std::FILE *file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "korvel_corpus: cannot write %s\n", argv[1]);
    return 2;
  }
  const bool written = std::fwrite(out.data().data(), 1, out.data().size(), file) == out.data().size();
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "korvel_corpus: cannot write %s\n", argv[1]);
    return 2;
  }
  return 0;
}
