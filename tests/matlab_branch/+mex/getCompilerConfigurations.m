function config = getCompilerConfigurations (varargin)
% Stand-in: the compiler the test selected.
  global matlab_branch
  config = struct ('ShortName', matlab_branch.compiler);
end
