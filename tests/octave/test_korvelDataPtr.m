% Octave tests of korvelDataPtr, run by run_octave_tests.m. pelvaDataPtr is
% the same source built under another name: every test runs under both names.

%!test
%! % A whole number in the signed 32-bit range, the same on every call.
%! A = zeros (100, 1);
%! for name = {'korvelDataPtr', 'pelvaDataPtr'}
%!   address = str2func (name{1});
%!   a = address (A);
%!   assert (isa (a, 'double') && isequal (size (a), [1 1]));
%!   assert (a == fix (a) && a >= -2^31 && a < 2^31);
%!   assert_bits (address (A), a);
%!   assert (a != 0);
%! end

%!test
%! % Both names report the same address; classes other than double work too.
%! A = ones (3, 3);
%! assert_bits (korvelDataPtr (A), pelvaDataPtr (A));
%! B = int32 ([1 2 3]);
%! assert (korvelDataPtr (B) == pelvaDataPtr (B));

%!test
%! for name = {'korvelDataPtr', 'pelvaDataPtr'}
%!   address = str2func (name{1});
%!   assert_error_id ([name{1} ':notEnoughInputs'], address);
%!   % No data block: Octave would end the session if asked for one.
%!   assert_error_id ([name{1} ':badClass'], address, @sin);
%!   assert_error_id ([name{1} ':badClass'], address, containers.Map ());
%!   % Cell and struct arrays have one (a block of element handles).
%!   assert (address ({1, 2}) ~= 0 && address (struct ('a', 1)) ~= 0);
%! end
