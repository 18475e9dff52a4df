// The byte format the fuzz targets read a call from, and its writer for the
// seed corpora. Any byte string decodes to some call: missing bytes read as 0.
//
//   call     := nrhs nlhs argument* [address]
//   argument := 0xFF which            the same array as earlier input `which`
//             | kind rows columns [pages] fill elements
//   kind     := class index (low 4 bits, see kClasses) | 0x40 when complex
//               | 0x20 when pages follow
//   rows     := kRowChoices[b % 16] below 0xF0, else (b - 0xF0) * 4
//   columns  := b % 9 below 0xC0, else b - 0xC0
//   pages    := b, a third dimension (an H-by-W-by-3 picture has 3)
//   fill     := 0 table (one byte an element) | 1 raw element bytes
//             | 2 ramp from one signed byte    | 3 one table value for all
//   address  := flag, 8 bytes: a data address input 1 reports (data-address
//               commands only, when flag is odd)
// The imaginary part of a complex array follows its real part, filled alike.
#ifndef KORVEL_FUZZ_CALL_FORMAT_H
#define KORVEL_FUZZ_CALL_FORMAT_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "standin.h"

namespace fuzzcall {

const int kMaxInputs = 10;
const int kMaxOutputs = 3;
const std::size_t kMaxElements = 1024;  // keeps every call fast

const mxClassID kClasses[16] = {
    mxDOUBLE_CLASS, mxSINGLE_CLASS, mxINT32_CLASS,  mxUINT8_CLASS,
    mxLOGICAL_CLASS, mxCHAR_CLASS,  mxINT8_CLASS,   mxDOUBLE_CLASS,
    mxDOUBLE_CLASS, mxDOUBLE_CLASS, mxDOUBLE_CLASS, mxDOUBLE_CLASS,
    mxDOUBLE_CLASS, mxDOUBLE_CLASS, mxDOUBLE_CLASS, mxDOUBLE_CLASS};
const std::size_t kRowChoices[16] = {0, 1, 2, 3, 3, 3, 4, 4, 4, 6, 6, 6, 1, 2, 5, 7};

inline double tableValue(std::uint8_t b) {
  const double inf = std::numeric_limits<double>::infinity();
  const double values[16] = {0,  1,   2,    3,   -1,  0.5,    2.9,    -0.0,
                             NAN, inf, -inf, 1e308, 4, 5, 4.9e-324, 0.25};
  return values[b % 16];
}

// Reads bytes, then zeros once they run out.
class Reader {
 public:
  Reader(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  void bytes(void *into, std::size_t count) {
    auto *out = static_cast<std::uint8_t *>(into);
    for (std::size_t i = 0; i < count; ++i) out[i] = byte();
  }

 private:
  const std::uint8_t *data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

template <typename T>
void fillPart(Reader &reader, T *elements, std::size_t count, int fill, mxClassID classId) {
  const bool floating = classId == mxDOUBLE_CLASS || classId == mxSINGLE_CLASS;
  auto fromTable = [&](std::uint8_t b) -> T {
    if (floating) return static_cast<T>(tableValue(b));
    if (classId == mxINT32_CLASS || classId == mxINT8_CLASS)
      return static_cast<T>(static_cast<std::int8_t>(b));
    return static_cast<T>(b);
  };
  switch (fill) {
    case 0:
      for (std::size_t i = 0; i < count; ++i) elements[i] = fromTable(reader.byte());
      break;
    case 1:
      reader.bytes(elements, count * sizeof(T));
      break;
    case 2: {
      const int start = static_cast<std::int8_t>(reader.byte());
      for (std::size_t i = 0; i < count; ++i)
        elements[i] = static_cast<T>(start + static_cast<int>(i % 256));
      break;
    }
    default: {
      const T value = fromTable(reader.byte());
      for (std::size_t i = 0; i < count; ++i) elements[i] = value;
    }
  }
}

inline void fillArray(Reader &reader, mxArray *array, int fill) {
  const std::size_t count = mxGetNumberOfElements(array);
  if (count == 0) return;
  const mxClassID classId = mxGetClassID(array);
  void *parts[2] = {mxGetData(array), mxIsComplex(array) ? mxGetPi(array) : nullptr};
  for (void *part : parts) {
    if (part == nullptr) continue;
    switch (classId) {
      case mxDOUBLE_CLASS: fillPart(reader, static_cast<double *>(part), count, fill, classId); break;
      case mxSINGLE_CLASS: fillPart(reader, static_cast<float *>(part), count, fill, classId); break;
      case mxINT32_CLASS: fillPart(reader, static_cast<std::int32_t *>(part), count, fill, classId); break;
      case mxCHAR_CLASS: fillPart(reader, static_cast<std::uint16_t *>(part), count, fill, classId); break;
      default: fillPart(reader, static_cast<std::uint8_t *>(part), count, fill, classId);
    }
  }
}

// One decoded call. Owns its arrays (an input may appear more than once).
struct Call {
  int nlhs = 0;
  std::vector<const mxArray *> inputs;
  std::vector<mxArray *> owned;
  bool aliased = false;  // some array is passed as more than one input
  Call() = default;
  Call(const Call &) = delete;
  Call &operator=(const Call &) = delete;
  ~Call() {
    for (mxArray *array : owned) mxDestroyArray(array);
  }
};

// reportsAddress: the command only takes input 1's data address, so input 1
// may report any address at all.
inline void decode(const std::uint8_t *data, std::size_t size, bool reportsAddress, Call &call) {
  Reader reader(data, size);
  const int nrhs = reader.byte() % (kMaxInputs + 1);
  call.nlhs = reader.byte() % (kMaxOutputs + 1);
  for (int slot = 0; slot < nrhs; ++slot) {
    const std::uint8_t kind = reader.byte();
    if (kind == 0xFF && slot > 0) {
      call.inputs.push_back(call.inputs[reader.byte() % slot]);
      call.aliased = true;
      continue;
    }
    const mxClassID classId = kClasses[kind & 0x0F];
    const bool complex = (kind & 0x40) != 0 && classId != mxLOGICAL_CLASS && classId != mxCHAR_CLASS;
    const std::uint8_t rowsByte = reader.byte();
    std::size_t rows = rowsByte < 0xF0 ? kRowChoices[rowsByte % 16] : (rowsByte - 0xF0) * 4u;
    const std::uint8_t columnsByte = reader.byte();
    std::size_t columns = columnsByte < 0xC0 ? columnsByte % 9u : columnsByte - 0xC0u;
    const std::size_t pages = (kind & 0x20) != 0 ? reader.byte() : 1;
    if (rows * columns * pages > kMaxElements) columns = kMaxElements / (rows * pages);
    const int fill = reader.byte() % 4;
    const int dimensions[3] = {static_cast<int>(rows), static_cast<int>(columns), static_cast<int>(pages)};
    mxArray *array = mxCreateNumericArray(3, dimensions, classId, complex ? mxCOMPLEX : mxREAL);
    fillArray(reader, array, fill);
    call.owned.push_back(array);
    call.inputs.push_back(array);
  }
  if (reportsAddress && !call.owned.empty() && call.inputs[0] == call.owned[0] &&
      (reader.byte() & 1)) {
    std::uint64_t address = 0;
    reader.bytes(&address, sizeof address);
    standinReportDataAddress(call.owned[0], reinterpret_cast<void *>(static_cast<std::uintptr_t>(address)));
  }
}

// Writes calls in the format above, for the seed corpora.
class Writer {
 public:
  Writer(int nrhs, int nlhs) {
    bytes_.push_back(static_cast<std::uint8_t>(nrhs));
    bytes_.push_back(static_cast<std::uint8_t>(nlhs));
  }
  // A real double array filled with raw values (rows from kRowChoices, up to 63 columns).
  Writer &doubles(std::size_t rows, std::size_t columns, const std::vector<double> &values) {
    header(0x00, rows, columns, 1);
    for (double value : values) raw(&value, sizeof value);
    return *this;
  }
  Writer &int32s(std::size_t rows, std::size_t columns, const std::vector<std::int32_t> &values) {
    header(0x02, rows, columns, 1);
    for (std::int32_t value : values) raw(&value, sizeof value);
    return *this;
  }
  Writer &logicals(std::size_t rows, std::size_t columns, const std::vector<std::uint8_t> &values) {
    header(0x04, rows, columns, 1);
    for (std::uint8_t value : values) raw(&value, 1);
    return *this;
  }
  // An array of another class or complex, filled from the value table.
  Writer &other(std::uint8_t kind, std::size_t rows, std::size_t columns, std::uint8_t value) {
    header(kind, rows, columns, 3);
    bytes_.push_back(value);
    if (kind & 0x40) bytes_.push_back(value);
    return *this;
  }
  // Any array of a class above, real or complex, of two dimensions or more
  // (those after the second as one, up to 255), with its raw element bytes
  // (the imaginary part after the real one).
  Writer &array(std::uint8_t kind, const std::vector<std::uint64_t> &dimensions,
                const std::vector<unsigned char> &elements) {
    std::size_t pages = 1;
    for (std::size_t d = 2; d < dimensions.size(); ++d) pages *= static_cast<std::size_t>(dimensions[d]);
    const auto rows = static_cast<std::size_t>(dimensions[0]), columns = static_cast<std::size_t>(dimensions[1]);
    if (dimensions.size() == 2) {
      header(kind, rows, columns, 1);
    } else {
      header(static_cast<std::uint8_t>(kind | 0x20), rows, columns, static_cast<std::uint8_t>(pages), 1);
    }
    raw(elements.data(), elements.size());
    return *this;
  }
  Writer &same(std::uint8_t which) {
    bytes_.push_back(0xFF);
    bytes_.push_back(which);
    return *this;
  }
  Writer &address(std::uint64_t value) {
    bytes_.push_back(1);
    raw(&value, sizeof value);
    return *this;
  }
  const std::vector<std::uint8_t> &bytes() const { return bytes_; }

 private:
  void header(std::uint8_t kind, std::size_t rows, std::size_t columns, std::uint8_t fill) {
    start(kind, rows, columns);
    bytes_.push_back(fill);
  }
  void header(std::uint8_t kind, std::size_t rows, std::size_t columns, std::uint8_t pages, std::uint8_t fill) {
    start(kind, rows, columns);
    bytes_.push_back(pages);
    bytes_.push_back(fill);
  }
  void start(std::uint8_t kind, std::size_t rows, std::size_t columns) {
    std::uint8_t rowsByte = 0;
    while (rowsByte < 16 && kRowChoices[rowsByte] != rows) ++rowsByte;
    if (rowsByte == 16) rowsByte = static_cast<std::uint8_t>(0xF0 + rows / 4);
    bytes_.push_back(kind);
    bytes_.push_back(rowsByte);
    bytes_.push_back(static_cast<std::uint8_t>(columns < 9 ? columns : 0xC0 + columns));
  }
  void raw(const void *data, std::size_t size) {
    const auto *b = static_cast<const std::uint8_t *>(data);
    bytes_.insert(bytes_.end(), b, b + size);
  }
  std::vector<std::uint8_t> bytes_;
};

}  // namespace fuzzcall

#endif
