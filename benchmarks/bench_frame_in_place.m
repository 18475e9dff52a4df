function out = bench_frame_in_place(scene, heading)
%BENCH_FRAME_IN_PLACE  The plain frame of BENCH_HOST with its rows updated in place.
%   OUT = BENCH_FRAME_IN_PLACE(SCENE, HEADING): the same operations in the
%   same order as BENCH_HOST's plain frame, written as updates in place
%   (+=, .*= ...), which GNU Octave does without a new array. A file of its
%   own, since MATLAB cannot read these operators.
c = cos(-heading);
s = sin(-heading);
u = scene.X - scene.position(1);
y = scene.Y - scene.position(2);
z = scene.Z - scene.position(3);
v = u * s;
v += y * c;
u *= c;
u -= y * s;
q = u .* u;
q += v .* v;
rho = sqrt(q);
sigma = atan(z ./ rho);
sigma *= 0.4625;
sigma += 0.4929;
below = sigma < 0;
above = sigma > 1;
sigma(below) = 0;
sigma(above) = 1;
on = ~(below | above);
u .*= sigma;
u ./= rho;
v .*= sigma;
v ./= rho;
z .*= z;
z += q;
out = {u, v, on, scene.mask & (on(scene.F1) | on(scene.F2) | on(scene.F3)), sqrt(z)};
end
