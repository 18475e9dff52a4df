% Octave tests of plateauLabels, run by run_octave_tests.m.

%!test
%! assert_bits (plateauLabels ([2 2 5 5 2]), [1 1 2 2 3]);
%! assert_bits (plateauLabels ([7 3 7]), [1 2 3]);
%! assert_bits (plateauLabels ([1 0; 0 1]), [1 3; 2 4]);
%! assert_bits (plateauLabels ([5 5; 7 5]), [1 1; 2 1]);
%! assert_bits (plateauLabels ([1 0 1; 1 0 1; 1 1 1]), [1 2 1; 1 2 1; 1 1 1]);
%! assert_bits (plateauLabels ([NaN; NaN]), [1; 2]);
%! assert_bits (plateauLabels ([4 NaN 4]), [1 2 3]);
%! assert_bits (plateauLabels ([-0 0]), [1 1]);
%! assert_bits (plateauLabels ([Inf Inf -Inf -Inf]), [1 1 2 2]);
%! assert_bits (plateauLabels (ones (4, 6)), ones (4, 6));

%!test
%! assert_bits (plateauLabels (zeros (0, 3)), zeros (0, 3));
%! assert_bits (plateauLabels (zeros (2, 0)), zeros (2, 0));
