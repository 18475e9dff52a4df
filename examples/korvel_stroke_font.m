function font = korvel_stroke_font()
%KORVEL_STROKE_FONT  The demo's stroke font: capitals, digits and a few signs.
%   FONT = KORVEL_STROKE_FONT() returns a struct with
%     table   4-by-G double glyph-stroke table for KORVELSTROKETEXT, one
%             stroke (x1; y1; x2; y2) per column, in glyph units: a
%             character cell is 1 unit wide, letters stand 0.15 .. 0.85
%             across and 0 .. 1.2 high (y up).
%     codes   1-by-128 cell; codes{double(ch)} is the row of stroke codes
%             (column numbers of table) of character ch, empty for a space.
%     height  the letter height in glyph units (1.2).
%   Lower-case letters share the capitals' strokes; a character the font
%   lacks gets the strokes of '?'.
%
%   Each glyph is drawn on a 5-by-7 grid of points (x 0..4, y 0..6) as
%   polylines: a token such as '002640' is the polyline (0,0)-(2,6)-(4,0).
%
%   See also KORVEL_DEMO, KORVELSTROKETEXT.

glyphs = {
  'A', '002640 1333'
  'B', '00063645443303 3342413000'
  'C', '4536160501103041'
  'D', '00063645413000'
  'E', '40000646 0333'
  'F', '000646 0333'
  'G', '45361605011030414323'
  'H', '0006 4046 0343'
  'I', '1636 2620 1030'
  'J', '2646 4641301001'
  'K', '0006 4602 1340'
  'L', '060040'
  'M', '0006234640'
  'N', '00064046'
  'O', '010516364541301001'
  'P', '00063645443303'
  'Q', '010516364541301001 2240'
  'R', '00063645443303 2340'
  'S', '453616050413334241301001'
  'T', '0646 2620'
  'U', '060110304146'
  'V', '062046'
  'W', '0610233046'
  'X', '0046 0640'
  'Y', '0623 4623 2320'
  'Z', '06460040'
  '0', '010516364541301001 0145'
  '1', '152620 1030'
  '2', '05163645440040'
  '3', '05163645443323 334241301001'
  '4', '30360242'
  '5', '460603334241301001'
  '6', '4536160501103041423303'
  '7', '064620'
  '8', '334445361605041333 1302011030414233'
  '9', '0110304145361605041344'
  '-', '1333'
  '+', '1333 2125'
  '=', '1232 1434'
  '.', '2021'
  ',', '2110'
  ':', '2021 2425'
  '/', '0046'
  '(', '36242230'
  ')', '16242210'
  '''', '2625'
  '!', '2623 2021'
  '?', '051636454423 2021'
  ' ', ''
};

% Every glyph's polylines in one string, each token followed by a space,
% read in one pass: consecutive points of a token are a stroke.
strings = glyphs(:, 2)';
text = sprintf('%s ', strings{:});
marks = zeros(1, numel(text));
marks(cumsum([1, cellfun(@numel, strings(1:end - 1)) + 1])) = 1;
glyphOf = cumsum(marks);
isDigit = text ~= ' ';
tokenOf = cumsum(~isDigit);
digits = text(isDigit) - '0';
tokenOf = tokenOf(isDigit);
glyphOf = glyphOf(isDigit);
x = digits(1:2:end);
y = digits(2:2:end);
pointToken = tokenOf(1:2:end);
pointGlyph = glyphOf(1:2:end);
from = find(pointToken(1:end - 1) == pointToken(2:end));
% Glyph grid to glyph units; the top row is 1.2 exactly.
table = [0.15 + 0.175 * x(from); y(from) / 5; 0.15 + 0.175 * x(from + 1); y(from + 1) / 5];
strokeGlyph = pointGlyph(from);
codes = cell(1, 128);
first = 1;
for g = 1:size(glyphs, 1)
  count = sum(strokeGlyph == g);
  codes{double(glyphs{g, 1})} = first:first + count - 1;
  first = first + count;
end

% Lower case as upper case; anything else the font lacks as '?'.
lowerCase = double('a'):double('z');
codes(lowerCase) = codes(lowerCase - 32);
for c = 1:128
  if isempty(codes{c}) && c ~= double(' ')
    codes{c} = codes{double('?')};
  end
end
codes{double(' ')} = zeros(1, 0);

font = struct('table', table, 'codes', {codes}, 'height', 1.2);
end
