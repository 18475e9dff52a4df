// A first look at the toolbox without MATLAB: load a command through the
// stand-in host, as a host does, and call it on a few scene points.
#include <cstdio>
#include <cstring>
#include <string>

#include "loader.h"

int main(int argc, char **argv) {
  std::string folder = ".";
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--plugins=", 10) == 0) folder = argv[i] + 10;

  standin::Plugin offset(folder, "korvelOffset");
  if (!offset.ok()) {
    std::fprintf(stderr, "%s\n", offset.error().c_str());
    return 1;
  }
  mxArray *points = mxCreateDoubleMatrix(3, 4, mxREAL);
  const double scene[12] = {10, 0, 0, 0, 10, 0, -10, 0, 2, 3, 4, 5};
  std::memcpy(mxGetPr(points), scene, sizeof scene);
  mxArray *viewer = mxCreateDoubleMatrix(3, 1, mxREAL);
  const double position[3] = {1, 1, 1.5};
  std::memcpy(mxGetPr(viewer), position, sizeof position);

  standin::CallOutcome moved = offset.call({points, viewer});
  if (moved.failed) {
    std::fprintf(stderr, "%s: %s\n", moved.identifier.c_str(), moved.message.c_str());
    return 1;
  }
  const double *result = mxGetPr(moved.outputs[0]);
  std::printf("scene points relative to the viewer at (%g, %g, %g):\n", position[0], position[1],
              position[2]);
  for (int j = 0; j < 4; ++j)
    std::printf("  (%6g, %6g, %6g) -> (%6g, %6g, %6g)\n", scene[3 * j], scene[3 * j + 1],
                scene[3 * j + 2], result[3 * j], result[3 * j + 1], result[3 * j + 2]);
  mxDestroyArray(moved.outputs[0]);
  mxDestroyArray(points);
  mxDestroyArray(viewer);
  return 0;
}
