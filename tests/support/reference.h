// The commands as plain scalar loops, written apart from the kernels, each
// operation in the order the command's definition gives it: what the C++
// tests and the fuzz targets hold the commands' results to, bit for bit.
// Each takes inputs that keep the command's contract; checking that is the
// caller's part. Points are 3n doubles, one (x, y, z) after another.
#ifndef KORVEL_TESTS_REFERENCE_H
#define KORVEL_TESTS_REFERENCE_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "../../core/rounded_math.h"

namespace reference {

// Hides a value from the compiler, so that a reference computes at run time
// as the kernels do, not with constant folding.
inline double opaque(double value) {
  volatile double hidden = value;
  return hidden;
}

// korvelOffset: each coordinate minus the same coordinate of the position.
inline std::vector<double> offset(const std::vector<double> &points, const double *position) {
  std::vector<double> moved(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) moved[i] = points[i] - position[i % 3];
  return moved;
}

// korvelSpin: c = cos(-theta), s = sin(-theta) correctly rounded (the
// toolbox's own, held to MPFR by tests/rounded/), then (x*c - y*s, x*s + y*c,
// z) with both products of each row formed.
inline std::vector<double> spin(const std::vector<double> &points, double theta) {
  const double angle = -opaque(theta);
  const double c = korvel::rounded::cos(angle), s = korvel::rounded::sin(angle);
  std::vector<double> turned(points.size());
  for (std::size_t i = 0; i + 2 < points.size(); i += 3) {
    const double x = points[i], y = points[i + 1];
    const double xc = x * c, ys = y * s, xs = x * s, yc = y * c;
    turned[i] = xc - ys;
    turned[i + 1] = xs + yc;
    turned[i + 2] = points[i + 2];
  }
  return turned;
}

// korvelRange: the three squares, (x*x + y*y) + z*z, the root.
inline std::vector<double> range(const std::vector<double> &points) {
  std::vector<double> ranges;
  for (std::size_t i = 0; i + 2 < points.size(); i += 3) {
    const double xx = points[i] * points[i];
    const double yy = points[i + 1] * points[i + 1];
    const double zz = points[i + 2] * points[i + 2];
    const double horizontal = xx + yy;
    ranges.push_back(std::sqrt(horizontal + zz));
  }
  return ranges;
}

// torusScreenMex: the screen radius of a point before the clamp, the
// correctly rounded atan of the rounded quotient z / rho (the toolbox's own,
// held to MPFR by tests/rounded/), times the gain, plus the horizon radius
// (the default screen's, or korvelTorusScreen's GAIN and HORIZON).
inline double torusSigma(double x, double y, double z, double gain = 0.4625,
                         double horizon = 0.4929) {
  const double xx = x * x, yy = y * y;
  const double rho = std::sqrt(xx + yy);
  const double ratio = z / rho;
  const double phi = korvel::rounded::atan(opaque(ratio));
  const double gained = phi * gain;
  return gained + horizon;
}

// torusScreenMex: (sigma*x / rho, sigma*y / rho, flag), sigma clamped to
// 0..1 with flag 0 where it is.
inline std::vector<double> torus(const std::vector<double> &points, double gain = 0.4625,
                                 double horizon = 0.4929) {
  std::vector<double> screen(points.size());
  for (std::size_t i = 0; i + 2 < points.size(); i += 3) {
    const double x = points[i], y = points[i + 1];
    const double xx = x * x, yy = y * y;
    const double rho = std::sqrt(xx + yy);
    double sigma = torusSigma(x, y, points[i + 2], gain, horizon);
    double flag = 1.0;
    if (sigma < 0) {
      sigma = 0;
      flag = 0.0;
    } else if (sigma > 1) {
      sigma = 1;
      flag = 0.0;
    }
    const double sx = sigma * x, sy = sigma * y;
    screen[i] = sx / rho;
    screen[i + 1] = sy / rho;
    screen[i + 2] = flag;
  }
  return screen;
}

// coneScreenMex: the distance along the ray to the cone, as a divisor (the
// default cone's, or korvelConeScreen's RADIAL and VERTICAL).
inline double coneDelta(double rho, double z, double radial = 2.0349, double vertical = 0.98988) {
  const double across = rho * radial, up = z * vertical;
  return across - up;
}

// coneScreenMex: lambda = 1 / coneDelta, replaced by 1 / rho with flag 0 where
// it is negative or larger; then (lambda*x, lambda*y, flag).
inline std::vector<double> cone(const std::vector<double> &points, double radial = 2.0349,
                                double vertical = 0.98988) {
  std::vector<double> screen(points.size());
  for (std::size_t i = 0; i + 2 < points.size(); i += 3) {
    const double x = points[i], y = points[i + 1], z = points[i + 2];
    const double xx = x * x, yy = y * y;
    const double rho = std::sqrt(xx + yy);
    double lambda = 1 / coneDelta(rho, z, radial, vertical);
    const double mu = 1 / rho;
    double flag = 1.0;
    if (lambda < 0 || lambda > mu) {
      lambda = mu;
      flag = 0.0;
    }
    screen[i] = lambda * x;
    screen[i + 1] = lambda * y;
    screen[i + 2] = flag;
  }
  return screen;
}

// korvelFaceShown: 1 for each triangle whose mask byte is exactly 1 and one
// of whose corners, read in order up to the first that counts, has flag
// exactly 1.0 (row 3 of the screen matrix). False when a corner so read is
// not a column of the screen: the command refuses the call then.
inline bool faceShown(const std::int32_t *faces, std::size_t triangles, const std::uint8_t *mask,
                      const double *screen, std::size_t points, std::vector<double> &shown) {
  shown.assign(triangles, 0.0);
  for (std::size_t t = 0; t < triangles; ++t) {
    if (mask[t] != 1) continue;
    for (int corner = 0; corner < 3; ++corner) {
      const std::int64_t index = faces[3 * t + corner];
      if (index < 0 || index >= static_cast<std::int64_t>(points)) return false;
      if (screen[3 * index + 2] == 1.0) {
        shown[t] = 1.0;
        break;
      }
    }
  }
  return true;
}

// plateauLabels, by a depth-first flood fill over an explicit stack: another
// route to the same numbering than any sweep or work list in the kernel.
inline std::vector<double> plateauLabels(const std::vector<double> &values, std::size_t rows,
                                         std::size_t columns) {
  std::vector<double> labels(rows * columns, 0.0);
  double label = 0;
  std::vector<std::size_t> stack;
  for (std::size_t c0 = 0; c0 < columns; ++c0)
    for (std::size_t r0 = 0; r0 < rows; ++r0) {
      if (labels[r0 + c0 * rows] != 0) continue;
      label += 1;
      labels[r0 + c0 * rows] = label;
      stack.assign(1, r0 + c0 * rows);
      while (!stack.empty()) {
        const std::size_t at = stack.back();
        stack.pop_back();
        const std::size_t r = at % rows, c = at / rows;
        const long offsets[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
        for (const auto &step : offsets) {
          const long nr = static_cast<long>(r) + step[0], nc = static_cast<long>(c) + step[1];
          if (nr < 0 || nc < 0 || nr >= static_cast<long>(rows) || nc >= static_cast<long>(columns))
            continue;
          const std::size_t next =
              static_cast<std::size_t>(nr) + static_cast<std::size_t>(nc) * rows;
          if (labels[next] == 0 && values[next] == values[at]) {
            labels[next] = label;
            stack.push_back(next);
          }
        }
      }
    }
  return labels;
}

// valueSwap: a copy, then every pair tried in order against the input
// element, the last match winning.
inline std::vector<double> valueSwap(const std::vector<double> &values, const double *from,
                                     const double *to, std::size_t pairs) {
  std::vector<double> swapped(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    swapped[i] = values[i];
    for (std::size_t k = 0; k < pairs; ++k)
      if (values[i] == from[k]) swapped[i] = to[k];
  }
  return swapped;
}

// korvelStrokeText on a call whose codes are column numbers of the table and
// whose columns lie within both buffers: stroke i, table column trunc(code),
// scaled into cell `position`, to column trunc(i + counter) of the stroke
// buffer, the colour twice to the same column of the colour buffer; the
// counter grows by the stroke count.
inline void strokeText(std::vector<double> &strokes, std::vector<double> &colours, double &counter,
                       const double *table, const double *codes, std::size_t count, double scale,
                       const double *origin, double position, const double *colour) {
  for (std::size_t i = 0; i < count; ++i) {
    const auto target = static_cast<std::size_t>(std::trunc(static_cast<double>(i) + counter));
    const double *glyph = table + 4 * (static_cast<std::size_t>(codes[i]) - 1);
    double *segment = &strokes[4 * target];
    for (int end = 0; end < 2; ++end) {
      const double shifted = position + glyph[2 * end];
      const double cell = shifted - 1.0;
      const double scaledX = cell * scale;
      segment[2 * end] = scaledX + origin[0];
      const double scaledY = glyph[2 * end + 1] * scale;
      segment[2 * end + 1] = scaledY + origin[1];
    }
    for (int k = 0; k < 6; ++k) colours[6 * target + k] = colour[k % 3];
  }
  counter = static_cast<double>(count) + counter;
}

// korvelDataPtr: the low 32 bits of an address read as a signed integer.
inline double lowAddressBits(const void *address) {
  const std::uint64_t bits = reinterpret_cast<std::uintptr_t>(address);
  std::int64_t low = static_cast<std::int64_t>(bits & 0xFFFFFFFFu);
  if (low >= 0x80000000ll) low -= 0x100000000ll;
  return static_cast<double>(low);
}

}  // namespace reference

#endif
