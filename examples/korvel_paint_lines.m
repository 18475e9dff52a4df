function canvas = korvel_paint_lines(canvas, view, segments, colours, thickness)
%KORVEL_PAINT_LINES  Draw line segments into a picture with a square pen.
%   CANVAS = KORVEL_PAINT_LINES(CANVAS, VIEW, SEGMENTS, COLOURS, THICKNESS)
%   draws each segment SEGMENTS(:, s) = (u1; v1; u2; v2), in picture units,
%   in the colour COLOURS(s, :) with a square pen THICKNESS pixels wide;
%   later segments cover earlier ones. Segments with a coordinate that is
%   not finite are left out.
%
%   CANVAS     H-by-W-by-3 double picture, colours 0 .. 1.
%   VIEW       as for KORVEL_PAINT_TRIANGLES.
%   SEGMENTS   4-by-S double.
%   COLOURS    S-by-3 double, or 1-by-3 for all segments.
%   THICKNESS  pen width in pixels, a whole number of at least 1.
%
%   KORVELPAINTSTROKES draws the same pixels, many times faster; this is its
%   readable reference.
%
%   See also KORVEL_PAINT_TRIANGLES, KORVEL_WRITE_TEXT, KORVELPAINTSTROKES.

[height, width, ~] = size(canvas);
if size(colours, 1) == 1
  colours = repmat(colours, size(segments, 2), 1);
end
keep = all(isfinite(segments), 1);
segments = segments(:, keep);
colours = colours(keep, :);
if isempty(segments)
  return;
end
[x1, y1] = korvel_picture_pixels(view, segments(1:2, :));
[x2, y2] = korvel_picture_pixels(view, segments(3:4, :));

% Samples every half pixel along each segment, both ends included; the
% length as KORVELPAINTSTROKES takes it (no C library's hypot), so both give
% the same pixels.
dx = x2 - x1;
dy = y2 - y1;
samples = ceil(2 * sqrt(dx .* dx + dy .* dy)) + 1;
% Column vectors, one element per sample ((:) also for a single segment).
owner = reshape(repelem(1:numel(samples), samples), [], 1);
starts = cumsum(samples) - samples;
t = ((0:sum(samples) - 1)' - reshape(starts(owner), [], 1)) ./ ...
    max(reshape(samples(owner), [], 1) - 1, 1);
x = reshape(x1(owner), [], 1) + t .* reshape(x2(owner) - x1(owner), [], 1);
y = reshape(y1(owner), [], 1) + t .* reshape(y2(owner) - y1(owner), [], 1);

reach = (0:thickness - 1) - floor((thickness - 1) / 2);
[dx, dy] = meshgrid(reach, reach);
% One column per sample, one row per pen offset: in column-major order the
% pixels follow the samples, and so the segments.
col = round(x' + dx(:));
row = round(y' + dy(:));
pen = repmat(owner', numel(dx), 1);
onCanvas = col >= 1 & col <= width & row >= 1 & row <= height;
pixel = row(onCanvas) + (col(onCanvas) - 1) * height;
% Sample order is segment order, so the last write to a pixel is the
% latest segment's: keep that one.
[pixel, latest] = unique(pixel, 'last');
pen = pen(onCanvas);
pen = pen(latest);
for channel = 1:3
  plane = canvas(:, :, channel);
  plane(pixel) = colours(pen, channel);
  canvas(:, :, channel) = plane;
end
end
