%KORVELOFFSET  Points relative to a position.
%   R = KORVELOFFSET(P, POS) subtracts the position POS from every point of
%   P and returns the moved points.
%
%   P    3-by-N real double matrix, one point (x; y; z) per column.
%   POS  real double array with at least 3 elements; its first three are
%        the position (px, py, pz), whatever its shape.
%   R    3-by-N double matrix: R(:, j) = P(:, j) - POS(1:3)'. Each element is
%        one IEEE subtraction; NaN, infinities and signed zeros follow IEEE
%        rules and are not checked.
%
%   In the rendering pipeline this is the first step: the scene's points
%   minus the viewer's position, then KORVELSPIN by the viewer's heading.
%
%   Errors (identifier: when):
%     korvelOffset:notEnoughInputs  fewer than 2 inputs
%     korvelOffset:tooManyOutputs   more than one output requested
%     korvelOffset:badClass         P or POS not real double
%     korvelOffset:badSize          P without exactly 3 rows; POS with fewer
%                                   than 3 elements
%     korvelOffset:tooLarge         P too large to create R (2^31 or more columns),
%                                   only where the host's sizes are 32-bit, as
%                                   in MATLAB with -compatibleArrayDims
%
%   Example:
%     P = [1 2; 2 4; 3 6];           % two points, one per column
%     R = korvelOffset(P, [1 1 1])   % [0 1; 1 3; 2 5]
%
%   See also KORVELSPIN, KORVELRANGE.
