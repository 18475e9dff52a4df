%TORUSSCREENMEX  Points projected onto a toroidal screen.
%   S = TORUSSCREENMEX(P) maps every point of P, given in the viewer's frame
%   (viewer at the origin, z vertical), onto the unit disc of a toroidal
%   screen: the direction from the screen's centre is the point's bearing,
%   and the screen radius grows with its elevation angle.
%
%   P  3-by-N real double matrix, one point (x; y; z) per column.
%   S  3-by-N double screen matrix: row 1 screen x, row 2 screen y, row 3
%      the visibility flag (1 or 0). Per point, in this order:
%        rho   = sqrt(x*x + y*y)
%        sigma = atan(z / rho) * 0.4625 + 0.4929
%        sigma < 0: sigma = 0, flag 0 (below the screen: the centre)
%        else sigma > 1: sigma = 1, flag 0 (above it: the rim)
%        S(:,j) = [(sigma*x)/rho; (sigma*y)/rho; flag]
%      Unclamped elevations run from about -61.06 to 62.82 degrees. A point
%      on the z axis gets NaN screen x and y, flag 0 above or below the
%      viewer and flag 1 at the viewer's own position; a NaN coordinate
%      gives NaN screen x and y with flag 1. Values are not checked.
%
%   Errors (identifier: when):
%     torusScreenMex:notEnoughInputs  no input
%     torusScreenMex:tooManyOutputs   more than one output requested
%     torusScreenMex:badClass         P not real double
%     torusScreenMex:badSize          P without exactly 3 rows
%     torusScreenMex:tooLarge         P too large to create S (2^31 or more columns),
%                                     only where the host's sizes are 32-bit, as
%                                     in MATLAB with -compatibleArrayDims
%
%   Example: at the horizon, along a bearing, and too high (clamped)
%     S = torusScreenMex([1 3 1; 0 4 0; 0 0 10])
%     % [0.4929 0.29574 1; 0 0.39432 0; 1 1 0]
%
%   See also CONESCREENMEX, KORVELSPIN, KORVELFACESHOWN.
