% Octave tests of korvelSpin, run by run_octave_tests.m.

%!test
%! % Rows 1 and 2 are x*c - y*s and x*s + y*c with c = cos(-theta), s = sin(-theta).
%! P = [1 0 -2.5 Inf 1e300; 0 1 3 1 -0; 5 -0 NaN 7 Inf];
%! theta = 0.7;
%! c = cos (-theta); s = sin (-theta);
%! expected = [P(1,:)*c - P(2,:)*s; P(1,:)*s + P(2,:)*c; P(3,:)];
%! assert_bits (korvelSpin (P, theta), expected);

%!test
%! % A quarter turn carries the cosine's rounding; z passes through bit for bit.
%! c = cos (-pi/2);
%! assert_bits (korvelSpin ([1 0; 0 1; 5 -0], pi/2), [c 1; -1 c; 5 -0]);
%! assert (c != 0);

%!test
%! % Angle 0 still forms both products: an infinite x makes row 2 NaN.
%! R = korvelSpin ([Inf; 2; 3], 0);
%! assert (R(1) == Inf && isnan (R(2)) && R(3) == 3);
%! R = korvelSpin ([1 2; 3 4; 5 6], NaN);
%! assert (all (all (isnan (R(1:2, :)))));
%! assert_bits (R(3, :), [5 6]);

%!test
%! % Empty points keep three rows; only THETA's first element counts.
%! assert_bits (korvelSpin (zeros (3, 0), 1), zeros (3, 0));
%! randn ('twister', 19);  % the same points on every run
%! P = randn (3, 5);
%! assert_bits (korvelSpin (P, [0.3 99]), korvelSpin (P, 0.3));

%!test
%! assert_error_id ('korvelSpin:notEnoughInputs', @korvelSpin, [1; 2; 3]);
%! assert_error_id ('korvelSpin:badClass', @korvelSpin, single ([1; 2; 3]), 1);
%! assert_error_id ('korvelSpin:badSize', @korvelSpin, ones (2, 3), 1);
%! assert_error_id ('korvelSpin:badSize', @korvelSpin, ones (3, 3), []);

%!test
%! % korvelToViewer gives the bits of korvelOffset then korvelSpin.
%! s = [0 -0 1 -2.5 Inf -Inf NaN 1e300 1e-310];
%! [x, y, z] = ndgrid (s, s, s);
%! P = [x(:)'; y(:)'; z(:)'];
%! for pos = {[0 0 0], [-0 -0 -0], [0.75; -20; 5], [NaN 1 -Inf], [Inf -1e300 1e-310 9]}
%!   for theta = [0 -0 pi/2 pi -2.5 1e22 -1e300 NaN Inf]
%!     assert_bits (korvelToViewer (P, pos{1}, theta), korvelSpin (korvelOffset (P, pos{1}), theta));
%!   end
%! end
%! assert_bits (korvelToViewer (zeros (3, 0), [1 2 3], [0.3 99]), zeros (3, 0));
%! assert_error_id ('korvelToViewer:notEnoughInputs', @korvelToViewer, [1; 2; 3], [0 0 0]);
%! assert_error_id ('korvelToViewer:badSize', @korvelToViewer, [1; 2; 3], [0 0 0], []);
