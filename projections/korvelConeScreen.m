%KORVELCONESCREEN  Points projected onto a conical screen of your own.
%   S = KORVELCONESCREEN(P, RADIAL, VERTICAL) maps every point of P, given
%   in the viewer's frame (viewer at the origin, z vertical), onto the
%   screen cone RADIAL*rho - VERTICAL*z = 1, as CONESCREENMEX does for its
%   fixed cone: each point is scaled along its ray onto the cone, and the
%   screen position is the x and y of the scaled point. Lengths are in
%   units of the rim's horizontal radius: the rim lies at rho = 1.
%
%   P         3-by-N real double matrix, one point (x; y; z) per column.
%   RADIAL    real double scalar, finite: the coefficient of the horizontal
%             distance rho in the cone denominator.
%   VERTICAL  real double scalar, finite and not 0: the coefficient of z.
%   S         3-by-N double screen matrix: row 1 screen x, row 2 screen y,
%             row 3 the visibility flag (1 or 0). Per point, in this order:
%               rho    = sqrt(x*x + y*y)
%               delta  = rho*RADIAL - z*VERTICAL
%               lambda = 1/delta,  mu = 1/rho
%               lambda < 0 or else lambda > mu: lambda = mu, flag 0 (the rim)
%               S(:,j) = [lambda*x; lambda*y; flag]
%             On the z axis and for NaN coordinates as in CONESCREENMEX.
%
%   The constants from a screen's measurements, D the depth of the cone's
%   apex below the eye, H the height of its rim above the eye (negative
%   when below) and R the rim's horizontal radius, in one unit:
%     VERTICAL = R/D,   RADIAL = 1 + H/D
%   and back: the apex at z = -1/VERTICAL, the rim at rho = 1 and
%   z = (RADIAL - 1)/VERTICAL, in units of R. At the horizon a point lands
%   at screen radius 1/RADIAL; the rim is seen at elevation
%   atan((RADIAL - 1)/VERTICAL), and steeper points go to the rim with flag
%   0. The default cone of CONESCREENMEX, RADIAL = 2.0349 and VERTICAL =
%   0.98988, has its apex 1.0102 below the eye and its rim 1.0455 above it
%   (seen at 46.27 degrees); CONESCREENMEX(P) gives the bits of
%   KORVELCONESCREEN(P, 2.0349, 0.98988). RADIAL = 0 is a flat screen at
%   z = -1/VERTICAL, and a negative VERTICAL puts the apex above the eye.
%   VERTICAL = 0 would leave the cone without an apex, every point at one
%   radius, and is refused. The screen's geometry: docs/screen_cone.png in
%   the source tree.
%
%   Errors (identifier: when):
%     korvelConeScreen:notEnoughInputs  fewer than 3 inputs
%     korvelConeScreen:tooManyOutputs   more than one output requested
%     korvelConeScreen:badClass         P, RADIAL or VERTICAL not real double
%     korvelConeScreen:badSize          P without exactly 3 rows; RADIAL or
%                                       VERTICAL not 1 element
%     korvelConeScreen:badValue         RADIAL or VERTICAL NaN or infinite;
%                                       VERTICAL 0
%     korvelConeScreen:tooLarge         P too large to create S (2^31 or more
%                                       columns), only where the host's sizes
%                                       are 32-bit, as in MATLAB with
%                                       -compatibleArrayDims
%
%   Example: a shallow cone, apex half a rim radius below the eye and rim
%   at eye height; at the horizon (the rim), below it, and too high
%     D = 0.5;  H = 0;  R = 1;
%     S = korvelConeScreen([1 3 0; 0 4 2; 0 -2 1], 1 + H/D, R/D)
%     % [1 0.33333 0; 0 0.44444 1; 1 1 0]
%
%   See also CONESCREENMEX, KORVELTORUSSCREEN, KORVELFACESHOWN.
