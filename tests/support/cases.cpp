#include "cases.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace cases {

namespace {

// Every element (and, when complex, every imaginary part) the same.
Value filled(const char *className, std::uint64_t rows, std::uint64_t columns, double element,
             bool complex = false) {
  Value value = zeros(rows, columns, className);
  if (complex) value.bytes.resize(2 * value.bytes.size());
  value.complex = complex;
  const std::size_t size = elementSize(className);
  for (std::size_t at = 0; at < value.bytes.size(); at += size) {
    if (value.className == "double") {
      std::memcpy(&value.bytes[at], &element, size);
    } else if (value.className == "single") {
      const float single = static_cast<float>(element);
      std::memcpy(&value.bytes[at], &single, size);
    } else if (value.className == "int32") {
      const std::int32_t whole = static_cast<std::int32_t>(element);
      std::memcpy(&value.bytes[at], &whole, size);
    } else if (value.className == "char") {
      const std::uint16_t code = static_cast<std::uint16_t>(element);
      std::memcpy(&value.bytes[at], &code, size);
    } else {
      value.bytes[at] = static_cast<unsigned char>(element);
    }
  }
  return value;
}

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

Inputs points(double shift) {
  return {doubles(3, 5, {1 + shift, 2, 3, 3, 4, 0, 0, 0, 5, 0, 0, -5, -2, 0, 1})};
}

// A point matrix, with points on the z axis and on the screens' rims; a row
// count other than 3 when the call is to break the contract.
Value randomPoints(Random &random, bool broken, int maxColumns) {
  const std::uint64_t rows = broken ? static_cast<std::uint64_t>(random.between(0, 4)) : 3;
  const int n = random.between(0, maxColumns);
  std::vector<double> p = randomValues(random, static_cast<std::size_t>(rows) * n);
  if (rows == 3 && n > 0 && random.chance(0.3)) {
    const int on = random.between(0, n - 1);
    p[3 * on] = 0.0;
    p[3 * on + 1] = 0.0;
  }
  return matrix("double", rows, static_cast<std::uint64_t>(n), p);
}

// A turn's angle: quarter and half turns, signed zeros, a huge angle, NaN and
// infinity, or an ordinary value; now and then followed by unused elements.
Value randomAngle(Random &random) {
  const double angles[] = {1.5707963267948966, 3.141592653589793, -0.7853981633974483, 0.0, -0.0,
                           6.283185307179586,  1e6,               NAN,                 INFINITY};
  double theta = random.chance(0.5) ? angles[random.between(0, 8)] : randomValues(random, 1)[0] / 10.0;
  std::vector<double> pose{theta};
  for (double v : randomValues(random, static_cast<std::size_t>(random.between(0, 2)))) pose.push_back(v);
  return matrix("double", 1, pose.size(), pose);
}

// The seeds all three one-input point commands share.
std::vector<Seed> pointSeeds() {
  const std::vector<double> six = {1, 2, 3, 3, 4, 0, 0, 0, 5, 0, 0, -5, -2, 0, 1, nan, 1, 2};
  const std::vector<double> edges = {1, 0, 10, 3, 4, -100, 0, 2, 2, 0, 0, 0, inf, 1, -0.0,
                                     2, 0, -2, 1, 0, 1.1, 1, 0, 3};
  return {{{doubles(3, 6, six)}},
          {{doubles(3, 8, edges)}},
          {{doubles(3, 0, {})}, 0},
          {{doubles(2, 3, {1, 2, 3, 4, 5, 6})}},
          {{filled("single", 3, 2, 1)}},
          {{}, 1}};
}

// A command that takes a screen's two constants after the points: accepted
// at the default screen's (the first call), at 0 where 0 is a screen, and
// at `others`; each constant refused when NaN, infinite, 0 where 0 leaves no
// screen, not one element or not real double. Random calls draw the
// constants from these screens, or as any random value.
CommandCases screenCases(const ScreenTwin &twin, int zeroRefused, std::vector<std::pair<double, double>> others) {
  const char *command = twin.command;
  const std::pair<double, double> defaults = {twin.constants[0], twin.constants[1]};
  const Value p = points(0)[0];
  auto with = [&p](double first, double second) { return Inputs{p, scalar(first), scalar(second)}; };
  CommandCases cases{command, {with(defaults.first, defaults.second)}, {}, {}, pointSeeds(), nullptr};
  for (Seed &seed : cases.seeds)
    if (!seed.inputs.empty()) seed.inputs.insert(seed.inputs.end(), {scalar(defaults.first), scalar(defaults.second)});
  std::vector<double> zeroAllowed = {defaults.first, defaults.second};
  zeroAllowed[1 - zeroRefused] = 0;
  cases.accepted.push_back(with(zeroAllowed[0], zeroAllowed[1]));
  for (const auto &screen : others) cases.accepted.push_back(with(screen.first, screen.second));
  cases.refused = {{{}, "notEnoughInputs"},
                   {{p, scalar(defaults.first)}, "notEnoughInputs"},
                   {{zeros(4, 2), scalar(defaults.first), scalar(defaults.second)}, "badSize"}};
  for (int slot = 1; slot <= 2; ++slot) {
    const std::vector<std::pair<Value, const char *>> bad = {
        {scalar(nan), "badValue"},          {scalar(inf), "badValue"},
        {scalar(-inf), "badValue"},         {row({1, 2}), "badSize"},
        {zeros(0, 0), "badSize"},           {zeros(1, 1, "single"), "badClass"},
        {complexZeros(1, 1), "badClass"},   {filled("int32", 1, 1, 1), "badClass"}};
    for (const auto &value : bad) {
      Inputs inputs = with(defaults.first, defaults.second);
      inputs[slot] = value.first;
      cases.refused.push_back({inputs, value.second});
    }
  }
  Inputs zero = with(defaults.first, defaults.second);
  zero[1 + zeroRefused] = scalar(-0.0);
  cases.refused.push_back({zero, "badValue"});
  cases.tooLarge = {{reportingHugeColumns(zeros(3, 1)), scalar(defaults.first), scalar(defaults.second)}};
  return cases;
}

Inputs strokeInputs(double counter, const std::vector<double> &codes) {
  return {zeros(4, 5),         zeros(6, 5),  scalar(counter), doubles(4, 2, {0.25, 0.5, 0.75, 1, 0, 0, 1, 1}),
          row(codes),          scalar(10),   row({100, 20}),  scalar(3),
          row({0.1, 0.2, 0.3})};
}

// The stroke call of the fuzz seeds: a table of three glyphs, the last of
// them holding NaN and infinity.
Inputs strokeSeed(double counter, const std::vector<double> &codes, std::uint64_t columns) {
  return {zeros(4, columns),
          zeros(6, columns),
          scalar(counter),
          doubles(4, 3, {0.25, 0.5, 0.75, 1, 0, 0, 1, 1, -1, 2, nan, inf}),
          doubles(1, codes.size(), codes),
          scalar(10),
          row({100, 20}),
          scalar(3),
          row({0.1, 0.2, 0.3})};
}

Inputs randomFaces(Random &random, bool broken) {
  const int m = random.between(1, 40);
  const int t = random.between(0, 60);
  const double flagPool[] = {0.0, 1.0, 1.0, 0.5, NAN, 1.0 + 2.220446049250313e-16, 2.0};
  std::vector<double> screen = randomValues(random, 3 * static_cast<std::size_t>(m));
  for (int j = 0; j < m; ++j) screen[3 * j + 2] = flagPool[random.between(0, 6)];
  std::vector<std::int32_t> corners(3 * static_cast<std::size_t>(t));
  for (std::int32_t &c : corners) c = random.between(0, m - 1);
  if (broken && t > 0) corners[random.between(0, 3 * t - 1)] = random.chance(0.5) ? m : -1;
  const std::uint8_t maskPool[] = {0, 1, 1, 1, 2, 255};
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(t));
  for (std::uint8_t &b : mask) b = maskPool[random.between(0, 5)];
  const bool logical = random.chance(0.5);
  if (logical)
    for (std::uint8_t &b : mask) b = b != 0;
  return {matrix("int32", 3, static_cast<std::uint64_t>(t), corners),
          matrix("double", 3, static_cast<std::uint64_t>(m), screen),
          matrix(logical ? "logical" : "uint8", 1, static_cast<std::uint64_t>(t), mask)};
}

Inputs randomStrokes(Random &random, bool broken) {
  const int g = random.between(1, 8);
  const int k = random.between(0, 12);
  const double counters[] = {0.0, 1.0, 2.0, 2.5, 0.75};
  const double n = counters[random.between(0, 4)];
  int columns = static_cast<int>(n) + k + random.between(0, 2);
  if (broken) columns = columns > 2 ? columns - random.between(1, 2) : 0;
  std::vector<double> codes(static_cast<std::size_t>(k));
  for (double &code : codes) code = 1.0 + static_cast<double>(random.between(0, 10 * g - 1)) / 10.0;
  if (broken && k > 0 && random.chance(0.5)) codes[random.between(0, k - 1)] = random.chance(0.5) ? g + 1 : 0;
  const auto cols = static_cast<std::uint64_t>(columns);
  return {randomDoubles(random, 4, cols), randomDoubles(random, 6, cols), scalar(n),
          randomDoubles(random, 4, static_cast<std::uint64_t>(g)),
          matrix("double", 1, static_cast<std::uint64_t>(k), codes), randomDoubles(random, 1, 1),
          randomDoubles(random, 1, 2), scalar(random.between(1, 4)), randomDoubles(random, 1, 3)};
}

// A picture's elements: doubles in 0 .. 1 (now and then outside, or NaN) or
// any bytes.
Value randomPicture(Random &random, std::uint64_t height, std::uint64_t width, bool bytes) {
  const std::size_t count = static_cast<std::size_t>(height * width * 3);
  if (bytes) {
    std::vector<std::uint8_t> elements(count);
    for (std::uint8_t &b : elements) b = static_cast<std::uint8_t>(random.next());
    return array("uint8", {height, width, 3}, elements);
  }
  std::vector<double> elements(count);
  for (double &v : elements) v = random.chance(0.05) ? randomValues(random, 1)[0] : random.unit();
  return array("double", {height, width, 3}, elements);
}

// Coordinates in picture units mostly on or near a picture of `side`
// pixels at one pixel per unit: on pixel centres and edges, between them,
// far off, huge, or not finite.
std::vector<double> randomCoordinates(Random &random, std::size_t count, int side) {
  std::vector<double> out(count);
  for (double &v : out) {
    const int kind = random.between(0, 9);
    if (kind < 3)
      v = random.between(-2, 2 * side + 2) / 2.0;
    else if (kind < 8)
      v = (random.unit() * 1.4 - 0.2) * side;
    else
      v = randomValues(random, 1)[0] * (kind == 9 ? 1e300 : 1.0);
  }
  return out;
}

// A view: one pixel per unit with the picture's corner at (0, height),
// another scale, or now and then an unusable one.
Value randomView(Random &random, bool broken, int height) {
  if (broken && random.chance(0.3)) return row({0, static_cast<double>(height), random.chance(0.5) ? 0.0 : NAN});
  const double scales[] = {1, 2, 0.5, 3.75};
  const double scale = scales[random.between(0, 3)];
  return row({0, static_cast<double>(height) / scale, scale});
}

// Colours, one row per item or one for all, 0 .. 1 with now and then a value
// outside or NaN.
Value randomColours(Random &random, std::uint64_t items) {
  const std::uint64_t rows = random.chance(0.2) ? 1 : items;
  std::vector<double> elements(static_cast<std::size_t>(rows * 3));
  for (double &v : elements) v = random.chance(0.05) ? randomValues(random, 1)[0] : random.unit();
  return matrix("double", rows, 3, elements);
}

Inputs randomTriangles(Random &random, bool broken) {
  const int height = random.between(0, 12), width = random.between(0, 12);
  const int points = random.between(1, 12), faces = random.between(0, 10);
  std::vector<std::int32_t> corners(3 * static_cast<std::size_t>(faces));
  for (std::int32_t &c : corners) c = random.between(0, points - 1);
  std::vector<double> order(static_cast<std::size_t>(random.between(0, 2 * faces)));
  for (double &entry : order) entry = random.between(1, faces);
  if (broken && faces > 0 && random.chance(0.5))
    corners[random.between(0, 3 * faces - 1)] = random.chance(0.5) ? points : -1;
  else if (broken && !order.empty())
    order[random.between(0, static_cast<int>(order.size()) - 1)] = random.chance(0.5) ? 0.5 : faces + 1;
  return {randomPicture(random, height, width, random.chance(0.5)), randomView(random, broken, height),
          matrix("double", 2, static_cast<std::uint64_t>(points),
                 randomCoordinates(random, 2 * static_cast<std::size_t>(points), width > height ? width : height)),
          matrix("int32", 3, static_cast<std::uint64_t>(faces), corners),
          randomColours(random, static_cast<std::uint64_t>(faces)), row(order)};
}

Inputs randomStrokePaint(Random &random, bool broken) {
  const int height = random.between(0, 12), width = random.between(0, 12);
  const int segments = random.between(0, 8);
  const double pens[] = {1, 2, 3, 4, 7};
  double pen = pens[random.between(0, 4)];
  if (broken) pen = random.chance(0.5) ? 0 : 1.5;
  return {randomPicture(random, height, width, random.chance(0.5)), randomView(random, false, height),
          matrix("double", 4, static_cast<std::uint64_t>(segments),
                 randomCoordinates(random, 4 * static_cast<std::size_t>(segments), width > height ? width : height)),
          randomColours(random, static_cast<std::uint64_t>(segments)), scalar(pen)};
}

// A picture to encode: double (with values to round, clamp or refuse as
// not numbers), uint8 or uint16, grey or RGB; broken, of another class or
// without pixels.
Inputs randomPng(Random &random, bool broken) {
  const std::uint64_t height = static_cast<std::uint64_t>(random.between(1, 40));
  const std::uint64_t width = static_cast<std::uint64_t>(random.between(1, 40));
  std::vector<std::uint64_t> shape = {height, width};
  if (random.chance(0.7)) shape.push_back(3);
  const std::size_t count = static_cast<std::size_t>(height * width * (shape.size() == 3 ? 3 : 1));
  if (broken) {
    if (random.chance(0.5)) return {zeros(0, width)};
    return {array("single", shape, std::vector<float>(count, 0.5f))};
  }
  switch (random.between(0, 2)) {
    case 0: {
      std::vector<std::uint8_t> elements(count);
      for (std::uint8_t &b : elements) b = static_cast<std::uint8_t>(random.next() % (random.chance(0.5) ? 3 : 256));
      return {array("uint8", shape, elements)};
    }
    case 1: {
      std::vector<std::uint16_t> elements(count);
      for (std::uint16_t &w : elements) w = static_cast<std::uint16_t>(random.next() % (random.chance(0.5) ? 3 : 65536));
      return {array("uint16", shape, elements)};
    }
    default: {
      std::vector<double> elements(count);
      for (double &v : elements) v = random.chance(0.1) ? randomValues(random, 1)[0] : random.between(0, 4) * 0.25;
      return {array("double", shape, elements)};
    }
  }
}

Inputs randomDepths(Random &random, bool broken) {
  const int points = random.between(1, 12), faces = random.between(0, 30);
  std::vector<std::int32_t> corners(3 * static_cast<std::size_t>(faces));
  for (std::int32_t &c : corners) c = random.between(0, points - 1);
  if (broken && faces > 0) corners[random.between(0, 3 * faces - 1)] = random.chance(0.5) ? points : -1;
  // Few distinct distances, so that equal depths are common.
  const double pool[] = {1, 2, 3, 0.5, 0.0, -0.0, NAN, INFINITY, 1e300, 4.9e-324};
  std::vector<double> distances(static_cast<std::size_t>(points));
  for (double &d : distances) d = pool[random.between(0, 9)];
  const double flagPool[] = {0, 1, 1, 1, 2, NAN};
  std::vector<double> flags(static_cast<std::size_t>(faces));
  for (double &f : flags) f = flagPool[random.between(0, 5)];
  return {matrix("int32", 3, static_cast<std::uint64_t>(faces), corners), row(distances), row(flags)};
}

// valueSwap's refusals: too few inputs, another class in each slot, fewer
// TO values than pairs, FROM rows without a column.
std::vector<Refusal> swapRefusals() {
  const Value in = row({1, 2}), from = doubles(3, 1, {1, 2, 3}), to = doubles(3, 1, {4, 5, 6});
  std::vector<Refusal> refused = {{{doubles(1, 2, {1, 2}), doubles(3, 1, {1, 2, 3}), row({1, 2})}, "badSize"},
                                  {{}, "notEnoughInputs"},
                                  {{in, from}, "notEnoughInputs"},
                                  {{in, from, row({4, 5})}, "badSize"},
                                  {{in, zeros(3, 0), to}, "badSize"}};
  for (const Value &bad : {zeros(3, 1, "single"), complexZeros(3, 1), int32s(3, 1, {1, 2, 3})})
    for (int slot = 0; slot < 3; ++slot) {
      Inputs inputs = {in, from, to};
      inputs[slot] = bad;
      refused.push_back({inputs, "badClass"});
    }
  return refused;
}

std::vector<CommandCases> table() {
  const Value huge = reportingHugeColumns(zeros(3, 1));
  std::vector<CommandCases> all;

  all.push_back(
      {"korvelOffset",
       {{points(0)[0], row({1, 1, 1})},
        {doubles(3, 2, {1, 2, 3, 4, 5, 6}), row({7, 8, 9})},
        {doubles(3, 1, {1, 2, 3}), row({0, 0, 0})}},
       {{{zeros(2, 3), row({1, 1, 1})}, "badSize"},
        {{}, "notEnoughInputs"},
        {{doubles(3, 1, {1, 2, 3})}, "notEnoughInputs"},
        {{doubles(2, 3, {1, 2, 3, 4, 5, 6}), row({0, 0, 0})}, "badSize"},
        {{zeros(4, 2), row({0, 0, 0})}, "badSize"},
        {{zeros(0, 0), row({0, 0, 0})}, "badSize"},
        {{doubles(3, 1, {1, 2, 3}), row({1, 2})}, "badSize"},
        {{doubles(3, 1, {1, 2, 3}), zeros(1, 0)}, "badSize"},
        {{zeros(3, 1, "single"), row({0, 0, 0})}, "badClass"},
        {{complexZeros(3, 1), row({0, 0, 0})}, "badClass"},
        {{doubles(3, 1, {1, 2, 3}), zeros(1, 3, "int32")}, "badClass"},
        {{doubles(3, 1, {1, 2, 3}), zeros(1, 3, "char")}, "badClass"}},
       {{huge, row({1, 1, 1})}},
       {{{doubles(3, 6, {1, 2, 3, 3, 4, 0, 0, 0, 5, 0, 0, -5, -2, 0, 1, nan, 1, 2}), doubles(3, 1, {1, 1, 1})}},
        {{doubles(3, 2, {1, 2, 3, 4, 5, 6}), doubles(1, 3, {0, inf, nan})}},
        {{doubles(3, 0, {}), doubles(2, 3, {1, 2, 3, 4, 5, 6}), doubles(1, 1, {9})}, 3},
        {{doubles(3, 1, {1, 2, 3}), doubles(1, 2, {1, 2})}},
        {{filled("double", 3, 1, 1, true), filled("int32", 1, 3, 2)}}},
       [](Random &random, bool broken) {
         Value pos = randomDoubles(random, 1, static_cast<std::uint64_t>(random.between(broken ? 0 : 3, 5)));
         if (random.chance(0.5)) std::swap(pos.rows, pos.columns);
         return Inputs{randomPoints(random, broken, 200), pos};
       }});

  all.push_back(
      {"korvelSpin",
       {{points(0)[0], scalar(0.7)}},
       {{{points(0)[0], zeros(0, 0)}, "badSize"}},
       {{huge, scalar(0.5)}},
       {{{doubles(3, 6, {1, 2, 3, 3, 4, 0, 0, 0, 5, 0, 0, -5, -2, 0, 1, nan, 1, 2}), doubles(1, 1, {1.5707963267948966})}},
        {{doubles(3, 2, {1, 0, 5, inf, 1, -0.0}), doubles(1, 1, {0})}},
        {{doubles(3, 0, {}), doubles(1, 2, {nan, 1})}, 0},
        {{doubles(3, 1, {1, 2, 3}), doubles(0, 0, {})}},
        {{doubles(3, 1, {1, 2, 3}), filled("char", 1, 1, 1)}}},
       [](Random &random, bool broken) {
         Value angle = randomAngle(random);  // first: the draws stay in their order
         return Inputs{randomPoints(random, broken, 200), angle};
       }});

  all.push_back(
      {"korvelToViewer",
       {{points(0)[0], row({1, 1, 1}), scalar(0.7)}},
       {{{doubles(3, 1, {1, 2, 3}), row({1, 2}), scalar(0)}, "badSize"},
        {{doubles(3, 1, {1, 2, 3}), row({0, 0, 0}), zeros(0, 0)}, "badSize"},
        {{doubles(3, 1, {1, 2, 3}), row({0, 0, 0})}, "notEnoughInputs"},
        {{doubles(3, 1, {1, 2, 3}), row({0, 0, 0}), zeros(1, 1, "single")}, "badClass"}},
       {{huge, row({1, 1, 1}), scalar(0.5)}},
       {{{doubles(3, 6, {1, 2, 3, 3, 4, 0, 0, 0, 5, 0, 0, -5, -2, 0, 1, nan, 1, 2}), doubles(3, 1, {1, -0.0, inf}),
          doubles(1, 1, {1.5707963267948966})}},
        {{doubles(3, 0, {}), doubles(1, 3, {0, 0, 0}), doubles(1, 2, {nan, 1})}, 0}},
       [](Random &random, bool broken) {
         Value pos = randomDoubles(random, 1, static_cast<std::uint64_t>(random.between(broken ? 0 : 3, 5)));
         Value angle = randomAngle(random);
         return Inputs{randomPoints(random, broken, 200), pos, angle};
       }});

  auto randomPointsAlone = [](Random &random, bool broken) { return Inputs{randomPoints(random, broken, 400)}; };
  all.push_back({"korvelRange",
                 {points(0), {doubles(3, 2, {3, 4, 12, 1, 2, 2})}},
                 {{{zeros(3, 2, "single")}, "badClass"},
                  {{}, "notEnoughInputs"},
                  {{zeros(2, 3)}, "badSize"},
                  {{zeros(4, 2)}, "badSize"},
                  {{zeros(0, 0)}, "badSize"},
                  {{complexZeros(3, 1)}, "badClass"},
                  {{zeros(3, 1, "int32")}, "badClass"}},
                 {{huge}},
                 pointSeeds(),
                 randomPointsAlone});
  all.push_back({"torusScreenMex", {points(0)}, {{{zeros(4, 2)}, "badSize"}}, {{huge}}, pointSeeds(),
                 randomPointsAlone});
  all.push_back({"coneScreenMex", {points(0)}, {{{complexZeros(3, 2)}, "badClass"}}, {{huge}}, pointSeeds(),
                 randomPointsAlone});
  // A dome (zenith at the centre, horizon on the rim), a narrow band about
  // the horizon; a flat screen below the eye, a cone above it.
  all.push_back(screenCases(kScreenTwins[0], 0, {{-0.6366197723675814, 1}, {4, -1.5}, {1e-300, 0.5}}));
  all.push_back(screenCases(kScreenTwins[1], 1, {{0, 2}, {1.5, -0.75}, {-3, 1e300}}));
  for (CommandCases *cases : {&all[all.size() - 2], &all.back()})
    cases->random = [](Random &random, bool broken) {
      const double pool[] = {0.4625, 0.4929, 2.0349, 0.98988, -0.6366197723675814, 1, 0, -1.5, 1e-300};
      Inputs inputs = {randomPoints(random, broken, 300)};
      for (int k = 0; k < 2; ++k)
        inputs.push_back(scalar(random.chance(0.8) ? pool[random.between(0, 8)] : randomValues(random, 1)[0]));
      return inputs;
    };

  const std::vector<double> screen = {0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, nan, 0, 0, 0.5};
  all.push_back(
      {"korvelFaceShown",
       {{int32s(3, 3, {0, 1, 2, 2, 3, 1, 9, -4, 7}), doubles(3, 4, {0, 0, 0, 0, 0, 1, 0, 0, 0.5, 0, 0, 1}),
         logicals(1, 3, {1, 1, 0})}},
       {{{int32s(3, 2, {0, 0, 0, 1, 4, 0}), zeros(3, 4), logicals(1, 2, {1, 1})}, "badIndex"}},
       {{reportingHugeColumns(zeros(3, 1, "int32")), zeros(3, 1),
         reportingHugeColumns(zeros(1, 1, "logical"))}},
       {{{int32s(3, 4, {0, 1, 2, 1, 3, 2, 4, 4, 4, 1, 3, 0}), doubles(3, 5, screen), logicals(1, 4, {1, 1, 1, 0})}},
        {{int32s(3, 2, {0, 1, 2, -1, 7, 9}), doubles(3, 5, screen), logicals(1, 2, {1, 2})}},
        {{int32s(3, 1, {1, 5, 0}), doubles(3, 5, screen), logicals(1, 1, {1})}},
        {{int32s(3, 0, {}), doubles(3, 0, {}), logicals(0, 0, {})}},
        {{int32s(3, 2, {0, 0, 0, 0, 0, 0}), doubles(3, 1, {0, 0, 1}), logicals(1, 1, {1})}}},
       randomFaces});

  // Triangles over a 4-by-6 picture at one pixel per unit, later ones on
  // top, one painted twice: corners on pixel centres and edges, a sliver, a
  // NaN corner, two of zero area.
  const Value uv = doubles(2, 9, {0, 0, 6, 0, 0, 4, 2, 4, 6, 4, 6, 0, 0.5, 0.5, 5.5, 0.6, nan, 1});
  const Value canvas = picture(4, 6), bytes = picture(4, 6, "uint8");
  const Value faces = int32s(3, 6, {0, 1, 2, 3, 4, 5, 6, 7, 2, 0, 7, 8, 0, 1, 0, 1, 6, 5});
  const Value colours = doubles(6, 3, {1, 0, 0.5, 0.2, 1, 0.4, 0, 0, 0.5, 0.2, 0, 0.4, 0, 1, 0.25, 0.7, 0, 1.5});
  const Value view = row({0, 4, 1}), order = row({1, 2, 3, 4, 5, 6, 2});
  auto paintCall = [&](Value p, Value v, Value u, Value f, Value c, Value o) { return Inputs{p, v, u, f, c, o}; };
  std::vector<Refusal> paintRefused = {
      {{}, "notEnoughInputs"},
      {{canvas, view, uv, faces, colours}, "notEnoughInputs"},
      {paintCall(canvas, view, uv, faces, colours, row({1, 7})), "badIndex"},
      {paintCall(canvas, view, uv, faces, colours, row({0.5})), "badIndex"},
      {paintCall(canvas, view, uv, faces, colours, row({nan})), "badIndex"},
      {paintCall(canvas, view, uv, int32s(3, 1, {0, 9, 1}), row({1, 0, 0}), row({1})), "badIndex"},
      {paintCall(canvas, view, uv, int32s(3, 1, {0, -1, 1}), row({1, 0, 0}), row({1})), "badIndex"},
      {paintCall(zeros(4, 6), view, uv, faces, colours, order), "badSize"},
      {paintCall(array("double", {4, 6, 2}, std::vector<double>(48)), view, uv, faces, colours, order), "badSize"},
      {paintCall(canvas, row({0, 4}), uv, faces, colours, order), "badSize"},
      {paintCall(canvas, view, zeros(1, 9), faces, colours, order), "badSize"},
      {paintCall(canvas, view, uv, int32s(2, 1, {0, 1}), colours, order), "badSize"},
      {paintCall(canvas, view, uv, faces, zeros(6, 2), order), "badSize"},
      {paintCall(canvas, view, uv, faces, zeros(2, 3), order), "badSize"},
      {paintCall(picture(4, 6, "single"), view, uv, faces, colours, order), "badClass"},
      {paintCall(picture(4, 6, "int8"), view, uv, faces, colours, order), "badClass"},
      {paintCall(canvas, view, uv, doubles(3, 1, {0, 1, 2}), colours, row({1})), "badClass"},
      {paintCall(canvas, view, uv, faces, colours, int32s(1, 1, {1})), "badClass"},
      {paintCall(canvas, view, uv, faces, colours, complexZeros(1, 1)), "badClass"}};
  for (const Value &bad : {row({nan, 4, 1}), row({0, inf, 1}), row({0, 4, 0}), row({0, 4, -1}), row({0, 4, inf})})
    paintRefused.push_back({paintCall(canvas, bad, uv, faces, colours, order), "badValue"});
  all.push_back({"korvelPaintTriangles",
                 {paintCall(canvas, view, uv, faces, colours, order),
                  paintCall(bytes, row({-0.25, 2.5, 2}), uv, faces, row({0.5, 1.2, nan}), row({6, 5, 4, 3, 2, 1})),
                  paintCall(picture(0, 3), view, uv, faces, colours, order),
                  // A screen matrix as it is: its third row is not read.
                  paintCall(canvas, view, doubles(3, 4, {0.5, 0.5, 1, 5.5, 1.5, 0, 3, 3.5, nan, 1, 0, 1}),
                            int32s(3, 2, {0, 1, 2, 1, 2, 3}), row({0.3, 0.6, 0.9}), row({2, 1})),
                  paintCall(canvas, view, zeros(2, 0), int32s(3, 0, {}), zeros(0, 3), zeros(0, 0)),
                  paintCall(canvas, view, uv, faces, colours, zeros(1, 0))},
                 paintRefused,
                 {},
                 {{paintCall(picture(5, 7, "uint8"), row({-1, 6, 1}), uv, faces, colours, order), 2},
                  {paintCall(canvas, row({1e300, -1e300, 1e300}), uv, faces, colours, order), 2},
                  {paintCall(canvas, view, doubles(2, 3, {-1e300, 1e300, 1e300, 1e300, 0, -1e300}),
                             int32s(3, 1, {0, 1, 2}), row({1, 1, 1}), row({1})), 2},
                  // ORDER the array P: refused in place (sharedData), painted in the value form.
                  {paintCall(array("double", {1, 1, 3}, std::vector<double>{1, 1, 1}), view, uv, faces,
                             colours, same(0)), 0},
                  {paintCall(array("double", {1, 1, 3}, std::vector<double>{1, 1, 1}), view, uv, faces,
                             colours, same(0)), 1}},
                 randomTriangles});

  const Value segments = doubles(4, 4, {0.5, 0.5, 5.5, 3.5, 3, -2, 3, 9, 1, 1, 1, 1, 0, 4, nan, 0});
  const Value segmentColours = doubles(4, 3, {1, 0, 0.2, 1, 0, 1, 0.4, 1, 0, 0, 0.6, 1});
  auto strokeCall = [&](Value p, Value v, Value g, Value c, Value w) { return Inputs{p, v, g, c, w}; };
  std::vector<Refusal> strokeRefused = {
      {{}, "notEnoughInputs"},
      {{canvas, view, segments, segmentColours}, "notEnoughInputs"},
      {strokeCall(zeros(4, 6), view, segments, segmentColours, scalar(1)), "badSize"},
      {strokeCall(canvas, view, zeros(2, 4), segmentColours, scalar(1)), "badSize"},
      {strokeCall(canvas, view, segments, zeros(3, 3), scalar(1)), "badSize"},
      {strokeCall(canvas, view, segments, segmentColours, row({1, 2})), "badSize"},
      {strokeCall(picture(4, 6, "logical"), view, segments, segmentColours, scalar(1)), "badClass"},
      {strokeCall(canvas, view, segments, segmentColours, int32s(1, 1, {1})), "badClass"},
      {strokeCall(canvas, row({0, 4, nan}), segments, segmentColours, scalar(1)), "badValue"}};
  for (double pen : {0.0, -1.0, 1.5, 4097.0, nan, inf})
    strokeRefused.push_back({strokeCall(canvas, view, segments, segmentColours, scalar(pen)), "badValue"});
  all.push_back({"korvelPaintStrokes",
                 {strokeCall(canvas, view, segments, segmentColours, scalar(2)),
                  strokeCall(bytes, row({-0.5, 3.5, 1.5}), segments, row({0.1, 0.5, 1}), scalar(3)),
                  strokeCall(picture(3, 0), view, segments, segmentColours, scalar(1))},
                 strokeRefused,
                 {},
                 {{strokeCall(canvas, view, doubles(4, 1, {-1e20, -1e20, 1e20, 1e20}), row({1, 1, 1}), scalar(1))},
                  {strokeCall(canvas, view, doubles(4, 1, {-1e300, 2, 1e300, 2}), row({1, 1, 1}), scalar(4))},
                  {strokeCall(picture(6, 5, "uint8"), view, doubles(4, 1, {2, -3e9, 2.2, 3e9}), row({1, 1, 1}), scalar(1))},
                  // VIEW the array P, read before P is painted in place.
                  {strokeCall(array("double", {1, 1, 3}, std::vector<double>{0, 1, 1}), same(0), segments,
                              segmentColours, scalar(2)), 0}},
                 randomStrokePaint});

  // Ties of rounding (k + 0.5) / 65535, clamped and not-number samples, grey and RGB.
  std::vector<double> samples = {0.5 / 65535, 1.5 / 65535, -0.0, -1, 2, nan, inf, -inf, 1, 0.25, 0.5, 0.75};
  all.push_back({"korvelEncodePng",
                 {{array("double", {2, 2, 3}, samples)},
                  {doubles(3, 4, samples)},
                  {array("uint8", {1, 5}, std::vector<std::uint8_t>{0, 1, 255, 128, 7})},
                  {array("uint16", {2, 1, 3}, std::vector<std::uint16_t>{0, 65535, 1, 256, 4097, 65534})},
                  {scalar(0.5)}},
                 {{{}, "notEnoughInputs"},
                  {{zeros(0, 3)}, "badSize"},
                  {{zeros(3, 0)}, "badSize"},
                  {{array("double", {2, 2, 2}, std::vector<double>(8))}, "badSize"},
                  {{picture(2, 2, "single")}, "badClass"},
                  {{zeros(2, 2, "int16")}, "badClass"},
                  {{logicals(1, 2, {1, 0})}, "badClass"},
                  {{complexZeros(2, 2)}, "badClass"}},
                 {{reportingHugeColumns(zeros(1, 1))}},
                 {{{array("double", {1, 1, 3}, std::vector<double>{nan, inf, -inf})}},
                  {{doubles(1, 600, std::vector<double>(600, 0.5))}}},
                 randomPng});

  const Value depthFaces = int32s(3, 5, {0, 1, 2, 1, 2, 3, 2, 3, 0, 3, 3, 3, 0, 0, 9});
  all.push_back({"korvelDepthOrder",
                 {{depthFaces, row({1, 2, 3, 9}), row({1, 0, 1, 1, 0})},
                  {depthFaces, row({1, nan, -0.0, 0.0}), logicals(1, 5, {1, 1, 1, 1, 0})},
                  {int32s(3, 0, {}), zeros(0, 0), zeros(0, 0)}},
                 {{{}, "notEnoughInputs"},
                  {{depthFaces, row({1, 2, 3, 9})}, "notEnoughInputs"},
                  {{depthFaces, row({1, 2, 3, 9}), row({1, 1, 1, 1, 1})}, "badIndex"},
                  {{depthFaces, row({1, 2, 3}), row({0, 0, 1, 0, 0})}, "badIndex"},
                  {{int32s(3, 1, {0, -1, 0}), row({1}), row({1})}, "badIndex"},
                  {{depthFaces, row({1, 2, 3, 9}), row({1, 0, 1, 1})}, "badSize"},
                  {{int32s(2, 1, {0, 0}), row({1}), row({1})}, "badSize"},
                  {{doubles(3, 1, {0, 0, 0}), row({1}), row({1})}, "badClass"},
                  {{depthFaces, zeros(1, 4, "single"), row({1, 0, 1, 1, 0})}, "badClass"},
                  {{depthFaces, row({1, 2, 3, 9}), zeros(1, 5, "uint8")}, "badClass"}},
                 {},
                 {{{depthFaces, row({2, 2, 2, 2}), row({1, 1, 1, 1, 0})}, 1},
                  {{int32s(3, 2, {0, 0, 0, 1, 1, 1}), row({inf, -inf}), row({1, 1})}, 2}},
                 randomDepths});

  // B and N one array, or CODES the array B: the in-place checks.
  Inputs sharedCodes = {doubles(4, 2, {1, 1, 1, 1, 1, 1, 1, 1}), zeros(6, 2), scalar(0), doubles(4, 1, {0, 0, 1, 1}),
                        same(0), scalar(1), zeros(1, 2), scalar(1), row({1, 1, 1})};
  Inputs sharedCounter = {zeros(4, 2), zeros(6, 2), same(0), doubles(4, 1, {0, 0, 1, 1}), scalar(1), scalar(1),
                          zeros(1, 2), scalar(1), row({1, 1, 1})};
  // B reporting 2^31 columns: the in-place form writes columns 1 to 3 of it,
  // but the value form cannot create its copy.
  Inputs hugeStrokes = strokeInputs(1, {1, 2, 2.9});
  hugeStrokes[0] = reportingHugeColumns(hugeStrokes[0]);
  all.push_back({"korvelStrokeText",
                 {strokeInputs(1, {1, 2, 2.9})},
                 {{strokeInputs(4, {1, 2}), "badSize"},
                  {strokeInputs(0, {1, 2, 3}), "badIndex"},
                  {strokeInputs(-1, {1}), "badValue"}},
                 {hugeStrokes},
                 {{strokeSeed(0, {1, 2, 3}, 5)},
                  {strokeSeed(2.5, {2.9, 1}, 5)},
                  {strokeSeed(3, {1, 1, 3}, 5)},  // one column short
                  {strokeSeed(0, {}, 0)},
                  {strokeSeed(0, {0, 4}, 5)},
                  {strokeSeed(-1, {1}, 5)},
                  {sharedCodes},
                  {sharedCounter},
                  {strokeSeed(0, {1, 2, 3}, 5), 1},  // m = korvelStrokeText(...): refused
                  {sharedCodes, 3},                  // the value form may share
                  {strokeSeed(2.5, {2.9, 1}, 5), 3}},
                 randomStrokes});

  all.push_back({"plateauLabels",
                 {{doubles(3, 3, {1, 1, 1, 0, 0, 1, 1, 1, 1})}, {doubles(2, 3, {1, nan, -0.0, 0.0, 1, 1})}},
                 {{{zeros(2, 2, "int32")}, "badClass"},
                  {{}, "notEnoughInputs"},
                  {{zeros(2, 2, "single")}, "badClass"},
                  {{complexZeros(2, 2)}, "badClass"},
                  {{int32s(1, 2, {1, 1})}, "badClass"},
                  {{logicals(1, 2, {1, 0})}, "badClass"},
                  {{zeros(1, 3, "char")}, "badClass"},
                  {{zeros(1, 2, "uint8")}, "badClass"}},
                 {{reportingHugeColumns(zeros(1, 1))}},
                 {{{doubles(1, 5, {2, 2, 5, 5, 2})}},
                  {{doubles(2, 2, {1, 0, 0, 1})}},
                  {{doubles(2, 3, {nan, nan, -0.0, 0.0, inf, -inf})}},
                  {{doubles(0, 3, {})}},
                  {{filled("int32", 2, 2, 1)}}},
                 [](Random &random, bool) {
                   return Inputs{randomPicks(random, static_cast<std::uint64_t>(random.between(0, 30)),
                                             static_cast<std::uint64_t>(random.between(0, 30)))};
                 }});

  // More pairs and elements: the path that looks pairs up instead of scanning them.
  std::vector<double> values(40), from(20), to(20), many(20), targets(20);
  for (int i = 0; i < 40; ++i) values[i] = i % 23;
  for (int k = 0; k < 20; ++k) from[k] = k % 17, to[k] = 100 + k, many[k] = k % 7, targets[k] = 100 + k;
  all.push_back(
      {"valueSwap",
       {{doubles(2, 3, {1, 2, 3, 4, 5, 6}), doubles(3, 1, {1, 2, 5}), row({2, 3, 9})},
        {doubles(5, 8, values), doubles(20, 1, from), row(to)},
        {row({1, 2}), scalar(2), scalar(9)}},
       swapRefusals(),
       {{reportingHugeColumns(zeros(1, 1)), zeros(0, 0), zeros(0, 0)}},
       {{{doubles(1, 3, {1, 2, 3}), doubles(2, 1, {1, 2}), doubles(2, 1, {2, 3})}},
        {{doubles(1, 2, {5, 6}), doubles(2, 1, {5, 5}), doubles(1, 2, {1, 2})}},
        {{doubles(1, 2, {1, 2}), doubles(1, 2, {1, 2}), doubles(1, 2, {10, 20})}},
        {{doubles(1, 3, {0.0, -0.0, nan}), doubles(2, 1, {0.0, nan}), doubles(2, 1, {-0.0, 7})}},
        {{doubles(4, 5, many), doubles(20, 1, many), doubles(1, 20, targets)}},
        {{doubles(1, 2, {1, 2}), doubles(2, 0, {}), doubles(1, 2, {1, 2})}}},
       [](Random &random, bool broken) {
         const int pairs = random.between(0, 80);
         Value from = randomPicks(random, static_cast<std::uint64_t>(pairs), random.chance(0.2) ? 2 : 1);
         const int toCount = broken && pairs > 0 ? pairs - 1 : pairs;
         return Inputs{randomPicks(random, static_cast<std::uint64_t>(random.between(0, 20)),
                                   static_cast<std::uint64_t>(random.between(0, 20))),
                       from, randomDoubles(random, 1, static_cast<std::uint64_t>(toCount))};
       }});

  const std::vector<Seed> addressSeeds = {{{doubles(2, 2, {1, 2, 3, 4})}, 1, 0x100000010ull},
                                          {{doubles(1, 1, {0})}, 1, 0x180000000ull},
                                          {{doubles(1, 1, {0})}, 1, 0x7FFF0000ull},
                                          {{filled("char", 1, 4, 1)}, 0},
                                          {{doubles(0, 0, {})}}};
  all.push_back({"korvelDataPtr", {{doubles(2, 2, {1, 2, 3, 4})}}, {{{}, "notEnoughInputs"}}, {}, addressSeeds,
                 nullptr});
  all.push_back({"pelvaDataPtr", {{zeros(1, 3, "int32")}}, {{{}, "notEnoughInputs"}}, {}, addressSeeds, nullptr});
  return all;
}

}  // namespace

std::size_t elementSize(const std::string &className) {
  if (className == "double" || className == "int64" || className == "uint64") return 8;
  if (className == "single" || className == "int32" || className == "uint32") return 4;
  if (className == "char" || className == "int16" || className == "uint16") return 2;
  return 1;
}

Value doubles(std::uint64_t rows, std::uint64_t columns, const std::vector<double> &elements) {
  return matrix("double", rows, columns, elements);
}
Value row(const std::vector<double> &elements) { return doubles(1, elements.size(), elements); }
Value scalar(double value) { return doubles(1, 1, {value}); }
Value zeros(std::uint64_t rows, std::uint64_t columns, const char *className) {
  Value value;
  value.className = className;
  value.rows = rows;
  value.columns = columns;
  value.bytes.assign(static_cast<std::size_t>(rows * columns) * elementSize(className), 0);
  return value;
}
Value picture(std::uint64_t height, std::uint64_t width, const char *className) {
  return array(className, {height, width, 3},
               std::vector<unsigned char>(static_cast<std::size_t>(height * width * 3) * elementSize(className)));
}
Value int32s(std::uint64_t rows, std::uint64_t columns, const std::vector<std::int32_t> &elements) {
  return matrix("int32", rows, columns, elements);
}
Value logicals(std::uint64_t rows, std::uint64_t columns, const std::vector<std::uint8_t> &elements) {
  return matrix("logical", rows, columns, elements);
}
Value complexZeros(std::uint64_t rows, std::uint64_t columns) { return filled("double", rows, columns, 0, true); }
Value same(int input) {
  Value value;
  value.sameAs = input;
  return value;
}
Value reportingHugeColumns(Value value) {
  value.reportsHugeColumns = true;
  return value;
}

std::vector<double> randomValues(Random &random, std::size_t count) {
  static const double special[] = {NAN, INFINITY, -INFINITY, 0.0, -0.0, 1.0, -1.0, 4.9e-324, 1e300, -1e-300};
  static const double powersOfTen[] = {1e-3, 1e-2, 1e-1, 1.0, 1e1, 1e2, 1e3};
  std::vector<double> out(count);
  for (double &v : out) {
    if (random.chance(0.1))
      v = special[random.between(0, 9)];
    else
      v = (2.0 * random.unit() - 1.0) * powersOfTen[random.between(0, 6)];
  }
  return out;
}

Value randomDoubles(Random &random, std::uint64_t rows, std::uint64_t columns) {
  return matrix("double", rows, columns, randomValues(random, static_cast<std::size_t>(rows * columns)));
}

Value randomPicks(Random &random, std::uint64_t rows, std::uint64_t columns) {
  const double pool[] = {1.0, 2.0, 2.5, NAN, 0.0, -0.0, INFINITY, -INFINITY};
  std::vector<double> out(static_cast<std::size_t>(rows * columns));
  for (double &v : out) v = pool[random.between(0, 7)];
  return matrix("double", rows, columns, out);
}

Inputs randomCall(Random &random, const CommandCases &cases) {
  const bool broken = random.chance(0.125);
  Inputs inputs = cases.random(random, broken);
  if (broken && random.chance(0.3)) {
    // Another class for the same elements, the way a caller's mistake looks:
    // doubles as single, corner indices as doubles (a caller who forgot
    // int32()), uint8 pixels as doubles.
    Value &first = inputs[0];
    const std::size_t count = static_cast<std::size_t>(first.rows * first.columns);
    if (first.className == "double") {
      std::vector<float> out(count);
      for (std::size_t i = 0; i < count; ++i) {
        double v;
        std::memcpy(&v, first.bytes.data() + 8 * i, 8);
        out[i] = static_cast<float>(v);
      }
      first = array("single", first.shape(), out);
    } else {
      const bool bytes = elementSize(first.className) == 1;
      std::vector<double> out(count);
      for (std::size_t i = 0; i < count; ++i) {
        std::int32_t v = 0;
        if (!bytes) std::memcpy(&v, first.bytes.data() + 4 * i, 4);
        out[i] = bytes ? first.bytes[i] : v;
      }
      first = array("double", first.shape(), out);
    }
  }
  return inputs;
}

const std::vector<CommandCases> &all() {
  static const std::vector<CommandCases> every = table();
  return every;
}

const CommandCases *find(const std::string &command) {
  for (const CommandCases &cases : all())
    if (command == cases.command) return &cases;
  return nullptr;
}

}  // namespace cases
