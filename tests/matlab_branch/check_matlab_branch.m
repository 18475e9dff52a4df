function failures = check_matlab_branch (release)
%CHECK_MATLAB_BRANCH  Runs build_mex's MATLAB branch against stand-ins of
%   MATLAB's mex, mex.getCompilerConfigurations, computer and mexext.
%   Each compiler and architecture must get its exact-arithmetic flags and
%   -compatibleArrayDims; the plug-ins built for 64-bit Linux with gcc must
%   give the results of the release build's plug-ins (in RELEASE, with its
%   stand-in libraries, korvel_corpus and korvel_run) bit for bit, as the
%   determinism check compares them (any NaN equals any NaN).
  global matlab_branch
  here = fileparts (mfilename ('fullpath'));
  root = fileparts (fileparts (here));
  release = make_absolute_filename (release);
  warning ('off', 'Octave:shadowed-function');
  addpath (root, here);
  scratch = tempname ();
  mkdir (scratch);
  cleanup = onCleanup (@() remove_folder (scratch));
  commands = build_mex ('-commands');

  % compiler, arch, compile, a flag every call must carry
  cases = {
    'gcc',     'glnxa64', true,  'CXXFLAGS=$CXXFLAGS -ffp-contract=off -fno-fast-math'
    'gcc',     'glnx86',  false, 'CXXFLAGS=$CXXFLAGS -ffp-contract=off -fno-fast-math -msse2 -mfpmath=sse'
    'MSVC170', 'win64',   false, 'COMPFLAGS=$COMPFLAGS /fp:precise'
  };
  failures = 0;
  for c = 1:rows (cases)
    [compiler, arch, compile, flag] = cases{c, :};
    matlab_branch = struct ('compile', compile, 'compiler', compiler, 'arch', arch, ...
                            'libdir', release, 'include', fullfile (root, 'host', 'include'), ...
                            'calls', {{}});
    outdir = fullfile (scratch, sprintf ('%s-%s', compiler, arch));
    report = build_mex (outdir, '-host', 'matlab');
    problems = {};
    if numel (matlab_branch.calls) ~= numel (commands)
      problems{end+1} = sprintf ('%d mex calls for %d commands', numel (matlab_branch.calls), numel (commands));
    end
    for k = 1:numel (matlab_branch.calls)
      args = matlab_branch.calls{k};
      if ~any (strcmp (args, flag)) || ~any (strcmp (args, '-compatibleArrayDims'))
        problems{end+1} = sprintf ('mex %s', strjoin (args, ' '));
      end
    end
    if compile
      if ~isempty (report.failed)
        problems{end+1} = ['not built: ' strjoin(report.failed, ', ')];
      else
        problems = [problems, same_results(release, outdir, scratch)];
      end
    end
    if isempty (problems)
      printf ('ok   %s %s\n', compiler, arch);
    else
      failures = failures + 1;
      printf ('FAIL %s %s:\n  %s\n', compiler, arch, strjoin (problems, "\n  "));
    end
  end
  printf ('matlab branch: %d passed, %d failed\n', rows (cases) - failures, failures);
end

% The corpus through the release plug-ins and through those in plugins.
function problems = same_results (release, plugins, scratch)
  problems = {};
  cases = fullfile (scratch, 'corpus.cases');
  run = @(dir, out) system (sprintf ('"%s" --plugins="%s" "%s" "%s"', ...
                                     fullfile (release, 'korvel_run'), dir, cases, out));
  expected = fullfile (scratch, 'release.results');
  got = fullfile (scratch, 'matlab.results');
  if system (sprintf ('"%s" "%s"', fullfile (release, 'korvel_corpus'), cases)) ~= 0 ...
     || run (release, expected) ~= 0 || run (plugins, got) ~= 0
    problems{end+1} = 'korvel_corpus or korvel_run failed';
  elseif system (sprintf ('"%s" --compare --strict "%s" release="%s" matlab="%s"', ...
                          fullfile (release, 'korvel_run'), cases, expected, got)) ~= 0
    problems{end+1} = 'results differ from the release plug-ins''';
  end
end

function remove_folder (folder)
  confirm_recursive_rmdir (false, 'local');
  rmdir (folder, 's');
end
