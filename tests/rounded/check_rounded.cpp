// check_rounded: holds the toolbox's correctly rounded functions
// (core/rounded_math.h) to MPFR's correctly rounded results.
//   check_rounded FUNCTION COUNT [--accurate] [--seed=S]
// FUNCTION is atan, sin or cos. Checks the special and hardest-to-round
// values, then COUNT random inputs: a quarter with every exponent alike, the
// rest in the function's hard regions. --accurate forces the accurate path
// for every input. Prints the figures, and each difference (at most 20);
// exits 1 on any difference.
#include <mpfr.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "../../core/rounded_math.h"

namespace {

using korvel::rounded::bitsOf;
using korvel::rounded::doubleOf;

struct Random {
  std::uint64_t state;
  std::uint64_t next() {  // splitmix64
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  double uniform() { return static_cast<double>(next() >> 11) * 0x1p-53; }
  // A random double with its binary exponent drawn uniformly in [low, high].
  double withExponent(int low, int high) {
    const int e = low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
    const std::uint64_t mantissa = next() & 0xfffffffffffffULL;
    std::uint64_t sign = next() & 0x8000000000000000ULL;
    if (e < -1022) return doubleOf(sign | (mantissa >> (-1022 - e)));  // subnormal
    return doubleOf(sign | (static_cast<std::uint64_t>(e + 1023) << 52) | mantissa);
  }
};

enum class Function { atan, sin, cos };

// The correctly rounded value by MPFR: 53 bits, the exponent range of
// doubles, subnormals rounded as doubles round them.
double reference(Function f, double x) {
  static bool ranged = false;
  if (!ranged) {
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
    ranged = true;
  }
  mpfr_t in, out;
  mpfr_init2(in, 53);
  mpfr_init2(out, 53);
  mpfr_set_d(in, x, MPFR_RNDN);
  int inexact = 0;
  switch (f) {
    case Function::atan: inexact = mpfr_atan(out, in, MPFR_RNDN); break;
    case Function::sin: inexact = mpfr_sin(out, in, MPFR_RNDN); break;
    case Function::cos: inexact = mpfr_cos(out, in, MPFR_RNDN); break;
  }
  mpfr_subnormalize(out, inexact, MPFR_RNDN);
  const double r = mpfr_get_d(out, MPFR_RNDN);
  mpfr_clear(in);
  mpfr_clear(out);
  return r;
}

double ours(Function f, double x, bool accurate) {
  switch (f) {
    case Function::atan: return korvel::rounded::atan(x, accurate);
    case Function::sin: return korvel::rounded::sin(x, accurate);
    case Function::cos: return korvel::rounded::cos(x, accurate);
  }
  return 0;
}

// Whether the fast evaluation settles x (so the accurate path is not taken).
bool settledFast(Function f, double x) {
  switch (f) {
    case Function::atan: return korvel::rounded::detail::atanSettlesFast(x);
    case Function::sin: return korvel::rounded::detail::sinCosSettlesFast(x, false);
    case Function::cos: return korvel::rounded::detail::sinCosSettlesFast(x, true);
  }
  return true;
}

bool sameResult(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return bitsOf(a) == bitsOf(b);
}

// Inputs where the function is hardest to get right, a few at a time.
double hardInput(Function f, Random &random) {
  if (f != Function::atan) {
    switch (random.next() % 4) {
      case 0: return random.withExponent(-30, -20);  // near 0
      case 1:
      case 2: {  // near k pi/2: its nearest double, a few ulps either way
        const double k = std::floor(random.uniform() * (random.next() % 2 ? 1e3 : 1e6)) + 1;
        return doubleOf(bitsOf(k * 1.5707963267948966) + (random.next() % 64) - 32);
      }
      default: return random.withExponent(20, 1023);  // reduced by 2/pi's bits
    }
  }
  switch (random.next() % 4) {
    case 0: return random.withExponent(-30, -20);                          // near 0: the series' edge
    case 1: return doubleOf(bitsOf(1.0) + (random.next() % 4096) - 2048);  // near 1
    case 2: return random.withExponent(45, 60);                            // large: near pi/2
    default: {  // near the grid points i/256, and their inverses
      const double c = static_cast<double>(random.next() % 257) / 256;
      const double x = c + (random.uniform() - 0.5) / 256;
      return random.next() % 2 ? x : 1 / x;
    }
  }
}

// Special values, published hard cases, the edges of each path (the bounds
// of the tiny and huge cases, the grid points of the reduction), and every
// power of two.
std::vector<double> specialInputs(Function f) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> v = {0.0, -0.0, inf, -inf, nan, -nan,
                           doubleOf(0x7ff4000000000001ULL),  // signalling NaN
                           doubleOf(1), -doubleOf(1), 0x1p-1022, 0x1.fffffffffffffp-1023,
                           std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                           1.0, -1.0, 0.5, 2.0, 0x1p-27, 0x1.fffffffffffffp-28, 0x1p-26, 0x1p55,
                           0x1.0000000000001p55, 0x1.fffffffffffffp54, 0x1p54, 1.5707963267948966,
                           3.141592653589793, 6.283185307179586, 0x1p1023, 0x1p1000, 0x1p100,
                           1e22, 0x1.6ac5b262ca1ffp+849, 0x1.8p-1, 0x1.ap+0};
  // Some of the hardest to round, from the published worst cases (V. Lefevre
  // and J.-M. Muller's search; 43 to 59 identical bits after the rounding bit).
  const std::vector<double> hardest =
      f == Function::atan
          ? std::vector<double>{0x1.000321dec01a8p-10, 0x1.00046968c6c71p+11, 0x1.000adaedb43f3p+0,
                                0x1.00110cb9144eep+32, 0x1.002aa39031ec4p-22, 0x1.00aa39615214fp-23,
                                0x1.015010c5a285ap+42, 0x1.01e031e16cc19p+43, 0x1.02a3ad2ef6f3dp-24,
                                0x1.02a3ad2ef6f52p-23, 0x1.02c0e7bad8ce8p+44, 0x1.0310744692036p+41,
                                0x1.03d042b129803p+34, 0x1.0061c6a5a887fp-1, 0x1.0124f5587c85bp+0}
      : f == Function::sin
          ? std::vector<double>{0x1.005023d32fee5p+1, 0x1.00874a5f9fc33p-13, 0x1.0192deafac33fp+0,
                                0x1.039d88c480fccp-22, 0x1.04394261cffa6p-1, 0x1.06800e629d672p-23,
                                0x1.184a0aa58191dp-24, 0x1.30c7efbee12acp-24, 0x1.45dd7c26e54b9p-24,
                                0x1.58868e3115187p-24, 0x1.695b9b149a438p-24, 0x1.6f623e27cdb79p-1,
                                0x1.3b727649b9393p+0, 0x1.55b92c74d29cbp+1, 0x1.6ebdedd37ba17p+1}
          : std::vector<double>{0x1.0009effd4bedap-12, 0x1.00147eec5cfa5p+0, 0x1.0203b71ba100fp-1,
                                0x1.03f81f636b80cp-24, 0x1.0f876ccdf6cd6p-25, 0x1.2c2fc595456a4p-25,
                                0x1.465655f122ff4p-25, 0x1.5e8add236a58dp-25, 0x1.0bfbedfb16285p+0,
                                0x1.1c2d9650ac5f2p+0, 0x1.3aca9ac4d718dp+0, 0x1.64af4ea49404p+0,
                                0x1.6b87ec3ad8729p+0, 0x1.5504c91eb9e32p+0, 0x1.4fdb840109affp-1};
  v.insert(v.end(), hardest.begin(), hardest.end());
  for (int i = 0; i <= 256; ++i) {
    v.push_back(i / 256.0);
    v.push_back(std::nextafter(i / 256.0, 0.0));
    v.push_back(std::nextafter(i / 256.0, 2.0));
    v.push_back(i / 256.0 + 1 / 512.0);
    v.push_back(256.0 / (i + 0.5));
  }
  for (int e = -1074; e <= 1023; ++e) v.push_back(std::ldexp(1.0, e));
  const std::size_t base = v.size();
  for (std::size_t i = 0; i < base; ++i) v.push_back(-v[i]);
  return v;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: check_rounded atan|sin|cos COUNT [--accurate] [--seed=S]\n");
    return 2;
  }
  const std::string name = argv[1];
  Function f;
  if (name == "atan") f = Function::atan;
  else if (name == "sin") f = Function::sin;
  else if (name == "cos") f = Function::cos;
  else {
    std::fprintf(stderr, "check_rounded: unknown function %s\n", argv[1]);
    return 2;
  }
  const long long count = std::atoll(argv[2]);
  bool accurate = false;
  Random random{0x6b6f7276656cULL};
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--accurate") == 0) accurate = true;
    else if (std::strncmp(argv[i], "--seed=", 7) == 0) random.state = std::strtoull(argv[i] + 7, nullptr, 0);
  }

  const auto start = std::chrono::steady_clock::now();
  long long checked = 0, differences = 0, slow = 0;
  double previous = 0.5;
  auto check = [&](double x) {
    const double want = reference(f, x);
    double got = ours(f, x, accurate);
#if defined(KORVEL_HAVE_SSE2)
    if (f == Function::atan && !accurate) {  // the two-lane path too, beside the last input
      double pair[2] = {x, previous};
      korvel::rounded::atanTwo(pair);
      if (!sameResult(pair[0], got)) got = pair[0];
      previous = x;
    }
#endif
    ++checked;
    if (!accurate && !settledFast(f, x)) ++slow;
    if (!sameResult(want, got)) {
      if (differences < 20)
        std::printf("DIFFERENT %s(%a): %a, correctly rounded %a\n", name.c_str(), x, got, want);
      ++differences;
    }
  };
  for (double x : specialInputs(f)) check(x);
  for (long long i = 0; i < count; ++i) {
    check(i % 4 == 0 ? random.withExponent(-1074, 1023) : hardInput(f, random));
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s%s: %lld inputs checked, %lld differences, %lld took the accurate path "
              "(%.3g%%), %.1f s\n",
              name.c_str(), accurate ? " (accurate path forced)" : "", checked, differences,
              accurate ? checked : slow, accurate ? 100.0 : 100.0 * slow / checked, seconds);
  return differences == 0 ? 0 : 1;
}
