% Octave tests of korvelEncodePng, run by run_octave_tests.m: the file read
% back by the host's own image reader holds the picture's pixels, in every
% class and shape, across the pieces the rows are cut into, with the same
% bytes at 1 and 3 threads.

%!function check_round_trip (picture)
%!  if isa (picture, 'double')
%!    expected = uint16 (picture * 65535);
%!  else
%!    expected = picture;
%!  end
%!  file = [tempname() '.png'];
%!  bytes = {};
%!  for threads = {'1', '3'}
%!    setenv ('KORVEL_NUM_THREADS', threads{1});
%!    bytes{end + 1} = korvelEncodePng (picture);
%!  end
%!  setenv ('KORVEL_NUM_THREADS', '');
%!  assert (isequal (bytes{1}, bytes{2}));
%!  assert (class (bytes{1}), 'uint8');
%!  assert (rows (bytes{1}), 1);
%!  fid = fopen (file, 'w');
%!  fwrite (fid, bytes{1});
%!  fclose (fid);
%!  read = imread (file);
%!  delete (file);
%!  assert (isequal (read, expected));
%!endfunction

%!test
%! % Rounding ties, clamping, NaN and infinities in a double picture.
%! ties = ((0:11) + 0.5) / 65535;
%! values = [ties, -0.0, -1, 2, NaN, Inf, -Inf, 1 - eps, 0.5 / 65535 - eps];
%! check_round_trip (reshape ([values, values(end:-1:1), values], 4, 5, 3));
%! check_round_trip (reshape ([values, values(end:-1:1)], 4, 10));

%!test
%! % One pixel; one row; one column; uint8 and uint16, grey and RGB.
%! check_round_trip (0.25);
%! check_round_trip (uint8 (1:300));
%! check_round_trip (uint16 ((1:900)' * 70));
%! check_round_trip (reshape (uint8 (mod (1:60, 256)), 4, 5, 3));
%! check_round_trip (reshape (uint16 (mod ((1:60) * 4099, 65536)), 5, 4, 3));

%!test
%! % Many pieces (rows cut at about 256 KiB) over threads: flat runs that
%! % compress to long matches, noise that does not, a gradient.
%! rand ('seed', 7);
%! flat = repmat (reshape ([0.2 0.5 0.9], 1, 1, 3), 700, 500);
%! flat(100:400, 50:300, :) = rand (301, 251, 3);
%! flat(:, 450:end, 2) = repmat (linspace (0, 1, 700)', 1, 51);
%! check_round_trip (flat);
%! check_round_trip (uint8 (flat * 255));
%! check_round_trip (uint16 (rand (300, 1000) * 65535));

%!test
%! assert_error_id ('korvelEncodePng:notEnoughInputs', @korvelEncodePng);
%! assert_error_id ('korvelEncodePng:badClass', @korvelEncodePng, single (1));
%! assert_error_id ('korvelEncodePng:badClass', @korvelEncodePng, int16 (1));
%! assert_error_id ('korvelEncodePng:badClass', @korvelEncodePng, complex (1, 1));
%! assert_error_id ('korvelEncodePng:badClass', @korvelEncodePng, true (2));
%! assert_error_id ('korvelEncodePng:badSize', @korvelEncodePng, zeros (0, 3));
%! assert_error_id ('korvelEncodePng:badSize', @korvelEncodePng, zeros (2, 2, 2));
%! assert_error_id ('korvelEncodePng:badSize', @korvelEncodePng, zeros (2, 2, 3, 2));
