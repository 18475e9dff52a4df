%KORVELSTROKETEXT  Append the strokes of one character to stroke buffers, in place.
%   KORVELSTROKETEXT(B, C, N, T, CODES, SCALE, ORIGIN, POS, COLOUR) writes
%   the strokes CODES of the glyph-stroke table T, placed in character cell
%   POS, into the buffers B and C from column N on, and advances N by the
%   number of strokes. It returns nothing: B, C and N change in place.
%
%   B       4-by-S real double stroke buffer, one segment (x1; y1; x2; y2)
%           per column. Written.
%   C       6-by-S real double colour buffer, the colours of both ends of
%           each segment. Written.
%   N       real double scalar fill counter: the number of buffer columns
%           already filled, 0 for empty buffers. Finite and 0 or more.
%           Read, then set to N + K.
%   T       4-by-G real double glyph-stroke table, one stroke
%           (x1; y1; x2; y2) per column, in glyph units.
%   CODES   real double row of K stroke codes, each a column number of T
%           (1 .. G after truncation toward zero, so 2.9 uses column 2).
%           Only the column count K is taken: a column vector of codes is
%           one stroke.
%   SCALE   real double scalar: screen units per glyph unit.
%   ORIGIN  real double array, first two elements (ox, oy).
%   POS     real double scalar: the one-based character cell.
%   COLOUR  real double array, first three elements (c1, c2, c3).
%
%   Stroke i (from 0) goes to zero-based column trunc(i + N) of B and C:
%     B(:, col) = [((POS + x1) - 1) * SCALE + ox;  y1 * SCALE + oy;
%                  ((POS + x2) - 1) * SCALE + ox;  y2 * SCALE + oy]
%     C(:, col) = [c1; c2; c3; c1; c2; c3]
%   No other column is touched. Successive calls with the same B, C and N
%   append one after another.
%
%   Calling it safely: the command writes into the very memory that the host
%   hands it for B, C and N. A host may share that memory with other
%   variables and even with constants written in the code: in GNU Octave,
%   after  n = 0; korvelStrokeText(B, C, n, ...)  the literal 0 of that line
%   holds the new count as well, and so does any copy made by  m = n  or
%   B2 = B  before the call. Make each buffer and the counter with zeros,
%   once, and share them with nothing else:
%
%     B = zeros(4, 1000);  C = zeros(6, 1000);  n = zeros(1, 1);
%     korvelStrokeText(B, C, n, T, codesOfA, 10, [100 20], 1, [1 0 0]);
%     korvelStrokeText(B, C, n, T, codesOfB, 10, [100 20], 2, [1 0 0]);
%     segments = B(:, 1:n);   % copies out what is filled
%
%   Errors (identifier: when). Every check runs before anything is written,
%   so a refused call leaves B, C and N exactly as they were.
%     korvelStrokeText:notEnoughInputs  fewer than 9 inputs
%     korvelStrokeText:badClass         an input not real double
%     korvelStrokeText:badSize          B, C or T without 4, 6 or 4 rows;
%                                       B or C with too few columns for the
%                                       columns written; N, SCALE or POS
%                                       empty; ORIGIN with fewer than 2 or
%                                       COLOUR with fewer than 3 elements;
%                                       CODES with fewer elements than
%                                       columns
%     korvelStrokeText:badValue         N negative, NaN or infinite
%     korvelStrokeText:badIndex         a stroke code outside 1 .. G
%     korvelStrokeText:sharedData       CODES in the same memory as B or C
%
%   See also KORVELFACESHOWN.
