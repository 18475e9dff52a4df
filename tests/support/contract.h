// What the C++ tests, the fuzz targets and korvel_run share about host
// arrays and the promises every command makes: the classes and their element
// sizes, the bytes of an array (to tell that a call left it as it was),
// bit-for-bit equality of doubles, and the error identifiers the help files
// list.
// The commands themselves and their facts: korvel_commands.h.
#ifndef KORVEL_TESTS_CONTRACT_H
#define KORVEL_TESTS_CONTRACT_H

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "korvel_commands.h"
#include "standin.h"

namespace contract {

inline std::uint64_t bitsOf(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}
inline double fromBits(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Equal bits, except that any NaN equals any NaN.
inline bool sameBits(double a, double b) { return (a != a && b != b) || bitsOf(a) == bitsOf(b); }

// The classes of arrays with a data block, by the names hosts give them.
struct HostClass {
  const char *name;
  mxClassID id;
  std::size_t elementSize;
};

inline constexpr HostClass kHostClasses[] = {
    {"double", mxDOUBLE_CLASS, 8}, {"single", mxSINGLE_CLASS, 4},   {"int8", mxINT8_CLASS, 1},
    {"uint8", mxUINT8_CLASS, 1},   {"int16", mxINT16_CLASS, 2},     {"uint16", mxUINT16_CLASS, 2},
    {"int32", mxINT32_CLASS, 4},   {"uint32", mxUINT32_CLASS, 4},   {"int64", mxINT64_CLASS, 8},
    {"uint64", mxUINT64_CLASS, 8}, {"logical", mxLOGICAL_CLASS, 1}, {"char", mxCHAR_CLASS, 2},
};

// The class of that id or name, or null for a value without a data block
// (a function handle, an object) and for classes not listed.
inline const HostClass *hostClass(mxClassID id) {
  for (const HostClass &kind : kHostClasses)
    if (kind.id == id) return &kind;
  return nullptr;
}
inline const HostClass *hostClass(const std::string &name) {
  for (const HostClass &kind : kHostClasses)
    if (name == kind.name) return &kind;
  return nullptr;
}

// A snapshot starts with the class and the shape, kSnapshotHeader bytes, and
// goes on with the real and then the imaginary part of the data.
const std::size_t kSnapshotHeader = 3 * sizeof(std::size_t);

// Class, shape and every data byte of an array. withData false leaves the
// data out: a command that only takes input 1's data address may be given
// an address that is not the array's memory.
inline std::vector<unsigned char> snapshot(const mxArray *array, bool withData = true) {
  std::vector<unsigned char> bytes(kSnapshotHeader);
  const std::size_t shape[3] = {static_cast<std::size_t>(mxGetClassID(array)), mxGetM(array),
                                mxGetN(array)};
  std::memcpy(bytes.data(), shape, sizeof shape);
  const HostClass *kind = hostClass(mxGetClassID(array));
  // Asking a value without a data block for its data ends the process.
  if (kind == nullptr) return bytes;
  const std::size_t size = mxGetNumberOfElements(array) * kind->elementSize;
  const void *parts[2] = {withData ? mxGetData(array) : nullptr,
                          mxIsComplex(array) ? mxGetPi(array) : nullptr};
  for (const void *part : parts) {
    if (part == nullptr || size == 0) continue;
    const auto *data = static_cast<const unsigned char *>(part);
    bytes.insert(bytes.end(), data, data + size);
  }
  return bytes;
}

// The identifiers a command's help file lists, the errors it may raise:
// every `command:reason` in its leading comment block (the help), read from
// the source tree sourceDir. Empty when the file cannot be read.
inline std::set<std::string> readHelpIdentifiers(const std::string &sourceDir,
                                                 const korvel::CommandFacts &command) {
  std::set<std::string> identifiers;
  std::ifstream file(sourceDir + "/" + command.help);
  const std::string prefix = std::string(command.name) + ":";
  std::string line;
  while (std::getline(file, line) && !line.empty() && line[0] == '%') {
    for (std::size_t at = line.find(prefix); at != std::string::npos;
         at = line.find(prefix, at + 1)) {
      if (at > 0 && std::isalnum(static_cast<unsigned char>(line[at - 1]))) continue;
      std::size_t end = at + prefix.size();
      while (end < line.size() && std::isalpha(static_cast<unsigned char>(line[end]))) ++end;
      if (end > at + prefix.size()) identifiers.insert(line.substr(at, end - at));
    }
  }
  return identifiers;
}

// Those of every command of the list.
inline std::set<std::string> readHelpIdentifiers(const std::string &sourceDir) {
  std::set<std::string> identifiers;
  for (const korvel::CommandFacts &command : korvel::kCommands)
    identifiers.merge(readHelpIdentifiers(sourceDir, command));
  return identifiers;
}

}  // namespace contract

#endif
