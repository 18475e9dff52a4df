% Octave tests of korvelDepthOrder, run by run_octave_tests.m: the order
% Octave's own stable sort gives, far first.

%!function check_order (F, D, flags)
%!  shown = find (flags == 1);
%!  depth = mean (reshape (D(double (F(:, shown)) + 1), 3, []), 1);
%!  [depth, order] = sort (depth, 'descend');
%!  [actualOrder, actualDepth] = korvelDepthOrder (F, D, flags);
%!  assert_bits (actualOrder, shown(order));
%!  assert_bits (actualDepth, depth);
%!endfunction

%!test
%! % Ties keep column order; NaN first; -0 equals +0; infinities.
%! F = int32 ([0 1 2 0 3 4 5 0; 1 2 3 1 4 5 5 0; 2 3 0 2 5 3 5 0]);
%! check_order (F, [1 2 3 NaN -0 0], ones (1, 8));
%! check_order (F, [1 1 1 1 1 1], [1 0 1 1 0 1 1 1]);
%! check_order (F, [Inf -Inf 2 3 1e300 -1e300], logical ([1 1 1 1 1 1 1 0]));

%!test
%! rand ('seed', 11);
%! F = int32 (floor (rand (3, 50000) * 3000));
%! D = round (rand (1, 3000) * 50) / 4;
%! check_order (F, D, double (rand (1, 50000) > 0.3));

%!test
%! assert (size (korvelDepthOrder (int32 ([0; 0; 0]), 1, 0)), [1 0]);
%! assert_error_id ('korvelDepthOrder:badIndex', @korvelDepthOrder, int32 ([0; 0; 4]), [1 2], 1);
%! assert_error_id ('korvelDepthOrder:badSize', @korvelDepthOrder, int32 ([0; 0; 0]), 1, []);
%! assert_error_id ('korvelDepthOrder:badClass', @korvelDepthOrder, int32 ([0; 0; 0]), 1, uint8 (1));
