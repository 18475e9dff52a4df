// korvel_run: makes a file of command calls through the stand-in host and
// writes what each call gave, so that another host (Octave) or another build
// (mexw32, mexw64 under wine) can run the same corpus and compare bit for bit.
//
//   korvel_run --plugins=DIR [--only=COMMAND] CASES RESULTS
//   korvel_run --commands          (the list's commands, a line each: name,
//                                   how its results depend on the target,
//                                   its help file in the source tree)
//   korvel_run --compare [--strict] CASES TARGET=RESULTS...
//   korvel_run --c-interface CASES REFERENCE_RESULTS RESULTS
//
// --only=COMMAND runs that command's calls alone and writes their results.
//
// --c-interface makes each call that has a C form through the C interface
// (bindings/c/korvel.h) instead of a plug-in and writes its results as a
// plug-in's: a refusal as <command>:<reason> with the status's name, and
// every input after the call (korvelStrokeText in place writes B, C and N;
// its value form returns copies). A call whose classes, row counts, input
// count or output count have no C form is copied from REFERENCE_RESULTS, the
// plug-ins' results of the same cases. Prints how many calls of each command
// went each way. Builds without the C interface lack the mode.
//
// --compare is the determinism check: results files of one corpus made on
// several targets (or hosts), compared by hash. It prints a SHA-256 of each
// target's results and of each command's share, and where a target differs
// from the first, the first call and element that differ; it exits 1 on any
// difference. Any NaN equals any NaN: the C libraries' NaNs differ in sign
// and payload (cos(Inf) is -NaN on one target and +NaN on another), so each
// is hashed as the same quiet NaN; every other bit counts. The commands
// whose results are "libm" (they call the C library's cos, sin or atan, whose
// last bits differ between C libraries and CPUs) are listed when they differ
// but fail the check only with --strict. Within each target's results, each
// call of a fixed screen projection must give what its twin, the next call,
// gives through the command that takes the screen's constants.
//
// Both files are little-endian binary, the same on every platform:
//
//   cases    := "KVCASES1" u32:count case*count
//   case     := string:command u32:nlhs u32:nrhs array*nrhs
//   results  := "KVRESLT1" u32:count result*count
//   result   := u32:failed string:identifier     ("" when the call answered)
//               u32:slots array*slots            (max(nlhs, 1) output slots;
//                                                 "none" where a slot is empty)
//               u32:nrhs array*nrhs              (every input after the call)
//   array    := string:class u64:rows u64:columns element*(rows*columns)
//             | string:class u64:rows u64:0xFFFFFFFFFFFFFFFF u32:count
//               u64:dimension*count element*(rows*product of the dimensions)
//   string   := u32:length byte*length
//
// class is the host's class name ("double", "single", "int32", "uint8",
// "int8", "logical", ...); elements are the raw element bytes in column-major
// order (8 for double, 4 for int32, 1 for uint8/int8/logical). An array of
// more than two dimensions (an H-by-W-by-3 picture) takes the second form:
// count (two or more) is the number of its dimensions after the first, and
// trailing singleton dimensions are dropped as the hosts drop them. Every
// matrix takes the first, so the files of matrices stayed as they were; the
// arrays are read and written in case_format.h. Messages are
// left out: hosts word them differently (Octave puts the command name first).
// A corpus of calls whose results do not depend on the host (no data-address
// commands) gives byte-identical result files on every correct target, so
// one hash of the file stands for the whole run.
#include <cstdint>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "case_format.h"
#include "contract.h"
#include "screen_twins.h"
#include "loader.h"

#if defined(KORVEL_WITH_C_INTERFACE)
#include "korvel.h"
#endif

namespace {

const char kCasesMagic[9] = "KVCASES1";
const char kResultsMagic[9] = "KVRESLT1";

using caseformat::Input;
using caseformat::Output;
using caseformat::readArray;
using caseformat::writeArray;

bool readFile(const std::string &path, std::vector<unsigned char> &bytes) {
  std::FILE *file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  unsigned char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  std::fclose(file);
  return true;
}

int fail(const std::string &problem) {
  std::fprintf(stderr, "korvel_run: %s\n", problem.c_str());
  return 2;
}

// Call `number` (one-based) of a case file: its command, output count and
// inputs, owned by the caller. False with the problem when it cannot be read.
bool readCase(Input &in, std::uint32_t number, std::string &command, std::uint32_t &nlhs,
              std::vector<mxArray *> &inputs, std::string &problem) {
  std::uint32_t nrhs = 0;
  if (!in.text(command) || !in.u32(nlhs) || !in.u32(nrhs) || nlhs > 16 || nrhs > 64) {
    problem = "case " + std::to_string(number) + ": bad header";
    return false;
  }
  inputs.assign(nrhs, nullptr);
  for (std::uint32_t i = 0; i < nrhs; ++i)
    if (!readArray(in, inputs[i], problem) || inputs[i] == nullptr) {
      problem = "case " + std::to_string(number) + ": " + (problem.empty() ? "empty input slot" : problem);
      return false;
    }
  return true;
}

// One call's result: the error's identifier if it failed, the outputs in
// max(nlhs, 1) slots (a host has one slot even when no output is requested:
// it becomes ans) and every input after the call.
void writeResult(Output &out, bool failed, const std::string &identifier, std::uint32_t nlhs,
                 const std::vector<mxArray *> &outputs, const std::vector<mxArray *> &inputs) {
  out.u32(failed ? 1 : 0);
  out.text(failed ? identifier : std::string());
  const std::uint32_t slots = nlhs > 0 ? nlhs : 1;
  out.u32(slots);
  for (std::uint32_t k = 0; k < slots; ++k) writeArray(out, k < outputs.size() ? outputs[k] : nullptr);
  out.u32(static_cast<std::uint32_t>(inputs.size()));
  for (mxArray *input : inputs) writeArray(out, input);
}

int writeFile(const std::string &path, const Output &out) {
  std::FILE *file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return fail("cannot write " + path);
  const bool written = std::fwrite(out.data().data(), 1, out.data().size(), file) == out.data().size();
  if (std::fclose(file) != 0 || !written) return fail("cannot write " + path);
  return 0;
}


// SHA-256 (FIPS 180-4), enough of it to hash the results.
class Sha256 {
 public:
  void add(const void *from, std::size_t count) {
    const auto *data = static_cast<const unsigned char *>(from);
    for (std::size_t i = 0; i < count; ++i) {
      block_[filled_++] = data[i];
      if (filled_ == 64) compress();
    }
    length_ += count;
  }
  std::string hex() {
    const std::uint64_t bits = length_ * 8;
    const unsigned char one = 0x80, zero = 0;
    add(&one, 1);
    while (filled_ != 56) add(&zero, 1);
    for (int i = 7; i >= 0; --i) {
      const auto byte = static_cast<unsigned char>(bits >> (8 * i));
      add(&byte, 1);
    }
    std::string text;
    char digits[9];
    for (std::uint32_t word : state_) {
      std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(word));
      text += digits;
    }
    return text;
  }

 private:
  static std::uint32_t rotate(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }
  void compress() {
    static const std::uint32_t k[64] = {
        0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
        0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
        0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
        0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
        0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
        0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
        0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
        0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i)
      w[i] = std::uint32_t{block_[4 * i]} << 24 | std::uint32_t{block_[4 * i + 1]} << 16 |
             std::uint32_t{block_[4 * i + 2]} << 8 | block_[4 * i + 3];
    for (int i = 16; i < 64; ++i) {
      const std::uint32_t s0 = rotate(w[i - 15], 7) ^ rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
      const std::uint32_t s1 = rotate(w[i - 2], 17) ^ rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t v[8];
    std::memcpy(v, state_, sizeof v);
    for (int i = 0; i < 64; ++i) {
      const std::uint32_t t1 = v[7] + (rotate(v[4], 6) ^ rotate(v[4], 11) ^ rotate(v[4], 25)) +
                               ((v[4] & v[5]) ^ (~v[4] & v[6])) + k[i] + w[i];
      const std::uint32_t t2 = (rotate(v[0], 2) ^ rotate(v[0], 13) ^ rotate(v[0], 22)) +
                               ((v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]));
      std::memmove(v + 1, v, 7 * sizeof v[0]);
      v[4] += t1;
      v[0] = t1 + t2;
    }
    for (int i = 0; i < 8; ++i) state_[i] += v[i];
    filled_ = 0;
  }
  std::uint32_t state_[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                             0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  unsigned char block_[64] = {};
  std::size_t filled_ = 0;
  std::uint64_t length_ = 0;
};

// An array of a results file as it is stored; NaNs made one NaN.
struct Stored {
  std::string className;
  std::vector<std::uint64_t> dimensions;  // two or more
  std::size_t elementSize = 0;
  std::vector<unsigned char> data;
};

bool readStored(Input &in, Stored &array) {
  if (!caseformat::readHeader(in, array.className, array.dimensions)) return false;
  const contract::HostClass *info = contract::hostClass(array.className);
  if (info == nullptr && array.className != "none") return false;
  array.elementSize = info == nullptr ? 0 : info->elementSize;
  for (std::uint64_t extent : array.dimensions)
    if (extent > 0x7fffffffu) return false;
  std::uint64_t count = 0;
  if (!caseformat::elementCount(array.dimensions, SIZE_MAX / 8, count)) return false;
  array.data.resize(static_cast<std::size_t>(count) * array.elementSize);
  if (!in.take(array.data.data(), array.data.size())) return false;
  const bool isDouble = array.className == "double";
  if (isDouble || array.className == "single") {
    for (std::size_t at = 0; at < array.data.size(); at += array.elementSize) {
      unsigned char *element = array.data.data() + at;
      const bool nan = isDouble ? [&] { double x; std::memcpy(&x, element, 8); return std::isnan(x); }()
                                : [&] { float x; std::memcpy(&x, element, 4); return std::isnan(x); }();
      if (!nan) continue;
      static const unsigned char kDoubleNaN[8] = {0, 0, 0, 0, 0, 0, 0xf8, 0x7f};
      static const unsigned char kSingleNaN[4] = {0, 0, 0xc0, 0x7f};
      std::memcpy(element, isDouble ? kDoubleNaN : kSingleNaN, array.elementSize);
    }
  }
  return true;
}

struct StoredCall {
  std::uint32_t failed = 0;
  std::string identifier;
  std::vector<Stored> arrays[2];  // the outputs, then the inputs after the call
  std::vector<unsigned char> canonical;  // what the hashes take of the call
};

void encode(StoredCall &call) {
  Output out;
  out.u32(call.failed);
  out.bytes(call.identifier.data(), call.identifier.size());
  out.bytes("|", 1);
  for (const std::vector<Stored> &group : call.arrays) {
    out.u32(static_cast<std::uint32_t>(group.size()));
    for (const Stored &array : group) {
      out.bytes(array.className.data(), array.className.size());
      caseformat::writeShape(out, array.dimensions);
      out.bytes(array.data.data(), array.data.size());
    }
  }
  call.canonical = out.data();
}

bool readResults(const std::string &path, std::vector<StoredCall> &calls, std::string &problem) {
  std::vector<unsigned char> bytes;
  if (!readFile(path, bytes)) {
    problem = "cannot read " + path;
    return false;
  }
  Input in(std::move(bytes));
  char magic[8];
  std::uint32_t count = 0;
  problem = path + " is not a results file";
  if (!in.take(magic, 8) || std::memcmp(magic, kResultsMagic, 8) != 0 || !in.u32(count)) return false;
  calls.resize(count);
  for (StoredCall &call : calls) {
    if (!in.u32(call.failed) || !in.text(call.identifier)) return false;
    for (std::vector<Stored> &group : call.arrays) {
      std::uint32_t size = 0;
      if (!in.u32(size) || size > 64) return false;
      group.resize(size);
      for (Stored &array : group)
        if (!readStored(in, array)) return false;
    }
    encode(call);
  }
  problem = path + ": bytes after the last call";
  return in.atEnd();
}

std::string hashOf(const std::vector<StoredCall> &calls, const std::vector<std::string> &commands,
                   const std::string &only) {
  Sha256 hash;
  for (std::size_t c = 0; c < calls.size(); ++c)
    if (only.empty() || commands[c] == only) hash.add(calls[c].canonical.data(), calls[c].canonical.size());
  return hash.hex();
}

// 3x4, 2x5x3.
std::string shapeText(const Stored &array) {
  std::string text;
  for (std::uint64_t extent : array.dimensions) text += (text.empty() ? "" : "x") + std::to_string(extent);
  return text;
}

std::string firstDifference(const StoredCall &a, const StoredCall &b) {
  char line[512];
  if (a.failed != b.failed || a.identifier != b.identifier) {
    std::snprintf(line, sizeof line, "error '%s' vs '%s'", a.identifier.empty() ? "none" : a.identifier.c_str(),
                  b.identifier.empty() ? "none" : b.identifier.c_str());
    return line;
  }
  static const char *const kKinds[] = {"output", "input after the call"};
  for (int g = 0; g < 2; ++g) {
    for (std::size_t k = 0; k < a.arrays[g].size() && k < b.arrays[g].size(); ++k) {
      const Stored &x = a.arrays[g][k];
      const Stored &y = b.arrays[g][k];
      if (x.className != y.className || x.dimensions != y.dimensions) {
        std::snprintf(line, sizeof line, "%s %zu: %s %s vs %s %s", kKinds[g], k + 1, x.className.c_str(),
                      shapeText(x).c_str(), y.className.c_str(), shapeText(y).c_str());
        return line;
      }
      for (std::size_t at = 0; at < x.data.size(); at += x.elementSize) {
        if (std::memcmp(x.data.data() + at, y.data.data() + at, x.elementSize) == 0) continue;
        std::string hex[2];
        for (std::size_t i = x.elementSize; i-- > 0;) {
          char digits[3];
          std::snprintf(digits, sizeof digits, "%02x", x.data[at + i]);
          hex[0] += digits;
          std::snprintf(digits, sizeof digits, "%02x", y.data[at + i]);
          hex[1] += digits;
        }
        std::snprintf(line, sizeof line, "%s %zu, element %zu: %s vs %s", kKinds[g], k + 1,
                      at / x.elementSize + 1, hex[0].c_str(), hex[1].c_str());
        return line;
      }
    }
  }
  return "no difference";
}

// The command of each call of a case file.
bool readCommands(const std::string &path, std::vector<std::string> &commands) {
  std::vector<unsigned char> bytes;
  if (!readFile(path, bytes)) return false;
  Input in(std::move(bytes));
  char magic[8];
  std::uint32_t count = 0;
  if (!in.take(magic, 8) || std::memcmp(magic, kCasesMagic, 8) != 0 || !in.u32(count)) return false;
  commands.resize(count);
  for (std::string &command : commands) {
    std::uint32_t nlhs = 0;
    std::uint32_t nrhs = 0;
    if (!in.text(command) || !in.u32(nlhs) || !in.u32(nrhs) || nrhs > 64) return false;
    for (std::uint32_t i = 0; i < nrhs; ++i) {
      Stored skipped;
      if (!readStored(in, skipped)) return false;
    }
  }
  return true;
}

// The reason of an identifier, <command>:<reason>.
std::string reasonOf(const std::string &identifier) {
  return identifier.substr(identifier.find(':') + 1);
}

// Each call of a fixed projection in one target's results has its twin next,
// with the same points, the same outputs bit for bit and the same reason if
// refused. Returns the problem, or "" with the number of pairs in `pairs`.
std::string twinProblem(const std::vector<StoredCall> &calls, const std::vector<std::string> &commands,
                        std::size_t &pairs) {
  pairs = 0;
  for (std::size_t c = 0; c < commands.size(); ++c)
    for (const auto &twin : cases::kScreenTwins) {
      if (commands[c] != twin.fixed) continue;
      const std::string where = "call " + std::to_string(c + 1) + " (" + twin.fixed + ")";
      if (c + 1 == commands.size() || commands[c + 1] != twin.command)
        return where + " is not followed by its " + twin.command + " twin";
      const StoredCall &fixed = calls[c], &own = calls[c + 1];
      const bool samePoints = !fixed.arrays[1].empty() && !own.arrays[1].empty() &&
                              fixed.arrays[1][0].className == own.arrays[1][0].className &&
                              fixed.arrays[1][0].dimensions == own.arrays[1][0].dimensions &&
                              fixed.arrays[1][0].data == own.arrays[1][0].data;
      if (!samePoints) return where + ": its twin has other points";
      StoredCall renamed = own;
      renamed.identifier = own.failed ? std::string(twin.fixed) + ":" + reasonOf(own.identifier) : "";
      renamed.arrays[1] = fixed.arrays[1];
      encode(renamed);
      if (renamed.canonical != fixed.canonical)
        return where + " and its twin differ: " + firstDifference(fixed, renamed);
      ++pairs;
    }
  return "";
}

int compare(bool strict, const std::vector<std::string> &arguments) {
  if (arguments.size() < 2) return fail("usage: korvel_run --compare [--strict] CASES TARGET=RESULTS...");
  std::vector<std::string> commands;
  if (!readCommands(arguments[0], commands)) return fail(arguments[0] + " is not a case file");
  std::vector<std::string> names;
  std::vector<std::vector<StoredCall>> results;
  std::size_t pairs = 0;
  for (std::size_t t = 1; t < arguments.size(); ++t) {
    const std::size_t equals = arguments[t].find('=');
    if (equals == std::string::npos) return fail("expected TARGET=RESULTS; got " + arguments[t]);
    names.push_back(arguments[t].substr(0, equals));
    results.emplace_back();
    std::string problem;
    if (!readResults(arguments[t].substr(equals + 1), results.back(), problem)) return fail(problem);
    std::printf("%s  %s\n", hashOf(results.back(), commands, "").c_str(), names.back().c_str());
    if (results.back().size() != commands.size()) {
      std::printf("%s: %zu results for %zu calls\n", names.back().c_str(), results.back().size(), commands.size());
      return 1;
    }
    const std::string twins = twinProblem(results.back(), commands, pairs);
    if (!twins.empty()) {
      std::printf("%s: %s\ndeterminism check FAILED: screen twins\n", names.back().c_str(), twins.c_str());
      return 1;
    }
  }

  std::printf("\nper command:\n");
  std::vector<std::string> seen;
  std::string failing;
  for (const std::string &command : commands) {
    if (std::find(seen.begin(), seen.end(), command) != seen.end()) continue;
    seen.push_back(command);
    std::string row;
    bool agree = true;
    for (std::size_t t = 0; t < results.size(); ++t) {
      const std::string hash = hashOf(results[t], commands, command).substr(0, 12);
      agree = agree && (t == 0 || row.compare(0, 12, hash) == 0);
      row += (t == 0 ? "" : "  ") + hash;
    }
    const korvel::CommandFacts *facts = korvel::findCommand(command.c_str());
    const bool libm = facts != nullptr && facts->results == korvel::Results::libm;
    const char *verdict = agree ? "agree" : (libm && !strict ? "differ (C library)" : "DIFFER");
    std::printf("  %-18s %s  %s\n", command.c_str(), row.c_str(), verdict);
    if (!agree && !(libm && !strict)) failing += (failing.empty() ? "" : ", ") + command;
  }
  std::string legend;
  for (const std::string &name : names) legend += (legend.empty() ? "" : "  ") + name + std::string(name.size() < 12 ? 12 - name.size() : 0, ' ');
  std::printf("  %-18s %s\n", "", legend.c_str());

  for (std::size_t t = 1; t < results.size(); ++t)
    for (std::size_t c = 0; c < commands.size(); ++c)
      if (results[0][c].canonical != results[t][c].canonical) {
        std::printf("%s differs from %s first at call %zu (%s): %s\n", names[t].c_str(), names[0].c_str(), c + 1,
                    commands[c].c_str(), firstDifference(results[0][c], results[t][c]).c_str());
        break;
      }
  if (!failing.empty()) {
    std::printf("determinism check FAILED: %s\n", failing.c_str());
    return 1;
  }
  std::printf("determinism check passed: %zu targets, %zu calls, each with %zu screen twins alike\n",
              names.size(), commands.size(), pairs);
  return 0;
}


#if defined(KORVEL_WITH_C_INTERFACE)

// --- --c-interface: the corpus through the C interface -----------------------

bool isDouble(const mxArray *a) { return mxGetClassID(a) == mxDOUBLE_CLASS; }
bool doubleRows(const mxArray *a, std::size_t rows) { return isDouble(a) && mxGetM(a) == rows; }
bool doubleElements(const mxArray *a, std::size_t count) {
  return isDouble(a) && mxGetNumberOfElements(a) >= count;
}
bool doubleScalar(const mxArray *a) { return isDouble(a) && mxGetNumberOfElements(a) == 1; }
// korvelFaceShown's MASK: a one-byte class, one element per triangle.
bool maskBytes(const mxArray *a, std::size_t count) {
  const mxClassID id = mxGetClassID(a);
  return (id == mxLOGICAL_CLASS || id == mxUINT8_CLASS || id == mxINT8_CLASS) &&
         mxGetNumberOfElements(a) >= count;
}

// What a call through the C interface gave: its status, and the outputs the
// plug-in would store, slot by slot.
struct MadeInC {
  int status = KORVEL_OK;
  std::vector<mxArray *> outputs;
};

double *newOutput(MadeInC &made, std::size_t rows, std::size_t columns) {
  made.outputs.push_back(mxCreateDoubleMatrix(static_cast<int>(rows), static_cast<int>(columns), mxREAL));
  return mxGetPr(made.outputs.back());
}

// korvelStrokeText, in place or (asked for 3 outputs) on copies of B, C and N
// returned as the outputs.
void strokeTextInC(std::uint32_t nlhs, const std::vector<mxArray *> &in, MadeInC &made) {
  double *written[3];
  for (int k = 0; k < 3; ++k) {
    written[k] = mxGetPr(in[k]);
    if (nlhs == 0) continue;
    const std::size_t rows = mxGetM(in[k]), columns = mxGetN(in[k]);
    double *copy = newOutput(made, rows, columns);
    if (rows * columns > 0) std::memcpy(copy, written[k], rows * columns * sizeof(double));
    written[k] = copy;
  }
  made.status = korvel_stroke_text(written[0], mxGetN(in[0]), written[1], mxGetN(in[1]), written[2],
                                   mxGetPr(in[3]), mxGetN(in[3]), mxGetPr(in[4]), mxGetN(in[4]),
                                   mxGetPr(in[5])[0], mxGetPr(in[6]), mxGetPr(in[7])[0],
                                   mxGetPr(in[8]), nullptr);
}

// Makes the call through the C interface, its inputs checked as the
// plug-in's gateway checks what the C signature fixes: true with what it
// gave; false, and nothing made, when its classes, row counts, element counts,
// input count or output count have no C form.
bool makeInC(const std::string &command, std::uint32_t nlhs, const std::vector<mxArray *> &in,
             MadeInC &made) {
  const std::size_t nrhs = in.size();
  auto points = [&in, nrhs]() { return nrhs >= 1 && doubleRows(in[0], 3); };
  const std::size_t n = nrhs >= 1 ? mxGetN(in[0]) : 0;
  if (command == "korvelStrokeText") {
    if ((nlhs != 0 && nlhs != 3) || nrhs < 9 || !doubleRows(in[0], 4) || !doubleRows(in[1], 6) ||
        !doubleElements(in[2], 1) || !doubleRows(in[3], 4) ||
        !doubleElements(in[4], mxGetN(in[4])) || !doubleElements(in[5], 1) ||
        !doubleElements(in[6], 2) || !doubleElements(in[7], 1) || !doubleElements(in[8], 3))
      return false;
    strokeTextInC(nlhs, in, made);
    return true;
  }
  if (nlhs > 1) return false;
  if (command == "korvelOffset") {
    if (!points() || nrhs < 2 || !doubleElements(in[1], 3)) return false;
    made.status = korvel_offset(mxGetPr(in[0]), n, mxGetPr(in[1]), newOutput(made, 3, n), 0, nullptr);
  } else if (command == "korvelSpin") {
    if (!points() || nrhs < 2 || !doubleElements(in[1], 1)) return false;
    made.status = korvel_spin(mxGetPr(in[0]), n, mxGetPr(in[1])[0], newOutput(made, 3, n), 0, nullptr);
  } else if (command == "korvelToViewer") {
    if (!points() || nrhs < 3 || !doubleElements(in[1], 3) || !doubleElements(in[2], 1)) return false;
    made.status = korvel_to_viewer(mxGetPr(in[0]), n, mxGetPr(in[1]), mxGetPr(in[2])[0],
                                   newOutput(made, 3, n), 0, nullptr);
  } else if (command == "korvelRange") {
    if (!points()) return false;
    made.status = korvel_range(mxGetPr(in[0]), n, newOutput(made, 1, n), 0, nullptr);
  } else if (command == "torusScreenMex" || command == "korvelTorusScreen") {
    const bool own = command == "korvelTorusScreen";
    if (!points() || (own && (nrhs < 3 || !doubleScalar(in[1]) || !doubleScalar(in[2])))) return false;
    made.status = korvel_torus_screen(mxGetPr(in[0]), n, own ? mxGetPr(in[1])[0] : KORVEL_FIXED_TORUS_GAIN,
                                      own ? mxGetPr(in[2])[0] : KORVEL_FIXED_TORUS_HORIZON,
                                      newOutput(made, 3, n), 0, nullptr);
  } else if (command == "coneScreenMex" || command == "korvelConeScreen") {
    const bool own = command == "korvelConeScreen";
    if (!points() || (own && (nrhs < 3 || !doubleScalar(in[1]) || !doubleScalar(in[2])))) return false;
    made.status = korvel_cone_screen(mxGetPr(in[0]), n, own ? mxGetPr(in[1])[0] : KORVEL_FIXED_CONE_RADIAL,
                                     own ? mxGetPr(in[2])[0] : KORVEL_FIXED_CONE_VERTICAL,
                                     newOutput(made, 3, n), 0, nullptr);
  } else if (command == "korvelFaceShown") {
    if (nrhs < 3 || mxGetClassID(in[0]) != mxINT32_CLASS || mxGetM(in[0]) != 3 ||
        !doubleRows(in[1], 3) || !maskBytes(in[2], n))
      return false;
    made.status = korvel_face_shown(static_cast<const std::int32_t *>(mxGetData(in[0])), n,
                                    mxGetPr(in[1]), mxGetN(in[1]),
                                    static_cast<const std::uint8_t *>(mxGetData(in[2])),
                                    newOutput(made, 1, n), 0, nullptr);
  } else if (command == "plateauLabels") {
    if (nrhs < 1 || !isDouble(in[0])) return false;
    const std::size_t rows = mxGetM(in[0]);
    std::size_t regions = 0;
    made.status = korvel_plateau_labels(mxGetPr(in[0]), rows, n, newOutput(made, rows, n), &regions, 0,
                                        nullptr);
  } else if (command == "valueSwap") {
    // FROM's first column holds the pairs' from values: it needs one if it
    // has rows.
    if (nrhs < 3 || !isDouble(in[0]) || !isDouble(in[1]) || (mxGetM(in[1]) > 0 && mxGetN(in[1]) == 0) ||
        !doubleElements(in[2], mxGetM(in[1])))
      return false;
    const std::size_t rows = mxGetM(in[0]);
    made.status = korvel_value_swap(mxGetPr(in[0]), rows * n, mxGetPr(in[1]), mxGetPr(in[2]),
                                    mxGetM(in[1]), newOutput(made, rows, n), 0, nullptr);
  } else {
    return false;  // the data-address commands
  }
  return true;
}

// The records of a results file, each as the bytes it is stored in.
bool splitResults(const std::string &path, std::vector<std::vector<unsigned char>> &records) {
  std::vector<unsigned char> bytes;
  if (!readFile(path, bytes)) return false;
  Input in(bytes);
  char magic[8];
  std::uint32_t count = 0;
  if (!in.take(magic, 8) || std::memcmp(magic, kResultsMagic, 8) != 0 || !in.u32(count)) return false;
  for (std::uint32_t c = 0; c < count; ++c) {
    const std::size_t start = in.at();
    std::uint32_t failed = 0;
    std::string identifier;
    if (!in.u32(failed) || !in.text(identifier)) return false;
    for (int group = 0; group < 2; ++group) {
      std::uint32_t size = 0;
      if (!in.u32(size) || size > 64) return false;
      for (std::uint32_t k = 0; k < size; ++k) {
        Stored skipped;
        if (!readStored(in, skipped)) return false;
      }
    }
    records.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                         bytes.begin() + static_cast<std::ptrdiff_t>(in.at()));
  }
  return in.atEnd();
}

int runThroughC(const std::vector<std::string> &paths) {
  if (paths.size() != 3) return fail("usage: korvel_run --c-interface CASES REFERENCE_RESULTS RESULTS");
  std::vector<unsigned char> bytes;
  if (!readFile(paths[0], bytes)) return fail("cannot read " + paths[0]);
  Input in(std::move(bytes));
  char magic[8];
  std::uint32_t count = 0;
  if (!in.take(magic, 8) || std::memcmp(magic, kCasesMagic, 8) != 0 || !in.u32(count))
    return fail(paths[0] + " is not a case file");
  std::vector<std::vector<unsigned char>> reference;
  if (!splitResults(paths[1], reference)) return fail(paths[1] + " is not a results file");
  if (reference.size() != count) return fail(paths[1] + " holds the results of other cases");

  Output out;
  out.bytes(kResultsMagic, 8);
  out.u32(count);
  std::vector<std::string> order;
  std::map<std::string, std::pair<unsigned, unsigned>> tally;  // through C, without a C form
  for (std::uint32_t c = 0; c < count; ++c) {
    std::string command;
    std::uint32_t nlhs = 0;
    std::vector<mxArray *> inputs;
    std::string problem;
    if (!readCase(in, c + 1, command, nlhs, inputs, problem)) return fail(problem);
    if (tally.count(command) == 0) order.push_back(command);
    MadeInC made;
    if (makeInC(command, nlhs, inputs, made)) {
      ++tally[command].first;
      const bool failed = made.status != KORVEL_OK;
      if (failed) {
        for (mxArray *output : made.outputs) mxDestroyArray(output);
        made.outputs.clear();
      }
      writeResult(out, failed, command + ":" + korvel_status_name(made.status), nlhs, made.outputs, inputs);
    } else {
      ++tally[command].second;
      out.bytes(reference[c].data(), reference[c].size());
    }
    for (mxArray *output : made.outputs) mxDestroyArray(output);
    for (mxArray *input : inputs) mxDestroyArray(input);
  }

  std::printf("%-18s %12s %12s\n", "command", "through C", "no C form");
  unsigned through = 0, without = 0;
  for (const std::string &command : order) {
    std::printf("%-18s %12u %12u\n", command.c_str(), tally[command].first, tally[command].second);
    through += tally[command].first;
    without += tally[command].second;
  }
  std::printf("%-18s %12u %12u\n", "all", through, without);
  return writeFile(paths[2], out);
}

#endif  // KORVEL_WITH_C_INTERFACE

}  // namespace

int main(int argc, char **argv) {
  std::string folder = ".";
  std::string only;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--plugins=", 10) == 0) {
      folder = argv[i] + 10;
    } else if (std::strncmp(argv[i], "--only=", 7) == 0) {
      only = argv[i] + 7;
    } else if (std::strcmp(argv[i], "--commands") == 0) {
      static const char *const kResults[] = {"exact", "libm", "address"};
      for (const korvel::CommandFacts &command : korvel::kCommands)
        std::printf("%s %s %s\n", command.name, kResults[static_cast<int>(command.results)], command.help);
      return 0;
#if defined(KORVEL_WITH_C_INTERFACE)
    } else if (std::strcmp(argv[i], "--c-interface") == 0) {
      return runThroughC(std::vector<std::string>(argv + i + 1, argv + argc));
#endif
    } else if (std::strcmp(argv[i], "--compare") == 0) {
      const bool strict = i + 1 < argc && std::strcmp(argv[i + 1], "--strict") == 0;
      return compare(strict, std::vector<std::string>(argv + i + 1 + (strict ? 1 : 0), argv + argc));
    } else {
      paths.push_back(argv[i]);
    }
  }
  if (paths.size() != 2) return fail("usage: korvel_run --plugins=DIR [--only=COMMAND] CASES RESULTS");

  std::vector<unsigned char> bytes;
  if (!readFile(paths[0], bytes)) return fail("cannot read " + paths[0]);
  Input in(std::move(bytes));
  char magic[8];
  std::uint32_t count = 0;
  if (!in.take(magic, 8) || std::memcmp(magic, kCasesMagic, 8) != 0 || !in.u32(count))
    return fail(paths[0] + " is not a case file");

  std::map<std::string, std::unique_ptr<standin::Plugin>> plugins;
  Output out;
  out.bytes(kResultsMagic, 8);
  out.u32(count);
  std::uint32_t kept = 0;
  for (std::uint32_t c = 0; c < count; ++c) {
    std::string command;
    std::uint32_t nlhs = 0;
    std::vector<mxArray *> inputs;
    std::string problem;
    if (!readCase(in, c + 1, command, nlhs, inputs, problem)) return fail(problem);
    if (!only.empty() && command != only) {
      for (mxArray *input : inputs) mxDestroyArray(input);
      continue;
    }
    ++kept;

    std::unique_ptr<standin::Plugin> &plugin = plugins[command];
    if (!plugin) plugin.reset(new standin::Plugin(folder, command));
    if (!plugin->ok()) return fail(plugin->error());

    standin::CallOutcome outcome =
        plugin->call(std::vector<const mxArray *>(inputs.begin(), inputs.end()), static_cast<int>(nlhs));
    writeResult(out, outcome.failed, outcome.identifier, nlhs, outcome.outputs, inputs);
    for (mxArray *output : outcome.outputs) mxDestroyArray(output);
    for (mxArray *input : inputs) mxDestroyArray(input);
  }

  out.setU32(8, kept);
  return writeFile(paths[1], out);
}
