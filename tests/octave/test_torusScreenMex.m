% Octave tests of torusScreenMex, run by run_octave_tests.m.

%!function S = torus_reference (P)
%!  x = P(1,:); y = P(2,:); z = P(3,:);
%!  rho = sqrt (x.*x + y.*y);
%!  sigma = atan (z ./ rho) * 0.4625 + 0.4929;
%!  flag = ones (size (x));
%!  low = sigma < 0; high = ! low & sigma > 1;
%!  sigma(low) = 0; sigma(high) = 1; flag(low | high) = 0;
%!  S = [(sigma .* x) ./ rho; (sigma .* y) ./ rho; flag];
%!endfunction

%!test
%! P = [1 3 0 -2 1 3 0 0 0 NaN 0.5; 0 4 2 0 0 4 0 0 0 1 -0.25; 0 0 2 1 10 -100 5 -5 0 1 0.3];
%! S = torusScreenMex (P);
%! assert_bits (S, torus_reference (P));
%! assert_bits (S(:, [1 6]), [0.4929 0; 0 0; 1 0]);
%! assert_bits (S(3, :), [1 1 1 1 0 0 0 0 1 1 1]);
%! assert (all (all (isnan (S(1:2, 7:10)))));

%!test
%! randn ('twister', 19);  % the same points on every run
%! P = randn (3, 500) .* [1; 1; 3];
%! assert_bits (torusScreenMex (P), torus_reference (P));
%! assert_bits (torusScreenMex (zeros (3, 0)), zeros (3, 0));

%!test
%! assert_error_id ('torusScreenMex:notEnoughInputs', @torusScreenMex);
%! assert_error_id ('torusScreenMex:badClass', @torusScreenMex, single ([1; 2; 3]));
%! assert_error_id ('torusScreenMex:badSize', @torusScreenMex, ones (2, 2));
