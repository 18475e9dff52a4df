// korvelPaintTriangles: triangles filled into a picture, later ones on top,
// [P, W] = korvelPaintTriangles(P, VIEW, UV, F, COLOURS, ORDER), or, asked
// for no output, filled into P in place.
#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/errors.h"
#include "../gateway/in_place.h"
#include "paint_triangles.h"

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments, then every index the painting reads.
  const gateway::Call call = gateway::startCall(
      {"korvelPaintTriangles", "[P, W] = korvelPaintTriangles(P, VIEW, UV, F, COLOURS, ORDER)", 2,
       korvel::kPaintOrder + 1, 1},
      nlhs, plhs, nrhs, prhs);
  const bool inPlace = nlhs == 0;
  const gateway::PictureInput canvas = gateway::pictureInput(call, korvel::kPaintCanvas, "P");
  const korvel::PictureView view = gateway::pictureView(call, korvel::kPaintView, "VIEW");
  const gateway::Array<const double> uv = gateway::pointRows(call, korvel::kPaintPoints, "UV");
  const gateway::Array<const std::int32_t> faces =
      gateway::int32Matrix(call, korvel::kPaintFaces, "F", 3);
  const gateway::Colours colours =
      gateway::colourRows(call, korvel::kPaintColours, "COLOURS", faces.columns, "column of F");
  const gateway::Array<const double> order =
      gateway::doubleElements(call, korvel::kPaintOrder, "ORDER", 0);
  // An empty ORDER paints nothing; the host may give it no data block, and
  // the core reads no order at all as every face.
  static const double kNoFace = 0;
  const double *painted = order.data != nullptr ? order.data : &kNoFace;
  const korvel::TriangleScene scene = {uv.data,          uv.columns,         faces.data,
                                       faces.columns,    colours.data,       colours.itemStep,
                                       colours.channelStep, painted,         order.rows * order.columns,
                                       uv.rows};
  // In place, UV, F, COLOURS and ORDER are read while P is painted; VIEW is
  // taken above, so it may share P's memory.
  if (inPlace)
    gateway::requireDisjoint(call, {{korvel::kPaintCanvas, "P"}},
                             {{korvel::kPaintPoints, "UV"},
                              {korvel::kPaintFaces, "F"},
                              {korvel::kPaintColours, "COLOURS"},
                              {korvel::kPaintOrder, "ORDER"}});
  const korvel::Fault fault = korvel::paintTrianglesFault(scene);
  if (fault.found() && fault.argument == korvel::kPaintOrder)
    gateway::failFaceNumber(call, "ORDER", fault.element, fault.value, faces.columns);
  if (fault.found())
    gateway::failCornerIndex(call, fault.row, fault.element, uv.columns,
                             static_cast<std::int32_t>(fault.value), "a painted triangle",
                             "column", "UV");

  // Create the outputs (a copy of P, the winners when asked for), then paint.
  const korvel::Picture picture = gateway::paintedPicture(call, canvas, inPlace);
  korvel::WinnerMap winners = {nullptr, 1, canvas.height};
  if (nlhs >= 2) winners.values = gateway::createOutput(call, canvas.height, canvas.width, 1);
  korvel::paintTriangles(picture, winners, view, scene);
}
