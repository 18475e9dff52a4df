% Octave tests of korvelPaintStrokes, run by run_octave_tests.m: pixel for
% pixel what the example painter korvel_paint_lines draws, on a table of
% hard cases, in double and uint8 pictures, at 1 and 3 threads, in place
% too.

%!function check_case (height, width, corner, segments, colours, pens)
%!  addpath (fullfile (fileparts (which ('build_mex')), 'examples'));
%!  view = struct ('uMin', corner(1), 'vMax', corner(2), 'pixelsPerUnit', corner(3));
%!  canvas = reshape (mod ((1:height * width * 3) * 0.61, 1), height, width, 3);
%!  for pen = pens
%!    expected = korvel_paint_lines (canvas, view, segments, colours, pen);
%!    painted = expected ~= canvas;
%!    expectedBytes = uint8 (canvas * 255);
%!    expectedBytes(painted) = uint8 (min (max (expected(painted) * 255, 0), 255));
%!    for threads = {'1', '3'}
%!      setenv ('KORVEL_NUM_THREADS', threads{1});
%!      assert_bits (korvelPaintStrokes (canvas, corner, segments, colours, pen), expected);
%!      assert (isequal (korvelPaintStrokes (uint8 (canvas * 255), corner, segments, colours, pen), ...
%!                       expectedBytes));
%!      own = canvas + 0;  % a data block of its own, drawn in place
%!      korvelPaintStrokes (own, corner, segments, colours, pen);
%!      assert_bits (own, expected);
%!    end
%!  end
%!  setenv ('KORVEL_NUM_THREADS', '');
%!endfunction

%!test
%! % Ends on pixel centres and edges, zero length, both directions, ties of
%! % rounding, pens odd and even, later segments on top.
%! segments = [0.5 5.5 0 3 2 6.5 1.25; 5.5 0.5 3 3 2 6.5 0.75; 5.5 0.5 6 0 2 0.5 5.25; 0.5 5.5 3 6 2 0.5 5.75];
%! check_case (7, 7, [0 6.5 1], segments, rand (7, 3), [1 2 3 4]);
%! check_case (7, 7, [0 6.5 1], segments, [0.3 0.6 0.9], 5);

%!test
%! % Off the picture, partly off, not finite, long (samples looked up, not
%! % all tried), at a scale that puts no end on a pixel boundary.
%! segments = [-9 -20000 NaN 1 -3 -5; 2 3 1 1 -3 50; -1 20000 2 Inf 30 5; 2 4 2 2 30 -40];
%! check_case (9, 11, [0.1 8.7 1.1], segments, rand (6, 3), [1 3]);

%!test
%! % Many strokes on a picture large enough for threads.
%! rand ('seed', 3);
%! segments = [rand(1, 400) * 900 - 50; rand(1, 400) * 650 - 50; rand(1, 400) * 900 - 50; rand(1, 400) * 650 - 50];
%! check_case (600, 800, [0 600 1], segments, rand (400, 3), [1 4]);

%!test
%! % Too long to count its samples: left out, where the example cannot go.
%! P = korvelPaintStrokes (zeros (5, 5, 3), [0 5 1], [-1e300; 2; 1e300; 2], [1 1 1], 1);
%! assert_bits (P, zeros (5, 5, 3));

%!test
%! P = zeros (4, 4, 3);
%! s = [0; 0; 4; 4];
%! assert_error_id ('korvelPaintStrokes:notEnoughInputs', @korvelPaintStrokes, P, [0 4 1], s, [1 1 1]);
%! assert_error_id ('korvelPaintStrokes:badValue', @korvelPaintStrokes, P, [0 4 1], s, [1 1 1], 0);
%! assert_error_id ('korvelPaintStrokes:badValue', @korvelPaintStrokes, P, [0 4 1], s, [1 1 1], 2.5);
%! assert_error_id ('korvelPaintStrokes:badSize', @korvelPaintStrokes, P, [0 4 1], s, [1 1 1; 1 1 1], 1);
%! assert_error_id ('korvelPaintStrokes:badClass', @korvelPaintStrokes, int8 (P), [0 4 1], s, [1 1 1], 1);
%! % In place, SEGMENTS and COLOURS must not share P's memory (reshape shares it).
%! P = ones (1, 1, 3);
%! assert_error_id ('korvelPaintStrokes:sharedData', @korvelPaintStrokes, P, [0 1 1], s, reshape (P, 1, 3), 1);
%! assert_bits (P, ones (1, 1, 3));
