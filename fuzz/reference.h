// Scalar re-implementations of the commands, written apart from the kernels,
// that the fuzz targets hold every accepted in-contract call to. Each says
// whether a call keeps the command's input contract and, if so, what it must
// return. A call outside the contract may be refused or answered; it is never
// predicted.
#ifndef KORVEL_FUZZ_REFERENCE_H
#define KORVEL_FUZZ_REFERENCE_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "standin.h"

namespace reference {

struct Prediction {
  bool inContract = false;
  std::size_t rows = 0, columns = 0;  // output 1
  std::vector<double> values;         // output 1, column-major
  // korvelStrokeText: the stroke buffer, colour buffer and counter after the call.
  std::vector<double> strokes, colours;
  double counter = 0;
};

using Inputs = std::vector<const mxArray *>;

inline bool realDouble(const mxArray *a) {
  return mxGetClassID(a) == mxDOUBLE_CLASS && !mxIsComplex(a);
}
inline std::size_t count(const mxArray *a) { return mxGetNumberOfElements(a); }
inline std::vector<double> elements(const mxArray *a) {
  const double *data = mxGetPr(a);
  return count(a) == 0 ? std::vector<double>() : std::vector<double>(data, data + count(a));
}
inline bool pointMatrix(const Inputs &in, std::size_t slot) {
  return in.size() > slot && realDouble(in[slot]) && mxGetM(in[slot]) == 3;
}

inline Prediction predicted(std::size_t rows, std::size_t columns) {
  Prediction p;
  p.inContract = true;
  p.rows = rows;
  p.columns = columns;
  p.values.assign(rows * columns, 0.0);
  return p;
}

inline Prediction offset(const Inputs &in) {
  if (!pointMatrix(in, 0) || in.size() < 2 || !realDouble(in[1]) || count(in[1]) < 3) return {};
  const std::vector<double> points = elements(in[0]), position = elements(in[1]);
  Prediction p = predicted(3, mxGetN(in[0]));
  for (std::size_t i = 0; i < p.values.size(); ++i) p.values[i] = points[i] - position[i % 3];
  return p;
}

inline Prediction spin(const Inputs &in) {
  if (!pointMatrix(in, 0) || in.size() < 2 || !realDouble(in[1]) || count(in[1]) < 1) return {};
  const std::vector<double> points = elements(in[0]);
  const double angle = -mxGetPr(in[1])[0];
  const double c = std::cos(angle), s = std::sin(angle);
  Prediction p = predicted(3, mxGetN(in[0]));
  for (std::size_t i = 0; i < p.values.size(); i += 3) {
    const double x = points[i], y = points[i + 1];
    const double xc = x * c, ys = y * s, xs = x * s, yc = y * c;
    p.values[i] = xc - ys;
    p.values[i + 1] = xs + yc;
    p.values[i + 2] = points[i + 2];
  }
  return p;
}

inline Prediction range(const Inputs &in) {
  if (!pointMatrix(in, 0)) return {};
  const std::vector<double> points = elements(in[0]);
  Prediction p = predicted(1, mxGetN(in[0]));
  for (std::size_t j = 0; j < p.values.size(); ++j) {
    const double xx = points[3 * j] * points[3 * j];
    const double yy = points[3 * j + 1] * points[3 * j + 1];
    const double zz = points[3 * j + 2] * points[3 * j + 2];
    const double horizontal = xx + yy;
    p.values[j] = std::sqrt(horizontal + zz);
  }
  return p;
}

inline Prediction torus(const Inputs &in) {
  if (!pointMatrix(in, 0)) return {};
  const std::vector<double> points = elements(in[0]);
  Prediction p = predicted(3, mxGetN(in[0]));
  for (std::size_t i = 0; i < p.values.size(); i += 3) {
    const double x = points[i], y = points[i + 1], z = points[i + 2];
    double flag = 1.0;
    const double xx = x * x, yy = y * y;
    const double rho = std::sqrt(xx + yy);
    const double ratio = z / rho;
    const double phi = std::atan(ratio);
    const double gained = phi * 0.4625;
    double sigma = gained + 0.4929;
    if (sigma < 0) {
      sigma = 0;
      flag = 0.0;
    } else if (sigma > 1) {
      sigma = 1;
      flag = 0.0;
    }
    const double sx = sigma * x, sy = sigma * y;
    p.values[i] = sx / rho;
    p.values[i + 1] = sy / rho;
    p.values[i + 2] = flag;
  }
  return p;
}

inline Prediction cone(const Inputs &in) {
  if (!pointMatrix(in, 0)) return {};
  const std::vector<double> points = elements(in[0]);
  Prediction p = predicted(3, mxGetN(in[0]));
  for (std::size_t i = 0; i < p.values.size(); i += 3) {
    const double x = points[i], y = points[i + 1], z = points[i + 2];
    double flag = 1.0;
    const double xx = x * x, yy = y * y;
    const double rho = std::sqrt(xx + yy);
    const double radial = rho * 2.0349, vertical = z * 0.98988;
    const double delta = radial - vertical;
    double lambda = 1 / delta;
    const double mu = 1 / rho;
    if (lambda < 0 || lambda > mu) {
      lambda = mu;
      flag = 0.0;
    }
    p.values[i] = lambda * x;
    p.values[i + 1] = lambda * y;
    p.values[i + 2] = flag;
  }
  return p;
}

inline Prediction faceShown(const Inputs &in) {
  if (in.size() < 3 || mxGetClassID(in[0]) != mxINT32_CLASS || mxIsComplex(in[0]) ||
      mxGetM(in[0]) != 3 || !pointMatrix(in, 1))
    return {};
  const mxClassID maskClass = mxGetClassID(in[2]);
  const std::size_t triangles = mxGetN(in[0]);
  if ((maskClass != mxLOGICAL_CLASS && maskClass != mxUINT8_CLASS) || mxIsComplex(in[2]) ||
      count(in[2]) < triangles)
    return {};
  const auto *faces = static_cast<const std::int32_t *>(mxGetData(in[0]));
  const auto *mask = static_cast<const std::uint8_t *>(mxGetData(in[2]));
  const double *screen = mxGetPr(in[1]);
  const std::int64_t points = static_cast<std::int64_t>(mxGetN(in[1]));
  Prediction p = predicted(1, triangles);
  for (std::size_t t = 0; t < triangles; ++t) {
    if (mask[t] != 1) continue;
    for (int corner = 0; corner < 3; ++corner) {
      const std::int64_t index = faces[3 * t + corner];
      if (index < 0 || index >= points) return {};  // a corner read outside S
      if (screen[3 * index + 2] == 1.0) {
        p.values[t] = 1.0;
        break;
      }
    }
  }
  return p;
}

inline Prediction strokeText(const Inputs &in) {
  if (in.size() < 9) return {};
  for (int slot = 0; slot < 9; ++slot)
    if (!realDouble(in[slot])) return {};
  if (mxGetM(in[0]) != 4 || mxGetM(in[1]) != 6 || mxGetM(in[3]) != 4) return {};
  if (count(in[2]) < 1 || count(in[5]) < 1 || count(in[6]) < 2 || count(in[7]) < 1 ||
      count(in[8]) < 3)
    return {};
  const std::size_t strokes = mxGetN(in[4]);
  if (count(in[4]) < strokes) return {};
  const double counter = mxGetPr(in[2])[0];
  if (!(counter >= 0 && counter < 1e9)) return {};
  const double *codes = mxGetPr(in[4]);
  const double glyphs = static_cast<double>(mxGetN(in[3]));
  for (std::size_t i = 0; i < strokes; ++i)
    if (!(codes[i] >= 1 && std::trunc(codes[i]) <= glyphs)) return {};
  std::vector<std::size_t> targets(strokes);
  for (std::size_t i = 0; i < strokes; ++i) {
    targets[i] = static_cast<std::size_t>(std::trunc(static_cast<double>(i) + counter));
    if (targets[i] >= mxGetN(in[0]) || targets[i] >= mxGetN(in[1])) return {};
  }
  Prediction p;
  p.inContract = true;
  p.strokes = elements(in[0]);
  p.colours = elements(in[1]);
  const double *table = mxGetPr(in[3]);
  const double scale = mxGetPr(in[5])[0], position = mxGetPr(in[7])[0];
  const double *origin = mxGetPr(in[6]), *colour = mxGetPr(in[8]);
  for (std::size_t i = 0; i < strokes; ++i) {
    const std::size_t column = static_cast<std::size_t>(codes[i]) - 1;
    const double *glyph = table + 4 * column;
    double *segment = &p.strokes[4 * targets[i]];
    for (int end = 0; end < 2; ++end) {
      const double shifted = position + glyph[2 * end];
      const double cell = shifted - 1.0;
      const double scaledX = cell * scale;
      segment[2 * end] = scaledX + origin[0];
      const double scaledY = glyph[2 * end + 1] * scale;
      segment[2 * end + 1] = scaledY + origin[1];
    }
    for (int k = 0; k < 6; ++k) p.colours[6 * targets[i] + k] = colour[k % 3];
  }
  p.counter = static_cast<double>(strokes) + counter;
  return p;
}

// Labels by a depth-first flood fill over an explicit stack: another route
// to the same numbering than any sweep or work list in the kernel.
inline Prediction plateauLabels(const Inputs &in) {
  if (in.empty() || !realDouble(in[0])) return {};
  const std::size_t rows = mxGetM(in[0]), columns = mxGetN(in[0]);
  const std::vector<double> values = elements(in[0]);
  Prediction p = predicted(rows, columns);
  double label = 0;
  std::vector<std::size_t> stack;
  for (std::size_t c0 = 0; c0 < columns; ++c0)
    for (std::size_t r0 = 0; r0 < rows; ++r0) {
      if (p.values[r0 + c0 * rows] != 0) continue;
      label += 1;
      p.values[r0 + c0 * rows] = label;
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
          const std::size_t next = static_cast<std::size_t>(nr) + static_cast<std::size_t>(nc) * rows;
          if (p.values[next] == 0 && values[next] == values[at]) {
            p.values[next] = label;
            stack.push_back(next);
          }
        }
      }
    }
  return p;
}

inline Prediction valueSwap(const Inputs &in) {
  if (in.size() < 3 || !realDouble(in[0]) || !realDouble(in[1]) || !realDouble(in[2])) return {};
  const std::size_t pairs = mxGetM(in[1]);
  if ((pairs > 0 && mxGetN(in[1]) == 0) || count(in[2]) < pairs) return {};
  const std::vector<double> values = elements(in[0]);
  const double *from = mxGetPr(in[1]), *to = mxGetPr(in[2]);
  Prediction p = predicted(mxGetM(in[0]), mxGetN(in[0]));
  for (std::size_t i = 0; i < values.size(); ++i) {
    p.values[i] = values[i];
    for (std::size_t k = 0; k < pairs; ++k)
      if (values[i] == from[k]) p.values[i] = to[k];
  }
  return p;
}

inline Prediction dataAddress(const Inputs &in) {
  if (in.empty()) return {};
  const std::uint64_t address = reinterpret_cast<std::uintptr_t>(mxGetData(in[0]));
  std::int64_t low = static_cast<std::int64_t>(address & 0xFFFFFFFFu);
  if (low >= 0x80000000ll) low -= 0x100000000ll;
  Prediction p = predicted(1, 1);
  p.values[0] = static_cast<double>(low);
  return p;
}

struct Command {
  const char *name;
  Prediction (*predict)(const Inputs &);
  int writtenInputs;     // inputs written in place (the first ones)
  bool createsOutput;    // output 1 in slot 0
  bool reportsAddress;   // reads nothing but input 1's data address
};

inline const Command *commands() {
  static const Command table[] = {
      {"korvelOffset", offset, 0, true, false},
      {"korvelSpin", spin, 0, true, false},
      {"korvelRange", range, 0, true, false},
      {"torusScreenMex", torus, 0, true, false},
      {"coneScreenMex", cone, 0, true, false},
      {"korvelFaceShown", faceShown, 0, true, false},
      {"korvelStrokeText", strokeText, 3, false, false},
      {"plateauLabels", plateauLabels, 0, true, false},
      {"valueSwap", valueSwap, 0, true, false},
      {"korvelDataPtr", dataAddress, 0, true, true},
      {"pelvaDataPtr", dataAddress, 0, true, true},
      {nullptr, nullptr, 0, false, false}};
  return table;
}

inline const Command *find(const std::string &name) {
  for (const Command *c = commands(); c->name != nullptr; ++c)
    if (name == c->name) return c;
  return nullptr;
}

}  // namespace reference

#endif
