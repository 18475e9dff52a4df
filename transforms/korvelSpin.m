%KORVELSPIN  Points turned about the z axis by minus an angle.
%   R = KORVELSPIN(P, THETA) turns every point of P about the z axis by
%   -THETA radians and returns the turned points; z passes through unchanged.
%   For positive THETA a point on the positive x axis moves toward the
%   negative y axis.
%
%   P      3-by-N real double matrix, one point (x; y; z) per column.
%   THETA  real double array with at least 1 element; its first element is
%          the angle in radians, whatever its shape.
%   R      3-by-N double matrix. With c = cos(-THETA) and s = sin(-THETA),
%          taken once per call: R(1,j) = x*c - y*s, R(2,j) = x*s + y*c,
%          R(3,j) = z. Both products of a row are always formed, so an
%          infinite x or y makes the other row NaN even at THETA = 0, and the
%          result carries the rounding of the cosine and sine (THETA = pi/2
%          gives a row 1 of about 6.1e-17*x, not 0). NaN, infinities and
%          signed zeros follow IEEE rules and are not checked.
%
%   In the rendering pipeline this follows KORVELOFFSET, with the viewer's
%   heading as THETA, to bring the points into the viewer's frame.
%
%   Errors (identifier: when):
%     korvelSpin:notEnoughInputs  fewer than 2 inputs
%     korvelSpin:tooManyOutputs   more than one output requested
%     korvelSpin:badClass         P or THETA not real double
%     korvelSpin:badSize          P without exactly 3 rows; THETA empty
%     korvelSpin:tooLarge         P too large to create R (2^31 or more columns),
%                                 only where the host's sizes are 32-bit, as
%                                 in MATLAB with -compatibleArrayDims
%
%   Example: a quarter turn moves +x to -y and +y to +x
%     R = korvelSpin([1 0; 0 1; 5 5], pi/2)
%     % [6.1e-17 1; -1 6.1e-17; 5 5]: cos(pi/2) is 6.1e-17, not 0
%
%   See also KORVELOFFSET, KORVELRANGE, TORUSSCREENMEX, CONESCREENMEX.
