% Octave tests of korvelStrokeText, run by run_octave_tests.m.

%!test
%! % The writes land in the caller's own buffers and counter.
%! B = zeros (4, 6); C = zeros (6, 6); n = zeros (1, 1);
%! T = [0.25 0; 0.5 0; 0.75 1; 1 1];
%! korvelStrokeText (B, C, n, T, [1 2 1], 10, [100 20], 3, [0.1 0.2 0.3]);
%! assert_bits (n, 3);
%! assert_bits (B(:, 1), [122.5; 25; 127.5; 30]);
%! assert_bits (B(:, 2), [120; 20; 130; 30]);
%! assert_bits (B(:, 3), B(:, 1));
%! assert_bits (C(:, 1:3), repmat ([0.1; 0.2; 0.3; 0.1; 0.2; 0.3], 1, 3));
%! korvelStrokeText (B, C, n, T, [2.9 1], 10, [100 20], 1, [1 1 1]);
%! assert_bits (n, 5);
%! assert_bits (B(:, 4:5), [100 102.5; 20 25; 110 107.5; 30 30]);
%! assert_bits (B(:, 6), zeros (4, 1));

%!test
%! % A fractional counter places strokes from its whole part and keeps its fraction.
%! B = zeros (4, 5); C = zeros (6, 5); n = zeros (1, 1) + 2.5;
%! korvelStrokeText (B, C, n, [0; 0; 1; 1], [1 1], 1, [0 0], 1, [1 2 3]);
%! assert_bits (n, 4.5);
%! assert_bits (B(:, 3:4), [0 0; 0 0; 1 1; 1 1]);
%! assert_bits (B(:, [1 2 5]), zeros (4, 3));

%!test
%! % A refused call changes nothing.
%! B = zeros (4, 2); C = zeros (6, 2); n = zeros (1, 1) + 1;
%! T = [0; 0; 1; 1];
%! assert_error_id ('korvelStrokeText:badSize', @korvelStrokeText, B, C, n, T, [1 1], 1, [0 0], 1, [1 2 3]);
%! assert_error_id ('korvelStrokeText:badIndex', @korvelStrokeText, B, C, n, T, 2, 1, [0 0], 1, [1 2 3]);
%! assert_error_id ('korvelStrokeText:notEnoughInputs', @korvelStrokeText, B, C, n, T, 1, 1, [0 0], 1);
%! assert_bits (B, zeros (4, 2));
%! assert_bits (C, zeros (6, 2));
%! assert_bits (n, 1);

%!test
%! cross_check (random_calls ('korvelStrokeText', 100, 7));
