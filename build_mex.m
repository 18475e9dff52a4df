function report = build_mex(outdir)
%BUILD_MEX  Build every korvel command with the host's own mex command.
%   BUILD_MEX builds each command into build/octave (GNU Octave) or
%   build/matlab (MATLAB) below this folder; BUILD_MEX(OUTDIR) builds into
%   OUTDIR. Every .cpp directly in transforms/, projections/, scene/ and
%   arrays/ is one command named after its file; pelvaDataPtr is built from
%   arrays/korvelDataPtr.cpp under its own name. Each command's .m help
%   file is copied beside its plug-in, and Contents.m into OUTDIR, so after
%   ADDPATH(OUTDIR) HELP KORVELSPIN, KORVELSPIN(...) and HELP OUTDIR (the
%   list of commands) work.
%
%   REPORT = BUILD_MEX(...) returns a struct with fields built, failed and
%   outdir (cell arrays of command names, and the folder) instead of
%   raising an error when a command fails to build.
%
%   COMMANDS = BUILD_MEX('-commands') builds nothing and returns the
%   commands of the tree: a struct array with fields name and source (the
%   source file's path relative to this folder), sorted by name.
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
    report = find_commands (root);
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

  commands = find_commands (root);
  headers = dir (fullfile (root, 'gateway', '*.h'));
  gateway = fullfile (root, 'gateway', {headers.name});
  [flags, restore] = exact_flags (inOctave);

  built = {};
  failed = {};
  for k = 1:numel (commands)
    name = commands(k).name;
    source = fullfile (root, commands(k).source);
    plugin = fullfile (outdir, [name '.' mexext()]);
    if ~is_newer (plugin, [{source}, gateway])
      define = ['-DMEX_COMMAND_NAME=' name];
      if inOctave
        args = [flags, {define, '-o', plugin, source}];
      else
        args = [flags, {define, '-outdir', outdir, '-output', name, source}];
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
  restore ();
  copyfile (fullfile (root, 'Contents.m'), outdir);

  if nargout > 0
    report = struct ('built', {built}, 'failed', {failed}, 'outdir', outdir);
  elseif ~isempty (failed)
    error ('build_mex:failed', 'these commands did not build: %s', strjoin (failed, ', '));
  else
    fprintf ('build_mex: %d commands in %s\n', numel (built), outdir);
  end
end

% The commands of the tree, as the CMake build finds them; sources relative
% to root.
function commands = find_commands (root)
  folders = {'transforms', 'projections', 'scene', 'arrays'};
  aliases = {'pelvaDataPtr', fullfile('arrays', 'korvelDataPtr.cpp')};
  commands = struct ('name', {}, 'source', {});
  for f = 1:numel (folders)
    listing = dir (fullfile (root, folders{f}, '*.cpp'));
    for k = 1:numel (listing)
      [~, name] = fileparts (listing(k).name);
      commands(end+1) = struct ('name', name, 'source', fullfile (folders{f}, listing(k).name));
    end
  end
  for a = 1:size (aliases, 1)
    if exist (fullfile (root, aliases{a, 2}), 'file')
      commands(end+1) = struct ('name', aliases{a, 1}, 'source', aliases{a, 2});
    end
  end
  [~, order] = sort ({commands.name});
  commands = commands(order);
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
