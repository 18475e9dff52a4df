%PELVADATAPTR  Where an array's data lies in memory.
%   A = PELVADATAPTR(X) returns the address of the data block of X, as the host
%   reports it, reduced to its low 32 bits read as a signed 32-bit integer.
%   PELVADATAPTR is the name of the 64-bit build; KORVELDATAPTR is the other build of
%   the same command, and both names are built on every platform.
%
%   X  any array; its class, size and contents are not looked at.
%   A  1-by-1 double, a whole number from -2^31 to 2^31-1. A low half at or
%      above 2^31 comes out negative (the low half minus 2^32); on 64-bit
%      hosts bits 32 to 63 are dropped, so two blocks whose addresses differ
%      only there give the same number. An array without data (an empty one,
%      on most hosts) gives 0.
%
%   Errors (identifier: when):
%     pelvaDataPtr:notEnoughInputs  no input
%
%   See also KORVELDATAPTR.
