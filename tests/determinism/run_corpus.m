function run_corpus (cases, results)
%RUN_CORPUS  Make the calls of a korvel_run case file through this host.
%   RUN_CORPUS (CASES, RESULTS) reads the calls in CASES (read_cases), makes
%   each through the plug-ins on the path and writes RESULTS in korvel_run's
%   results format (tests/support/case_runner.cpp), so that the file can be
%   compared byte for byte with the one the stand-in host writes.
  calls = read_cases (cases);
  [out, closeOut] = open_file (results, 'w');
  fwrite (out, 'KVRESLT1', 'char');
  fwrite (out, numel (calls), 'uint32');
  for c = 1:numel (calls)
    command = calls(c).command;
    nlhs = calls(c).nlhs;
    inputs = calls(c).inputs;
    nrhs = numel (inputs);
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
  clear closeOut
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
