// make_tables: writes core/rounded_tables.h, the constants of the toolbox's
// correctly rounded sine, cosine and arc tangent, from MPFR. Run once; the
// header is committed, so no plug-in needs MPFR.
//   make_tables > core/rounded_tables.h
#include <mpfr.h>

#include <cstdio>

namespace {

const int kParts = 7;          // doubles per constant: about 370 bits
const mpfr_prec_t kWork = 2000;

// x as kParts doubles, each the nearest to what the ones before leave.
void printParts(mpfr_t x) {
  mpfr_t rest;
  mpfr_init2(rest, kWork);
  mpfr_set(rest, x, MPFR_RNDN);
  std::printf("{");
  for (int k = 0; k < kParts; ++k) {
    const double part = mpfr_get_d(rest, MPFR_RNDN);
    mpfr_sub_d(rest, rest, part, MPFR_RNDN);
    std::printf("%s%a", k ? ", " : "", part);
  }
  std::printf("}");
  mpfr_clear(rest);
}

}  // namespace

int main() {
  mpfr_t x, y;
  mpfr_init2(x, kWork);
  mpfr_init2(y, kWork);
  std::printf(
      "// Written by tests/rounded/make_tables.cpp from MPFR; do not edit.\n"
      "// Each constant is a sum of %d doubles, largest first (about 370 bits).\n"
      "#ifndef KORVEL_CORE_ROUNDED_TABLES_H\n"
      "#define KORVEL_CORE_ROUNDED_TABLES_H\n\n"
      "#include <cstdint>\n\n"
      "namespace korvel {\n"
      "namespace rounded {\n\n"
      "const int kTableParts = %d;\n\n",
      kParts, kParts);

  std::printf("// pi/2\nconst double kHalfPi[kTableParts] = ");
  mpfr_const_pi(x, MPFR_RNDN);
  mpfr_div_2ui(x, x, 1, MPFR_RNDN);
  printParts(x);
  std::printf(";\n\n");

  std::printf("// atan(i/256), i = 0..256\nconst double kAtanGrid[257][kTableParts] = {\n");
  for (int i = 0; i <= 256; ++i) {
    mpfr_set_ui(x, i, MPFR_RNDN);
    mpfr_div_ui(x, x, 256, MPFR_RNDN);
    mpfr_atan(y, x, MPFR_RNDN);
    std::printf("    ");
    printParts(y);
    std::printf(",\n");
  }
  std::printf("};\n\n");

  std::printf("// 1/n!, n = 0..27\nconst double kInverseFactorial[28][kTableParts] = {\n");
  mpfr_set_ui(y, 1, MPFR_RNDN);
  for (int n = 0; n < 28; ++n) {
    if (n > 0) mpfr_mul_ui(y, y, n, MPFR_RNDN);  // exact at this precision
    mpfr_ui_div(x, 1, y, MPFR_RNDN);
    std::printf("    ");
    printParts(x);
    std::printf(",\n");
  }
  std::printf("};\n\n");

  // 2/pi's bits after the point, 32 to a word, first word the most
  // significant: the reduction of a huge argument takes the words its
  // exponent needs.
  const int kWords = 56;
  std::printf("// 2/pi's first %d bits after the point, 32 to a word\n"
              "const std::uint32_t kTwoOverPiBits[%d] = {", kWords * 32, kWords);
  mpfr_const_pi(x, MPFR_RNDN);
  mpfr_ui_div(x, 2, x, MPFR_RNDN);
  for (int w = 0; w < kWords; ++w) {
    mpfr_mul_2ui(x, x, 32, MPFR_RNDN);
    const unsigned long word = mpfr_get_ui(x, MPFR_RNDZ);
    mpfr_sub_ui(x, x, word, MPFR_RNDN);
    std::printf("%s0x%08lxu", w == 0 ? "\n    " : w % 6 ? ", " : ",\n    ", word);
  }
  std::printf("};\n\n}  // namespace rounded\n}  // namespace korvel\n\n"
              "#endif  // KORVEL_CORE_ROUNDED_TABLES_H\n");
  mpfr_clear(x);
  mpfr_clear(y);
  return 0;
}
