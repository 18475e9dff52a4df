// Writes the seed corpora of the fuzz targets, korvel_fuzz_seeds DIR: for
// each command, DIR/<command>/ gets the calls of its entry in the case table
// (tests/support/cases.h), in and out of contract, and its seeds, in the
// format of call_format.h. Generated at build time, so the seeds follow the
// format instead of being binary blobs in the repository.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "call_format.h"
#include "cases.h"
#include "korvel_commands.h"

using fuzzcall::Writer;

namespace {

// The kind byte of a class: its place in call_format.h's kClasses.
std::uint8_t kindOf(const cases::Value &value) {
  const char *const names[] = {"double", "single", "int32", "uint8", "logical", "char", "int8"};
  std::uint8_t kind = 0;
  while (kind < 7 && value.className != names[kind]) ++kind;
  return static_cast<std::uint8_t>(kind | (value.complex ? 0x40 : 0));
}

Writer encode(const cases::Inputs &inputs, int nlhs, std::uint64_t address) {
  Writer call(static_cast<int>(inputs.size()), nlhs);
  for (const cases::Value &value : inputs)
    if (value.sameAs >= 0)
      call.same(static_cast<std::uint8_t>(value.sameAs));
    else
      call.array(kindOf(value), value.shape(), value.bytes);
  if (address != 0) call.address(address);
  return call;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const std::string root = argv[1];
  mkdir(root.c_str(), 0755);
  for (const korvel::CommandFacts &command : korvel::kCommands) {
    const cases::CommandCases *table = cases::find(command.name);
    if (table == nullptr) {
      std::fprintf(stderr, "%s: no entry in tests/support/cases.cpp\n", command.name);
      return 1;
    }
    std::vector<Writer> seeds;
    for (const cases::Inputs &inputs : table->accepted) seeds.push_back(encode(inputs, command.outputs(), 0));
    for (const cases::Refusal &refused : table->refused)
      seeds.push_back(encode(refused.inputs, command.outputs(), 0));
    for (const cases::Seed &seed : table->seeds)
      seeds.push_back(encode(seed.inputs, seed.nlhs < 0 ? command.outputs() : seed.nlhs, seed.address));
    const std::string folder = root + "/" + command.name;
    mkdir(folder.c_str(), 0755);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
      const std::string path = folder + "/seed-" + std::to_string(i);
      std::FILE *file = std::fopen(path.c_str(), "wb");
      if (file == nullptr) {
        std::perror(path.c_str());
        return 1;
      }
      const auto &bytes = seeds[i].bytes();
      std::fwrite(bytes.data(), 1, bytes.size(), file);
      std::fclose(file);
    }
  }
  return 0;
}
