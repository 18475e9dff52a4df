function failed = run_octave_tests (plugins, standin, cases)
%RUN_OCTAVE_TESTS  Run the Octave tests of every command.
%   FAILED = RUN_OCTAVE_TESTS (PLUGINS, STANDIN, CASES) holds each command
%   of commands.tsv, with its plug-in in PLUGINS where build_mex has built
%   them (make octave), to the stand-in host on the case table's calls
%   (CROSS_CHECK), then runs tests/octave/test_<command>.m (Octave %!
%   blocks) where there is one. STANDIN is the stand-in build's plug-in
%   folder holding korvel_run, and CASES the case file the build writes
%   there (default STANDIN/case_table.cases; both default to the release
%   build's, see CASE_TABLE). A command without a plug-in in PLUGINS counts
%   as one failure. Ends with the line "octave: N passed, M failed" and
%   returns M.
  here = fileparts (mfilename ('fullpath'));
  root = fileparts (fileparts (here));
  addpath (root);
  plugins = make_absolute_filename (plugins);
  addpath (plugins);
  addpath (fullfile (here, 'support'));
  if nargin >= 2 && ~isempty (standin)
    standin = make_absolute_filename (standin);
    setenv ('KORVEL_STANDIN_PLUGINS', standin);
    setenv ('KORVEL_RUN', fullfile (standin, 'korvel_run'));
  end
  if nargin >= 3 && ~isempty (cases)
    setenv ('KORVEL_CASES', make_absolute_filename (cases));
  end

  problems = {};
  % The case format's reader and writer, which every check below reads through.
  [passed, total] = test (fullfile (here, 'support', 'write_array.m'), 'quiet', stdout);
  failed = total - passed;
  printf ('%-18s %3d of %3d passed\n', 'write_array', passed, total);
  commands = build_mex ('-commands');
  for k = 1:numel (commands)
    name = commands(k).name;
    if ~exist (fullfile (plugins, [name '.' mexext()]), 'file')
      failed = failed + 1;
      problems{end+1} = sprintf ('%s: no plug-in in %s', name, plugins);
      continue;
    end
    started = tic ();
    % The case table's calls through Octave and through the stand-in host.
    try
      cross_check (name);
      ok = 1;
    catch err
      ok = 0;
      problems{end+1} = sprintf ('%s: %s', name, err.message);
    end
    total = 1;
    file = fullfile (here, ['test_' name '.m']);
    if exist (file, 'file')
      [fileOk, fileTotal] = test (file, 'quiet', stdout);
      ok = ok + fileOk;
      total = total + fileTotal;
    end
    passed = passed + ok;
    failed = failed + (total - ok);
    printf ('%-18s %3d of %3d passed  (%.1f s)\n', name, ok, total, toc (started));
  end
  for k = 1:numel (problems)
    printf ('FAILED %s\n', problems{k});
  end
  printf ('octave: %d passed, %d failed\n', passed, failed);
end
