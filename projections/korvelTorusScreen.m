%KORVELTORUSSCREEN  Points projected onto a toroidal screen of your own.
%   S = KORVELTORUSSCREEN(P, GAIN, HORIZON) maps every point of P, given in
%   the viewer's frame (viewer at the origin, z vertical), onto the unit
%   disc of a toroidal screen, as TORUSSCREENMEX does for its fixed screen:
%   the direction from the screen's centre is the point's bearing, and the
%   screen radius grows linearly with its elevation angle, by GAIN per
%   radian from HORIZON at the horizon.
%
%   P        3-by-N real double matrix, one point (x; y; z) per column.
%   GAIN     real double scalar, finite and not 0: the screen radius per
%            radian of elevation.
%   HORIZON  real double scalar, finite: the screen radius of a point at
%            elevation 0.
%   S        3-by-N double screen matrix: row 1 screen x, row 2 screen y,
%            row 3 the visibility flag (1 or 0). Per point, in this order:
%              rho   = sqrt(x*x + y*y)
%              sigma = atan(z / rho) * GAIN + HORIZON
%              sigma < 0: sigma = 0, flag 0 (off the screen: the centre)
%              else sigma > 1: sigma = 1, flag 0 (off the screen: the rim)
%              S(:,j) = [(sigma*x)/rho; (sigma*y)/rho; flag]
%            On the z axis and for NaN coordinates as in TORUSSCREENMEX.
%
%   The constants from a screen's measurements: phi0, the elevation (in
%   radians) seen at the screen's centre (radius 0), and phi1, the one seen
%   on its rim (radius 1):
%     GAIN = 1/(phi1 - phi0),   HORIZON = -phi0*GAIN
%   and back: phi0 = -HORIZON/GAIN, phi1 = (1 - HORIZON)/GAIN. The default
%   screen of TORUSSCREENMEX, GAIN = 0.4625 and HORIZON = 0.4929, sees
%   phi0 = -61.06 degrees at its centre and phi1 = 62.82 degrees on its rim;
%   TORUSSCREENMEX(P) gives the bits of KORVELTORUSSCREEN(P, 0.4625, 0.4929).
%   A negative GAIN is a screen whose centre sees the higher elevation,
%   e.g. a dome with the zenith at its centre and the horizon on its rim
%   (phi0 = pi/2, phi1 = 0: GAIN = -2/pi, HORIZON = 1). A HORIZON outside 0
%   to 1 puts the horizon off the screen. GAIN = 0 would map every
%   elevation to one radius and is refused. The screen's geometry:
%   docs/screen_torus.png in the source tree.
%
%   Errors (identifier: when):
%     korvelTorusScreen:notEnoughInputs  fewer than 3 inputs
%     korvelTorusScreen:tooManyOutputs   more than one output requested
%     korvelTorusScreen:badClass         P, GAIN or HORIZON not real double
%     korvelTorusScreen:badSize          P without exactly 3 rows; GAIN or
%                                        HORIZON not 1 element
%     korvelTorusScreen:badValue         GAIN or HORIZON NaN or infinite;
%                                        GAIN 0
%     korvelTorusScreen:tooLarge         P too large to create S (2^31 or more
%                                        columns), only where the host's sizes
%                                        are 32-bit, as in MATLAB with
%                                        -compatibleArrayDims
%
%   Example: a screen from 30 degrees below the horizon (centre) to 60
%   above (rim); at the horizon, at 45 degrees, and too low (clamped)
%     GAIN = 1/(pi/3 - (-pi/6));  HORIZON = (pi/6)*GAIN;
%     S = korvelTorusScreen([1 0 1; 0 2 0; 0 2 -1], GAIN, HORIZON)
%     % [0.33333 0 0; 0 0.83333 0; 1 1 0]
%
%   See also TORUSSCREENMEX, KORVELCONESCREEN, KORVELFACESHOWN.
