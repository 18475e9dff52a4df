function write_array (fid, array)
%WRITE_ARRAY  Write one matrix in korvel_run's array format.
%   The format is described in tests/support/case_runner.cpp.
  if ndims (array) > 2
    error ('write_array:dims', 'only matrices can be written');
  end
  if ~isnumeric (array) && ~islogical (array) && ~ischar (array)
    error ('write_array:class', 'cannot write a %s', class (array));
  end
  write_text (fid, class (array));
  fwrite (fid, size (array, 1), 'uint64');
  fwrite (fid, size (array, 2), 'uint64');
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
