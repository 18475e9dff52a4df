%KORVELSTROKETEXT  Append the strokes of one character to stroke buffers.
%   [B, C, N] = KORVELSTROKETEXT(B, C, N, T, CODES, SCALE, ORIGIN, POS, COLOUR)
%   returns the buffers B and C with the strokes CODES of the glyph-stroke
%   table T, placed in character cell POS, written from column N on, and N
%   advanced by the number of strokes. The outputs are new arrays of the
%   sizes of B, C and N; the inputs are left as they were.
%
%   KORVELSTROKETEXT(B, C, N, T, CODES, SCALE, ORIGIN, POS, COLOUR), with no
%   output, writes the same columns and count into B, C and N in place.
%
%   B       4-by-S real double stroke buffer, one segment (x1; y1; x2; y2)
%           per column.
%   C       6-by-S real double colour buffer, the colours of both ends of
%           each segment.
%   N       real double scalar fill counter: the number of buffer columns
%           already filled, 0 for empty buffers. Finite and 0 or more.
%           Comes back (or is set) to N + K.
%   T       4-by-G real double glyph-stroke table, one stroke
%           (x1; y1; x2; y2) per column, in glyph units.
%   CODES   real double row of K stroke codes, each a column number of T
%           (1 .. G after truncation toward zero, so 2.9 uses column 2).
%           Any real double array with at least as many elements as columns
%           is taken: K is its column count and its first K elements are
%           the codes, so a column vector of codes is one stroke.
%   SCALE   real double scalar: screen units per glyph unit.
%   ORIGIN  real double array, first two elements (ox, oy).
%   POS     real double scalar: the one-based character cell.
%   COLOUR  real double array, first three elements (c1, c2, c3).
%
%   Stroke i (from 0) goes to zero-based column trunc(i + N) of B and C:
%     B(:, col) = [((POS + x1) - 1) * SCALE + ox;  y1 * SCALE + oy;
%                  ((POS + x2) - 1) * SCALE + ox;  y2 * SCALE + oy]
%     C(:, col) = [c1; c2; c3; c1; c2; c3]
%   No other column is touched. Successive calls that pass the buffers and
%   counter of the call before append one after another. B and C must have
%   the columns written; they are never grown.
%
%   In place or not: both forms give the same bits. The value form copies B
%   and C on every call, which costs time in proportion to their size; the
%   in-place form touches only the K columns it writes, and pays for large
%   preallocated buffers filled over many calls. But it writes into the very
%   memory that the host hands it for B, C and N, and a host shares that
%   memory with other variables and even with constants written in the
%   code: in GNU Octave, after  n = 0; korvelStrokeText(B, C, n, ...)  the
%   literal 0 of that line holds the new count as well (a function that
%   starts that way returns a larger count on every call), and a copy made
%   by  m = n  or  B2 = B  before the call changes too. In place, make the
%   counter and each buffer an array of its own, with  n = zeros(1, 1),
%   B = zeros(4, S)  and  C = zeros(6, S), copy none of them, and pass them
%   on unchanged from call to call; an assignment to an element, such as
%   B(1) = B(1), gives a variable a data block of its own again
%   (KORVELDATAPTR tells whether two variables share one). Sharing among
%   the inputs themselves is refused in place (sharedData, below). The
%   value form writes only into the arrays it creates, so any input may
%   share memory with any other.
%
%   A ready glyph table of capitals, digits and signs is the demo's stroke
%   font, the example korvel_stroke_font.m: FONT = korvel_stroke_font() gives
%   FONT.table for T and FONT.codes{double('A')} for the CODES of 'A'.
%
%   Errors (identifier: when). Every check runs before anything is created
%   or written, so a refused call leaves B, C and N exactly as they were.
%     korvelStrokeText:notEnoughInputs  fewer than 9 inputs
%     korvelStrokeText:tooManyOutputs   1, 2 or more than 3 outputs
%                                       requested, as in  m = korvelStrokeText(...)
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
%     korvelStrokeText:sharedData       in place only: two inputs in the
%                                       same memory where a write could
%                                       change a value still to be read or
%                                       two writes could land on one
%                                       element: N with B or C; T or CODES
%                                       with B, C or N; B with C
%     korvelStrokeText:tooLarge         the value form: B, C or N with more
%                                       rows or columns than the host can
%                                       create (2^31 or more)
%
%   Example: "L" in cell 1 and "T" in cell 2, from a table of four strokes
%   (1 and 2 make the L, 3 and 4 the T)
%     T = [0.2 0.2 0.2 0.5      % x1 of each stroke
%          0   0   1   0        % y1
%          0.2 0.8 0.8 0.5      % x2
%          1   0   1   1  ];    % y2
%     B = zeros(4, 10);  C = zeros(6, 10);  n = 0;
%     [B, C, n] = korvelStrokeText(B, C, n, T, [1 2], 10, [100 20], 1, [1 0 0]);
%     [B, C, n] = korvelStrokeText(B, C, n, T, [3 4], 10, [100 20], 2, [0 0 1]);
%     n                % 4 strokes filled
%     B(:, 1:n)        % [102 102 112 115; 20 20 30 20; 102 108 118 115; 30 20 30 30]
%
%   See also KORVELFACESHOWN, KORVELDATAPTR.
