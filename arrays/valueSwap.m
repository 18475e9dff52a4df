%VALUESWAP  Replace values through from/to pairs.
%   B = VALUESWAP(A, FROM, TO) returns A with every element that equals a
%   from value replaced by the to value of the same pair. When several pairs
%   match an element, the last of them wins; a replaced value is never looked
%   up again, so replacements do not chain.
%
%   A     M-by-N real double matrix. An N-D A is read as its 2-D layout,
%         M-by-(numel(A)/M), and B has that shape.
%   FROM  L-by-C real double matrix: its row count L is the number of pairs
%         and its first column FROM(1:L, 1) holds the from values; further
%         columns are ignored. So a row vector gives one pair, from its
%         first element: valueSwap([1 2 3], [1 2], [5 6]) replaces only the
%         1 (by 5). Give the from and to values as columns.
%   TO    real double array with at least L elements; TO(1:L) are the to
%         values, whatever its shape.
%   B     M-by-N double matrix: B(p) = TO(k) for the largest k with
%         A(p) == FROM(k, 1), else A(p). Equality is IEEE equality: -0 and +0
%         match each other, a NaN matches nothing (not even a NaN from value).
%         Copied values keep every bit: the sign of a zero, a NaN's payload.
%
%   Errors (identifier: when):
%     valueSwap:notEnoughInputs  fewer than 3 inputs
%     valueSwap:tooManyOutputs   more than one output requested
%     valueSwap:badClass         A, FROM or TO not real double
%     valueSwap:badSize          TO with fewer elements than FROM has rows;
%                                FROM with rows but no columns
%     valueSwap:tooLarge         A too large to create B (2^31 or more rows
%                                or columns), only where the host's sizes are
%                                32-bit, as in MATLAB with -compatibleArrayDims
%
%   Example:
%     valueSwap([1 2 3], [1; 2], [2; 3])   % [2 3 3]: no chains
%     valueSwap([5 6], [5; 5], [1; 2])     % [2 6]: the last pair wins
%     valueSwap([1 2 3], [1 2], [5 6])     % [5 2 3]: a row of FROM is one pair
%     valueSwap(ones(2, 2, 2), 1, 0)       % zeros(2, 4): N-D A read as 2-D
%
%   See also PLATEAULABELS.
