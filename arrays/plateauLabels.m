%PLATEAULABELS  Number the flat regions of a matrix.
%   L = PLATEAULABELS(A) numbers the regions of A: connected patches of
%   elements that hold equal values, joined only through their four edge
%   neighbours (up, down, left, right; no diagonals, no wrap-around).
%   Regions are numbered 1, 2, 3, ... in the column-major order of each
%   region's first element, so L(1, 1) is always 1.
%
%   A  M-by-N real double matrix. Values compare by IEEE equality: -0 and
%      +0 are equal, each infinity equals itself, and a NaN equals nothing,
%      so every NaN element is a region of its own.
%   L  M-by-N double matrix of whole numbers 1..K, K being the number of
%      regions; it never holds 0. An A with no rows or no columns gives an
%      empty L of the same shape.
%
%   An N-D A is read as its 2-D layout, M-by-(numel(A)/M): its pages stand
%   side by side, so elements of neighbouring pages that touch there join
%   one region, and L is 2-D. Label each page alone with a loop over pages.
%
%   The time grows linearly with the number of elements, whatever the number
%   or shape of the regions; nothing is allocated besides L.
%
%   Errors (identifier: when):
%     plateauLabels:notEnoughInputs  no input
%     plateauLabels:tooManyOutputs   more than one output requested
%     plateauLabels:badClass         A not a real double matrix
%     plateauLabels:tooLarge         A too large to create L (2^31 or more rows
%                                    or columns), only where the host's sizes are
%                                    32-bit, as in MATLAB with -compatibleArrayDims
%
%   Example:
%     plateauLabels([2 2 5 5 2])       % [1 1 2 2 3]
%     plateauLabels([1 0; 0 1])        % [1 3; 2 4]: no diagonal joins
%     A = cat(3, [5 5; 5 5], [5 5; 7 7]);
%     plateauLabels(A)                 % [1 1 1 1; 1 1 2 2]: the pages side by side
%
%   See also VALUESWAP.
