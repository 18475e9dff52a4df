% Octave tests of korvelFaceShown, run by run_octave_tests.m.

%!test
%! % A triangle is drawn when enabled (byte exactly 1) and a corner's flag is exactly 1.
%! S = [0 0 0 0 0; 0 0 0 0 0; 1 0 0.5 NaN 1];
%! F = int32 ([0 1 2 1 3 1; 1 2 3 2 1 3; 2 3 1 4 2 2]);
%! mask = uint8 ([1 1 1 1 1 1]);
%! assert_bits (korvelFaceShown (F, S, mask), [1 0 0 1 0 0]);
%! assert_bits (korvelFaceShown (F, S, true (1, 6)), [1 0 0 1 0 0]);

%!test
%! % Disabled triangles are 0 and their corners are never read, even out of range.
%! S = [0 0; 0 0; 1 1];
%! F = int32 ([0 -7 0; 1 99 1; 1 1e6 1]);
%! assert_bits (korvelFaceShown (F, S, uint8 ([2 0 255])), [0 0 0]);
%! assert_bits (korvelFaceShown (F, S, uint8 ([1 0 1])), [1 0 1]);

%!test
%! assert_bits (korvelFaceShown (zeros (3, 0, 'int32'), zeros (3, 0), uint8 ([])), zeros (1, 0));

%!test
%! S = [0 0; 0 0; 0 1];
%! assert_error_id ('korvelFaceShown:notEnoughInputs', @korvelFaceShown, int32 ([0; 1; 1]), S);
%! assert_error_id ('korvelFaceShown:badClass', @korvelFaceShown, [0; 1; 1], S, uint8 (1));
%! assert_error_id ('korvelFaceShown:badClass', @korvelFaceShown, int32 ([0; 1; 1]), S, 1);
%! assert_error_id ('korvelFaceShown:badSize', @korvelFaceShown, int32 ([0; 1; 1]), S, uint8 ([]));
%! assert_error_id ('korvelFaceShown:badIndex', @korvelFaceShown, int32 ([0; 0; 2]), S, uint8 (1));
%! assert_error_id ('korvelFaceShown:badIndex', @korvelFaceShown, int32 ([-1; 1; 1]), S, uint8 (1));
