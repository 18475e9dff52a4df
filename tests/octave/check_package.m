function failed = check_package (tarball)
%CHECK_PACKAGE  Install the Octave package in a scratch prefix and use it.
%   FAILED = CHECK_PACKAGE (TARBALL) installs TARBALL with pkg into a new
%   temporary prefix with a package list of its own (nothing of the user's
%   is touched), loads it, checks pkg describe, calls every command that
%   its INDEX lists once and compares the result, checks that each call
%   runs the plug-in (not the help file of the same name) and that help
%   shows the command's help, then uninstalls. Run it in a fresh Octave.
%   Prints each failure and a summary line; returns the number of failures.
  problems = {};
  tarball = make_absolute_filename (tarball);
  prefix = tempname ();
  mkdir (prefix);
  pkg ('prefix', prefix, prefix);
  pkg ('local_list', fullfile (prefix, 'octave_packages'));
  try
    pkg ('install', '-local', tarball);
    pkg ('load', 'korvel');
    [~, file] = fileparts (tarball);
    installed = pkg ('describe', 'korvel');
    listed = [installed{1}.provides{:}];
    listed = [listed.functions];
    if ~strcmp ([installed{1}.name '-' installed{1}.version '.tar'], file)
      problems{end+1} = sprintf ('pkg describe gives %s %s for %s', ...
                                 installed{1}.name, installed{1}.version, tarball);
    end
    problems = [problems, check_commands(listed)];
  catch err
    problems{end+1} = sprintf ('installing or loading failed: %s', err.message);
  end
  try
    pkg ('unload', 'korvel');
    pkg ('uninstall', '-local', 'korvel');
    if any (cellfun (@(p) strcmp (p.name, 'korvel'), pkg ('list')))
      problems{end+1} = 'korvel is still installed after pkg uninstall';
    end
  catch err
    problems{end+1} = sprintf ('uninstalling failed: %s', err.message);
  end
  confirm_recursive_rmdir (false, 'local');
  rmdir (prefix, 's');

  for k = 1:numel (problems)
    printf ('FAILED %s\n', problems{k});
  end
  failed = numel (problems);
  printf ('package: %s, %d failed\n', tarball, failed);
end

% One call of each command with a known result; the table must cover
% exactly the commands the package lists.
function problems = check_commands (listed)
  calls = {
    'korvelOffset',     @() korvelOffset ([1; 2; 3], [1 1 1]),     [0; 1; 2]
    'korvelSpin',       @() korvelSpin ([1; 2; 3], 0),             [1; 2; 3]
    'korvelRange',      @() korvelRange ([3; 4; 0]),               5
    'torusScreenMex',   @() torusScreenMex ([1; 0; 10]),           [1; 0; 0]
    'coneScreenMex',    @() coneScreenMex ([1; 0; 3]),             [1; 0; 0]
    'korvelFaceShown',  @() korvelFaceShown (int32 ([0; 0; 0]), [0; 0; 1], true), 1
    'korvelStrokeText', @() stroke_text (),                        [122.5 25 127.5 30 1]
    'plateauLabels',    @() plateauLabels ([7 3 7]),               [1 2 3]
    'valueSwap',        @() valueSwap ([5 6], [5; 5], [1; 2]),     [2 6]
    'korvelDataPtr',    @() is_address (@korvelDataPtr),           true
    'pelvaDataPtr',     @() is_address (@pelvaDataPtr),            true
  };
  problems = {};
  for missing = setxor (calls(:, 1)', listed)
    problems{end+1} = sprintf ('%s: listed by the package or called here, not both', missing{1});
  end
  for k = 1:rows (calls)
    name = calls{k, 1};
    try
      result = calls{k, 2} ();
      if ~isequal (result, calls{k, 3})
        problems{end+1} = sprintf ('%s: gave %s, expected %s', name, mat2str (result), ...
                                   mat2str (calls{k, 3}));
      end
    catch err
      problems{end+1} = sprintf ('%s: failed: %s', name, err.message);
    end
    runs = which (name);
    if isempty (regexp (runs, '\.mex$', 'once'))
      problems{end+1} = sprintf ('%s: runs %s, not its plug-in', name, runs);
    end
    try
      text = help (name);
    catch err
      text = err.message;
    end
    if ~strncmp (strtrim (text), [upper(name) '  '], numel (name) + 2)
      problems{end+1} = sprintf ('%s: help shows "%s"', name, strtok (text, "\n"));
    end
  end
end

function result = stroke_text ()
  B = zeros (4, 1);
  C = zeros (6, 1);
  n = zeros (1, 1);
  korvelStrokeText (B, C, n, [0.25; 0.5; 0.75; 1], 1, 10, [100 20], 3, [1 0 0]);
  result = [B' n];
end

function ok = is_address (command)
  x = zeros (1, 3);
  a = command (x);
  ok = a == fix (a) && abs (a) < 2^31 && a == command (x);
end
