#include "harness.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "korvel_commands.h"
#include "loader.h"

namespace harness {

Array &Array::operator=(Array &&other) noexcept {
  if (this != &other) {
    mxDestroyArray(array_);
    array_ = other.array_;
    other.array_ = nullptr;
  }
  return *this;
}

std::vector<double> Array::values() const {
  const size_t count = mxGetNumberOfElements(array_);
  const double *data = mxGetPr(array_);
  return count == 0 ? std::vector<double>() : std::vector<double>(data, data + count);
}

Array zeros(size_t rows, size_t columns, mxClassID classId, mxComplexity complexity) {
  return Array(mxCreateNumericMatrix(static_cast<int>(rows), static_cast<int>(columns), classId,
                                     complexity));
}

namespace {

template <typename T>
Array filled(size_t rows, size_t columns, mxClassID classId, const std::vector<T> &elements) {
  EXPECT_EQ(elements.size(), rows * columns) << "test data does not fill the matrix";
  Array array = zeros(rows, columns, classId);
  if (!elements.empty() && elements.size() == rows * columns)
    std::memcpy(mxGetData(array.get()), elements.data(), elements.size() * sizeof(T));
  return array;
}

}  // namespace

Array doubles(size_t rows, size_t columns, const std::vector<double> &columnMajor) {
  return filled(rows, columns, mxDOUBLE_CLASS, columnMajor);
}
Array fromCase(const cases::Value &value) {
  static const std::map<std::string, mxClassID> classes = {
      {"double", mxDOUBLE_CLASS}, {"single", mxSINGLE_CLASS}, {"int32", mxINT32_CLASS}, {"uint8", mxUINT8_CLASS},
      {"int8", mxINT8_CLASS},     {"uint16", mxUINT16_CLASS},   {"int16", mxINT16_CLASS},     {"logical", mxLOGICAL_CLASS}, {"char", mxCHAR_CLASS}};
  EXPECT_EQ(value.sameAs, -1) << "a shared input has no array of its own";
  EXPECT_EQ(classes.count(value.className), 1u) << value.className;
  std::vector<int> dimensions;
  for (std::uint64_t extent : value.shape()) dimensions.push_back(static_cast<int>(extent));
  Array array(mxCreateNumericArray(static_cast<int>(dimensions.size()), dimensions.data(),
                                   classes.at(value.className), value.complex ? mxCOMPLEX : mxREAL));
  const std::size_t part = value.complex ? value.bytes.size() / 2 : value.bytes.size();
  if (part > 0) std::memcpy(mxGetData(array.get()), value.bytes.data(), part);
  if (value.complex && part > 0) std::memcpy(mxGetPi(array.get()), value.bytes.data() + part, part);
  if (value.reportsHugeColumns) standinReportColumnCount(array.get(), size_t{1} << 31);
  return array;
}

Array row(const std::vector<double> &values) { return doubles(1, values.size(), values); }
Array scalar(double value) { return doubles(1, 1, {value}); }
Array int32s(size_t rows, size_t columns, const std::vector<int32_t> &columnMajor) {
  return filled(rows, columns, mxINT32_CLASS, columnMajor);
}
Array uint8s(size_t rows, size_t columns, const std::vector<uint8_t> &columnMajor) {
  return filled(rows, columns, mxUINT8_CLASS, columnMajor);
}
Array logicals(size_t rows, size_t columns, const std::vector<uint8_t> &columnMajor) {
  return filled(rows, columns, mxLOGICAL_CLASS, columnMajor);
}

namespace {
std::string &commandFolder() {
  static std::string folder = ".";
  return folder;
}
std::string &testOnlyFolder() {
  static std::string folder = ".";
  return folder;
}
}  // namespace

const std::string &pluginFolder(const std::string &command) {
  return korvel::findCommand(command.c_str()) != nullptr ? commandFolder() : testOnlyFolder();
}
void setPluginFolders(const std::string &commands, const std::string &testOnly) {
  commandFolder() = commands;
  testOnlyFolder() = testOnly;
}

Result call(const std::string &command, const std::vector<const mxArray *> &inputs, int nlhs) {
  static std::map<std::string, std::unique_ptr<standin::Plugin>> plugins;
  auto &plugin = plugins[command];
  if (!plugin) plugin = std::make_unique<standin::Plugin>(pluginFolder(command), command);
  standin::CallOutcome outcome = plugin->call(inputs, nlhs);
  Result result;
  for (mxArray *output : outcome.outputs) result.outputs.emplace_back(output);
  result.failed = outcome.failed;
  result.identifier = outcome.identifier;
  result.message = outcome.message;
  return result;
}

::testing::AssertionResult sameBits(const std::vector<double> &expected,
                                    const std::vector<double> &actual) {
  if (expected.size() != actual.size())
    return ::testing::AssertionFailure()
           << "expected " << expected.size() << " elements, got " << actual.size();
  for (size_t i = 0; i < expected.size(); ++i) {
    if (!sameBits(expected[i], actual[i])) {
      char text[160];
      std::snprintf(text, sizeof text, "element %zu: expected %.17g (%016llx), got %.17g (%016llx)",
                    i, expected[i], static_cast<unsigned long long>(bitsOf(expected[i])),
                    actual[i], static_cast<unsigned long long>(bitsOf(actual[i])));
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult isMatrix(const Array &array, size_t rows, size_t columns,
                                    const std::vector<double> &columnMajor) {
  if (array.get() == nullptr) return ::testing::AssertionFailure() << "no array";
  if (mxGetClassID(array.get()) != mxDOUBLE_CLASS || mxIsComplex(array.get()))
    return ::testing::AssertionFailure() << "not a real double array";
  if (array.rows() != rows || array.columns() != columns)
    return ::testing::AssertionFailure() << "expected " << rows << "-by-" << columns << ", got "
                                         << array.rows() << "-by-" << array.columns();
  return sameBits(columnMajor, array.values());
}

std::vector<double> pointsThrough(const std::string &command, const std::vector<double> &p,
                                  const std::vector<double> &after) {
  std::vector<Array> arrays;
  arrays.push_back(doubles(3, p.size() / 3, p));
  for (double value : after) arrays.push_back(scalar(value));
  const Result result = call(command, std::vector<const mxArray *>(arrays.begin(), arrays.end()));
  EXPECT_FALSE(result.failed) << command << ": " << result.message;
  return result.failed ? std::vector<double>() : result.output().values();
}

::testing::AssertionResult raised(const Result &result, const std::string &identifier) {
  if (!result.failed) return ::testing::AssertionFailure() << "no error raised";
  if (result.identifier != identifier)
    return ::testing::AssertionFailure() << "raised " << result.identifier << " (\""
                                         << result.message << "\"), not " << identifier;
  for (const Array &output : result.outputs)
    if (output.get() != nullptr) return ::testing::AssertionFailure() << "an output survived";
  return ::testing::AssertionSuccess();
}

}  // namespace harness
