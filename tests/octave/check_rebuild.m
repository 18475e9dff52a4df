function failures = check_rebuild ()
%CHECK_REBUILD  An edited header makes every plug-in and package object that
%   includes it, directly or through another header, be built again, and
%   no other. Works in a scratch copy of the tree that holds two commands
%   sharing headers and a third that lacks some of them, with the files
%   build_mex finds they include. For each header the two share and the
%   third lacks: build_mex builds the first two again, not the third; the
%   package's make wants their objects again, not the third's. Prints one
%   line per header and build, returns the number of failures.
  here = fileparts (mfilename ('fullpath'));
  root = fileparts (fileparts (here));
  scratch = tempname ();
  started = pwd ();
  cleanup = onCleanup (@() leave (started, scratch));
  % build_mex from the folder that holds it: that of the current folder
  % comes before any other on the path.
  cd (root);
  commands = build_mex ('-commands');
  pair = {'korvelOffset', 'korvelSpin'};
  [picked, headers] = pick (commands, pair);
  names = {picked.name};
  copy_tree (root, scratch, picked);
  cd (scratch);
  addpath (fullfile (scratch, 'package'));

  plugins = fullfile (scratch, 'plugins');
  build_mex (plugins);
  make_package (fullfile (scratch, 'stage'), fullfile (scratch, 'out'));
  staged = dir (fullfile (scratch, 'stage', 'korvel-*'));
  src = fullfile (scratch, 'stage', staged(1).name, 'src');

  % rebuilt(names, touched) says which of names were built again after the
  % header touched was edited.
  builds = {
    'build_mex', @(touched) plugins_rebuilt (plugins, names, fullfile (scratch, touched))
    'package',   @(touched) objects_stale (src, names, fullfile (src, touched))
  };
  failures = 0;
  for h = 1:numel (headers)
    for b = 1:rows (builds)
      rebuilt = builds{b, 2}(headers{h});
      if isequal (rebuilt, ismember (names, pair))
        printf ('ok   %s: %s\n', builds{b, 1}, headers{h});
      else
        failures = failures + 1;
        printf ('FAIL %s: after %s, built again: %s; expected %s\n', builds{b, 1}, ...
                headers{h}, strjoin (names(rebuilt), ' '), strjoin (pair, ' '));
      end
    end
  end
  printf ('rebuild: %d passed, %d failed\n', numel (headers) * rows (builds) - failures, failures);
end

% The pair and the first other command that lacks a header both of the pair
% include; the headers the two share and it lacks.
function [picked, headers] = pick (commands, pair)
  first = commands(strcmp ({commands.name}, pair{1}));
  second = commands(strcmp ({commands.name}, pair{2}));
  shared = intersect (first.includes, second.includes, 'stable');
  for k = 1:numel (commands)
    headers = setdiff (shared, commands(k).includes, 'stable');
    if ~isempty (headers)
      picked = [first, second, commands(k)];
      return;
    end
  end
  error ('check_rebuild:layout', 'every command includes every header %s and %s share', pair{:});
end

% What build_mex and make_package read, for the picked commands only.
function copy_tree (root, scratch, picked)
  files = {'build_mex.m', 'LICENSE', 'cmake/exact_flags.mk', 'package/DESCRIPTION', ...
           'package/make_package.m', 'package/src/Makefile', 'examples/*.m'};
  for k = 1:numel (picked)
    files = [files, {picked(k).source, picked(k).help}, picked(k).includes];
  end
  for k = 1:numel (files)
    folder = fullfile (scratch, fileparts (files{k}));
    if ~exist (folder, 'dir')
      mkdir (folder);
    end
    copyfile (fullfile (root, files{k}), folder);
  end
  lines = strsplit (fileread (fullfile (root, 'commands.tsv')), "\n");
  keep = cellfun (@(line) any (strcmp (strtok (line, "\t"), {picked.name})), lines);
  write_file (fullfile (scratch, 'commands.tsv'), sprintf ('%s\n', lines{keep}));
end

function rebuilt = plugins_rebuilt (plugins, names, touched)
  before = modified (fullfile (plugins, strcat (names, ['.' mexext()])));
  % File times count in whole seconds here: an edit in the second of the
  % last build would not tell.
  pause (1.1);
  edit_file (touched);
  build_mex (plugins);
  rebuilt = modified (fullfile (plugins, strcat (names, ['.' mexext()]))) > before;
end

% Whether make would make each command's object again: objects written
% (empty, nothing is compiled), then the header edited, then make -q.
function stale = objects_stale (src, names, touched)
  for k = 1:numel (names)
    write_file (fullfile (src, [names{k} '.o']), '');
  end
  pause (1.1);
  edit_file (touched);
  stale = false (size (names));
  for k = 1:numel (names)
    status = system (sprintf ('make -s -q -C "%s" %s.o', src, names{k}));
    if status > 1
      error ('check_rebuild:make', 'make -q %s.o in %s failed', names{k}, src);
    end
    stale(k) = status == 1;
  end
end

function times = modified (files)
  times = cellfun (@(file) getfield (dir (file), 'datenum'), files);
end

% The same text written again: a new modification time.
function edit_file (file)
  write_file (file, fileread (file));
end

function write_file (file, text)
  fid = fopen (file, 'w');
  fputs (fid, text);
  fclose (fid);
end

function leave (folder, scratch)
  cd (folder);
  if any (strcmp (strsplit (path (), pathsep ()), fullfile (scratch, 'package')))
    rmpath (fullfile (scratch, 'package'));
  end
  if exist (scratch, 'dir')
    confirm_recursive_rmdir (false, 'local');
    rmdir (scratch, 's');
  end
end
