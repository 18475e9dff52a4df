function tarball = make_package (stagedir, outdir)
%MAKE_PACKAGE  Make the Octave package korvel-<version>.tar.gz.
%   TARBALL = MAKE_PACKAGE (STAGEDIR, OUTDIR) lays the package out in
%   STAGEDIR/korvel-<version> and packs it into OUTDIR/korvel-<version>.tar.gz,
%   for  pkg install  in Octave:
%     DESCRIPTION  package/DESCRIPTION, the one place of the version
%     COPYING      the licence, LICENSE
%     INDEX        the commands by their group in commands.tsv
%     inst/        each command's help file; korvel.m, whose help is the
%                  list of commands that build_mex writes for Contents.m
%                  (the installed folder is korvel-<version>, so HELP KORVEL
%                  needs a file of that name); the examples' .m files, on
%                  the path after  pkg load korvel
%     src/         package/src/Makefile, cmake/exact_flags.mk (the flags
%                  of every build), commands.mk (each command, its source,
%                  its defines and the headers it includes), the commands'
%                  sources and every file they include, in the folders they
%                  have here, so that each #include "path" finds its file
%   The commands and their sources are the rows of commands.tsv, as
%   build_mex reads them.

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
  make_dirs (package, {'inst', 'src'});

  copyfile (fullfile (here, 'DESCRIPTION'), package);
  copyfile (fullfile (root, 'LICENSE'), fullfile (package, 'COPYING'));
  write_text (fullfile (package, 'INDEX'), index_text (name, description, commands));
  % Calling korvel shows the list as well, rather than doing nothing.
  write_text (fullfile (package, 'inst', 'korvel.m'), ...
              sprintf ('function korvel\n%s  help korvel\nend\n', build_mex ('-contents')));
  copyfile (fullfile (root, 'examples', '*.m'), fullfile (package, 'inst'));
  copyfile (fullfile (here, 'src', 'Makefile'), fullfile (package, 'src'));
  copyfile (fullfile (root, 'cmake', 'exact_flags.mk'), fullfile (package, 'src'));
  rules = {'# Written by make_package.m: each command, its source, its headers and its defines.', ...
           ['COMMANDS = ' strjoin({commands.name}, ' ')]};
  for k = 1:numel (commands)
    source = strrep (commands(k).source, '\', '/');
    for file = [{source}, commands(k).includes]
      folder = fileparts (file{1});
      make_dirs (fullfile (package, 'src'), {folder});
      copyfile (fullfile (root, file{1}), fullfile (package, 'src', folder));
    end
    copyfile (fullfile (root, commands(k).help), fullfile (package, 'inst'));
    rules{end+1} = sprintf ('SOURCE_%s = %s', commands(k).name, source);
    rules{end+1} = sprintf ('HEADERS_%s = %s', commands(k).name, strjoin (commands(k).includes, ' '));
    % Built from the source of another command: under its own name.
    [~, sourceName] = fileparts (source);
    if ~strcmp (sourceName, commands(k).name)
      rules{end+1} = sprintf ('DEFINES_%s = -DMEX_COMMAND_NAME=%s', commands(k).name, ...
                              commands(k).name);
    end
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

% INDEX: each group of the list, in the order of its first command, and
% its commands, as Contents.m lists them.
function text = index_text (name, description, commands)
  text = sprintf ('%s >> %s\n', name, field (description, 'Title'));
  groups = unique ({commands.group}, 'stable');
  for g = 1:numel (groups)
    text = [text sprintf('%s\n', groups{g}) ...
            sprintf(' %s\n', commands(strcmp ({commands.group}, groups{g})).name)];
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
