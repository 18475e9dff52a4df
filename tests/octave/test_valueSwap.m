% Octave tests of valueSwap, run by run_octave_tests.m.

%!test
%! assert_bits (valueSwap ([1 2 3], [1; 2], [2; 3]), [2 3 3]);
%! assert_bits (valueSwap ([5 6], [5; 5], [1; 2]), [2 6]);
%! assert_bits (valueSwap ([1 2], [1 2], [10 20]), [10 2]);
%! assert_bits (valueSwap ([0 -0], 0, -0), [-0 -0]);
%! R = valueSwap ([NaN 1], [NaN; 1], [7; 8]);
%! assert (isnan (R(1)) && R(2) == 8);
%! V = [1 -0 NaN Inf];
%! assert_bits (valueSwap (V, zeros (0, 1), []), V);
%! assert_bits (valueSwap (zeros (0, 4), 1, 2), zeros (0, 4));

%!test
%! % Many pairs give the same result as the loop over pairs, the last match winning.
%! rand ('twister', 19);  % the same values on every run
%! V = floor (rand (50, 40) * 300);
%! from = floor (rand (5000, 1) * 300); to = rand (5000, 1);
%! expected = V;
%! for k = 1:numel (from)
%!   expected(V == from(k)) = to(k);
%! end
%! assert_bits (valueSwap (V, from, to), expected);
