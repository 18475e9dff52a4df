%CONESCREENMEX  Points projected onto a conical screen.
%   S = CONESCREENMEX(P) maps every point of P, given in the viewer's frame
%   (viewer at the origin, z vertical), onto the screen cone
%   2.0349*rho - 0.98988*z = 1, whose rim lies at horizontal distance 1:
%   each point is scaled along its ray onto the cone, and the screen
%   position is the x and y of the scaled point.
%
%   P  3-by-N real double matrix, one point (x; y; z) per column.
%   S  3-by-N double screen matrix: row 1 screen x, row 2 screen y, row 3
%      the visibility flag (1 or 0). Per point, in this order:
%        rho    = sqrt(x*x + y*y)
%        delta  = rho*2.0349 - z*0.98988
%        lambda = 1/delta,  mu = 1/rho
%        lambda < 0 or else lambda > mu: lambda = mu, flag 0 (the rim)
%        S(:,j) = [lambda*x; lambda*y; flag]
%      Points up to about 46.27 degrees of elevation, and all below the
%      horizon, land on the screen with flag 1; steeper ones go to the rim
%      at their bearing with flag 0. On the z axis: below the viewer the
%      centre with flag 1, above it NaN with flag 0, at the viewer NaN with
%      flag 1. A NaN coordinate gives NaN screen x and y with flag 1.
%      Values are not checked.
%
%   Errors (identifier: when):
%     coneScreenMex:notEnoughInputs  no input
%     coneScreenMex:tooManyOutputs   more than one output requested
%     coneScreenMex:badClass         P not real double
%     coneScreenMex:badSize          P without exactly 3 rows
%     coneScreenMex:tooLarge         P too large to create S (2^31 or more columns),
%                                    only where the host's sizes are 32-bit, as
%                                    in MATLAB with -compatibleArrayDims
%
%   Example: at the horizon, at 45 degrees, and too steep (clamped)
%     S = coneScreenMex([1 1 1; 0 0 0; 0 1 3])
%     % [0.49142 0.95692 1; 0 0 0; 1 1 0]
%
%   See also TORUSSCREENMEX, KORVELSPIN, KORVELFACESHOWN.
