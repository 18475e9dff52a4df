function failed = check_help (plugins)
%CHECK_HELP  Every help example runs; Contents.m agrees with the helps.
%   FAILED = CHECK_HELP (PLUGINS) checks every command in the plug-in folder
%   PLUGINS, as build_mex fills it:
%     - its help ends with an Example section (only "See also" may follow)
%       whose code runs in a workspace of its own and prints something: a
%       user pastes it and sees the result;
%     - Contents.m in PLUGINS lists it exactly once, with the summary of
%       its help's first line, lists nothing else, and HELP PLUGINS shows it.
%   (The help's usage line and error list are checked against commands.tsv
%   and docs/errors.md by the C++ build's help_files test.) build_mex writes
%   Contents.m, so this checks what it writes.
%   Prints each failure and a summary line; returns the number of failures.
%   Run it in a fresh Octave: the examples must not depend on anything set
%   up before.
  plugins = make_absolute_filename (plugins);
  addpath (plugins);
  listing = dir (fullfile (plugins, ['*.' mexext()]));
  commands = regexprep ({listing.name}, '\.[^.]+$', '');
  [listedNames, listedSummaries] = contents_lines (fullfile (plugins, 'Contents.m'));

  problems = {};
  for k = 1:numel (commands)
    name = commands{k};
    lines = help_lines (fullfile (plugins, [name '.m']));
    if isempty (lines)
      problems{end+1} = sprintf ('%s: no help file beside the plug-in', name);
      continue;
    end

    [code, problem] = example_code (lines);
    if isempty (problem)
      [output, problem] = run_example (code);
      if isempty (problem) && isempty (strtrim (output))
        problem = 'the example prints nothing';
      end
    end
    if ~isempty (problem)
      problems{end+1} = sprintf ('%s: %s', name, problem);
    end

    h1 = regexp (lines{1}, '^(\w+)  (\S.*)$', 'tokens', 'once');
    listed = find (strcmp (listedNames, name));
    if numel (listed) ~= 1
      problems{end+1} = sprintf ('%s: listed %d times in Contents.m', name, numel (listed));
    elseif isempty (h1) || ~strcmp (listedSummaries{listed}, h1{2})
      problems{end+1} = sprintf ('%s: Contents.m says "%s", the help''s first line "%s"', ...
                                 name, listedSummaries{listed}, lines{1});
    end
  end

  for extra = setdiff (listedNames, commands)
    problems{end+1} = sprintf ('Contents.m lists %s, which is not a command', extra{1});
  end
  shown = evalc ('help (plugins)');
  if isempty (strfind (shown, 'korvelOffset'))
    problems{end+1} = sprintf ('help %s does not list the commands', plugins);
  end

  for k = 1:numel (problems)
    printf ('FAILED %s\n', problems{k});
  end
  failed = numel (problems);
  printf ('help: %d commands, %d failed\n', numel (commands), failed);
end

% The leading comment block of a help file, each line without its '%'.
function lines = help_lines (file)
  lines = {};
  if ~exist (file, 'file')
    return;
  end
  for line = strsplit (strrep (fileread (file), "\r", ''), "\n")
    if isempty (line{1}) || line{1}(1) ~= '%'
      break;
    end
    lines{end+1} = line{1}(2:end);
  end
end

% The code of the Example section: the lines indented deeper than its
% heading, after the heading's own text, up to "See also" or the end.
function [code, problem] = example_code (lines)
  code = '';
  problem = '';
  heading = find (~cellfun (@isempty, regexp (lines, '^\s*Examples?(:|\s|$)', 'once')), 1, 'last');
  if isempty (heading)
    problem = 'the help has no Example section';
    return;
  end
  indent = @(line) numel (regexp (line, '^\s*', 'match', 'once'));
  depth = indent (lines{heading});
  codeLines = {};
  for k = heading + 1:numel (lines)
    line = lines{k};
    if isempty (strtrim (line))
      continue;
    elseif indent (line) > depth
      codeLines{end+1} = line;
    elseif ~isempty (regexp (line, '^\s*See also', 'once'))
      break;
    elseif ~isempty (codeLines)
      problem = sprintf ('"%s" follows the example: the example must come last', strtrim (line));
      return;
    end
  end
  if isempty (codeLines)
    problem = 'the Example section holds no code';
  end
  margin = min (cellfun (indent, codeLines));
  code = strjoin (cellfun (@(line) line(margin + 1:end), codeLines, 'UniformOutput', false), "\n");
end

% Runs code in a workspace that holds nothing else.
function [output, problem] = run_example (example_code_)
  output = '';
  problem = '';
  try
    output = evalc (example_code_);
  catch err
    problem = sprintf ('the example fails: %s', err.message);
  end
end

% The "%   name  - summary" lines of Contents.m.
function [names, summaries] = contents_lines (file)
  names = {};
  summaries = {};
  if ~exist (file, 'file')
    return;
  end
  found = regexp (fileread (file), '^%\s+(\w+)\s+- (.*?)\s*$', 'tokens', 'lineanchors');
  names = cellfun (@(t) t{1}, found, 'UniformOutput', false);
  summaries = cellfun (@(t) t{2}, found, 'UniformOutput', false);
end
