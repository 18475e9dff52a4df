function failed = check_package (tarball, cases)
%CHECK_PACKAGE  Install the Octave package in a scratch prefix and use it.
%   FAILED = CHECK_PACKAGE (TARBALL, CASES) installs TARBALL with pkg into a
%   new temporary prefix with a package list of its own (nothing of the
%   user's is touched), loads it, checks pkg describe, makes the case
%   table's calls of every command that its INDEX lists and compares the
%   bits with the stand-in host's (CROSS_CHECK; a command whose result is a
%   data address must give one, the same twice), checks that each call runs
%   the plug-in (not the help file of the same name) and that help shows
%   the command's help and that every example a help names is installed;
%   then that HELP KORVEL lists every command, the stroke font loads and
%   the demo (its smallest scene) writes its pictures into a temporary
%   folder, all from the installed package; then uninstalls. CASES is the case file the build
%   writes beside korvel_run (default: the release build's, see CASE_TABLE).
%   Run it in a fresh Octave. Prints each failure and a summary line;
%   returns the number of failures.
  addpath (fullfile (fileparts (mfilename ('fullpath')), 'support'));
  if nargin > 1
    setenv ('KORVEL_CASES', make_absolute_filename (cases));
  end
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
    problems = [problems, check_commands(listed, prefix), check_examples(listed, prefix)];
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

% The case table's calls of each command; the table must cover exactly the
% commands the package lists.
function problems = check_commands (listed, prefix)
  [cases, standin] = case_table ();
  [~, kinds] = system (sprintf ('"%s" --commands', fullfile (standin, 'korvel_run')));
  kinds = regexp (kinds, '(\S+) (\S+)', 'tokens');
  names = cellfun (@(k) k{1}, kinds, 'UniformOutput', false);
  address = names(cellfun (@(k) strcmp (k{2}, 'address'), kinds));
  problems = {};
  if isempty (names)
    problems{end+1} = sprintf ('no korvel_run in %s', standin);
  end
  called = unique ({read_cases(cases).command});
  for missing = setxor (called, listed)
    problems{end+1} = sprintf ('%s: listed by the package or called here, not both', missing{1});
  end
  for k = 1:numel (called)
    name = called{k};
    try
      if any (strcmp (name, address))
        if ~is_address (str2func (name))
          problems{end+1} = sprintf ('%s: gave no data address', name);
        end
      else
        cross_check (name);
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
    for example = unique (regexp (text, 'korvel_\w+(?=\.m\>)', 'match'))
      if ~strncmp (which (example{1}), prefix, numel (prefix))
        problems{end+1} = sprintf ('%s: help names %s.m, not installed', name, example{1});
      end
    end
  end
end

function ok = is_address (command)
  x = zeros (1, 3);
  a = command (x);
  ok = a == fix (a) && abs (a) < 2^31 && a == command (x);
end

% What runs from the installed package alone: the list of commands, the
% font and the demo, which makes its pictures in a folder of the caller's.
function problems = check_examples (listed, prefix)
  problems = {};
  text = help ('korvel');
  for name = listed
    if isempty (regexp (text, ['^\s+' name{1} '\s+- '], 'once', 'lineanchors'))
      problems{end+1} = sprintf ('help korvel does not list %s', name{1});
    end
  end
  try
    font = korvel_stroke_font ();
    if ~strncmp (which ('korvel_stroke_font'), prefix, numel (prefix)) || size (font.table, 1) ~= 4
      problems{end+1} = 'korvel_stroke_font: not the installed font';
    end
    out = tempname ();
    result = korvel_demo ('grid', 2, 'size', 120, 'out', out, 'quiet', true);
    written = cellfun (@(file) exist (file, 'file') == 2, result.files);
    if numel (written) ~= 4 || ~all (written) || ~all (strncmp (result.files, out, numel (out)))
      problems{end+1} = sprintf ('korvel_demo wrote %d of 4 pictures into %s', nnz (written), out);
    end
    confirm_recursive_rmdir (false, 'local');
    rmdir (out, 's');
  catch err
    problems{end+1} = sprintf ('the examples failed: %s', err.message);
  end
end
