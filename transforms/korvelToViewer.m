%KORVELTOVIEWER  Points moved and turned into a viewer's frame in one pass.
%   R = KORVELTOVIEWER(P, POS, THETA) subtracts the viewer's position POS
%   from every point of P and turns the result about the z axis by -THETA
%   radians: the same bits as KORVELSPIN(KORVELOFFSET(P, POS), THETA), with
%   one result made instead of two.
%
%   P      3-by-N real double matrix, one point (x; y; z) per column.
%   POS    real double array with at least 3 elements; its first three are
%          the position (px, py, pz), whatever its shape.
%   THETA  real double array with at least 1 element; its first element is
%          the heading in radians, whatever its shape.
%   R      3-by-N double matrix. With dx = x - px, dy = y - py, and
%          c = cos(-THETA), s = sin(-THETA) taken once per call:
%          R(1,j) = dx*c - dy*s, R(2,j) = dx*s + dy*c, R(3,j) = z - pz.
%          Every subtraction and both products of a row are always formed;
%          NaN, infinities and signed zeros follow IEEE rules and are not
%          checked.
%
%   In the rendering pipeline this is the first step, in place of
%   KORVELOFFSET then KORVELSPIN.
%
%   Errors (identifier: when):
%     korvelToViewer:notEnoughInputs  fewer than 3 inputs
%     korvelToViewer:tooManyOutputs   more than one output requested
%     korvelToViewer:badClass         P, POS or THETA not real double
%     korvelToViewer:badSize          P without exactly 3 rows; POS with
%                                     fewer than 3 elements; THETA empty
%     korvelToViewer:tooLarge         P too large to create R (2^31 or more
%                                     columns), only where the host's sizes
%                                     are 32-bit, as in MATLAB with
%                                     -compatibleArrayDims
%
%   Example: a viewer at (1, 1, 1) facing +y sees the point (1, 3, 1) ahead
%     R = korvelToViewer([1; 3; 1], [1 1 1], pi/2)
%     % [2; 1.2e-16; 0]: ahead is +x; cos(pi/2) is 6.1e-17, not 0
%
%   See also KORVELOFFSET, KORVELSPIN, TORUSSCREENMEX, CONESCREENMEX.
