// korvelDepthOrder: the faces to draw, the farthest first,
// [ORDER, DEPTH] = korvelDepthOrder(F, D, FLAGS).
#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/errors.h"
#include "depth_order.h"

namespace {

template <typename Flag>
void orderFaces(const gateway::Call &call, const gateway::Array<const std::int32_t> &faces,
                const gateway::Array<const double> &distances, const Flag *flags) {
  const gateway::Count points = distances.rows * distances.columns;
  const korvel::Fault fault = korvel::depthOrderFault(faces.data, faces.columns, points, flags);
  if (fault.found())
    gateway::failCornerIndex(call, fault.row, fault.element, points,
                             static_cast<std::int32_t>(fault.value), "a drawn triangle", "element",
                             "D");
  const gateway::Count drawn = korvel::drawnFaces(flags, faces.columns);
  double *order = gateway::createOutput(call, 1, drawn);
  double *depth = call.nlhs >= 2 ? gateway::createOutput(call, 1, drawn, 1) : nullptr;
  korvel::depthOrder(faces.data, faces.columns, distances.data, flags, order, depth);
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  const gateway::Call call = gateway::startCall(
      {"korvelDepthOrder", "[ORDER, DEPTH] = korvelDepthOrder(F, D, FLAGS)", 2,
       korvel::kDepthFlags + 1},
      nlhs, plhs, nrhs, prhs);
  const gateway::Array<const std::int32_t> faces =
      gateway::int32Matrix(call, korvel::kDepthFaces, "F", 3);
  const gateway::Array<const double> distances =
      gateway::doubleElements(call, korvel::kDepthDistances, "D", 0);
  const mxArray *flags = gateway::flagElements(call, korvel::kDepthFlags, "FLAGS", faces.columns);
  if (mxGetClassID(flags) == mxLOGICAL_CLASS)
    orderFaces(call, faces, distances, gateway::elementsOf<const unsigned char>(flags).data);
  else
    orderFaces(call, faces, distances, gateway::doublesOf(flags).data);
}
