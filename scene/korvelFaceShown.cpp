// korvelFaceShown: the draw flag of every triangle, D = korvelFaceShown(F, S, MASK).
#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/errors.h"
#include "face_shown.h"

namespace {
enum Input { kFaces, kScreen, kMask, kInputCount };
}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments. The corner indices are checked as the kernel reads them.
  const gateway::Call call = gateway::startCall(
      {"korvelFaceShown", "D = korvelFaceShown(F, S, MASK)", 1, kInputCount}, nlhs, plhs, nrhs,
      prhs);
  const gateway::Array<const std::int32_t> faces = gateway::int32Matrix(call, kFaces, "F", 3);
  const gateway::Array<const double> screen = gateway::doubleMatrix(call, kScreen, "S", 3);
  const gateway::Count triangles = faces.columns;
  const unsigned char *mask = gateway::byteElements(call, kMask, "MASK", triangles).data;

  // Create the output, then do the job; a corner outside S is raised after it.
  double *shown = gateway::createOutput(call, 1, triangles);
  const korvel::Fault fault =
      korvel::faceShown(faces.data, triangles, screen.data, screen.columns, mask, shown, 0);
  if (fault.found())
    gateway::failCornerIndex(call, fault.row, fault.element, screen.columns,
                             static_cast<std::int32_t>(fault.value));
}
