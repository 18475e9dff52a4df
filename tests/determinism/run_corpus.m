function run_corpus (cases, results)
%RUN_CORPUS  Make the calls of a korvel_run case file through this host.
%   RUN_CORPUS (CASES, RESULTS) reads the calls in CASES, makes each through
%   the plug-ins on the path and writes RESULTS in korvel_run's results
%   format (tests/support/case_runner.cpp), so that the file can be compared
%   byte for byte with the one the stand-in host writes.
  [in, closeIn] = open_file (cases, 'r');
  if ~strcmp (fread (in, [1 8], 'char=>char'), 'KVCASES1')
    error ('run_corpus:format', '%s is not a case file', cases);
  end
  count = fread (in, 1, 'uint32');
  [out, closeOut] = open_file (results, 'w');
  fwrite (out, 'KVRESLT1', 'char');
  fwrite (out, count, 'uint32');
  for c = 1:count
    command = read_text (in);
    nlhs = fread (in, 1, 'uint32');
    nrhs = fread (in, 1, 'uint32');
    inputs = cell (1, nrhs);
    for k = 1:nrhs
      inputs{k} = read_array (in);
    end
    outputs = cell (1, nlhs);
    identifier = '';
    try
      if nlhs == 0
        feval (command, inputs{:});
      else
        [outputs{:}] = feval (command, inputs{:});
      end
    catch err
      identifier = err.identifier;
    end
    failed = ~isempty (identifier);
    fwrite (out, failed, 'uint32');
    write_text (out, identifier);
    % A host has one output slot even when none is requested.
    slots = max (nlhs, 1);
    fwrite (out, slots, 'uint32');
    for k = 1:slots
      if failed || k > nlhs
        write_none (out);
      else
        write_array (out, outputs{k});
      end
    end
    fwrite (out, nrhs, 'uint32');
    for k = 1:nrhs
      write_array (out, inputs{k});
    end
  end
  clear closeIn closeOut
end

function [fid, cleanup] = open_file (name, mode)
  fid = fopen (name, mode, 'ieee-le');
  if fid < 0
    error ('run_corpus:open', 'cannot open %s', name);
  end
  cleanup = onCleanup (@() fclose (fid));
end

% An empty output slot.
function write_none (fid)
  write_text (fid, 'none');
  fwrite (fid, [0 0], 'uint64');
end
