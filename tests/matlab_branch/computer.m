function arch = computer (varargin)
% Stand-in: the architecture the test selected, for computer('arch').
  global matlab_branch
  arch = matlab_branch.arch;
end
