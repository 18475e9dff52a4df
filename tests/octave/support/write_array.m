function write_array (fid, array)
%WRITE_ARRAY  Write one array in korvel_run's array format.
%   The format is described in tests/support/case_runner.cpp: a matrix as
%   its row and column counts, an array of more dimensions as its row count,
%   the mark of more dimensions and then those after the first.
  if ~isnumeric (array) && ~islogical (array) && ~ischar (array)
    error ('write_array:class', 'cannot write a %s', class (array));
  end
  write_text (fid, class (array));
  dims = size (array);
  fwrite (fid, dims(1), 'uint64');
  if numel (dims) == 2
    fwrite (fid, dims(2), 'uint64');
  else
    fwrite (fid, intmax ('uint64'), 'uint64');
    fwrite (fid, numel (dims) - 1, 'uint32');
    fwrite (fid, dims(2:end), 'uint64');
  end
  if islogical (array)
    fwrite (fid, array(:), 'uint8');
  elseif ischar (array)
    fwrite (fid, double (array(:)), 'uint16');
  elseif isa (array, 'double')
    % Through uint64, so every NaN keeps its payload.
    fwrite (fid, typecast (array(:), 'uint64'), 'uint64');
  else
    fwrite (fid, array(:), class (array));
  end
end

%!test
%! arrays = {reshape(uint8(1:24), 2, 4, 3), cat(4, [1 -0 NaN], [Inf 2 -3]), zeros(2, 3, 1), int32([1; 2])};
%! file = tempname ();
%! fid = fopen (file, 'w', 'ieee-le');
%! cellfun (@(array) write_array (fid, array), arrays);
%! fclose (fid);
%! fid = fopen (file, 'r', 'ieee-le');
%! back = cellfun (@(array) read_array (fid), arrays, 'UniformOutput', false);
%! fclose (fid);
%! delete (file);
%! for k = 1:numel (arrays)
%!   assert (class (back{k}), class (arrays{k}));
%!   assert (size (back{k}), size (arrays{k}));
%!   assert (isequaln (back{k}, arrays{k}));
%! end
%! assert (signbit (back{2}(2)));
