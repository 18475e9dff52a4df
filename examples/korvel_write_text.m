function [segments, colours, calls] = korvel_write_text(font, labels)
%KORVEL_WRITE_TEXT  Line strokes of text labels through KORVELSTROKETEXT.
%   [SEGMENTS, COLOURS, CALLS] = KORVEL_WRITE_TEXT(FONT, LABELS) writes every
%   label with one KORVELSTROKETEXT call per character cell into stroke and
%   colour buffers made here, and returns the filled part of them.
%
%   FONT      as KORVEL_STROKE_FONT returns it.
%   LABELS    struct array with fields
%               text    character row
%               origin  [x y] of the first cell's lower left corner
%               scale   units per glyph unit (a cell is SCALE wide)
%               colour  [r g b], each 0 .. 1
%   SEGMENTS  4-by-S double, one line segment (x1; y1; x2; y2) per column.
%   COLOURS   6-by-S double, the colour of both ends of each segment.
%   CALLS     the number of KORVELSTROKETEXT calls made.
%
%   Each call returns the buffers and the counter appended, as new arrays,
%   and changes nothing in place, so no variable that shares them (a copy,
%   or a literal such as  filled = 0) can see a write. Its in-place form
%   saves copying the buffers on every call (see KORVELSTROKETEXT).
%
%   See also KORVEL_STROKE_FONT, KORVELSTROKETEXT.

codesOf = cell(1, numel(labels));
capacity = 0;
for k = 1:numel(labels)
  characters = double(labels(k).text);
  characters(characters < 1 | characters > 128) = double('?');
  codesOf{k} = font.codes(characters);
  capacity = capacity + sum(cellfun(@numel, codesOf{k}));
end

strokeBuffer = zeros(4, capacity);
colourBuffer = zeros(6, capacity);
filled = 0;
calls = 0;
for k = 1:numel(labels)
  label = labels(k);
  for position = 1:numel(codesOf{k})
    codes = codesOf{k}{position};
    if isempty(codes)
      continue;  % a space: nothing to write, the next cell moves on anyway
    end
    [strokeBuffer, colourBuffer, filled] = korvelStrokeText(strokeBuffer, colourBuffer, ...
        filled, font.table, codes, label.scale, label.origin, position, label.colour);
    calls = calls + 1;
  end
end
segments = strokeBuffer(:, 1:filled);
colours = colourBuffer(:, 1:filled);
end
