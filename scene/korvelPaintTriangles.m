%KORVELPAINTTRIANGLES  Fill triangles into a picture, later ones on top.
%   [P, W] = KORVELPAINTTRIANGLES(P, VIEW, UV, F, COLOURS, ORDER) returns
%   the picture P with the triangles F(:, ORDER) filled in, each in its
%   colour, in the order ORDER gives them: where triangles overlap, the
%   later one wins, so an order far first (KORVELDEPTHORDER) paints as a
%   painter would. A pixel is filled when its centre lies inside the
%   triangle or on its edge.
%
%   P        H-by-W-by-3 picture, double (colours 0 .. 1) or uint8
%            (0 .. 255); the result is a new picture of the same class
%            (or, with no output, P itself, painted in place).
%   VIEW     [uMin vMax pixelsPerUnit], real double: the picture's upper
%            left corner in picture units and its scale. Pixel (r, c)
%            covers c - 0.5 .. c + 0.5 across and r - 0.5 .. r + 0.5 down
%            of the pixel coordinates (u - uMin) * pixelsPerUnit + 0.5 and
%            (vMax - v) * pixelsPerUnit + 0.5; u runs right, v up.
%   UV       2-by-N real double points (u; v) in picture units; rows after
%            the second are not read, so a screen matrix (TORUSSCREENMEX,
%            CONESCREENMEX) goes in as it is, u its x and v its y.
%   F        3-by-T int32 face matrix, zero-based columns of UV, as
%            KORVELFACESHOWN takes it.
%   COLOURS  T-by-3 real double, a colour per column of F, or 1-by-3 for
%            every face.
%   ORDER    real double array of one-based columns of F, in painting order
%            (as KORVELDEPTHORDER returns them); a face may come more than
%            once. 1:size(F, 2) paints every face in column order.
%   W        H-by-W double: the column of F that won each pixel, 0 where
%            none did. Made only when asked for.
%
%   A triangle is left out when a corner's pixel coordinates are not finite
%   or its area, (x2 - x1) * (y3 - y1) - (y2 - y1) * (x3 - x1), is 0. The
%   pixel is covered when the three edge functions at its centre (column c,
%   row r), (xb - xa) * (r - ya) - (yb - ya) * (c - xa) for the edges 1-2,
%   2-3, 3-1, are all >= 0 or all <= 0; each operation rounded in that
%   order, so every target paints the same pixels. A uint8 picture gets
%   each channel as round(255 * colour) clamped to 0 .. 255 (NaN gives 0).
%   Large pictures are painted in bands by several threads, with the same
%   result.
%
%   KORVELPAINTTRIANGLES(P, VIEW, UV, F, COLOURS, ORDER), with no output,
%   paints the same pixels into P in place: no copy of the picture is made,
%   which pays when many frames are painted into one preallocated picture.
%   As with KORVELSTROKETEXT's in-place form, P's memory is written as the
%   host hands it over, and the host shares it with copies made before the
%   call (P2 = P) and with constants: make P an array of its own, such as
%   P = zeros(H, W, 3), and copy it only after painting. UV, F, COLOURS and
%   ORDER must not share P's memory then (sharedData).
%
%   Errors (identifier: when):
%     korvelPaintTriangles:notEnoughInputs  fewer than 6 inputs
%     korvelPaintTriangles:tooManyOutputs   more than two outputs requested
%     korvelPaintTriangles:badClass         P not a real double or uint8
%                                           array; VIEW, UV, COLOURS or
%                                           ORDER not real double; F not int32
%     korvelPaintTriangles:badSize          P not H-by-W-by-3; VIEW with
%                                           fewer than 3 elements; UV with
%                                           fewer than 2 rows; F without 3
%                                           rows; COLOURS
%                                           not T-by-3 or 1-by-3
%     korvelPaintTriangles:badValue         VIEW's corner not finite, or its
%                                           scale not finite and above 0
%     korvelPaintTriangles:badIndex         an entry of ORDER not a whole
%                                           number from 1 to T; a corner of a
%                                           painted face outside
%                                           0 .. size(UV, 2) - 1
%     korvelPaintTriangles:sharedData       in place only: UV, F, COLOURS or
%                                           ORDER in memory that P shares
%
%   Example: two triangles on a 4-by-6 white picture, the second on top
%     P = ones(4, 6, 3);
%     UV = [0 6 0 2 6 6; 0 0 4 4 4 0];
%     F = int32([0 3; 1 4; 2 5]);
%     [P, W] = korvelPaintTriangles(P, [0 4 1], UV, F, [1 0 0; 0 0 1], [1 2]);
%     W                                   % 1 lower left, 2 upper right
%
%   See also KORVELDEPTHORDER, KORVELFACESHOWN, KORVELPAINTSTROKES.
