function [file, standin] = case_table ()
%CASE_TABLE  The case file of the case table, and the stand-in plug-in folder.
%   From the environment variables KORVEL_CASES and KORVEL_STANDIN_PLUGINS
%   when set (run_octave_tests sets them), else the release build's
%   folder build/mex of this checkout.
  root = fileparts (fileparts (fileparts (fileparts (mfilename ('fullpath')))));
  standin = getenv ('KORVEL_STANDIN_PLUGINS');
  if isempty (standin)
    standin = fullfile (root, 'build', 'mex');
  end
  file = getenv ('KORVEL_CASES');
  if isempty (file)
    file = fullfile (standin, 'case_table.cases');
  end
end
