% Octave tests of korvelPaintTriangles, run by run_octave_tests.m: pixel for
% pixel what the example painter korvel_paint_triangles paints, on a table
% of hard cases, in double and uint8 pictures, at 1 and 3 threads, in
% place too.

%!function view = view_of (corner)
%!  view = struct ('uMin', corner(1), 'vMax', corner(2), 'pixelsPerUnit', corner(3));
%!endfunction

%!function check_case (height, width, corner, uv, faces, colours, order)
%!  addpath (fullfile (fileparts (which ('build_mex')), 'examples'));
%!  canvas = reshape (mod ((1:height * width * 3) * 0.37, 1), height, width, 3);
%!  [expected, won] = korvel_paint_triangles (canvas, view_of (corner), uv, faces(:, order) + 1, ...
%!                                            colours(order, :));
%!  winners = zeros (size (won));
%!  winners(won > 0) = order(won(won > 0));
%!  bytes = uint8 (canvas * 255);
%!  expectedBytes = bytes;
%!  painted = repmat (won > 0, [1 1 3]);
%!  expectedBytes(painted) = uint8 (min (max (expected(painted) * 255, 0), 255));
%!  for threads = {'1', '3'}
%!    setenv ('KORVEL_NUM_THREADS', threads{1});
%!    [picture, w] = korvelPaintTriangles (canvas, corner, uv, int32 (faces), colours, order);
%!    assert_bits (picture, expected);
%!    assert_bits (w, winners);
%!    assert (isequal (korvelPaintTriangles (bytes, corner, uv, int32 (faces), colours, order), ...
%!                     expectedBytes));
%!    own = bytes + 0;  % a data block of its own, painted in place
%!    korvelPaintTriangles (own, corner, uv, int32 (faces), colours, order);
%!    assert (isequal (own, expectedBytes));
%!  end
%!  setenv ('KORVEL_NUM_THREADS', '');
%!endfunction

%!test
%! % Corners on pixel centres (whole pixel coordinates) and on pixel edges
%! % (halves), both windings, a triangle painted twice, the later on top.
%! uv = [0.5 5.5 0.5, 1 6 1, 2.5 2.5 5.5; 5.5 5.5 0.5, 6 6 0, 4.5 1.5 1.5];
%! faces = [0 3 6 0; 1 5 7 2; 2 4 8 1];
%! colours = [1 0 0; 0 1 0; 0 0 1; 0.5 0.5 0.5];
%! check_case (6, 7, [0 6 1], uv, faces, colours, [1 2 3 4 3]);
%! check_case (6, 7, [0 6 1], uv, faces, colours, [4 3 2 1]);

%!test
%! % Degenerate (collinear, repeated corners) and sliver triangles, corners
%! % not finite, off the picture, partly off it, huge and tiny coordinates.
%! uv = [0 3 6, 1 1, 0.2 7.9 0.21, NaN Inf 2, -50 -40 -45, -3 9 3, 1e300 -1e300 0, 2 2.000001 2, 1e-300; ...
%!       0 3 6, 2 2, 0.1 3.3 0.11, 1 2 -Inf, 1 1 20, -2 -2 12, 5 5 -1e300, 2 2 2.000001, 1e-300];
%! faces = [0 3 5 8 11 14 17 20 0; 1 4 6 9 12 15 18 19 23; 2 3 7 10 13 16 19 21 1];
%! colours = rand (9, 3);
%! check_case (8, 9, [0 8 1], uv, faces, colours, 1:9);
%! check_case (8, 9, [-0.3 7.7 1.25], uv, faces, colours, 9:-1:1);

%!test
%! % A picture large enough for threads, a few large triangles under many
%! % small ones, at a scale that puts no corner on a pixel boundary.
%! rand ('seed', 7);
%! n = 3000;
%! uv = [rand(1, n) * 700 - 10; rand(1, n) * 560 - 10];
%! faces = [0:3:n - 3; 1:3:n - 2; 2:3:n - 1];
%! small = 4:size (faces, 2);
%! uv(:, faces(2:3, small) + 1) = uv(:, faces([1 1], small) + 1) + rand (2, 2 * numel (small)) * 12 - 6;
%! colours = rand (size (faces, 2), 3);
%! check_case (540, 680, [0 540 1], uv, faces, colours, 1:size (faces, 2));
%! check_case (540, 680, [3.3 500 0.95], uv, faces, colours, size (faces, 2):-1:1);

%!test
%! % One colour for every face; empty pictures, faces and orders.
%! uv = [0 4 0; 0 0 4];
%! P = korvelPaintTriangles (zeros (4, 4, 3), [0 4 1], uv, int32 ([0; 1; 2]), [0.2 0.4 0.6], 1);
%! assert (squeeze (P(4, 1, :))', [0.2 0.4 0.6]);
%! assert (size (korvelPaintTriangles (zeros (0, 3, 3), [0 4 1], uv, int32 ([0; 1; 2]), [1 1 1], 1)), [0 3 3]);
%! [P, W] = korvelPaintTriangles (ones (2, 2, 3), [0 4 1], uv, int32 ([0; 1; 2]), [1 1 1], []);
%! assert_bits (P, ones (2, 2, 3));
%! assert_bits (W, zeros (2, 2));

%!test
%! P = zeros (4, 4, 3);
%! F = int32 ([0; 1; 2]);
%! uv = [0 4 0; 0 0 4];
%! assert_error_id ('korvelPaintTriangles:notEnoughInputs', @korvelPaintTriangles, P, [0 4 1], uv, F, [1 1 1]);
%! assert_error_id ('korvelPaintTriangles:badSize', @korvelPaintTriangles, zeros (4, 4), [0 4 1], uv, F, [1 1 1], 1);
%! assert_error_id ('korvelPaintTriangles:badSize', @korvelPaintTriangles, zeros (4, 4, 3, 2), [0 4 1], uv, F, [1 1 1], 1);
%! assert_error_id ('korvelPaintTriangles:badClass', @korvelPaintTriangles, single (P), [0 4 1], uv, F, [1 1 1], 1);
%! assert_error_id ('korvelPaintTriangles:badValue', @korvelPaintTriangles, P, [0 4 0], uv, F, [1 1 1], 1);
%! assert_error_id ('korvelPaintTriangles:badIndex', @korvelPaintTriangles, P, [0 4 1], uv, F, [1 1 1], 2);
%! assert_error_id ('korvelPaintTriangles:badIndex', @korvelPaintTriangles, P, [0 4 1], uv(:, 1:2), F, [1 1 1], 1);
%! % In place, nothing read while painting may share P's memory (reshape shares it).
%! P = ones (1, 1, 3);
%! assert_error_id ('korvelPaintTriangles:sharedData', @korvelPaintTriangles, P, [0 1 1], uv, F, reshape (P, 1, 3), 1);
%! assert_error_id ('korvelPaintTriangles:sharedData', @korvelPaintTriangles, P, [0 1 1], uv, F, [1 1 1], P);
%! korvelPaintTriangles (P, P, uv, F, [0.5 0.5 0.5], 1);  % VIEW is read before
%! assert_bits (P, 0.5 * ones (1, 1, 3));
