%KORVELDATAPTR  Where an array's data lies in memory.
%   A = KORVELDATAPTR(X) returns the address of the data block of X, as the
%   host reports it, reduced to its low 32 bits read as a signed 32-bit
%   integer. It tells whether two variables share one data block: the host
%   copies an array lazily, so after  Y = X  both use one block until one
%   of them is changed. Check this before calling KORVELSTROKETEXT, which
%   writes in place into the data of its first three inputs, so that a copy
%   made earlier does not change with them.
%
%   KORVELDATAPTR and PELVADATAPTR are one command under two names, built
%   from one source (once the names of its 32-bit and its 64-bit build):
%   every build made here has both, and they give the same number for the
%   same X.
%
%   X  any array that has a data block: numeric of any class (also complex
%      or sparse), logical, char, cell or struct. Its class, size and
%      contents are not looked at. Function handles and objects (classdef,
%      containers.Map, old-style classes) have no data block and are
%      refused.
%   A  1-by-1 double, a whole number from -2^31 to 2^31-1. A low half at or
%      above 2^31 comes out negative (the low half minus 2^32); on 64-bit
%      hosts bits 32 to 63 are dropped, so two blocks whose addresses differ
%      only there give the same number. A host that reports no data block
%      for X gives 0. GNU Octave gives even an empty array a data block, so
%      there an empty X gives an address like any other, not 0.
%
%   Errors (identifier: when):
%     korvelDataPtr:notEnoughInputs  no input
%     korvelDataPtr:tooManyOutputs   more than one output requested
%     korvelDataPtr:badClass         X a function handle or an object: no data
%                                    block
%
%   Example:
%     x = zeros(1, 5);
%     y = x;
%     korvelDataPtr(x) == korvelDataPtr(y)    % 1: no copy yet, one block
%     y(1) = 7;
%     korvelDataPtr(x) == korvelDataPtr(y)    % 0: the write gave y its own block
%     korvelDataPtr(x) == pelvaDataPtr(x)     % 1: the same number by either name
%
%   See also PELVADATAPTR, KORVELSTROKETEXT.
