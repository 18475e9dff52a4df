% Octave tests of pelvaDataPtr, run by run_octave_tests.m.

%!test
%! % A whole number in the signed 32-bit range, the same on every call.
%! A = zeros (100, 1);
%! a = pelvaDataPtr (A);
%! assert (isa (a, 'double') && isequal (size (a), [1 1]));
%! assert (a == fix (a) && a >= -2^31 && a < 2^31);
%! assert_bits (pelvaDataPtr (A), a);
%! assert (a != 0);

%!test
%! % Both names report the same address; classes other than double work too.
%! A = ones (3, 3);
%! assert_bits (korvelDataPtr (A), pelvaDataPtr (A));
%! B = int32 ([1 2 3]);
%! assert (korvelDataPtr (B) == pelvaDataPtr (B));

%!test
%! assert_error_id ('pelvaDataPtr:notEnoughInputs', @pelvaDataPtr);
%! % No data block: Octave would end the session if asked for one.
%! assert_error_id ('pelvaDataPtr:badClass', @pelvaDataPtr, @sin);
%! assert_error_id ('pelvaDataPtr:badClass', @pelvaDataPtr, containers.Map ());
%! % Cell and struct arrays have one (a block of element handles).
%! assert (pelvaDataPtr ({1, 2}) ~= 0 && pelvaDataPtr (struct ('a', 1)) ~= 0);
