% Octave tests of torusScreenMex and korvelTorusScreen, run by
% run_octave_tests.m.

%!function S = torus_reference (P, gain, horizon)
%!  if nargin < 2  % the default screen
%!    gain = 0.4625; horizon = 0.4929;
%!  end
%!  x = P(1,:); y = P(2,:); z = P(3,:);
%!  rho = sqrt (x.*x + y.*y);
%!  sigma = atan (z ./ rho) * gain + horizon;
%!  flag = ones (size (x));
%!  low = sigma < 0; high = ! low & sigma > 1;
%!  sigma(low) = 0; sigma(high) = 1; flag(low | high) = 0;
%!  S = [(sigma .* x) ./ rho; (sigma .* y) ./ rho; flag];
%!endfunction

%!test
%! P = [1 3 0 -2 1 3 0 0 0 NaN 0.5; 0 4 2 0 0 4 0 0 0 1 -0.25; 0 0 2 1 10 -100 5 -5 0 1 0.3];
%! S = torusScreenMex (P);
%! assert_bits (S, torus_reference (P));
%! assert_bits (korvelTorusScreen (P, 0.4625, 0.4929), S);
%! assert_bits (S(:, [1 6]), [0.4929 0; 0 0; 1 0]);
%! assert_bits (S(3, :), [1 1 1 1 0 0 0 0 1 1 1]);
%! assert (all (all (isnan (S(1:2, 7:10)))));

%!test
%! randn ('twister', 19);  % the same points on every run
%! P = randn (3, 500) .* [1; 1; 3];
%! assert_bits (torusScreenMex (P), torus_reference (P));
%! assert_bits (korvelTorusScreen (P, 0.4625, 0.4929), torusScreenMex (P));
%! assert_bits (torusScreenMex (zeros (3, 0)), zeros (3, 0));
%! % A dome: the zenith at the centre, the horizon on the rim.
%! gain = 1 / (0 - pi/2);
%! assert_bits (korvelTorusScreen (P, gain, -gain * pi/2), torus_reference (P, gain, -gain * pi/2));
%! assert_bits (korvelTorusScreen (zeros (3, 0), 2, -1), zeros (3, 0));

%!test
%! assert_error_id ('torusScreenMex:notEnoughInputs', @torusScreenMex);
%! assert_error_id ('torusScreenMex:badClass', @torusScreenMex, single ([1; 2; 3]));
%! assert_error_id ('torusScreenMex:badSize', @torusScreenMex, ones (2, 2));
%! assert_error_id ('korvelTorusScreen:notEnoughInputs', @korvelTorusScreen, [1; 2; 3], 0.5);
%! assert_error_id ('korvelTorusScreen:badValue', @korvelTorusScreen, [1; 2; 3], 0, 0.5);
%! assert_error_id ('korvelTorusScreen:badValue', @korvelTorusScreen, [1; 2; 3], 0.5, NaN);
%! assert_error_id ('korvelTorusScreen:badSize', @korvelTorusScreen, [1; 2; 3], [0.4625 0.4929], 1);
