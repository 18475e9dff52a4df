%VALUESWAP  Replace values through from/to pairs.
%   B = VALUESWAP(A, FROM, TO) returns A with every element that equals a
%   from value replaced by the to value of the same pair. When several pairs
%   match an element, the last of them wins; a replaced value is never looked
%   up again, so replacements do not chain.
%
%   A     M-by-N real double matrix.
%   FROM  L-by-C real double matrix: its row count L is the number of pairs
%         and its first column FROM(1:L, 1) holds the from values; further
%         columns are ignored, so a row vector gives one pair.
%   TO    real double array with at least L elements; TO(1:L) are the to
%         values, whatever its shape.
%   B     M-by-N double matrix: B(p) = TO(k) for the largest k with
%         A(p) == FROM(k, 1), else A(p). Equality is IEEE equality: -0 and +0
%         match each other, a NaN matches nothing (not even a NaN from value).
%         Copied values keep every bit: the sign of a zero, a NaN's payload.
%
%   Example:
%     valueSwap([1 2 3], [1; 2], [2; 3])   % [2 3 3]
%     valueSwap([5 6], [5; 5], [1; 2])     % [2 6]
%
%   Errors (identifier: when):
%     valueSwap:notEnoughInputs  fewer than 3 inputs
%     valueSwap:badClass         A, FROM or TO not real double
%     valueSwap:badSize          TO with fewer elements than FROM has rows;
%                                FROM with rows but no columns
%     valueSwap:tooLarge         A too large for this host to create B
%
%   See also PLATEAULABELS.
