function [px, py] = korvel_picture_pixels(view, uv)
%KORVEL_PICTURE_PIXELS  Picture units to pixel coordinates.
%   [PX, PY] = KORVEL_PICTURE_PIXELS(VIEW, UV) maps the points UV (2-by-N,
%   u right, v up) to column and row coordinates of the picture that VIEW
%   describes (fields uMin, vMax, pixelsPerUnit): pixel (r, c) covers
%   c - 0.5 .. c + 0.5 across and r - 0.5 .. r + 0.5 down, its centre at
%   (c, r).
%
%   See also KORVEL_PAINT_TRIANGLES, KORVEL_PAINT_LINES.
px = (uv(1, :) - view.uMin) * view.pixelsPerUnit + 0.5;
py = (view.vMax - uv(2, :)) * view.pixelsPerUnit + 0.5;
end
