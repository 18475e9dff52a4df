// make_tables: writes core/rounded_tables.h, the constants of the toolbox's
// correctly rounded arc tangent, from MPFR. Run once; the
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

  std::printf("}  // namespace rounded\n}  // namespace korvel\n\n"
              "#endif  // KORVEL_CORE_ROUNDED_TABLES_H\n");
  mpfr_clear(x);
  mpfr_clear(y);
  return 0;
}
