function tarball = make_package (stagedir, outdir)
%MAKE_PACKAGE  Make the Octave package korvel-<version>.tar.gz.
%   TARBALL = MAKE_PACKAGE (STAGEDIR, OUTDIR) lays the package out in
%   STAGEDIR/korvel-<version> and packs it into OUTDIR/korvel-<version>.tar.gz,
%   for  pkg install  in Octave:
%     DESCRIPTION  package/DESCRIPTION, the one place of the version
%     COPYING      the licence, LICENSE
%     INDEX        the commands by category, as Contents.m groups them
%     inst/        each command's help file and Contents.m
%     src/         package/src/Makefile, commands.mk (each command and its
%                  source), the gateway headers and the commands' sources
%   The commands and their sources are those build_mex builds.

  here = fileparts (mfilename ('fullpath'));
  root = fileparts (here);
  description = fileread (fullfile (here, 'DESCRIPTION'));
  name = field (description, 'Name');
  version = field (description, 'Version');
  addpath (root);
  commands = build_mex ('-commands');

  package = fullfile (stagedir, [name '-' version]);
  if exist (package, 'dir')
    confirm_recursive_rmdir (false, 'local');
    rmdir (package, 's');
  end
  make_dirs (package, {'inst', 'src', fullfile('src', 'gateway')});

  copyfile (fullfile (here, 'DESCRIPTION'), package);
  copyfile (fullfile (root, 'LICENSE'), fullfile (package, 'COPYING'));
  write_text (fullfile (package, 'INDEX'), index_text (name, description, ...
              fileread (fullfile (root, 'Contents.m')), {commands.name}));

  copyfile (fullfile (root, 'Contents.m'), fullfile (package, 'inst'));
  copyfile (fullfile (here, 'src', 'Makefile'), fullfile (package, 'src'));
  copyfile (fullfile (root, 'gateway', '*.h'), fullfile (package, 'src', 'gateway'));
  rules = {'# Written by make_package.m: each command and its source.', ...
           ['COMMANDS = ' strjoin({commands.name}, ' ')]};
  for k = 1:numel (commands)
    source = strrep (commands(k).source, '\', '/');
    folder = fileparts (source);
    make_dirs (fullfile (package, 'src'), {folder});
    copyfile (fullfile (root, source), fullfile (package, 'src', folder));
    help_file = fullfile (root, folder, [commands(k).name '.m']);
    copyfile (help_file, fullfile (package, 'inst'));
    rules{end+1} = sprintf ('SOURCE_%s = %s', commands(k).name, source);
  end
  write_text (fullfile (package, 'src', 'commands.mk'), sprintf ('%s\n', rules{:}));

  make_dirs (outdir, {});
  tarball = fullfile (outdir, [name '-' version '.tar.gz']);
  [status, output] = system (sprintf ('tar -czf "%s" -C "%s" "%s"', ...
                                      tarball, stagedir, [name '-' version]));
  if status ~= 0
    error ('make_package:tar', 'tar failed: %s', output);
  end
  printf ('make_package: %s (%d commands)\n', tarball, numel (commands));
end

% INDEX: the categories and commands of Contents.m, where a category is the
% line above its first "%   command  - summary" line; it must list every
% command.
function text = index_text (name, description, contents, names)
  text = sprintf ('%s >> %s\n', name, field (description, 'Title'));
  lines = strsplit (strrep (contents, "\r", ''), "\n");
  listed = {};
  for k = 1:numel (lines)
    command = regexp (lines{k}, '^%\s+(\w+)\s+- ', 'tokens', 'once');
    if isempty (command)
      continue;
    end
    if k > 1 && isempty (regexp (lines{k-1}, '^%\s+\w+\s+- ', 'once'))
      text = [text regexprep(lines{k-1}, '^%\s*', '') "\n"];
    end
    text = [text ' ' command{1} "\n"];
    listed{end+1} = command{1};
  end
  if ~isequal (sort (listed), sort (names))
    error ('make_package:contents', 'Contents.m lists %s; the commands are %s', ...
           strjoin (sort (listed), ', '), strjoin (sort (names), ', '));
  end
end

function value = field (description, key)
  value = regexp (description, ['^' key ':\s*(.*?)\s*$'], 'tokens', 'once', 'lineanchors');
  if isempty (value)
    error ('make_package:description', 'DESCRIPTION has no %s', key);
  end
  value = value{1};
end

function make_dirs (base, folders)
  for k = 0:numel (folders)
    if k == 0
      folder = base;
    else
      folder = fullfile (base, folders{k});
    end
    if ~exist (folder, 'dir')
      mkdir (folder);
    end
  end
end

function write_text (file, text)
  fid = fopen (file, 'w');
  fputs (fid, text);
  fclose (fid);
end
