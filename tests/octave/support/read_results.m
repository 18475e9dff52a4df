function results = read_results (file)
%READ_RESULTS  Read a korvel_run results file into a struct array.
%   Fields: failed (logical), identifier, outputs and inputs (cell arrays;
%   an empty output slot reads as []). The format is described in
%   tests/support/case_runner.cpp.
  fid = fopen (file, 'r', 'ieee-le');
  if fid < 0
    error ('read_results:open', 'cannot read %s', file);
  end
  cleanup = onCleanup (@() fclose (fid));
  magic = fread (fid, [1 8], 'char=>char');
  if ~strcmp (magic, 'KVRESLT1')
    error ('read_results:format', '%s is not a results file', file);
  end
  count = fread (fid, 1, 'uint32');
  results = struct ('failed', cell (1, count), 'identifier', '', 'outputs', {{}}, 'inputs', {{}});
  for c = 1:count
    results(c).failed = fread (fid, 1, 'uint32') ~= 0;
    results(c).identifier = read_text (fid);
    results(c).outputs = read_arrays (fid);
    results(c).inputs = read_arrays (fid);
  end
end

function arrays = read_arrays (fid)
  arrays = cell (1, fread (fid, 1, 'uint32'));
  for k = 1:numel (arrays)
    arrays{k} = read_array (fid);
  end
end
