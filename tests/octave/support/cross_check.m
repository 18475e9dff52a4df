function cross_check (calls)
%CROSS_CHECK  Make CALLS through the Octave plug-ins and the stand-in host.
%   Writes CALLS (see WRITE_CASES) to a case file, runs them through the
%   stand-in host with korvel_run, makes each call again here, and raises an
%   error unless both gave the same bits: the same outputs, the same inputs
%   after the call (korvelStrokeText writes into its first three), or the
%   same error identifier. korvel_run and the stand-in plug-in folder come
%   from the environment variables KORVEL_RUN and KORVEL_STANDIN_PLUGINS.
  runner = getenv ('KORVEL_RUN');
  plugins = getenv ('KORVEL_STANDIN_PLUGINS');
  if isempty (runner) || ~exist (runner, 'file')
    error ('cross_check:runner', 'KORVEL_RUN does not name the korvel_run program: "%s"', runner);
  end
  cases = [tempname() '.cases'];
  results = [tempname() '.results'];
  cleanup = onCleanup (@() delete_files ({cases, results}));
  write_cases (cases, calls);
  [status, output] = system (sprintf ('"%s" --plugins="%s" "%s" "%s"', runner, plugins, cases, results));
  if status ~= 0
    error ('cross_check:runner', 'korvel_run failed (%d): %s', status, output);
  end
  standin = read_results (results);
  if numel (standin) ~= numel (calls)
    error ('cross_check:count', 'korvel_run answered %d of %d calls', numel (standin), numel (calls));
  end
  for c = 1:numel (calls)
    compare_call (calls(c), standin(c), c);
  end
end

function compare_call (call, standin, index)
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
  else
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

function copy = unshared (array)
  if islogical (array)
    copy = false (size (array));
  else
    copy = zeros (size (array), class (array));
  end
  copy(:) = array(:);
end

function delete_files (files)
  for k = 1:numel (files)
    if exist (files{k}, 'file')
      delete (files{k});
    end
  end
end
