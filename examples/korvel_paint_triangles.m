function [canvas, painted] = korvel_paint_triangles(canvas, view, uv, faces, colours)
%KORVEL_PAINT_TRIANGLES  Fill triangles into a picture, later ones on top.
%   [CANVAS, PAINTED] = KORVEL_PAINT_TRIANGLES(CANVAS, VIEW, UV, FACES,
%   COLOURS) fills each triangle FACES(:, t) of the points UV in the colour
%   COLOURS(t, :). Where triangles overlap the later column wins, so FACES
%   given far first paint as a painter would. A pixel is filled when its
%   centre lies inside the triangle or on its edge.
%
%   CANVAS   H-by-W-by-3 double picture, colours 0 .. 1.
%   VIEW     struct: uMin, vMax (the picture's upper left corner) and
%            pixelsPerUnit.
%   UV       2-by-N double points in picture units (u right, v up).
%   FACES    3-by-T one-based columns of UV, in drawing order.
%   COLOURS  T-by-3 double.
%   PAINTED  H-by-W double: the column of FACES that won each pixel, 0 for
%            none.
%
%   Triangles with a corner that is not finite are left out. The work is
%   vectorised: every pixel of every triangle's bounding box is tested at
%   once, in chunks of a few million.
%
%   KORVELPAINTTRIANGLES paints the same pixels, many times faster; this is
%   its readable reference.
%
%   See also KORVEL_PAINT_LINES, KORVEL_DEMO, KORVELPAINTTRIANGLES.

[height, width, ~] = size(canvas);
[px, py] = korvel_picture_pixels(view, uv);
x = reshape(px(faces), 3, []);
y = reshape(py(faces), 3, []);

left = max(1, ceil(min(x, [], 1)));
right = min(width, floor(max(x, [], 1)));
top = max(1, ceil(min(y, [], 1)));
bottom = min(height, floor(max(y, [], 1)));
spanX = right - left + 1;
spanY = bottom - top + 1;
area = (x(2, :) - x(1, :)) .* (y(3, :) - y(1, :)) - (y(2, :) - y(1, :)) .* (x(3, :) - x(1, :));
candidates = find(all(isfinite([x; y]), 1) & spanX > 0 & spanY > 0 & area ~= 0);
counts = spanX(candidates) .* spanY(candidates);

painted = zeros(height * width, 1);
chunkLimit = 4e6;
reached = cumsum(counts);
first = 1;
while first <= numel(candidates)
  before = reached(first) - counts(first);
  last = max(first, find(reached <= before + chunkLimit, 1, 'last'));
  total = reached(last) - before;
  chunk = candidates(first:last);
  chunkCounts = counts(first:last);
  % Column vectors throughout, one element per pixel tested: (:) keeps them
  % columns also when a chunk holds a single triangle.
  owner = repelem(1:numel(chunk), chunkCounts);
  starts = cumsum(chunkCounts) - chunkCounts;
  step = (0:total - 1)' - column(starts(owner));
  t = column(chunk(owner));
  col = column(left(t)) + mod(step, column(spanX(t)));
  row = column(top(t)) + floor(step ./ column(spanX(t)));
  inside = insideTriangle(x(:, t), y(:, t), col, row);
  pixel = row(inside) + (col(inside) - 1) * height;
  if ~isempty(pixel)
    winner = accumarray(pixel, t(inside), [height * width, 1], @max, 0);
    painted = max(painted, winner);
  end
  first = last + 1;
end

filled = find(painted > 0);
for channel = 1:3
  plane = canvas(:, :, channel);
  plane(filled) = colours(painted(filled), channel);
  canvas(:, :, channel) = plane;
end
painted = reshape(painted, height, width);
end

function inside = insideTriangle(x, y, col, row)
% Edge functions of the three edges at each pixel centre; inside (or on an
% edge) when all three agree in sign, whichever way the triangle winds.
x1 = column(x(1, :)); x2 = column(x(2, :)); x3 = column(x(3, :));
y1 = column(y(1, :)); y2 = column(y(2, :)); y3 = column(y(3, :));
e1 = (x2 - x1) .* (row - y1) - (y2 - y1) .* (col - x1);
e2 = (x3 - x2) .* (row - y2) - (y3 - y2) .* (col - x2);
e3 = (x1 - x3) .* (row - y3) - (y1 - y3) .* (col - x3);
inside = (e1 >= 0 & e2 >= 0 & e3 >= 0) | (e1 <= 0 & e2 <= 0 & e3 <= 0);
end

function v = column(v)
v = v(:);
end
