function report = build_mex(outdir, varargin)
%BUILD_MEX  Build every korvel command with the host's own mex command.
%   BUILD_MEX builds each command into build-octave (GNU Octave) or
%   build-matlab (MATLAB) below this folder; BUILD_MEX(OUTDIR) builds into
%   OUTDIR. The commands are the rows of commands.tsv, each built from its
%   source; a command built from the source of another gets its own name as
%   MEX_COMMAND_NAME. Each command's .m help file, beside its source, is
%   copied beside its plug-in, and OUTDIR gets a Contents.m that lists the
%   commands by their group in commands.tsv, each with the summary of its
%   help's first line, so after ADDPATH(OUTDIR) HELP KORVELSPIN,
%   KORVELSPIN(...) and HELP OUTDIR (the list of commands) work.
%
%   REPORT = BUILD_MEX(...) returns a struct with fields built, failed and
%   outdir (cell arrays of command names, and the folder) instead of
%   raising an error when a command fails to build.
%
%   COMMANDS = BUILD_MEX('-commands') builds nothing and returns the rows
%   of commands.tsv, in its order: a struct array with fields name, source
%   (relative to this folder), written (how many of the first inputs are
%   written in place), output (1 when it creates output 1), results, usage,
%   group, help (its help file, <command>.m beside the source) and includes
%   (every file of this tree the source includes, directly or through
%   another, by #include "path" relative to the including file; with / as
%   separator, relative to this folder). This is
%   the one reader of commands.tsv on the host side, where no CMake build
%   need exist (MATLAB users run this file alone): the package and the
%   Octave tests take the list from here. Everything that runs after a
%   CMake build takes it from that build (korvel_run --commands).
%
%   TEXT = BUILD_MEX('-contents') builds nothing and returns the text of
%   that Contents.m.
%
%   A plug-in newer than its source and every file the source includes is
%   not built again.
%   Every build computes each IEEE double operation on its own: GCC and
%   clang get the flags of cmake/exact_flags.mk, the ones every build uses
%   (no fused multiply-add; SSE2 instead of x87 on 32-bit x86), MSVC keeps
%   /fp:precise.
%
%   Works unchanged in GNU Octave (mex is mkoctfile --mex there) and in
%   MATLAB, where it asks mex for -compatibleArrayDims: 32-bit sizes and
%   the mxCreateDoubleMatrix_700 family, the interface the released
%   plug-ins import, so a plug-in built here matches them.
%
%   BUILD_MEX(OUTDIR, '-host', HOST) builds with the mex arguments of HOST,
%   'octave' or 'matlab', instead of those of the running host; the tests
%   use it to run the MATLAB branch in Octave against a stand-in mex.

  root = fileparts (mfilename ('fullpath'));
  if nargin == 1 && strcmp (outdir, '-commands')
    report = read_commands (root);
    return;
  elseif nargin == 1 && strcmp (outdir, '-contents')
    report = contents_text (root, read_commands (root));
    return;
  end
  if nargin == 3 && strcmp (varargin{1}, '-host') && any (strcmp (varargin{2}, {'octave', 'matlab'}))
    host = varargin{2};
  elseif nargin <= 1
    host = 'matlab';
    if exist ('OCTAVE_VERSION', 'builtin') ~= 0
      host = 'octave';
    end
  else
    error ('build_mex:arguments', 'expected BUILD_MEX(OUTDIR) or BUILD_MEX(OUTDIR, ''-host'', ''octave''|''matlab'')');
  end
  if nargin < 1 || isempty (outdir)
    if strcmp (host, 'octave')
      outdir = fullfile (root, 'build-octave');
    else
      outdir = fullfile (root, 'build-matlab');
    end
  end
  if ~exist (outdir, 'dir')
    mkdir (outdir);
  end

  commands = read_commands (root);
  % The session's CXXFLAGS come back however the function ends.
  [flags, restore] = exact_flags (root, host);
  restoreFlags = onCleanup (restore);

  built = {};
  failed = {};
  for k = 1:numel (commands)
    name = commands(k).name;
    source = fullfile (root, commands(k).source);
    plugin = fullfile (outdir, [name '.' mexext()]);
    inputs = cellfun (@(file) fullfile (root, file), [{commands(k).source}, commands(k).includes], ...
                      'UniformOutput', false);
    if ~is_newer (plugin, inputs)
      [~, sourceName] = fileparts (source);
      if strcmp (sourceName, name)
        defines = {};
      else
        defines = {['-DMEX_COMMAND_NAME=' name]};
      end
      args = mex_arguments (host, flags, defines, outdir, name, plugin, source);
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
      help_file = fullfile (root, commands(k).help);
      if exist (help_file, 'file')
        copyfile (help_file, outdir);
      end
    else
      failed{end+1} = name;
    end
  end
  write_text (fullfile (outdir, 'Contents.m'), contents_text (root, commands));

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
                     'results', {}, 'usage', {}, 'group', {}, 'help', {}, 'includes', {});
  % Each file's own includes, read once however many sources share it.
  scanned = containers.Map ();
  for k = 1:numel (lines)
    if isempty (lines{k}) || lines{k}(1) == '#'
      continue;
    end
    fields = strsplit (lines{k}, char (9));
    if numel (fields) ~= 7
      error ('build_mex:commandList', '%s:%d: expected 7 fields separated by tabs; got "%s"', ...
             list, k, lines{k});
    end
    commands(end+1) = struct ('name', fields{1}, 'source', fields{2}, ...
                              'written', str2double (fields{3}), ...
                              'output', str2double (fields{4}), ...
                              'results', fields{5}, 'usage', fields{6}, ...
                              'group', fields{7}, ...
                              'help', fullfile (fileparts (fields{2}), [fields{1} '.m']), ...
                              'includes', {included_files(root, fields{2}, scanned)});
  end
end

% The files of the tree below root that source includes, directly or through
% another, each once: every #include "path", resolved
% against the folder of the file that names it, as the compiler resolves it
% first. Names the tree does not hold (mex.h) and <...> are the compiler's.
% No folder is named here: a header may move anywhere in the tree.
function files = included_files (root, source, scanned)
  files = {};
  pending = {tidy_path(source)};
  while ~isempty (pending)
    file = pending{end};
    pending(end) = [];
    if ~isKey (scanned, file)
      scanned(file) = quoted_includes (root, file);
    end
    found = scanned(file);
    found = found(~ismember (found, [files, {tidy_path(source)}]));
    files = [files, found];
    pending = [pending, found];
  end
end

% The tree's files that file (relative to root) names in #include "...".
function names = quoted_includes (root, file)
  names = {};
  if exist (fullfile (root, file), 'file') ~= 2
    return;
  end
  tokens = regexp (fileread (fullfile (root, file)), ...
                   '^[ \t]*#[ \t]*include[ \t]*"([^"\r\n]+)"', 'tokens', 'lineanchors');
  folder = fileparts (file);
  for k = 1:numel (tokens)
    name = tidy_path ([folder '/' tokens{k}{1}]);
    if ~isempty (name) && exist (fullfile (root, name), 'file') == 2 && ~any (strcmp (names, name))
      names{end+1} = name;
    end
  end
end

% path with / between its parts and no . or .. parts; '' when it leaves the
% tree.
function path = tidy_path (path)
  parts = regexp (path, '[/\\]', 'split');
  kept = {};
  for k = 1:numel (parts)
    if strcmp (parts{k}, '..')
      if isempty (kept)
        path = '';
        return;
      end
      kept(end) = [];
    elseif ~isempty (parts{k}) && ~strcmp (parts{k}, '.')
      kept{end+1} = parts{k};
    end
  end
  path = strjoin (kept, '/');
end

% Contents.m: the commands under their groups, groups in the order of their
% first command, each command with the summary of its help's first line
% ("%NAME  Summary").
function text = contents_text (root, commands)
  width = max (cellfun (@numel, {commands.name}));
  text = sprintf ('%% korvel: compiled numeric kernels for MATLAB and GNU Octave.\n');
  groups = unique ({commands.group}, 'stable');
  for g = 1:numel (groups)
    text = [text sprintf('%%\n%% %s\n', groups{g})];
    for k = find (strcmp ({commands.group}, groups{g}))
      text = [text sprintf('%%   %-*s - %s\n', width, commands(k).name, ...
                           help_summary (root, commands(k)))];
    end
  end
  text = [text sprintf(['%%\n%% Each command''s help tells its inputs, errors and an example:\n' ...
                        '%% help %s.\n' ...
                        '%%\n' ...
                        '%% Large inputs are split over the cores the process may use, with\n' ...
                        '%% the same bits as on one. The environment variable\n' ...
                        '%% KORVEL_NUM_THREADS, read at every call, sets the thread count:\n' ...
                        '%% setenv(''KORVEL_NUM_THREADS'', ''1'') keeps every call on the\n' ...
                        '%% calling thread.\n' ...
                        '%%\n' ...
                        '%% BSD 3-Clause licence, Copyright (c) 2026, the korvel authors.\n\n' ...
                        '%% Written by build_mex.m from commands.tsv and the help files.\n'], ...
                       commands(1).name)];
end

function summary = help_summary (root, command)
  file = fullfile (root, command.help);
  if ~exist (file, 'file')
    error ('build_mex:helpFile', '%s: no help file %s', command.name, file);
  end
  first = regexp (fileread (file), '^%(\w+)  (\S[^\r\n]*)', 'tokens', 'once');
  if isempty (first) || ~strcmpi (first{1}, command.name)
    error ('build_mex:helpFile', '%s: the first line must be "%%%s  Summary"', ...
           file, upper (command.name));
  end
  summary = first{2};
end

function write_text (file, text)
  fid = fopen (file, 'w');
  if fid < 0
    error ('build_mex:write', 'cannot write %s', file);
  end
  fputs (fid, text);
  fclose (fid);
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

% The arguments of host's mex that build one plug-in.
function args = mex_arguments (host, flags, defines, outdir, name, plugin, source)
  if strcmp (host, 'octave')
    args = [flags, defines, {'-o', plugin, source}];
  else
    args = [flags, {'-compatibleArrayDims'}, defines, ...
            {'-outdir', outdir, '-output', name, source}];
  end
end

% mex arguments that keep every double operation rounded on its own, and a
% function that undoes any change to the environment.
function [flags, restore] = exact_flags (root, host)
  restore = @() [];
  flags = {};
  [exact, x86_32] = read_exact_flags (root);
  if strcmp (host, 'octave')
    % mkoctfile takes its flags from the environment; its defaults are -g -O2.
    saved = getenv ('CXXFLAGS');
    extra = exact;
    arch = computer ();
    if ~isempty (regexp (arch, '^(i[3-6]86|x86)-', 'once'))
      extra = [extra ' ' x86_32];
    end
    setenv ('CXXFLAGS', [strtrim(mkoctfile ('-p', 'CXXFLAGS')) ' ' extra]);
    restore = @() setenv ('CXXFLAGS', saved);
  else
    % Through feval: Octave, where the tests run this branch, reads
    % mex.getCompilerConfigurations as a call of the function mex.
    compiler = feval ('mex.getCompilerConfigurations', 'C++', 'Selected');
    if ~isempty (compiler) && ~isempty (strfind (compiler(1).ShortName, 'MSVC'))
      flags = {'COMPFLAGS=$COMPFLAGS /fp:precise'};
    else
      extra = exact;
      if strcmp (computer ('arch'), 'win32') || strcmp (computer ('arch'), 'glnx86')
        extra = [extra ' ' x86_32];
      end
      flags = {['CXXFLAGS=$CXXFLAGS ' extra]};
    end
  end
end

% The flags of every GCC or clang build, and those 32-bit x86 adds, from
% cmake/exact_flags.mk.
function [exact, x86_32] = read_exact_flags (root)
  file = fullfile (root, 'cmake', 'exact_flags.mk');
  text = fileread (file);
  value = @(name) regexp (text, ['^' name ' *= *([^\r\n]*?) *$'], 'tokens', 'once', 'lineanchors');
  exact = value ('EXACT_FLAGS');
  x86_32 = value ('EXACT_FLAGS_X86_32');
  if isempty (exact) || isempty (x86_32)
    error ('build_mex:flags', '%s: needs EXACT_FLAGS and EXACT_FLAGS_X86_32', file);
  end
  exact = exact{1};
  x86_32 = x86_32{1};
end
