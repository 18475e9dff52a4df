function failed = sweep_values (plugins, command)
%SWEEP_VALUES  Every kind of value Octave holds, through every input of every command.
%   FAILED = SWEEP_VALUES (PLUGINS) sweeps each command of commands.tsv,
%   with the plug-ins build_mex has built into PLUGINS (make octave), in an
%   Octave process of its own, so that a command that ends the process
%   counts as a failure instead of ending the sweep. Ends with the line
%   "value sweep: N passed, M failed" and returns M.
%
%   FAILED = SWEEP_VALUES (PLUGINS, COMMAND) sweeps one command in this
%   process: each value of the table below in each input slot, the other
%   slots holding valid inputs so that every check is reached. Each call
%   must return, or raise an identifier COMMAND:<reason> that the help file
%   beside its plug-in lists, and leave every input it only reads (every
%   input, if it was refused) as it was; the list says how many outputs it
%   returns and which inputs it writes. Ends with the line "COMMAND: N passed, M failed".
  here = fileparts (mfilename ('fullpath'));
  root = fileparts (fileparts (here));
  plugins = make_absolute_filename (plugins);
  if nargin < 2
    failed = sweep_all (root, here, plugins);
  else
    failed = sweep_one (root, plugins, command);
  end
end

function failed = sweep_all (root, here, plugins)
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
    script = sprintf ('addpath (''%s''); exit (sweep_values (''%s'', ''%s'') > 0);', ...
                      here, plugins, name);
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

function failed = sweep_one (root, plugins, command)
  addpath (root, plugins);
  warning ('off', 'Octave:legacy-function');  % inline, the old-style class at hand
  documented = documented_identifiers (fullfile (plugins, [command '.m']), command);
  % Each command's inputs: name and a valid value.
  valid = struct ( ...
    'korvelOffset',     {{'P', 'zeros (3, 2)'; 'POS', 'zeros (1, 3)'}}, ...
    'korvelSpin',       {{'P', 'ones (3, 2)'; 'THETA', '0.5'}}, ...
    'korvelRange',      {{'P', 'ones (3, 2)'}}, ...
    'torusScreenMex',   {{'P', 'ones (3, 2)'}}, ...
    'coneScreenMex',    {{'P', 'ones (3, 2)'}}, ...
    'korvelFaceShown',  {{'F', 'int32 ([0; 1; 2])'; 'S', 'ones (3, 3)'; 'MASK', 'true'}}, ...
    'korvelStrokeText', {{'B', 'zeros (4, 12)'; 'C', 'zeros (6, 12)'; 'N', '0'; ...
                          'T', '[0 1; 0 1; 1 1; 1 0]'; 'CODES', '[1 2]'; 'SCALE', '2'; ...
                          'ORIGIN', '[0 0]'; 'POS', '1'; 'COLOUR', '[1 0 0]'}}, ...
    'plateauLabels',    {{'A', 'magic (4)'}}, ...
    'valueSwap',        {{'A', 'magic (3)'; 'FROM', '[1; 2]'; 'TO', '[7 8]'}}, ...
    'korvelDataPtr',    {{'X', 'zeros (2, 2)'}}, ...
    'pelvaDataPtr',     {{'X', 'zeros (2, 2)'}});
  % Every value is made afresh by eval for each call: korvelStrokeText
  % writes into its inputs in place, and into any value they share data with.
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

  if ~isfield (valid, command)
    printf ('FAILED %s: no valid inputs in the sweep table\n%s: 0 passed, 1 failed\n', ...
            command, command);
    failed = 1;
    return;
  end
  commands = build_mex ('-commands');
  facts = commands(strcmp ({commands.name}, command));
  outputs = facts.output;
  inputs = valid.(command);
  written = facts.written;  % the first inputs, written in place
  run = str2func (command);  % not feval, which the inline class overloads
  passed = 0;
  failed = 0;
  for slot = 1:rows (inputs)
    for v = 1:rows (values)
      expressions = inputs(:, 2);
      expressions{slot} = values{v, 2};
      args = cellfun (@eval, expressions, 'UniformOutput', false);
      problem = '';
      refused = true;
      try
        if outputs == 0
          run (args{:});
        else
          result = run (args{:});
        end
        refused = false;
      catch err
        if ~strncmp (err.identifier, [command ':'], numel (command) + 1)
          problem = sprintf ('raised "%s" (%s)', err.identifier, err.message);
        elseif ~any (strcmp (err.identifier, documented))
          problem = sprintf ('raised %s, which its help does not list', err.identifier);
        end
      end
      for k = 1 + written * ~refused:rows (inputs)
        if isempty (problem) && ~same_value (args{k}, eval (expressions{k}))
          problem = sprintf ('changed input %d (%s)', k, inputs{k, 1});
        end
      end
      if isempty (problem)
        passed = passed + 1;
      else
        failed = failed + 1;
        printf ('FAILED %s, %s as %s: %s\n', command, values{v, 1}, inputs{slot, 1}, problem);
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
