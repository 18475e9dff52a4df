% Octave tests of korvelRange, run by run_octave_tests.m.

%!test
%! % sqrt((x*x + y*y) + z*z), summed in that order, nothing scaled.
%! P = [3 -3 0 -0 1e200 1e-200 NaN Inf 0.1; 4 -4 0 -0 0 0 1 NaN 0.2; 0 0 0 -0 0 0 2 3 0.3];
%! expected = sqrt ((P(1,:).*P(1,:) + P(2,:).*P(2,:)) + P(3,:).*P(3,:));
%! R = korvelRange (P);
%! assert_bits (R, expected);
%! assert_bits (R(1:6), [5 5 0 0 Inf 0]);
%! assert (isnan (R(7)) && isnan (R(8)));

%!test
%! assert_bits (korvelRange (zeros (3, 0)), zeros (1, 0));
%! assert (isequal (size (korvelRange (ones (3, 4))), [1 4]));
