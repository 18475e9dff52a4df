%PELVADATAPTR  Where an array's data lies in memory.
%   A = PELVADATAPTR(X) is KORVELDATAPTR(X) under its other name: one
%   command built from one source under two names (once the names of its
%   32-bit and its 64-bit build), which give the same number for the same
%   X. HELP KORVELDATAPTR tells what X may be and what A tells.
%
%   Errors (identifier: when), as for KORVELDATAPTR under this name:
%     pelvaDataPtr:notEnoughInputs  no input
%     pelvaDataPtr:tooManyOutputs   more than one output requested
%     pelvaDataPtr:badClass         X a function handle or an object: no data
%                                   block
%
%   Example:
%     x = zeros(1, 5);
%     pelvaDataPtr(x) == korvelDataPtr(x)    % 1: the same number by either name
%
%   See also KORVELDATAPTR, KORVELSTROKETEXT.
