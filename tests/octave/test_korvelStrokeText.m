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

%!function [B, C, n] = buffers (counter)
%!  % The same bits on every call; N has 4 rows so that it can pass as T too.
%!  B = ones (4, 6);
%!  C = ones (6, 6);
%!  n = ones (4, 2);
%!  n(1) = counter;
%!endfunction

%!test
%! % Refused before anything is written, whatever the reason, with B, C and N
%! % left bit for bit: inputs sharing memory through which a write could change
%! % a value still to be read or two writes land on one element (a slice such
%! % as B(:, 3), or a reshape, shares its original's memory), an output
%! % requested, values out of range.
%! T = [0 1; 0 1; 1 1; 1 0];
%! cases = {
%!   % identifier, N(1), outputs requested, call
%!   'sharedData', 1, 0, @(B, C, n) korvelStrokeText (B, C, B(:, 3), T, 1, 1, [0 0], 1, [1 1 1])
%!   'sharedData', 1, 0, @(B, C, n) korvelStrokeText (B, C, C(:, 2), T, 1, 1, [0 0], 1, [1 1 1])
%!   'sharedData', 1, 0, @(B, C, n) korvelStrokeText (B, reshape (B, 6, 4), n, T, 1, 1, [0 0], 1, [1 1 1])
%!   'sharedData', 1, 0, @(B, C, n) korvelStrokeText (B, C, n, B(:, 1:2), 1, 1, [0 0], 1, [1 1 1])
%!   'sharedData', 1, 0, @(B, C, n) korvelStrokeText (B, C, n, reshape (C(1:8), 4, 2), 1, 1, [0 0], 1, [1 1 1])
%!   'sharedData', 1, 0, @(B, C, n) korvelStrokeText (B, C, n, n, 1, 1, [0 0], 1, [1 1 1])
%!   'sharedData', 1, 0, @(B, C, n) korvelStrokeText (B, C, n, T, B(1:2), 1, [0 0], 1, [1 1 1])
%!   'sharedData', 1, 0, @(B, C, n) korvelStrokeText (B, C, n, T, C(5:6), 1, [0 0], 1, [1 1 1])
%!   'sharedData', 1, 0, @(B, C, n) korvelStrokeText (B, C, n, T, n(1:2), 1, [0 0], 1, [1 1 1])
%!   'tooManyOutputs', 1, 1, @(B, C, n) korvelStrokeText (B, C, n, T, 1, 1, [0 0], 1, [1 1 1])
%!   'badValue', -1, 0, @(B, C, n) korvelStrokeText (B, C, n, T, 1, 1, [0 0], 1, [1 1 1])
%!   'badIndex', 1, 0, @(B, C, n) korvelStrokeText (B, C, n, T, [1 3], 1, [0 0], 1, [1 1 1])
%!   'badSize', 5, 0, @(B, C, n) korvelStrokeText (B, C, n, T, [1 2], 1, [0 0], 1, [1 1 1])
%!   'badClass', 1, 0, @(B, C, n) korvelStrokeText (B, C, n, T, 1, single (1), [0 0], 1, [1 1 1])
%!   'notEnoughInputs', 1, 0, @(B, C, n) korvelStrokeText (B, C, n, T, 1, 1, [0 0], 1)};
%! for k = 1:rows (cases)
%!   [identifier, counter, outputs, run] = cases{k, :};
%!   [B, C, n] = buffers (counter);
%!   raised = 'no error';
%!   try
%!     if outputs == 0
%!       run (B, C, n);
%!     else
%!       m = run (B, C, n);
%!     end
%!   catch err
%!     raised = err.identifier;
%!   end
%!   if ~strcmp (raised, ['korvelStrokeText:' identifier])
%!     error ('case %d: expected korvelStrokeText:%s, got %s', k, identifier, raised);
%!   end
%!   [B0, C0, n0] = buffers (counter);
%!   assert_bits (B, B0);
%!   assert_bits (C, C0);
%!   assert_bits (n, n0);
%! end

%!test
%! % SCALE, ORIGIN, POS and COLOUR are taken before the first write, so they may
%! % share memory with N or with the first column written: the result is that
%! % of unshared copies.
%! T = [0 1; 0 1; 1 1; 1 0];
%! [B, C, n] = buffers (1);
%! korvelStrokeText (B, C, n, T, [1 2], n, B(5:6), n, C(7:9));
%! [B0, C0, n0] = buffers (1);
%! korvelStrokeText (B0, C0, n0, T, [1 2], 1, [1 1], 1, [1 1 1]);
%! assert_bits (B, B0);
%! assert_bits (C, C0);
%! assert_bits (n, n0);
%! assert_bits (n(1), 3);
