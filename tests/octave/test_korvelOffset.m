% Octave tests of korvelOffset, run by run_octave_tests.m.

%!test
%! % Each element is one subtraction, point minus position.
%! P = [1 -0 Inf 1e308 5; 2 0 Inf NaN 0.1; 3 -0 -Inf 7 -0];
%! pos = [1; 0; 0.3];
%! assert_bits (korvelOffset (P, pos), [P(1,:) - pos(1); P(2,:) - pos(2); P(3,:) - pos(3)]);
%! assert_bits (korvelOffset ([1; 2; 3], [1 1 1]), [0; 1; 2]);

%!test
%! % A zero position copies the points, negative zeros and NaN included.
%! P = [-0 NaN; Inf -1e-310; -0 2];
%! assert_bits (korvelOffset (P, [0 0 0]), P - 0);
%! R = korvelOffset (P, [0 0 0]);
%! assert (signbit (R(1, 1)));

%!test
%! % The position's shape does not matter; elements past the third are ignored.
%! randn ('twister', 19);  % the same points on every run
%! P = randn (3, 7);
%! expected = korvelOffset (P, [0.5; -2; 3]);
%! assert_bits (korvelOffset (P, [0.5 -2 3]), expected);
%! assert_bits (korvelOffset (P, [0.5 -2 3 99 NaN]), expected);
%! assert_bits (korvelOffset (P, [0.5 3; -2 99]), expected);

%!test
%! % Empty point matrices keep their three rows.
%! assert_bits (korvelOffset (zeros (3, 0), [1 2 3]), zeros (3, 0));

%!test
%! % +Inf minus +Inf is NaN; a NaN position makes its whole row NaN.
%! R = korvelOffset ([Inf 1; 1 2; 1 3], [Inf NaN 0]);
%! assert (isnan (R(1, 1)) && all (isnan (R(2, :))));
%! assert_bits (R(3, :), [1 3]);

%!test
%! % Values the case file cannot hold; the others are the case table's refused calls.
%! assert_error_id ('korvelOffset:badClass', @korvelOffset, [1; 2; 3] + 1i, [1 2 3]);
%! assert_error_id ('korvelOffset:badClass', @korvelOffset, sparse ([1; 2; 3]), [1 2 3]);
