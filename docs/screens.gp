# The geometry of the two screens and what their constants mean, drawn at
# the default constants: docs/screen_torus.png and docs/screen_cone.png.
# From the top of the tree:  gnuplot docs/screens.gp
set encoding utf8
set terminal pngcairo size 960,420 font "FreeSans,10" noenhanced
set size ratio -1
unset key
unset border
unset tics
deg = pi / 180

# --- Toroidal screen ---------------------------------------------------------
gain = 0.4625
horizon = 0.4929
phi0 = -horizon / gain        # seen at the centre, screen radius 0
phi1 = (1 - horizon) / gain   # seen on the rim, screen radius 1

set output "docs/screen_torus.png"
set multiplot layout 1,2 title "korvelTorusScreen(P, GAIN, HORIZON): screen radius = elevation * GAIN + HORIZON (torusScreenMex: GAIN 0.4625, HORIZON 0.4929)"

# Side view: the eye and the elevations that reach the centre, the horizon
# and the rim.
set title "Side view: the elevation each screen radius shows"
set xrange [-0.35:2.25]
set yrange [-1.45:1.45]
set parametric
set trange [phi0:phi1]
set object 1 circle at 0,0 size 0.035 fillstyle solid fc "black" front
set label 1 "eye" at -0.06,0.12 right
set arrow 1 from 0,0 to 1.35*cos(phi0),1.35*sin(phi0) nohead lw 1.5 lc "#1f77b4"
set arrow 2 from 0,0 to 1.6,0 nohead lw 1.5 lc "#2ca02c"
set arrow 3 from 0,0 to 1.35*cos(phi1),1.35*sin(phi1) nohead lw 1.5 lc "#d62728"
set label 2 sprintf("phi0 = -HORIZON/GAIN = %.2f°\nscreen centre (radius 0)", phi0/deg) \
  at 1.38*cos(phi0),1.38*sin(phi0) left tc "#1f77b4"
set label 3 sprintf("horizon (elevation 0)\nscreen radius HORIZON = %.4f", horizon) at 1.63,0 left tc "#2ca02c"
set label 4 sprintf("phi1 = (1 - HORIZON)/GAIN = %.2f°\nscreen rim (radius 1)", phi1/deg) \
  at 1.38*cos(phi1),1.38*sin(phi1) left tc "#d62728"
set label 5 "higher: on the rim, flag 0" at -0.33,1.05 left tc "#777777"
set label 6 "lower: on the centre, flag 0" at -0.33,-1.05 left tc "#777777"
set label 7 "GAIN = 1/(phi1 - phi0)\nHORIZON = -phi0*GAIN" at 1.05,-0.7 left
plot cos(t), sin(t) lw 3 lc "#555555"

# Front view: the unit disc, the horizon's circle and a ring every 30°.
unset object 1
unset arrow
unset label
set title "The screen: bearing = direction, elevation = radius"
set xrange [-1.25:1.6]
set yrange [-1.25:1.25]
set trange [0:2*pi]
set label 1 "centre: phi0" at -0.03,0.07 right tc "#1f77b4"
set label 2 "rim: phi1" at 0.75,-0.78 left tc "#d62728"
set label 3 "horizon" at horizon*cos(40*deg)+0.03,horizon*sin(40*deg)+0.03 left tc "#2ca02c"
do for [e = -30:60:30] {
  r = e*deg*gain + horizon
  if (e != 0 && r > 0 && r < 1) {
    set label sprintf("%+d°", e) at r*cos(-20*deg)+0.02,r*sin(-20*deg) left tc "#777777" font ",8"
  }
}
set label 9 "ring of elevation e (degrees here, radians in the formula):\nradius e*GAIN + HORIZON" at -1.2,-1.12 left
plot cos(t), sin(t) lw 3 lc "#d62728", \
     horizon*cos(t), horizon*sin(t) lw 1.5 dt 2 lc "#2ca02c", \
     for [e = -30:60:30] (e*deg*gain + horizon)*cos(t), (e*deg*gain + horizon)*sin(t) lw 0.7 lc "#bbbbbb"
unset multiplot
unset label

# --- Conical screen ----------------------------------------------------------
radial = 2.0349
vertical = 0.98988
apex = -1 / vertical              # the apex's height (below the eye)
rim = (radial - 1) / vertical     # the rim's height, at horizontal distance 1

set output "docs/screen_cone.png"
set multiplot layout 1,2 title "korvelConeScreen(P, RADIAL, VERTICAL): the cone RADIAL*rho - VERTICAL*z = 1 (coneScreenMex: RADIAL 2.0349, VERTICAL 0.98988)"

# Side view: the cone through its axis, lengths in rim radii.
set title "Side view, in units of the rim's horizontal radius"
set xrange [-1.45:2.3]
set yrange [-1.35:1.5]
set trange [-1:1]
set object 1 circle at 0,0 size 0.035 fillstyle solid fc "black" front
set label 1 "eye" at -0.07,0.1 right
set arrow 1 from 0,0 to 1.15,0 nohead lw 1.2 lc "#2ca02c"
set arrow 2 from 0,0 to 1.3,1.3*rim nohead lw 1.2 dt 2 lc "#d62728"
set arrow 3 from 1.15,apex to 1.15,0 heads lw 1 lc "#1f77b4"
set arrow 4 from 1.02,0 to 1.02,rim heads lw 1 lc "#d62728"
set arrow 5 from 0,1.32 to 1,1.32 heads lw 1 lc "#555555"
set label 2 sprintf("apex depth 1/VERTICAL = %.4f", -apex) at 1.2,apex/2 left tc "#1f77b4"
set label 3 sprintf("rim height (RADIAL - 1)/VERTICAL = %.4f\nseen at %.2f°; steeper: on the rim, flag 0", \
  rim, atan(rim)/deg) at 1.07,rim/2+0.15 left tc "#d62728"
set object 2 circle at 1/radial,0 size 0.03 fillstyle solid fc "#2ca02c" front
set label 4 sprintf("horizon: meets the cone at\nscreen radius 1/RADIAL = %.4f", 1/radial) at 1.2,0.3 left tc "#2ca02c"
set label 5 "rim radius 1" at 0.5,1.4 center
set label 6 "VERTICAL = R/D, RADIAL = 1 + H/D\n(D apex depth, H rim height, R rim radius)" at -1.4,-1.15 left
plot t, apex + abs(t)*(rim - apex) lw 3 lc "#555555"

# From above: the screen disc.
unset object 1
unset object 2
unset arrow
unset label
set title "The screen from above: the cone's x and y"
set xrange [-1.25:1.6]
set yrange [-1.25:1.25]
set trange [0:2*pi]
set label 1 "centre: straight below" at -0.03,0.07 right tc "#1f77b4"
set label 2 "rim" at 0.75,-0.78 left tc "#d62728"
set label 3 "horizon" at cos(40*deg)/radial+0.03,sin(40*deg)/radial+0.03 left tc "#2ca02c"
set label 9 "radius at elevation e (rings at -60°, -30°, 30°):\n1/(RADIAL - VERTICAL*tan e)" at -1.2,-1.12 left
plot cos(t), sin(t) lw 3 lc "#d62728", \
     cos(t)/radial, sin(t)/radial lw 1.5 dt 2 lc "#2ca02c", \
     for [e = -60:30:30] cos(t)/(radial - vertical*tan(e*deg)), sin(t)/(radial - vertical*tan(e*deg)) lw 0.7 lc "#bbbbbb"
unset multiplot
