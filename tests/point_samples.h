// Awkward points for the randomized comparisons of the point kernels against
// plain scalar renderings of their formulas: signed zeros, infinities, NaN,
// huge and tiny magnitudes, raw bit patterns and ordinary values, mixed.
#ifndef KORVEL_TESTS_POINT_SAMPLES_H
#define KORVEL_TESTS_POINT_SAMPLES_H

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "harness.h"

namespace samples {

class Coordinates {
 public:
  explicit Coordinates(std::uint64_t seed) : engine_(seed) {}

  double ordinary() { return std::uniform_real_distribution<double>(-100, 100)(engine_); }
  double positive() { return std::uniform_real_distribution<double>(0.01, 100)(engine_); }
  int pick(int count) { return static_cast<int>(engine_() % static_cast<std::uint64_t>(count)); }

  double next() {
    const double sign = pick(2) ? -1.0 : 1.0;
    const double mantissa = std::uniform_real_distribution<double>(1, 2)(engine_);
    switch (pick(16)) {
      case 0: return 0.0;
      case 1: return -0.0;
      case 2: return std::numeric_limits<double>::infinity();
      case 3: return -std::numeric_limits<double>::infinity();
      case 4: return std::numeric_limits<double>::quiet_NaN();
      case 5: return sign * std::ldexp(mantissa, 450 + pick(574));     // squares overflow
      case 6: return sign * std::ldexp(mantissa, -1074 + pick(600));   // squares underflow
      case 7: return harness::fromBits(engine_());
      case 8: return static_cast<double>(pick(21) - 10);               // small whole numbers
      default: return ordinary();
    }
  }

  // n points as 3n doubles, each coordinate drawn with next().
  std::vector<double> points(std::size_t n) {
    std::vector<double> data(3 * n);
    for (double &value : data) value = next();
    return data;
  }

  // A point of ordinary horizontal distance rho at elevation tangent
  // `slope`, its z moved by up to `spread` steps of one unit in the last place.
  void appendNearSlope(std::vector<double> &data, double slope, int spread) {
    const double x = ordinary(), y = ordinary();
    const double rho = std::sqrt(x * x + y * y);
    double z = rho * slope;
    for (int steps = pick(2 * spread + 1) - spread; steps != 0; steps += steps > 0 ? -1 : 1)
      z = std::nextafter(z, steps > 0 ? HUGE_VAL : -HUGE_VAL);
    data.insert(data.end(), {x, y, z});
  }

 private:
  std::mt19937_64 engine_;
};

// How many elements of a and b differ in their bits (any NaN equals any NaN).
inline std::size_t differing(const std::vector<double> &a, const std::vector<double> &b) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) count += !harness::sameBits(a[i], b[i]);
  return count;
}

}  // namespace samples

#endif
