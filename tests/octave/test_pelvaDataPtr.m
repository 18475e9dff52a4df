% Octave tests of pelvaDataPtr, run by run_octave_tests.m. It is korvelDataPtr
% built under another name, and test_korvelDataPtr.m runs every test of that
% command under both names; here, that the two give one number.

%!test
%! A = magic (4);
%! assert_bits (pelvaDataPtr (A), korvelDataPtr (A));
