// The commands that take a screen's constants, the fixed projection each
// gives the bits of at that projection's constants, and those constants: the
// corpus follows each call of the fixed one with its twin on the same points,
// and korvel_run holds each pair to the same bits. Standard C++ alone, as the
// Debian 11 check compiles korvel_run from a few copied files.
#ifndef KORVEL_SCREEN_TWINS_H
#define KORVEL_SCREEN_TWINS_H

namespace cases {

struct ScreenTwin {
  const char *command;
  const char *fixed;
  double constants[2];
};
inline constexpr ScreenTwin kScreenTwins[] = {
    {"korvelTorusScreen", "torusScreenMex", {0.4625, 0.4929}},
    {"korvelConeScreen", "coneScreenMex", {2.0349, 0.98988}}};

}  // namespace cases

#endif
