// korvelPaintStrokes: line segments drawn into a picture with a square pen,
// P = korvelPaintStrokes(P, VIEW, SEGMENTS, COLOURS, WIDTH), or, asked for no
// output, drawn into P in place.
#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/errors.h"
#include "../gateway/in_place.h"
#include "paint_strokes.h"

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  const gateway::Call call = gateway::startCall(
      {"korvelPaintStrokes", "P = korvelPaintStrokes(P, VIEW, SEGMENTS, COLOURS, WIDTH)", 0,
       korvel::kStrokePen + 1, 1},
      nlhs, plhs, nrhs, prhs);
  const bool inPlace = nlhs == 0;
  const gateway::PictureInput canvas = gateway::pictureInput(call, korvel::kStrokeCanvas, "P");
  const korvel::PictureView view = gateway::pictureView(call, korvel::kStrokeView, "VIEW");
  const gateway::Array<const double> segments =
      gateway::doubleMatrix(call, korvel::kStrokeSegments, "SEGMENTS", 4);
  const gateway::Colours colours = gateway::colourRows(
      call, korvel::kStrokeColours, "COLOURS", segments.columns, "column of SEGMENTS");
  const double width = gateway::doubleScalar(call, korvel::kStrokePen, "WIDTH");
  if (korvel::strokePenFault(width).found())
    gateway::failPenWidth(call, "WIDTH", width, korvel::kWidestPen);
  // In place, SEGMENTS and COLOURS are read while P is painted; VIEW and
  // WIDTH are taken above, so they may share P's memory.
  if (inPlace)
    gateway::requireDisjoint(call, {{korvel::kStrokeCanvas, "P"}},
                             {{korvel::kStrokeSegments, "SEGMENTS"},
                              {korvel::kStrokeColours, "COLOURS"}});

  const korvel::Picture picture = gateway::paintedPicture(call, canvas, inPlace);
  const korvel::StrokeScene scene = {segments.data,       segments.columns, colours.data,
                                     colours.itemStep,    colours.channelStep,
                                     static_cast<korvel::Count>(width)};
  korvel::paintStrokes(picture, view, scene, 0);
}
