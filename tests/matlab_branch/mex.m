function mex (varargin)
%MEX  Stand-in for MATLAB's mex: records its arguments and, when asked to,
%   builds the plug-in with g++ from them against the stand-in host.
  global matlab_branch
  matlab_branch.calls{end+1} = varargin;
  if ~matlab_branch.compile
    return;
  end
  cxxflags = '-fPIC -pthread -O2';  % MATLAB's defaults on Linux, in short
  defines = {};
  outdir = '';
  output = '';
  source = '';
  k = 1;
  while k <= numel (varargin)
    arg = varargin{k};
    if strncmp (arg, 'CXXFLAGS=', 9)
      cxxflags = strrep (arg(10:end), '$CXXFLAGS', cxxflags);
    elseif strncmp (arg, '-D', 2)
      defines{end+1} = arg;
    elseif any (strcmp (arg, {'-outdir', '-output'}))
      k = k + 1;
      if strcmp (arg, '-outdir'), outdir = varargin{k}; else, output = varargin{k}; end
    elseif arg(1) ~= '-'
      source = arg;
    end
    k = k + 1;
  end
  libs = '-lmx -lmex';  % as MATLAB's mex links them (and -lmat, unused here)
  command = sprintf (['g++ -shared %s -DMATLAB_MEX_FILE %s -I"%s" "%s" -o "%s" ' ...
                      '-L"%s" %s -Wl,-rpath,"%s"'], ...
                     cxxflags, strjoin (defines, ' '), matlab_branch.include, source, ...
                     fullfile (outdir, [output '.' mexext()]), matlab_branch.libdir, libs, ...
                     matlab_branch.libdir);
  [status, text] = system (command);
  if status ~= 0
    error ('mex:failed', '%s\n%s', command, text);
  end
end
