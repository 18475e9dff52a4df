function cross_check (command)
%CROSS_CHECK  Make the case table's calls of COMMAND here and through the stand-in host.
%   Runs the calls of COMMAND in the case file (see CASE_TABLE) through the
%   stand-in host with korvel_run, makes each call again here, and raises an
%   error unless both gave the same bits: the same outputs, the same inputs
%   after the call (korvelStrokeText writes into its first three), or the
%   same error identifier. The outputs of a command whose result is a data
%   address, which differs between hosts, are not compared. korvel_run is
%   the one in the stand-in plug-in folder, or KORVEL_RUN.
  [cases, plugins] = case_table ();
  runner = getenv ('KORVEL_RUN');
  if isempty (runner)
    runner = fullfile (plugins, 'korvel_run');
  end
  if ~exist (runner, 'file')
    error ('cross_check:runner', 'no korvel_run program at "%s"', runner);
  end
  calls = read_cases (cases, command);
  if isempty (calls)
    error ('cross_check:calls', '%s has no calls in %s', command, cases);
  end
  results = [tempname() '.results'];
  cleanup = onCleanup (@() delete_files ({results}));
  [status, output] = system (sprintf ('"%s" --plugins="%s" --only=%s "%s" "%s"', runner, plugins, ...
                                      command, cases, results));
  if status ~= 0
    error ('cross_check:runner', 'korvel_run failed (%d): %s', status, output);
  end
  [~, kinds] = system (sprintf ('"%s" --commands', runner));
  address = ~isempty (regexp (kinds, ['(^|\n)' command ' address'], 'once'));
  standin = read_results (results);
  if numel (standin) ~= numel (calls)
    error ('cross_check:count', 'korvel_run answered %d of %d calls', numel (standin), numel (calls));
  end
  for c = 1:numel (calls)
    compare_call (calls(c), standin(c), c, address);
  end
end

function compare_call (call, standin, index, address)
  % Unshared copies: the command may write into its inputs, and in Octave
  % data shared with another variable would see the write too.
  inputs = cell (size (call.inputs));
  for k = 1:numel (inputs)
    inputs{k} = unshared (call.inputs{k});
  end
  command = str2func (call.command);
  outputs = cell (1, call.nlhs);
  identifier = '';
  try
    if call.nlhs == 0
      command (inputs{:});
    else
      [outputs{:}] = command (inputs{:});
    end
  catch err
    identifier = err.identifier;
  end
  where = sprintf ('call %d (%s)', index, call.command);
  if standin.failed || ~isempty (identifier)
    if ~strcmp (identifier, standin.identifier)
      error ('cross_check:error', '%s: stand-in raised "%s", Octave raised "%s"', where, ...
             standin.identifier, identifier);
    end
  elseif ~address
    for k = 1:call.nlhs
      compare_array (outputs{k}, standin.outputs{k}, sprintf ('%s, output %d', where, k));
    end
  end
  for k = 1:numel (inputs)
    compare_array (inputs{k}, standin.inputs{k}, sprintf ('%s, input %d after the call', where, k));
  end
end

function compare_array (octave, standin, where)
  if ~strcmp (class (octave), class (standin))
    error ('cross_check:class', '%s: Octave gave %s, stand-in %s', where, class (octave), class (standin));
  end
  try
    if isa (octave, 'double')
      assert_bits (octave, standin);
    elseif ~isequal (size (octave), size (standin)) || ~isequaln (octave, standin)
      error ('cross_check:values', 'values differ');
    end
  catch err
    error ('cross_check:differs', '%s: %s', where, err.message);
  end
end

function delete_files (files)
  for k = 1:numel (files)
    if exist (files{k}, 'file')
      delete (files{k});
    end
  end
end
