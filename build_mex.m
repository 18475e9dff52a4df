function report = build_mex(outdir)
%BUILD_MEX  Build every korvel command with the host's own mex command.
%   BUILD_MEX builds each command into build/octave (GNU Octave) or
%   build/matlab (MATLAB) below this folder; BUILD_MEX(OUTDIR) builds into
%   OUTDIR. The commands are the rows of commands.tsv, each built from its
%   source; a command built from the source of another gets its own name as
%   MEX_COMMAND_NAME. Each command's .m help file, beside its source, is
%   copied beside its plug-in, and Contents.m into OUTDIR, so after
%   ADDPATH(OUTDIR) HELP KORVELSPIN, KORVELSPIN(...) and HELP OUTDIR (the
%   list of commands) work.
%
%   REPORT = BUILD_MEX(...) returns a struct with fields built, failed and
%   outdir (cell arrays of command names, and the folder) instead of
%   raising an error when a command fails to build.
%
%   COMMANDS = BUILD_MEX('-commands') builds nothing and returns the rows
%   of commands.tsv, in its order: a struct array with fields name, source
%   (relative to this folder), written (how many of the first inputs are
%   written in place), output (1 when it creates output 1), results and
%   usage.
%
%   A plug-in newer than its source and the gateway is not built again.
%   Every build computes each IEEE double operation on its own: GCC and
%   clang get -ffp-contract=off (no fused multiply-add), 32-bit x86 gets
%   SSE2 instead of x87, MSVC keeps /fp:precise.
%
%   Works unchanged in GNU Octave (mex is mkoctfile --mex there) and in
%   MATLAB (mex with its default API).

  root = fileparts (mfilename ('fullpath'));
  if nargin == 1 && strcmp (outdir, '-commands')
    report = read_commands (root);
    return;
  end
  inOctave = exist ('OCTAVE_VERSION', 'builtin') ~= 0;
  if nargin < 1 || isempty (outdir)
    if inOctave
      outdir = fullfile (root, 'build', 'octave');
    else
      outdir = fullfile (root, 'build', 'matlab');
    end
  end
  if ~exist (outdir, 'dir')
    mkdir (outdir);
  end

  commands = read_commands (root);
  headers = dir (fullfile (root, 'gateway', '*.h'));
  gateway = fullfile (root, 'gateway', {headers.name});
  % The session's CXXFLAGS come back however the function ends.
  [flags, restore] = exact_flags (inOctave);
  restoreFlags = onCleanup (restore);

  built = {};
  failed = {};
  for k = 1:numel (commands)
    name = commands(k).name;
    source = fullfile (root, commands(k).source);
    plugin = fullfile (outdir, [name '.' mexext()]);
    if ~is_newer (plugin, [{source}, gateway])
      [~, sourceName] = fileparts (source);
      if strcmp (sourceName, name)
        defines = {};
      else
        defines = {['-DMEX_COMMAND_NAME=' name]};
      end
      if inOctave
        args = [flags, defines, {'-o', plugin, source}];
      else
        args = [flags, defines, {'-outdir', outdir, '-output', name, source}];
      end
      % A failed build must not leave an older plug-in that looks current.
      if exist (plugin, 'file')
        delete (plugin);
      end
      try
        mex (args{:});
      catch err
        fprintf (2, 'build_mex: %s failed: %s\n', name, err.message);
      end
    end
    if exist (plugin, 'file')
      built{end+1} = name;
      help_file = fullfile (fileparts (source), [name '.m']);
      if exist (help_file, 'file')
        copyfile (help_file, outdir);
      end
    else
      failed{end+1} = name;
    end
  end
  copyfile (fullfile (root, 'Contents.m'), outdir);

  if nargout > 0
    report = struct ('built', {built}, 'failed', {failed}, 'outdir', outdir);
  elseif ~isempty (failed)
    error ('build_mex:failed', 'these commands did not build: %s', strjoin (failed, ', '));
  else
    fprintf ('build_mex: %d commands in %s\n', numel (built), outdir);
  end
end

% The rows of commands.tsv (see the file for its fields); sources relative
% to root.
function commands = read_commands (root)
  list = fullfile (root, 'commands.tsv');
  lines = strsplit (strrep (fileread (list), char (13), ''), char (10));
  commands = struct ('name', {}, 'source', {}, 'written', {}, 'output', {}, ...
                     'results', {}, 'usage', {});
  for k = 1:numel (lines)
    if isempty (lines{k}) || lines{k}(1) == '#'
      continue;
    end
    fields = strsplit (lines{k}, char (9));
    if numel (fields) ~= 6
      error ('build_mex:commandList', '%s:%d: expected 6 fields separated by tabs; got "%s"', ...
             list, k, lines{k});
    end
    commands(end+1) = struct ('name', fields{1}, 'source', fields{2}, ...
                              'written', str2double (fields{3}), ...
                              'output', str2double (fields{4}), ...
                              'results', fields{5}, 'usage', fields{6});
  end
end

% Whether file exists and is newer than every one of the inputs.
function newer = is_newer (file, inputs)
  target = dir (file);
  newer = ~isempty (target);
  for k = 1:numel (inputs)
    if ~newer
      return;
    end
    input = dir (inputs{k});
    newer = ~isempty (input) && target.datenum > input.datenum;
  end
end

% mex arguments that keep every double operation rounded on its own, and a
% function that undoes any change to the environment.
function [flags, restore] = exact_flags (inOctave)
  restore = @() [];
  flags = {};
  if inOctave
    % mkoctfile takes its flags from the environment; its defaults are -g -O2.
    saved = getenv ('CXXFLAGS');
    extra = '-ffp-contract=off -fno-fast-math';
    arch = computer ();
    if ~isempty (regexp (arch, '^(i[3-6]86|x86)-', 'once'))
      extra = [extra ' -msse2 -mfpmath=sse'];
    end
    setenv ('CXXFLAGS', [strtrim(mkoctfile ('-p', 'CXXFLAGS')) ' ' extra]);
    restore = @() setenv ('CXXFLAGS', saved);
  else
    compiler = mex.getCompilerConfigurations ('C++', 'Selected');
    if ~isempty (compiler) && ~isempty (strfind (compiler(1).ShortName, 'MSVC'))
      flags = {'COMPFLAGS=$COMPFLAGS /fp:precise'};
    else
      extra = '-ffp-contract=off -fno-fast-math';
      if strcmp (computer ('arch'), 'win32') || strcmp (computer ('arch'), 'glnx86')
        extra = [extra ' -msse2 -mfpmath=sse'];
      end
      flags = {['CXXFLAGS=$CXXFLAGS ' extra]};
    end
  end
end
