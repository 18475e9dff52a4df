function write_cases (file, calls)
%WRITE_CASES  Write CALLS to FILE in korvel_run's case format.
%   CALLS is a struct array with fields command (char), nlhs and inputs (a
%   cell array of numeric or logical arrays). The format is described in
%   tests/support/case_runner.cpp.
  fid = fopen (file, 'w', 'ieee-le');
  if fid < 0
    error ('write_cases:open', 'cannot write %s', file);
  end
  cleanup = onCleanup (@() fclose (fid));
  fwrite (fid, 'KVCASES1', 'char');
  fwrite (fid, numel (calls), 'uint32');
  for c = 1:numel (calls)
    write_text (fid, calls(c).command);
    fwrite (fid, calls(c).nlhs, 'uint32');
    fwrite (fid, numel (calls(c).inputs), 'uint32');
    for k = 1:numel (calls(c).inputs)
      write_array (fid, calls(c).inputs{k});
    end
  end
end

function write_text (fid, text)
  fwrite (fid, numel (text), 'uint32');
  fwrite (fid, text, 'char');
end

function write_array (fid, array)
  if ndims (array) > 2
    error ('write_cases:dims', 'only matrices can be written');
  end
  write_text (fid, class (array));
  fwrite (fid, size (array, 1), 'uint64');
  fwrite (fid, size (array, 2), 'uint64');
  if islogical (array)
    fwrite (fid, array(:), 'uint8');
  elseif isa (array, 'double')
    % Through uint64, so every NaN keeps its payload.
    fwrite (fid, typecast (array(:), 'uint64'), 'uint64');
  else
    fwrite (fid, array(:), class (array));
  end
end
