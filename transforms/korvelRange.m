%KORVELRANGE  Distance of every point from the origin.
%   D = KORVELRANGE(P) returns the Euclidean distance of each point of P
%   from the origin: for points in the viewer's frame, their distance from
%   the viewer, for ordering by depth.
%
%   P  3-by-N real double matrix, one point (x; y; z) per column.
%   D  1-by-N double row vector: D(j) = sqrt((x*x + y*y) + z*z), added in
%      that order. Nothing is scaled, so a coordinate whose square
%      overflows gives Inf (1e200 gives Inf) and one whose square
%      underflows counts as 0. A NaN coordinate gives NaN; otherwise an
%      infinite one gives Inf. Values are not checked.
%
%   Errors (identifier: when):
%     korvelRange:notEnoughInputs  no input
%     korvelRange:tooManyOutputs   more than one output requested
%     korvelRange:badClass         P not real double
%     korvelRange:badSize          P without exactly 3 rows
%     korvelRange:tooLarge         P too large to create D (2^31 or more columns),
%                                  only where the host's sizes are 32-bit, as
%                                  in MATLAB with -compatibleArrayDims
%
%   Example:
%     D = korvelRange([3 0 1e200; 4 0 0; 0 0 0])   % [5 0 Inf]
%
%   See also KORVELOFFSET, KORVELSPIN.
