function failed = sweep_values (plugins, cases, command)
%SWEEP_VALUES  Every kind of value Octave holds, through every input of every command.
%   FAILED = SWEEP_VALUES (PLUGINS, CASES) sweeps each command of
%   commands.tsv, with the plug-ins build_mex has built into PLUGINS (make
%   octave), in an Octave process of its own, so that a command that ends
%   the process counts as a failure instead of ending the sweep. CASES is
%   the case file the build writes (default: the release build's, see
%   CASE_TABLE). Ends with the line "value sweep: N passed, M failed" and
%   returns M.
%
%   FAILED = SWEEP_VALUES (PLUGINS, CASES, COMMAND) sweeps one command in
%   this process: each value of the table below in each input slot, the
%   other slots holding the command's first call of the case table, valid,
%   so that every check is reached. Each call must return, or raise an
%   identifier COMMAND:<reason> that the help file beside its plug-in lists,
%   and leave every input it only reads (every input, if it was refused) as
%   it was; the list says how many outputs it returns and which inputs it
%   writes (a command that writes inputs is swept in its value form too,
%   which writes none). Ends with the line "COMMAND: N passed, M failed".
  here = fileparts (mfilename ('fullpath'));
  root = fileparts (fileparts (here));
  addpath (fullfile (here, 'support'));
  plugins = make_absolute_filename (plugins);
  if nargin < 2 || isempty (cases)
    cases = case_table ();
  end
  cases = make_absolute_filename (cases);
  if nargin < 3
    failed = sweep_all (root, here, plugins, cases);
  else
    failed = sweep_one (root, plugins, cases, command);
  end
end

function failed = sweep_all (root, here, plugins, cases)
  addpath (root);
  commands = build_mex ('-commands');
  passed = 0;
  failed = 0;
  for k = 1:numel (commands)
    name = commands(k).name;
    if ~exist (fullfile (plugins, [name '.' mexext()]), 'file')
      failed = failed + 1;
      printf ('FAILED %s: no plug-in in %s\n', name, plugins);
      continue;
    end
    script = sprintf ('addpath (''%s''); exit (sweep_values (''%s'', ''%s'', ''%s'') > 0);', ...
                      here, plugins, cases, name);
    [status, output] = system (sprintf ( ...
      '%s --no-gui --no-history --norc --quiet --eval "%s" 2>&1', octave_program (), script));
    counts = regexp (output, [name ': (\d+) passed, (\d+) failed'], 'tokens', 'once');
    printf ('%s', output);
    if isempty (counts)
      failed = failed + 1;
      printf ('FAILED %s: the sweep ended without its result (exit status %d)\n', name, status);
    else
      passed = passed + str2double (counts{1});
      failed = failed + str2double (counts{2});
    end
  end
  printf ('value sweep: %d passed, %d failed\n', passed, failed);
end

% The Octave that runs this one, started afresh for each command.
function program = octave_program ()
  program = 'octave-cli';
  for candidate = {['octave-cli-' OCTAVE_VERSION], 'octave-cli'}
    path = fullfile (OCTAVE_HOME, 'bin', candidate{1});
    if exist (path, 'file')
      program = path;
      return;
    end
  end
end

function failed = sweep_one (root, plugins, cases, command)
  addpath (root, plugins);
  warning ('off', 'Octave:legacy-function');  % inline, the old-style class at hand
  documented = documented_identifiers (fullfile (plugins, [command '.m']), command);
  % Every value is made afresh for each call: korvelStrokeText writes into
  % its inputs in place, and into any value they share data with.
  values = { ...
    'a function handle', '@sin';  'an anonymous function', '@(x) x + 1'; ...
    'a containers.Map', 'containers.Map ()';  'a classdef object', 'inputParser ()'; ...
    'an old-style class object', 'inline (''x + 1'')'; ...
    'a struct', 'struct (''a'', 1)';  'a struct array', 'struct (''a'', {1, 2, 3})'; ...
    'an empty struct', 'struct ([])';  'a cell', '{1, 2, 3}';  'an empty cell', '{}'; ...
    'a char row', '''abc''';  'an empty char', '''''';  'a logical matrix', 'true (3, 2)'; ...
    'int8', 'int8 ([0; 1; 2])';  'uint8', 'uint8 ([0; 1; 2])'; ...
    'int16', 'int16 ([0; 1; 2])';  'uint16', 'uint16 ([0; 1; 2])'; ...
    'int32', 'int32 ([0; 1; 2])';  'uint32', 'uint32 ([0; 1; 2])'; ...
    'int64', 'int64 ([0; 1; 2])';  'uint64', 'uint64 ([0; 1; 2])'; ...
    'single', 'single (ones (3, 2))';  'complex', '[1+2i; 3; 4]'; ...
    'complex with zero imaginary part', 'complex (ones (3, 2), 0)'; ...
    'sparse', 'sparse (ones (3, 2))';  'sparse logical', 'sparse (true (3, 2))'; ...
    'a range', '1:9';  'empty', '[]';  '0-by-3', 'zeros (0, 3)';  '3-by-0', 'zeros (3, 0)'; ...
    '3-by-2-by-2', 'ones (3, 2, 2)';  '4-by-3-by-2', 'zeros (4, 3, 2)'; ...
    'NaN', 'NaN';  'Inf', 'Inf';  '-Inf', '-Inf';  'a scalar', '2';  'zero', '0'; ...
    'a negative scalar', '-1';  'a logical scalar', 'true';  'a row', '[1 2 3]'; ...
    'a column', '[1; 2; 3]';  'a matrix', 'magic (4)'};

  calls = read_cases (cases, command);
  if isempty (calls)
    printf ('FAILED %s: no calls in %s\n%s: 0 passed, 1 failed\n', command, cases, command);
    failed = 1;
    return;
  end
  valid = calls(1).inputs;  % the table's first call of a command is valid
  commands = build_mex ('-commands');
  facts = commands(strcmp ({commands.name}, command));
  outputs = facts.output;
  names = strtrim (strsplit (regexp (facts.usage, '\((.*)\)', 'tokens', 'once'){1}, ','));
  written = facts.written;  % the first inputs, written in place
  run = str2func (command);  % not feval, which the inline class overloads
  passed = 0;
  failed = 0;
  forms = outputs;  % the outputs asked for; a value form returns the written inputs
  if written > 0
    forms(end + 1) = written;
    if outputs > 0  % returns outputs, and writes in place when asked for none
      forms(end + 1) = 0;
    end
  end
  for slot = 1:numel (valid)
    for v = 1:rows (values)
      for nlhs = forms
        args = cellfun (@unshared, valid, 'UniformOutput', false);
        args{slot} = eval (values{v, 2});
        before = valid;
        before{slot} = eval (values{v, 2});
        problem = '';
        refused = true;
        try
          results = cell (1, nlhs);
          if nlhs == 0
            run (args{:});
          else
            [results{:}] = run (args{:});
          end
          refused = false;
        catch err
          if ~strncmp (err.identifier, [command ':'], numel (command) + 1)
            problem = sprintf ('raised "%s" (%s)', err.identifier, err.message);
          elseif ~any (strcmp (err.identifier, documented))
            problem = sprintf ('raised %s, which its help does not list', err.identifier);
          end
        end
        % Written in place only when answered with no output asked for.
        for k = 1 + written * (~refused && nlhs == 0):numel (valid)
          if isempty (problem) && ~same_value (args{k}, before{k})
            problem = sprintf ('changed input %d (%s)', k, names{k});
          end
        end
        if isempty (problem)
          passed = passed + 1;
        else
          failed = failed + 1;
          printf ('FAILED %s, %s as %s, %d outputs: %s\n', command, values{v, 1}, names{slot}, ...
                  nlhs, problem);
        end
      end
    end
  end
  printf ('%s: %d passed, %d failed\n', command, passed, failed);
end

% Equal class, size and elements (NaN equal to NaN); values without a data
% block (function handles, objects) compare as equal.
function equal = same_value (a, b)
  if ~(isnumeric (a) || islogical (a) || ischar (a))
    equal = true;
  else
    equal = strcmp (class (a), class (b)) && isequal (size (a), size (b)) && isequaln (a, b);
  end
end

% The identifiers a help file lists: every COMMAND:<reason> in its leading
% comment block.
function identifiers = documented_identifiers (file, command)
  help = regexp (fileread (file), '^(%[^\n]*\n)*', 'match', 'once');
  identifiers = unique (regexp (help, ['\<' command ':[A-Za-z]+'], 'match'));
  if isempty (identifiers)
    error ('sweep_values:noErrors', '%s lists no errors', file);
  end
end
