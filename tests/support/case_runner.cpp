// korvel_run: makes a file of command calls through the stand-in host and
// writes what each call gave, so that another host (Octave) or another build
// (mexw32, mexw64 under wine) can run the same corpus and compare bit for bit.
//
//   korvel_run --plugins=DIR [--only=COMMAND] CASES RESULTS
//   korvel_run --commands          (the list's names, a line each, with how
//                                   their results depend on the target)
//
// --only=COMMAND runs that command's calls alone and writes their results.
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
//   string   := u32:length byte*length
//
// class is the host's class name ("double", "single", "int32", "uint8",
// "int8", "logical", ...); elements are the raw element bytes in column-major
// order (8 for double, 4 for int32, 1 for uint8/int8/logical). Messages are
// left out: hosts word them differently (Octave puts the command name first).
// A corpus of calls whose results do not depend on the host (no data-address
// commands) gives byte-identical result files on every correct target, so
// one hash of the file stands for the whole run.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contract.h"
#include "loader.h"

namespace {

const char kCasesMagic[9] = "KVCASES1";
const char kResultsMagic[9] = "KVRESLT1";

// Reads the whole file up front; every read past its end is a format error.
class Input {
 public:
  explicit Input(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}
  bool take(void *into, std::size_t count) {
    if (count > bytes_.size() - at_) return false;
    if (count > 0) std::memcpy(into, bytes_.data() + at_, count);
    at_ += count;
    return true;
  }
  bool u32(std::uint32_t &value) { return little(value); }
  bool u64(std::uint64_t &value) { return little(value); }
  bool text(std::string &value) {
    std::uint32_t length = 0;
    if (!u32(length) || length > bytes_.size() - at_) return false;
    value.assign(reinterpret_cast<const char *>(bytes_.data() + at_), length);
    at_ += length;
    return true;
  }

 private:
  template <typename T>
  bool little(T &value) {
    unsigned char raw[sizeof(T)];
    if (!take(raw, sizeof raw)) return false;
    value = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) value = static_cast<T>((value << 8) | raw[i]);
    return true;
  }
  std::vector<unsigned char> bytes_;
  std::size_t at_ = 0;
};

class Output {
 public:
  void bytes(const void *from, std::size_t count) {
    const auto *data = static_cast<const unsigned char *>(from);
    bytes_.insert(bytes_.end(), data, data + count);
  }
  void u32(std::uint32_t value) { little(value); }
  void u64(std::uint64_t value) { little(value); }
  void setU32(std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes_[at + i] = static_cast<unsigned char>(value >> (8 * i));
  }
  void text(const std::string &value) {
    u32(static_cast<std::uint32_t>(value.size()));
    bytes(value.data(), value.size());
  }
  const std::vector<unsigned char> &data() const { return bytes_; }

 private:
  template <typename T>
  void little(T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) bytes_.push_back(static_cast<unsigned char>(value >> (8 * i)));
  }
  std::vector<unsigned char> bytes_;
};

// Element bytes are copied as they are: the supported targets are all
// little-endian, as the file is.
bool readArray(Input &in, mxArray *&array, std::string &problem) {
  std::string className;
  std::uint64_t rows = 0;
  std::uint64_t columns = 0;
  if (!in.text(className) || !in.u64(rows) || !in.u64(columns)) {
    problem = "truncated array header";
    return false;
  }
  array = nullptr;
  if (className == "none") return true;
  const contract::HostClass *info = contract::hostClass(className);
  if (info == nullptr) {
    problem = "unknown class " + className;
    return false;
  }
  if (rows > 0x7fffffffu || columns > 0x7fffffffu || rows * columns > (1u << 28)) {
    problem = "array too large for the runner";
    return false;
  }
  array = mxCreateNumericMatrix(static_cast<int>(rows), static_cast<int>(columns), info->id, mxREAL);
  const std::size_t count = static_cast<std::size_t>(rows * columns);
  if (count > 0 && !in.take(mxGetData(array), count * info->elementSize)) {
    problem = "truncated array data";
    return false;
  }
  return true;
}

void writeArray(Output &out, const mxArray *array) {
  const contract::HostClass *info = array == nullptr ? nullptr : contract::hostClass(mxGetClassID(array));
  if (info == nullptr) {
    out.text("none");
    out.u64(0);
    out.u64(0);
    return;
  }
  out.text(info->name);
  out.u64(mxGetM(array));
  out.u64(mxGetN(array));
  out.bytes(mxGetData(array), mxGetNumberOfElements(array) * info->elementSize);
}

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
        std::printf("%s %s\n", command.name, kResults[static_cast<int>(command.results)]);
      return 0;
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
    std::uint32_t nrhs = 0;
    if (!in.text(command) || !in.u32(nlhs) || !in.u32(nrhs) || nlhs > 16 || nrhs > 64)
      return fail("case " + std::to_string(c + 1) + ": bad header");
    std::vector<mxArray *> inputs(nrhs, nullptr);
    std::string problem;
    for (std::uint32_t i = 0; i < nrhs; ++i)
      if (!readArray(in, inputs[i], problem) || inputs[i] == nullptr)
        return fail("case " + std::to_string(c + 1) + ": " + (problem.empty() ? "empty input slot" : problem));
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
    out.u32(outcome.failed ? 1 : 0);
    out.text(outcome.failed ? outcome.identifier : std::string());
    // A host has one slot even when no output is requested (it becomes ans).
    const std::uint32_t slots = nlhs > 0 ? nlhs : 1;
    out.u32(slots);
    for (std::uint32_t k = 0; k < slots; ++k)
      writeArray(out, k < outcome.outputs.size() ? outcome.outputs[k] : nullptr);
    out.u32(nrhs);
    for (mxArray *input : inputs) writeArray(out, input);
    for (mxArray *output : outcome.outputs) mxDestroyArray(output);
    for (mxArray *input : inputs) mxDestroyArray(input);
  }

  out.setU32(8, kept);

  std::FILE *file = std::fopen(paths[1].c_str(), "wb");
  if (file == nullptr) return fail("cannot write " + paths[1]);
  const bool written = std::fwrite(out.data().data(), 1, out.data().size(), file) == out.data().size();
  if (std::fclose(file) != 0 || !written) return fail("cannot write " + paths[1]);
  return 0;
}
