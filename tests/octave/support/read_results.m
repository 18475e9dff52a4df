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

function text = read_text (fid)
  length = fread (fid, 1, 'uint32');
  text = fread (fid, [1 length], 'char=>char');
  if isempty (text)
    text = '';
  end
end

function arrays = read_arrays (fid)
  count = fread (fid, 1, 'uint32');
  arrays = cell (1, count);
  for k = 1:count
    name = read_text (fid);
    rows = fread (fid, 1, 'uint64');
    columns = fread (fid, 1, 'uint64');
    switch name
      case 'none'
        arrays{k} = [];
      case 'double'
        bits = fread (fid, rows * columns, 'uint64=>uint64');
        arrays{k} = reshape (typecast (bits, 'double'), rows, columns);
      case 'logical'
        arrays{k} = reshape (fread (fid, rows * columns, 'uint8=>logical'), rows, columns);
      otherwise
        arrays{k} = reshape (fread (fid, rows * columns, [name '=>' name]), rows, columns);
    end
  end
end
