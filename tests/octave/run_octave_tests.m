function failed = run_octave_tests (outdir, standin)
%RUN_OCTAVE_TESTS  Build every command for Octave and run its tests.
%   FAILED = RUN_OCTAVE_TESTS (OUTDIR, STANDIN) builds the plug-ins into
%   OUTDIR with build_mex, then runs tests/octave/test_<command>.m (Octave
%   %! blocks) for each command whose source is in the tree. STANDIN is the
%   stand-in build's plug-in folder holding korvel_run, for the cross-check
%   blocks. A command whose source is present but whose plug-in does not
%   build, or that has no test file, counts as one failure. Ends with the
%   line "octave: N passed, M failed" and returns M.
  here = fileparts (mfilename ('fullpath'));
  root = fileparts (fileparts (here));
  addpath (root);
  report = build_mex (outdir);
  addpath (report.outdir);
  addpath (fullfile (here, 'support'));
  if nargin >= 2 && ~isempty (standin)
    setenv ('KORVEL_STANDIN_PLUGINS', standin);
    setenv ('KORVEL_RUN', fullfile (standin, 'korvel_run'));
  end

  passed = 0;
  failed = 0;
  problems = {};
  for k = 1:numel (report.built)
    name = report.built{k};
    file = fullfile (here, ['test_' name '.m']);
    if ~exist (file, 'file')
      failed = failed + 1;
      problems{end+1} = sprintf ('%s: no tests (expected %s)', name, ['test_' name '.m']);
      continue;
    end
    started = tic ();
    [ok, total] = test (file, 'quiet', stdout);
    passed = passed + ok;
    failed = failed + (total - ok);
    printf ('%-18s %3d of %3d passed  (%.1f s)\n', name, ok, total, toc (started));
    if total == 0
      failed = failed + 1;
      problems{end+1} = sprintf ('%s: the test file holds no tests', name);
    end
  end
  for k = 1:numel (report.failed)
    failed = failed + 1;
    problems{end+1} = sprintf ('%s: the source is in the tree but the plug-in did not build', ...
                               report.failed{k});
  end
  for k = 1:numel (problems)
    printf ('FAILED %s\n', problems{k});
  end
  printf ('octave: %d passed, %d failed\n', passed, failed);
end
