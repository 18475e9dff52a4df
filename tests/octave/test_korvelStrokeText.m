% Octave tests of korvelStrokeText, run by run_octave_tests.m.

%!function [B, C, n] = both_forms (B, C, n, varargin)
%!  % The value form's outputs, checked to be what the call in place writes,
%!  % bit for bit, and its inputs to stay as they were.
%!  before = {unshared(B), unshared(C), unshared(n)};
%!  Bi = unshared (B);
%!  Ci = unshared (C);
%!  ni = unshared (n);
%!  korvelStrokeText (Bi, Ci, ni, varargin{:});
%!  [B2, C2, n2] = korvelStrokeText (B, C, n, varargin{:});
%!  assert_bits ({B, C, n}, before);
%!  assert_bits ({B2, C2, n2}, {Bi, Ci, ni});
%!  B = B2; C = C2; n = n2;
%!endfunction

%!test
%! % Both forms, in turn: the value form returns what the call in place
%! % writes into the caller's own buffers and counter.
%! B = zeros (4, 6); C = zeros (6, 6); n = zeros (1, 1);
%! T = [0.25 0; 0.5 0; 0.75 1; 1 1];
%! [B0, C0, n0] = both_forms (B, C, n, T, [1 2 1], 10, [100 20], 3, [0.1 0.2 0.3]);
%! korvelStrokeText (B, C, n, T, [1 2 1], 10, [100 20], 3, [0.1 0.2 0.3]);
%! assert_bits ({B, C, n}, {B0, C0, n0});
%! assert_bits (n, 3);
%! assert_bits (B(:, 1), [122.5; 25; 127.5; 30]);
%! assert_bits (B(:, 2), [120; 20; 130; 30]);
%! assert_bits (B(:, 3), B(:, 1));
%! assert_bits (C(:, 1:3), repmat ([0.1; 0.2; 0.3; 0.1; 0.2; 0.3], 1, 3));
%! [B, C, n] = both_forms (B, C, n, T, [2.9 1], 10, [100 20], 1, [1 1 1]);
%! assert_bits (n, 5);
%! assert_bits (B(:, 4:5), [100 102.5; 20 25; 110 107.5; 30 30]);
%! assert_bits (B(:, 6), zeros (4, 1));

%!test
%! % A fractional counter places strokes from its whole part and keeps its
%! % fraction; no strokes store the counter back plus 0, so -0 becomes +0.
%! B = zeros (4, 5); C = zeros (6, 5); n = 2.5;
%! [B, C, n] = both_forms (B, C, n, [0; 0; 1; 1], [1 1], 1, [0 0], 1, [1 2 3]);
%! assert_bits (n, 4.5);
%! assert_bits (B(:, 3:4), [0 0; 0 0; 1 1; 1 1]);
%! assert_bits (B(:, [1 2 5]), zeros (4, 3));
%! [~, ~, n] = both_forms (B, C, -0, [0; 0; 1; 1], zeros (1, 0), 1, [0 0], 1, [1 2 3]);
%! assert_bits (n, 0);

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
%!   'tooManyOutputs', 1, 2, @(B, C, n) korvelStrokeText (B, C, n, T, 1, 1, [0 0], 1, [1 1 1])
%!   'tooManyOutputs', 1, 4, @(B, C, n) korvelStrokeText (B, C, n, T, 1, 1, [0 0], 1, [1 1 1])
%!   'badValue', -1, 3, @(B, C, n) korvelStrokeText (B, C, n, T, 1, 1, [0 0], 1, [1 1 1])
%!   'badSize', 5, 3, @(B, C, n) korvelStrokeText (B, C, n, T, [1 2], 1, [0 0], 1, [1 1 1])
%!   'badValue', -1, 0, @(B, C, n) korvelStrokeText (B, C, n, T, 1, 1, [0 0], 1, [1 1 1])
%!   'badIndex', 1, 0, @(B, C, n) korvelStrokeText (B, C, n, T, [1 3], 1, [0 0], 1, [1 1 1])
%!   'badSize', 5, 0, @(B, C, n) korvelStrokeText (B, C, n, T, [1 2], 1, [0 0], 1, [1 1 1])
%!   'badClass', 1, 0, @(B, C, n) korvelStrokeText (B, C, n, T, 1, single (1), [0 0], 1, [1 1 1])
%!   'notEnoughInputs', 1, 0, @(B, C, n) korvelStrokeText (B, C, n, T, 1, 1, [0 0], 1)};
%! for k = 1:rows (cases)
%!   [identifier, counter, outputs, run] = cases{k, :};
%!   [B, C, n] = buffers (counter);
%!   raised = 'no error';
%!   results = cell (1, outputs);
%!   try
%!     if outputs == 0
%!       run (B, C, n);
%!     else
%!       [results{:}] = run (B, C, n);
%!     end
%!   catch err
%!     raised = err.identifier;
%!   end
%!   if ~strcmp (raised, ['korvelStrokeText:' identifier])
%!     error ('case %d: expected korvelStrokeText:%s, got %s', k, identifier, raised);
%!   end
%!   [B0, C0, n0] = buffers (counter);
%!   assert_bits ({B, C, n}, {B0, C0, n0});
%!   % The value form writes nothing in place: sharing is no reason to refuse.
%!   if strcmp (identifier, 'sharedData')
%!     [B2, C2, n2] = run (B, C, n);
%!     assert_bits ({B, C, n}, {B0, C0, n0});
%!   end
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

%!test
%! % A counter that starts as a literal in a function's code: the value form
%! % writes nothing in place, so the literal stays 0 and every call of the
%! % function returns the same count and strokes.
%! folder = tempname ();
%! mkdir (folder);
%! unwind_protect
%!   file = fopen (fullfile (folder, 'korvel_draw_label.m'), 'w');
%!   fprintf (file, 'function [B, n] = korvel_draw_label (T)\n');
%!   fprintf (file, '  B = zeros (4, 60); C = zeros (6, 60); n = 0;\n');
%!   fprintf (file, '  [B, C, n] = korvelStrokeText (B, C, n, T, [1 2 1], 1, [0 0], 2, [1 1 1]);\n');
%!   fprintf (file, 'end\n');
%!   fclose (file);
%!   addpath (folder);
%!   T = [0.25 0; 0.5 0; 0.75 1; 1 1];
%!   [B, n] = korvel_draw_label (T);
%!   assert_bits (n, 3);
%!   for call = 2:4
%!     [again, n] = korvel_draw_label (T);
%!     assert_bits (n, 3);
%!     assert_bits (again, B);
%!   end
%! unwind_protect_cleanup
%!   rmpath (folder);
%!   confirm_recursive_rmdir (false, 'local');
%!   rmdir (folder, 's');
%! end_unwind_protect

%!test
%! % n = 0 in a loop, and copies made before a call: nothing of them changes.
%! T = [0; 0; 1; 1];
%! [B, C] = buffers (1);
%! Bbackup = B;
%! Cbackup = C;
%! for frame = 1:3
%!   n = 0;
%!   nbackup = n;
%!   [B2, C2, n] = korvelStrokeText (B, C, n, T, [1 1 1], 1, [0 0], frame, [1 1 1]);
%!   assert_bits (n, 3);
%!   assert_bits (nbackup, 0);
%! end
%! [B0, C0] = buffers (1);
%! assert_bits ({B, C, Bbackup, Cbackup}, {B0, C0, B0, C0});
%! assert_bits (B2(:, 1:3), [2 2 2; 0 0 0; 3 3 3; 1 1 1]);
