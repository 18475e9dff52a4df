%KORVELDEPTHORDER  Faces to draw, the farthest first.
%   [ORDER, DEPTH] = KORVELDEPTHORDER(F, D, FLAGS) returns the one-based
%   columns of F whose flag is 1, ordered by the mean distance of their
%   corners from the largest down, the order in which a painter draws them
%   (KORVELPAINTTRIANGLES), and those means.
%
%   F      3-by-T int32 face matrix, zero-based indices into D, as
%          KORVELFACESHOWN takes it.
%   D      real double array of the points' distances, any shape, as
%          KORVELRANGE returns them; element i + 1 is point i's.
%   FLAGS  real double or logical array with at least T elements, any
%          shape; face t is ordered when element t is exactly 1 (true), as
%          KORVELFACESHOWN returns the draw flags.
%   ORDER  1-by-K double row of the K flagged faces' columns.
%   DEPTH  1-by-K double row of their depths, ((d1 + d2) + d3) / 3, in
%          ORDER's order. Made only when asked for.
%
%   Faces of equal depth keep their column order (-0 equals +0), and faces
%   whose depth is NaN come first, as SORT(..., 'descend') places them. The
%   corners of faces that are not flagged are never read.
%
%   Errors (identifier: when):
%     korvelDepthOrder:notEnoughInputs  fewer than 3 inputs
%     korvelDepthOrder:tooManyOutputs   more than two outputs requested
%     korvelDepthOrder:badClass         F not int32; D not real double; FLAGS
%                                       not real double or logical
%     korvelDepthOrder:badSize          F without exactly 3 rows; FLAGS with
%                                       fewer than T elements
%     korvelDepthOrder:badIndex         a corner of a flagged face outside
%                                       0 .. numel(D) - 1
%
%   Example: three faces over four points, the second not drawn
%     F = int32([0 1 1; 1 2 2; 2 3 3]);
%     [ORDER, DEPTH] = korvelDepthOrder(F, [1 2 3 9], [1 0 1])   % [3 1], [14/3 2]
%
%   See also KORVELFACESHOWN, KORVELRANGE, KORVELPAINTTRIANGLES.
