function calls = read_cases (file, command)
%READ_CASES  Read a korvel_run case file into a struct array.
%   CALLS = READ_CASES (FILE) gives fields command, nlhs and inputs (a cell
%   array); READ_CASES (FILE, COMMAND) only the calls of COMMAND. The build
%   writes the case table's calls to case_table.cases beside korvel_run
%   (korvel_corpus --calls); the format is described in
%   tests/support/case_runner.cpp.
  fid = fopen (file, 'r', 'ieee-le');
  if fid < 0
    error ('read_cases:open', 'cannot read %s (the build writes it)', file);
  end
  cleanup = onCleanup (@() fclose (fid));
  if ~strcmp (fread (fid, [1 8], 'char=>char'), 'KVCASES1')
    error ('read_cases:format', '%s is not a case file', file);
  end
  count = fread (fid, 1, 'uint32');
  calls = struct ('command', cell (1, count), 'nlhs', 0, 'inputs', {{}});
  for c = 1:count
    calls(c).command = read_text (fid);
    calls(c).nlhs = fread (fid, 1, 'uint32');
    calls(c).inputs = cell (1, fread (fid, 1, 'uint32'));
    for k = 1:numel (calls(c).inputs)
      calls(c).inputs{k} = read_array (fid);
    end
  end
  if nargin > 1
    calls = calls(strcmp ({calls.command}, command));
  end
end
