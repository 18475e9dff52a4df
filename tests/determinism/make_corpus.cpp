// korvel_corpus: writes the fixed corpus of calls that every target runs, in
// korvel_run's case format (tests/support/case_runner.cpp):
//
//   korvel_corpus CASES
//   korvel_corpus --calls CASES   (the calls of the case table, for the Octave suite)
//
// The calls come from the case table (tests/support/cases.h): random calls
// drawn with a fixed seed and exact arithmetic only, so the file is the same
// byte for byte wherever it is made. Every command of commands.tsv but those
// whose result is a data address is called, in the list's order, in and out
// of contract, with the special values (NaN, infinities, signed zeros,
// subnormals) where the last bit of a result is most fragile. Results are
// the same on every correct target, so one hash of korvel_run's results file
// stands for the whole run. A few calls at the end are large enough for the
// kernels to spread them over threads (core/parallel_sizes.h). Each call
// of a fixed screen's projection is followed by its twin, the same points
// through the command that takes the screen's constants, given the fixed
// ones (cases::kScreenTwins), which must give the same outputs.
//
// With --calls, each command's accepted and refused calls of the table
// (those the format can hold: no complex or shared inputs, no size the host
// cannot make) and then random calls of it, kCallsRandom of each, in the
// list's order: the first call of each command is its plain valid call. A
// command with a value form makes each call in place and then in it.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "case_format.h"
#include "cases.h"
#include "korvel_commands.h"

namespace {

using cases::Random;
using cases::Value;
using cases::matrix;
using cases::randomDoubles;
using cases::randomPicks;
using cases::randomValues;
using cases::scalar;

struct Call {
  std::string command;
  std::uint32_t nlhs = 1;
  std::vector<Value> inputs;
};

// Calls past each threaded kernel's threshold, by one piece and one unit, so
// that their pieces end off a multiple of the piece.
std::vector<Call> threadedCalls(Random &random) {
  auto past = [](korvel::Split split, std::size_t perUnit = 1) {
    return static_cast<std::uint64_t>((split.threshold + split.piece + 1) / perUnit + 1);
  };
  std::vector<Call> calls;
  for (const cases::PointKernel &point : cases::kPointKernels) {
    Call call{point.command, 1, {randomDoubles(random, 3, past(point.split))}};
    for (const std::vector<double> &input : cases::inputsAfterPoints(point))
      call.inputs.push_back(input.size() > 1 ? randomDoubles(random, input.size(), 1) : scalar(input[0]));
    calls.push_back(call);
  }
  // Flags packed into bits (half as many points as triangles), and read from
  // the screen (few points).
  const std::uint64_t triangles = past(korvel::kFaceSplit);
  for (std::uint64_t points : {triangles / 2, std::uint64_t{1000}}) {
    std::vector<double> screen = randomValues(random, 3 * points);
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
        pairs > 12 ? past(korvel::kSwapTableSplit) : past(korvel::kSwapScanSplit, pairs + 1);
    calls.push_back({"valueSwap", 1,
                     {randomPicks(random, count, 1), randomPicks(random, static_cast<std::uint64_t>(pairs), 1),
                      randomDoubles(random, static_cast<std::uint64_t>(pairs), 1)}});
  }
  // Many small regions, and two values whose regions wind across the bands.
  const std::uint64_t side = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(past(korvel::kPlateauSplit)))) + 1;
  calls.push_back({"plateauLabels", 1, {randomPicks(random, side, side)}});
  std::vector<double> two(side * side);
  for (double &v : two) v = random.chance(0.55) ? 1.0 : 2.0;
  calls.push_back({"plateauLabels", 1, {matrix("double", side, side, two)}});
  return calls;
}

// The calls of the table the case format can hold, and random ones.
std::vector<Call> tableCalls() {
  const int kCallsRandom = 60;
  Random random(20261209);
  auto holdable = [](const cases::Inputs &inputs) {
    for (const Value &input : inputs)
      if (input.complex || input.sameAs >= 0 || input.reportsHugeColumns) return false;
    return true;
  };
  std::vector<Call> calls;
  for (const korvel::CommandFacts &command : korvel::kCommands) {
    const cases::CommandCases *table = cases::find(command.name);
    if (table == nullptr) continue;
    // A command with a value form makes each call in place and in it (and,
    // when it returns outputs of its own, asked for them too).
    std::vector<std::uint32_t> forms = {static_cast<std::uint32_t>(command.outputs())};
    if (command.valueOutputs() > 0) forms.push_back(static_cast<std::uint32_t>(command.valueOutputs()));
    if (command.valueOutputs() > 0 && command.outputs() > 0) forms.push_back(0);
    auto add = [&](const cases::Inputs &inputs) {
      for (const std::uint32_t nlhs : forms) calls.push_back({command.name, nlhs, inputs});
    };
    for (const cases::Inputs &inputs : table->accepted)
      if (holdable(inputs)) add(inputs);
    for (const cases::Refusal &refused : table->refused)
      if (holdable(refused.inputs)) add(refused.inputs);
    if (table->random != nullptr)
      for (int c = 0; c < kCallsRandom; ++c) add(cases::randomCall(random, *table));
  }
  return calls;
}

// Each call of a fixed screen's projection, then its points through the
// command that takes the screen's constants, given the fixed ones:
// korvel_run --compare holds each such pair to the same outputs.
std::vector<Call> withTwins(const std::vector<Call> &calls) {
  std::vector<Call> twinned;
  for (const Call &call : calls) {
    twinned.push_back(call);
    for (const cases::ScreenTwin &twin : cases::kScreenTwins)
      if (call.command == twin.fixed)
        twinned.push_back({twin.command, call.nlhs,
                           {call.inputs.at(0), scalar(twin.constants[0]), scalar(twin.constants[1])}});
  }
  return twinned;
}

std::vector<Call> corpusCalls() {
  const int callsPerCommand = 300;
  Random random(20261208);
  std::vector<Call> calls;
  for (const korvel::CommandFacts &command : korvel::kCommands) {
    if (command.results == korvel::Results::address) continue;
    const cases::CommandCases *table = cases::find(command.name);
    if (table == nullptr || table->random == nullptr) {
      std::fprintf(stderr, "korvel_corpus: no random calls of %s in tests/support/cases.cpp\n", command.name);
      return {};
    }
    for (int c = 0; c < callsPerCommand; ++c)
      calls.push_back({command.name, static_cast<std::uint32_t>(command.outputs()), cases::randomCall(random, *table)});
  }
  for (const Call &call : threadedCalls(random)) calls.push_back(call);
  return withTwins(calls);
}

}  // namespace

int main(int argc, char **argv) {
  const bool table = argc == 3 && std::strcmp(argv[1], "--calls") == 0;
  if (argc != 2 && !table) {
    std::fprintf(stderr, "usage: korvel_corpus [--calls] CASES\n");
    return 2;
  }
  const char *path = argv[argc - 1];
  const std::vector<Call> calls = table ? tableCalls() : corpusCalls();
  if (calls.empty()) return 2;

  caseformat::Output out;
  out.bytes("KVCASES1", 8);
  out.u32(static_cast<std::uint32_t>(calls.size()));
  for (const Call &call : calls) {
    out.text(call.command);
    out.u32(call.nlhs);
    out.u32(static_cast<std::uint32_t>(call.inputs.size()));
    for (const Value &input : call.inputs) caseformat::writeValue(out, input);
  }
  std::FILE *file = std::fopen(path, "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "korvel_corpus: cannot write %s\n", path);
    return 2;
  }
  const bool written = std::fwrite(out.data().data(), 1, out.data().size(), file) == out.data().size();
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "korvel_corpus: cannot write %s\n", path);
    return 2;
  }
  return 0;
}
