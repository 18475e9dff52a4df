// What a fuzz target predicts for a call: whether it keeps the command's
// input contract and, if so, what the command must give, computed by the
// scalar references of tests/support/reference.h. A call outside the
// contract may be refused or answered; it is never predicted.
#ifndef KORVEL_FUZZ_PREDICTION_H
#define KORVEL_FUZZ_PREDICTION_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "reference.h"
#include "standin.h"

namespace prediction {

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

inline Prediction predicted(std::size_t rows, std::size_t columns, std::vector<double> values) {
  Prediction p;
  p.inContract = true;
  p.rows = rows;
  p.columns = columns;
  p.values = std::move(values);
  return p;
}

inline Prediction offset(const Inputs &in) {
  if (!pointMatrix(in, 0) || in.size() < 2 || !realDouble(in[1]) || count(in[1]) < 3) return {};
  return predicted(3, mxGetN(in[0]), reference::offset(elements(in[0]), mxGetPr(in[1])));
}

inline Prediction spin(const Inputs &in) {
  if (!pointMatrix(in, 0) || in.size() < 2 || !realDouble(in[1]) || count(in[1]) < 1) return {};
  return predicted(3, mxGetN(in[0]), reference::spin(elements(in[0]), mxGetPr(in[1])[0]));
}

inline Prediction range(const Inputs &in) {
  if (!pointMatrix(in, 0)) return {};
  return predicted(1, mxGetN(in[0]), reference::range(elements(in[0])));
}

inline Prediction torus(const Inputs &in) {
  if (!pointMatrix(in, 0)) return {};
  return predicted(3, mxGetN(in[0]), reference::torus(elements(in[0])));
}

inline Prediction cone(const Inputs &in) {
  if (!pointMatrix(in, 0)) return {};
  return predicted(3, mxGetN(in[0]), reference::cone(elements(in[0])));
}

// korvelTorusScreen's and korvelConeScreen's constants: real double
// scalars, finite, the one at `nonZero` not 0.
inline bool screenConstants(const Inputs &in, std::size_t nonZero) {
  if (!pointMatrix(in, 0) || in.size() < 3) return false;
  for (std::size_t slot = 1; slot <= 2; ++slot) {
    if (!realDouble(in[slot]) || count(in[slot]) != 1) return false;
    const double value = mxGetPr(in[slot])[0];
    if (!std::isfinite(value) || (slot == nonZero && value == 0)) return false;
  }
  return true;
}

inline Prediction ownTorus(const Inputs &in) {
  if (!screenConstants(in, 1)) return {};
  return predicted(3, mxGetN(in[0]),
                   reference::torus(elements(in[0]), mxGetPr(in[1])[0], mxGetPr(in[2])[0]));
}

inline Prediction ownCone(const Inputs &in) {
  if (!screenConstants(in, 2)) return {};
  return predicted(3, mxGetN(in[0]),
                   reference::cone(elements(in[0]), mxGetPr(in[1])[0], mxGetPr(in[2])[0]));
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
  std::vector<double> shown;
  if (!reference::faceShown(static_cast<const std::int32_t *>(mxGetData(in[0])), triangles,
                            static_cast<const std::uint8_t *>(mxGetData(in[2])), mxGetPr(in[1]),
                            mxGetN(in[1]), shown))
    return {};  // a corner read outside S
  return predicted(1, triangles, shown);
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
  for (std::size_t i = 0; i < strokes; ++i) {
    const auto target = static_cast<std::size_t>(std::trunc(static_cast<double>(i) + counter));
    if (target >= mxGetN(in[0]) || target >= mxGetN(in[1])) return {};
  }
  Prediction p;
  p.inContract = true;
  p.strokes = elements(in[0]);
  p.colours = elements(in[1]);
  p.counter = counter;
  reference::strokeText(p.strokes, p.colours, p.counter, mxGetPr(in[3]), codes, strokes,
                        mxGetPr(in[5])[0], mxGetPr(in[6]), mxGetPr(in[7])[0], mxGetPr(in[8]));
  return p;
}

inline Prediction plateauLabels(const Inputs &in) {
  if (in.empty() || !realDouble(in[0])) return {};
  const std::size_t rows = mxGetM(in[0]), columns = mxGetN(in[0]);
  return predicted(rows, columns, reference::plateauLabels(elements(in[0]), rows, columns));
}

inline Prediction valueSwap(const Inputs &in) {
  if (in.size() < 3 || !realDouble(in[0]) || !realDouble(in[1]) || !realDouble(in[2])) return {};
  const std::size_t pairs = mxGetM(in[1]);
  if ((pairs > 0 && mxGetN(in[1]) == 0) || count(in[2]) < pairs) return {};
  return predicted(mxGetM(in[0]), mxGetN(in[0]),
                   reference::valueSwap(elements(in[0]), mxGetPr(in[1]), mxGetPr(in[2]), pairs));
}

inline Prediction dataAddress(const Inputs &in) {
  if (in.empty()) return {};
  return predicted(1, 1, {reference::lowAddressBits(mxGetData(in[0]))});
}

using Predict = Prediction (*)(const Inputs &);

// The prediction for each command of commands.tsv, or null.
inline Predict forCommand(const char *name) {
  static const struct {
    const char *name;
    Predict predict;
  } table[] = {
      {"korvelOffset", offset},         {"korvelSpin", spin},
      {"korvelRange", range},           {"torusScreenMex", torus},
      {"coneScreenMex", cone},          {"korvelTorusScreen", ownTorus},
      {"korvelConeScreen", ownCone},    {"korvelFaceShown", faceShown},
      {"korvelStrokeText", strokeText}, {"plateauLabels", plateauLabels},
      {"valueSwap", valueSwap},         {"korvelDataPtr", dataAddress},
      {"pelvaDataPtr", dataAddress},
  };
  for (const auto &entry : table)
    if (std::strcmp(entry.name, name) == 0) return entry.predict;
  return nullptr;
}

}  // namespace prediction

#endif
