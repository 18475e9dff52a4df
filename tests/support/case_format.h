// The arrays of korvel_run's case and results files (case_runner.cpp gives
// the whole format), shared by korvel_run, korvel_corpus and the tests: the
// little-endian reader and writer, an array's class and shape, and a host
// array or a value of the case table read from or written to a file.
//
// An array's header is its class, then its shape: a matrix as u64:rows
// u64:columns; an array of more than two dimensions as u64:rows, then
// kMoreDimensions where the column count would be, then u32:count and the
// count dimensions after the first. A matrix is written as it always was,
// so that the files, and the hashes over them, of matrices stay the same.
#ifndef KORVEL_TESTS_CASE_FORMAT_H
#define KORVEL_TESTS_CASE_FORMAT_H

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "cases.h"
#include "contract.h"

namespace caseformat {

const std::uint64_t kMoreDimensions = 0xFFFFFFFFFFFFFFFFull;
const std::uint32_t kMostDimensions = 32;  // a sanity bound for the reader

// Reads bytes held in memory; every read past their end is a format error.
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
  bool atEnd() const { return at_ == bytes_.size(); }
  std::size_t at() const { return at_; }
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

// The shape of an array of two or more dimensions.
inline void writeShape(Output &out, const std::vector<std::uint64_t> &dimensions) {
  out.u64(dimensions[0]);
  if (dimensions.size() == 2) {
    out.u64(dimensions[1]);
    return;
  }
  out.u64(kMoreDimensions);
  out.u32(static_cast<std::uint32_t>(dimensions.size() - 1));
  for (std::size_t d = 1; d < dimensions.size(); ++d) out.u64(dimensions[d]);
}

inline void writeHeader(Output &out, const std::string &className, const std::vector<std::uint64_t> &dimensions) {
  out.text(className);
  writeShape(out, dimensions);
}

// False when truncated, or an array of more dimensions gives fewer than
// three (a matrix has one way to be written) or implausibly many.
inline bool readHeader(Input &in, std::string &className, std::vector<std::uint64_t> &dimensions) {
  std::uint64_t rows = 0, columns = 0;
  if (!in.text(className) || !in.u64(rows) || !in.u64(columns)) return false;
  dimensions = {rows, columns};
  if (columns != kMoreDimensions) return true;
  std::uint32_t count = 0;
  if (!in.u32(count) || count < 2 || count > kMostDimensions) return false;
  dimensions.resize(1 + count);
  for (std::uint32_t d = 1; d <= count; ++d)
    if (!in.u64(dimensions[d])) return false;
  return true;
}

// A value of the case table (cases.h) as an array of a case file.
inline void writeValue(Output &out, const cases::Value &value) {
  writeHeader(out, value.className, value.shape());
  out.bytes(value.bytes.data(), value.bytes.size());
}

// The element count of the dimensions; false when it is over `most`.
inline bool elementCount(const std::vector<std::uint64_t> &dimensions, std::uint64_t most, std::uint64_t &count) {
  count = 1;
  for (std::uint64_t extent : dimensions) {
    if (extent == 0) {
      count = 0;
      return true;
    }
  }
  for (std::uint64_t extent : dimensions) {
    if (extent > most || count > most / extent) return false;
    count *= extent;
  }
  return true;
}

// Reads one host array, null for an empty output slot ("none"). Element
// bytes are copied as they are: the supported targets are all little-endian,
// as the file is.
inline bool readArray(Input &in, mxArray *&array, std::string &problem) {
  std::string className;
  std::vector<std::uint64_t> dimensions;
  array = nullptr;
  if (!readHeader(in, className, dimensions)) {
    problem = "truncated or malformed array header";
    return false;
  }
  if (className == "none") return true;
  const contract::HostClass *info = contract::hostClass(className);
  if (info == nullptr) {
    problem = "unknown class " + className;
    return false;
  }
  bool fits = true;  // the host's dimensions are 32-bit
  std::vector<int> sizes;
  for (std::uint64_t extent : dimensions) {
    fits = fits && extent <= 0x7fffffffu;
    sizes.push_back(static_cast<int>(extent));
  }
  std::uint64_t count = 0;
  if (!fits || !elementCount(dimensions, std::uint64_t{1} << 28, count)) {
    problem = "array too large for the runner";
    return false;
  }
  array = mxCreateNumericArray(static_cast<int>(sizes.size()), sizes.data(), info->id, mxREAL);
  if (count > 0 && !in.take(mxGetData(array), static_cast<std::size_t>(count) * info->elementSize)) {
    problem = "truncated array data";
    return false;
  }
  return true;
}

// Writes one host array; null, or a value without a data block, as "none".
inline void writeArray(Output &out, const mxArray *array) {
  const contract::HostClass *info = array == nullptr ? nullptr : contract::hostClass(mxGetClassID(array));
  if (info == nullptr) {
    writeHeader(out, "none", {0, 0});
    return;
  }
  const int *sizes = mxGetDimensions(array);
  writeHeader(out, info->name,
              std::vector<std::uint64_t>(sizes, sizes + mxGetNumberOfDimensions(array)));
  out.bytes(mxGetData(array), mxGetNumberOfElements(array) * info->elementSize);
}

}  // namespace caseformat

#endif
