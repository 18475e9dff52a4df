% Octave tests of coneScreenMex and korvelConeScreen, run by
% run_octave_tests.m.

%!function S = cone_reference (P, radial, vertical)
%!  if nargin < 2  % the default screen
%!    radial = 2.0349; vertical = 0.98988;
%!  end
%!  x = P(1,:); y = P(2,:); z = P(3,:);
%!  rho = sqrt (x.*x + y.*y);
%!  lambda = 1 ./ (rho * radial - z * vertical);
%!  mu = 1 ./ rho;
%!  flag = ones (size (x));
%!  clamp = lambda < 0 | lambda > mu;
%!  lambda(clamp) = mu(clamp); flag(clamp) = 0;
%!  S = [lambda .* x; lambda .* y; flag];
%!endfunction

%!test
%! P = [1 3 1 2 1 1 0 0 0 NaN; 0 4 0 0 0 0 0 0 0 1; 0 0 1 -2 1.1 3 -5 5 0 1];
%! S = coneScreenMex (P);
%! assert_bits (S, cone_reference (P));
%! assert_bits (korvelConeScreen (P, 2.0349, 0.98988), S);
%! assert_bits (S(:, [5 6 7]), [1 1 0; 0 0 0; 0 0 1]);
%! assert_bits (S(3, :), [1 1 1 1 0 0 1 0 1 1]);
%! assert (all (all (isnan (S(1:2, 8:10)))));

%!test
%! randn ('twister', 19);  % the same points on every run
%! P = randn (3, 500) .* [1; 1; 3];
%! assert_bits (coneScreenMex (P), cone_reference (P));
%! assert_bits (korvelConeScreen (P, 2.0349, 0.98988), coneScreenMex (P));
%! assert_bits (coneScreenMex (zeros (3, 0)), zeros (3, 0));
%! % A shallow cone, apex half a rim radius below the eye, rim at eye height.
%! assert_bits (korvelConeScreen (P, 1, 2), cone_reference (P, 1, 2));
%! assert_bits (korvelConeScreen (zeros (3, 0), 1, 2), zeros (3, 0));

%!test
%! assert_error_id ('coneScreenMex:notEnoughInputs', @coneScreenMex);
%! assert_error_id ('coneScreenMex:badClass', @coneScreenMex, [1; 2; 3] + 1i);
%! assert_error_id ('coneScreenMex:badSize', @coneScreenMex, ones (4, 1));
%! assert_error_id ('korvelConeScreen:notEnoughInputs', @korvelConeScreen, [1; 2; 3], 1);
%! assert_error_id ('korvelConeScreen:badValue', @korvelConeScreen, [1; 2; 3], 1, 0);
%! assert_error_id ('korvelConeScreen:badValue', @korvelConeScreen, [1; 2; 3], -Inf, 1);
%! assert_error_id ('korvelConeScreen:badClass', @korvelConeScreen, [1; 2; 3], single (1), 1);
