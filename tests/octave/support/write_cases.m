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

