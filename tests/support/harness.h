// What the C++ tests share: host arrays that free themselves, calls through
// the loader as a host makes them, and bit-for-bit comparison of doubles.
#ifndef KORVEL_TESTS_HARNESS_H
#define KORVEL_TESTS_HARNESS_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cases.h"
#include "contract.h"
#include "standin.h"

namespace harness {

// Owns one host array. Tests only: kernels never hold objects with destructors.
class Array {
 public:
  Array() = default;
  explicit Array(mxArray *array) : array_(array) {}
  Array(Array &&other) noexcept : array_(other.array_) { other.array_ = nullptr; }
  Array &operator=(Array &&other) noexcept;
  Array(const Array &) = delete;
  Array &operator=(const Array &) = delete;
  ~Array() { mxDestroyArray(array_); }

  mxArray *get() const { return array_; }
  operator const mxArray *() const { return array_; }
  size_t rows() const { return mxGetM(array_); }
  size_t columns() const { return mxGetN(array_); }
  double *data() const { return mxGetPr(array_); }
  // The elements as doubles, column by column (double arrays only).
  std::vector<double> values() const;

 private:
  mxArray *array_ = nullptr;
};

// A real double matrix from its elements in column-major order.
Array doubles(size_t rows, size_t columns, const std::vector<double> &columnMajor);
// A row vector.
Array row(const std::vector<double> &values);
// A 1-by-1 double.
Array scalar(double value);
// A zero-filled matrix of any class the stand-in host knows.
Array zeros(size_t rows, size_t columns, mxClassID classId = mxDOUBLE_CLASS,
            mxComplexity complexity = mxREAL);
// Integer and byte matrices from their elements in column-major order.
Array int32s(size_t rows, size_t columns, const std::vector<int32_t> &columnMajor);
Array uint8s(size_t rows, size_t columns, const std::vector<uint8_t> &columnMajor);
Array logicals(size_t rows, size_t columns, const std::vector<uint8_t> &columnMajor);

// A host array holding a value of the case table (cases.h); one that reports
// 2^31 columns does so. A value that repeats an earlier input has no array
// of its own: the caller passes that input again.
Array fromCase(const cases::Value &value);

struct Result {
  std::vector<Array> outputs;
  bool failed = false;
  std::string identifier;
  std::string message;
  const Array &output() const { return outputs.at(0); }
};

// Loads <command>.<extension> from its plug-in folder (once per command) and
// calls it with the inputs and nlhs requested outputs.
Result call(const std::string &command, const std::vector<const mxArray *> &inputs,
            int nlhs = 1);

// Output 1 of `command` on the 3-by-N points `p`, each of `after` a 1-by-1
// input after them; empty, and a test failure, when the call is refused.
std::vector<double> pointsThrough(const std::string &command, const std::vector<double> &p,
                                  const std::vector<double> &after = {});

// The folder command's plug-in is loaded from: --plugins=DIR for the
// commands of the list, and --test-plugins=DIR (default: the same) for the
// test-only plug-ins, so that the suite can run against the plug-ins of a
// release archive, which holds no test plug-in.
const std::string &pluginFolder(const std::string &command);
void setPluginFolders(const std::string &commands, const std::string &testOnly);

using contract::bitsOf;
using contract::fromBits;
using contract::sameBits;

// expected and actual hold the same doubles bit for bit (any NaN equal to
// any NaN); the message names the first differing element.
::testing::AssertionResult sameBits(const std::vector<double> &expected,
                                    const std::vector<double> &actual);

// The array is an M-by-N real double matrix with exactly these elements.
::testing::AssertionResult isMatrix(const Array &array, size_t rows, size_t columns,
                                    const std::vector<double> &columnMajor);

// The call raised the host error with this identifier.
::testing::AssertionResult raised(const Result &result, const std::string &identifier);

}  // namespace harness

#endif
