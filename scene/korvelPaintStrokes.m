%KORVELPAINTSTROKES  Draw line segments into a picture with a square pen.
%   P = KORVELPAINTSTROKES(P, VIEW, SEGMENTS, COLOURS, WIDTH) returns the
%   picture P with each segment SEGMENTS(:, s) = (u1; v1; u2; v2) drawn in
%   its colour with a square pen WIDTH pixels wide; later segments cover
%   earlier ones. The strokes KORVELSTROKETEXT writes go in as they are.
%
%   P         H-by-W-by-3 picture, double (colours 0 .. 1) or uint8
%             (0 .. 255); the result is a new picture of the same class
%             (or, with no output, P itself, drawn in place).
%   VIEW      [uMin vMax pixelsPerUnit], as for KORVELPAINTTRIANGLES.
%   SEGMENTS  4-by-S real double, in picture units.
%   COLOURS   S-by-3 real double, a colour per segment, or 1-by-3 for all
%             (from KORVELSTROKETEXT's colour buffer C: C(1:3, :)').
%   WIDTH     the pen's width in pixels: a whole number from 1 to 4096.
%
%   With the ends (x1, y1), (x2, y2) in pixel coordinates, dx = x2 - x1 and
%   dy = y2 - y1, a segment is drawn at n = ceil(2 * sqrt(dx * dx + dy * dy))
%   + 1 samples, (x1 + t * dx, y1 + t * dy) with t = i / max(n - 1, 1) for
%   i = 0 .. n - 1, and the pen at each sample covers the pixels
%   (round(y + oy), round(x + ox)) for ox and oy from -floor((WIDTH - 1) / 2)
%   on, WIDTH of each, round going half away from zero. A segment with a
%   coordinate that is not finite is left out, and so is one of more than
%   2^53 samples (longer than about 4.5e15 pixels), whose samples could not
%   be numbered exactly. A uint8 picture gets each channel as
%   round(255 * colour) clamped to 0 .. 255 (NaN gives 0). Large pictures
%   are drawn in bands by several threads, with the same result.
%
%   KORVELPAINTSTROKES(P, VIEW, SEGMENTS, COLOURS, WIDTH), with no output,
%   draws the same pixels into P in place, touching only the pixels the pen
%   covers: no copy of the picture is made, which pays when text and lines
%   are drawn over a picture in several calls. As with KORVELSTROKETEXT's
%   in-place form, P's memory is written as the host hands it over, and the
%   host shares it with copies made before the call (P2 = P) and with
%   constants: make P an array of its own, such as P = zeros(H, W, 3), and
%   copy it only after drawing. SEGMENTS and COLOURS must not share P's
%   memory then (sharedData).
%
%   Errors (identifier: when):
%     korvelPaintStrokes:notEnoughInputs  fewer than 5 inputs
%     korvelPaintStrokes:tooManyOutputs   more than one output requested
%     korvelPaintStrokes:badClass         P not a real double or uint8
%                                         array; VIEW, SEGMENTS, COLOURS or
%                                         WIDTH not real double
%     korvelPaintStrokes:badSize          P not H-by-W-by-3; VIEW with fewer
%                                         than 3 elements; SEGMENTS without 4
%                                         rows; COLOURS not S-by-3 or 1-by-3;
%                                         WIDTH not a scalar
%     korvelPaintStrokes:badValue         VIEW's corner not finite, or its
%                                         scale not finite and above 0; WIDTH
%                                         not a whole number from 1 to 4096
%     korvelPaintStrokes:sharedData       in place only: SEGMENTS or COLOURS
%                                         in memory that P shares
%
%   Example: a red diagonal two pixels wide across a 6-by-6 uint8 picture
%     P = zeros(6, 6, 3, 'uint8');
%     P = korvelPaintStrokes(P, [0 6 1], [0.5; 5.5; 5.5; 0.5], [1 0 0], 2);
%     P(:, :, 1)
%
%   See also KORVELSTROKETEXT, KORVELPAINTTRIANGLES.
