function result = korvel_demo(varargin)
%KORVEL_DEMO  Render the built-in scene through the korvel pipeline to PNGs.
%   KORVEL_DEMO() builds the built-in scene (a terrain of 40000 points, a
%   tower, a pyramid and a dome, with name labels), runs it through the
%   pipeline for a viewer and writes, into the folder 'out':
%     korvel_torus.png     the toroidal screen
%     korvel_cone.png      the conical screen
%     korvel_screens.png   both side by side (when both are drawn)
%     korvel_plateaus.png  the terrain's height bands as numbered plateaus,
%                          coloured by band, with a legend of the bands
%   and prints one line per stage with its time.
%
%   KORVEL_DEMO(NAME, VALUE, ...) sets options:
%     'viewer'   [x y z] viewer position; default [0 -50 6], about 6 units
%                above the ground, south of the objects
%     'heading'  viewing direction in degrees, counter-clockwise from the
%                x axis seen from above; default 90 (looking north, along y)
%     'screen'   'torus', 'cone' or 'both'; default 'both'
%     'out'      output folder, made when missing; default 'out'
%     'grid'     terrain points per side; default 200
%     'size'     screen picture width in pixels; default 720
%     'quiet'    true prints nothing; default false
%     'painter'  'toolbox' (KORVELDEPTHORDER, KORVELPAINTTRIANGLES,
%                KORVELPAINTSTROKES) or 'example' (the host-code painters
%                KORVEL_PAINT_TRIANGLES and KORVEL_PAINT_LINES and a host
%                sort, the commands' readable reference: the same pictures,
%                many times slower); default 'toolbox'
%
%   RESULT = KORVEL_DEMO(...) also returns a struct:
%     files     cell of the pictures written
%     scene     the scene, as KORVEL_DEMO_SCENE makes it
%     enabled   1-by-T logical enable mask: the faces turned towards the
%               viewer (the others are hidden behind the surface they bound)
%     screens   struct array, one per screen drawn: name, screen (the
%               screen matrix of all points), flags (the draw
%               flags of KORVELFACESHOWN), drawList (the faces drawn, far
%               first), depth (their distances), strokes (the text
%               segments written), picture (H-by-W-by-3)
%     plateaus  struct: bands (0 .. 7 per terrain cell), labels (the
%               regions, from PLATEAULABELS), colourIndex (each cell's row
%               of palette: its band plus 1, through VALUESWAP), palette
%               (8-by-3), numbers (struct array of the region numbers
%               drawn: region, text, origin, scale, colour)
%     stages    struct array: name, detail, seconds
%
%   The road of the points, as any host-side code chains the commands:
%     KORVELOFFSET (minus the viewer's position), KORVELSPIN (by the
%     heading), TORUSSCREENMEX or CONESCREENMEX, KORVELFACESHOWN (with the
%     enable mask), KORVELRANGE (distances) and KORVELDEPTHORDER (the far
%     faces first), KORVELPAINTTRIANGLES; labels through KORVELSTROKETEXT,
%     one call per character, and KORVELPAINTSTROKES; each picture written
%     through KORVELENCODEPNG.
%   No graphics toolkit is used, so the demo runs headless.
%
%   Needs the korvel plug-ins on the path:  pkg load korvel  in GNU Octave,
%   the unpacked release folder on the path in MATLAB, or, in the source
%   tree, the folder that BUILD_MEX fills and the examples folder (or run
%   make demo  there). Without them the demo stops at once with the error
%   korvel_demo:noPlugins. It writes only into the output folder: from an
%   installed toolbox, into 'out' in the current folder unless told
%   otherwise; a folder it cannot make is refused (korvel_demo:badOption).
%
%   Example:
%     korvel_demo('out', tempname(), 'grid', 60, 'screen', 'cone');
%
%   See also KORVEL_DEMO_SCENE, KORVEL_STROKE_FONT, KORVEL_WRITE_TEXT.

requirePlugins();
opts = parseOptions(varargin);
stages = struct('name', {}, 'detail', {}, 'seconds', {});

if ~opts.quiet
    fprintf('korvel demo: viewer (%g, %g, %g), heading %g degrees\n', opts.viewer, opts.heading);
end
started = tic;
scene = korvel_demo_scene(opts.grid);
font = korvel_stroke_font();
faceCount = size(scene.faces, 2);
stages = note(stages, opts.quiet, 'scene (host)', sprintf('%d points, %d triangles', size(scene.points, 2), faceCount), started);

viewer = reshape(opts.viewer, 3, 1);
if viewer(3) <= scene.groundHeight(viewer(1), viewer(2)) && ~opts.quiet
    fprintf('  note: the viewer stands below the ground; the faces it sees are culled\n');
end

% 1-2. Into the viewer's frame: minus the position, turned by the heading, in
% one pass (the same bits as korvelSpin(korvelOffset(P, POS), THETA)).
started = tic;
viewed = korvelToViewer(scene.points, viewer, opts.heading * pi / 180);
stages = note(stages, opts.quiet, 'korvelToViewer', sprintf('%d points', size(viewed, 2)), started);

% 5. Distances, shared by both screens.
started = tic;
distance = korvelRange(viewed);
stages = note(stages, opts.quiet, 'korvelRange', sprintf('%d points', numel(distance)), started);

% The enable mask: faces turned towards the viewer.
started = tic;
firstCorner = scene.points(:, double(scene.faces(1, :)) + 1);
enabled = sum(scene.normals .* (viewer - firstCorner), 1) > 0;
stages = note(stages, opts.quiet, 'enable mask (host)', sprintf('%d of %d faces face the viewer', nnz(enabled), faceCount), started);

screenNames = {'torus', 'cone'};
if ~strcmp(opts.screen, 'both')
    screenNames = {opts.screen};
end
files = {};
written = cell(1, numel(screenNames));
screens = struct('name', {}, 'screen', {}, 'flags', {}, 'drawList', {}, 'depth', {}, ...
                 'strokes', {}, 'picture', {});
radius = [];  % each pixel's distance from the disc's centre, the same for both screens
for k = 1:numel(screenNames)
    name = screenNames{k};
    % 3. Onto the screen.
    started = tic;
    if strcmp(name, 'torus')
        project = @torusScreenMex;
        command = 'torusScreenMex';
    else
        project = @coneScreenMex;
        command = 'coneScreenMex';
    end
    screen = project(viewed);
    stages = note(stages, opts.quiet, command, sprintf('%d points, %d on the screen', size(screen, 2), nnz(screen(3, :) == 1)), started);

    % 4. Draw flags of the enabled faces.
    started = tic;
    flags = korvelFaceShown(scene.faces, screen, enabled);
    stages = note(stages, opts.quiet, 'korvelFaceShown', sprintf('%d of %d faces to draw', nnz(flags), faceCount), started);

    % Far first, by the mean distance of a face's corners.
    started = tic;
    if opts.toolbox
        [drawList, depth] = korvelDepthOrder(scene.faces, distance, flags);
        stage = 'korvelDepthOrder';
    else
        [drawList, depth] = farFirst(flags, scene.faces, distance);
        stage = 'depth order (host)';
    end
    stages = note(stages, opts.quiet, stage, sprintf('%d faces sorted', numel(drawList)), started);

    % Text: names above the objects, a caption below the screen.
    started = tic;
    labels = textLabels(name, scene, screen, opts, numel(drawList), faceCount);
    [strokes, strokeColours, calls] = korvel_write_text(font, labels);
    stages = note(stages, opts.quiet, 'korvelStrokeText', sprintf('%d calls, %d strokes', calls, size(strokes, 2)), started);

    horizon = project([1; 0; 0]);
    [picture, radius, stages] = paintScreen(scene, screen, drawList, strokes, strokeColours, ...
                                            horizon(1), radius, opts, stages);
    started = tic;
    file = fullfile(opts.out, sprintf('korvel_%s.png', name));
    writePicture(picture, file);
    written{k} = picture;
    files{end + 1} = file; %#ok<AGROW> at most three
    stages = note(stages, opts.quiet, 'korvelEncodePng', sprintf('%d-by-%d, %s', size(picture, 2), size(picture, 1), file), started);

    screens(end + 1) = struct('name', name, 'screen', screen, 'flags', flags, 'drawList', drawList, ...
                              'depth', depth, 'strokes', strokes, 'picture', picture); %#ok<AGROW>
end

if numel(screens) == 2
    started = tic;
    gap = ones(size(written{1}, 1), round(opts.size / 40), 3);
    file = fullfile(opts.out, 'korvel_screens.png');
    pair = [written{1}, gap, written{2}];
    writePicture(pair, file);
    files{end + 1} = file;
    stages = note(stages, opts.quiet, 'pair (host)', sprintf('%d-by-%d, %s', size(pair, 2), size(pair, 1), file), started);
end

[plateaus, plateauFile, stages] = plateauPicture(scene, font, opts, stages);
files{end + 1} = plateauFile;

if ~opts.quiet
    kernels = ~cellfun(@isempty, regexp({stages.name}, '^[a-zA-Z]+$', 'once'));
    fprintf('  %-59s %9.2f ms\n', 'all kernel calls', 1000 * sum([stages(kernels).seconds]));
    fprintf('  %-59s %9.2f ms\n', 'all stages', 1000 * sum([stages.seconds]));
    fprintf('pictures written:\n');
    fprintf('  %s\n', files{:});
end
result = struct('files', {files}, 'scene', scene, 'enabled', enabled, 'screens', screens, ...
                'plateaus', plateaus, 'stages', stages);
end

function stages = note(stages, quiet, name, detail, started)
% One line per stage: what it did and how long it took.
seconds = toc(started);
stages(end + 1) = struct('name', name, 'detail', detail, 'seconds', seconds);
if ~quiet
    fprintf('  %-18s %-40s %9.2f ms\n', name, detail, 1000 * seconds);
end
end

function requirePlugins()
% The commands as compiled plug-ins (exist gives 3), not merely their help
% files, which alone would fail later with a puzzling message.
needed = {'korvelToViewer', 'korvelRange', 'torusScreenMex', 'coneScreenMex', ...
          'korvelFaceShown', 'korvelStrokeText', 'plateauLabels', 'valueSwap', 'korvelEncodePng'};
missing = needed(cellfun(@(name) exist(name) ~= 3, needed));
if isempty(missing)
    return;
end
what = 'the korvel plug-ins are not on the path';
if numel(missing) < numel(needed)
    what = ['these korvel plug-ins are not on the path: ' strjoin(missing, ', ')];
end
error('korvel_demo:noPlugins', ['%s. Load the package (pkg load korvel), add the unpacked ' ...
      'release folder to the path, or in the source tree build them with build_mex and add ' ...
      'the folder it filled: build_mex(''build-octave''); addpath(''build-octave'').'], what);
end

function opts = parseOptions(args)
opts = struct('viewer', [0 -50 6], 'heading', 90, 'screen', 'both', 'out', 'out', ...
              'grid', 200, 'size', 720, 'quiet', false, 'painter', 'toolbox');
if mod(numel(args), 2) ~= 0
    error('korvel_demo:badOption', 'options come in name, value pairs');
end
for k = 1:2:numel(args)
    name = lower(args{k});
    if ~ischar(name) || ~isfield(opts, name)
        error('korvel_demo:badOption', 'unknown option ''%s''', num2str(args{k}));
    end
    opts.(name) = args{k + 1};
end
if ~isnumeric(opts.viewer) || numel(opts.viewer) ~= 3
    error('korvel_demo:badOption', 'viewer must be [x y z]');
end
if ~any(strcmp(opts.screen, {'torus', 'cone', 'both'}))
    error('korvel_demo:badOption', 'screen must be ''torus'', ''cone'' or ''both'', not ''%s''', ...
          num2str(opts.screen));
end
if ~any(strcmp(opts.painter, {'toolbox', 'example'}))
    error('korvel_demo:badOption', 'painter must be ''toolbox'' or ''example'', not ''%s''', ...
          num2str(opts.painter));
end
opts.toolbox = strcmp(opts.painter, 'toolbox');
if ~isnumeric(opts.grid) || ~isscalar(opts.grid) || opts.grid < 2
    error('korvel_demo:badOption', 'grid must be a whole number of at least 2');
end
opts.viewer = double(opts.viewer(:)');
opts.heading = double(opts.heading);
opts.grid = round(double(opts.grid));
opts.size = max(120, round(double(opts.size)));
if ~exist(opts.out, 'dir') && ~mkdir(opts.out)
    error('korvel_demo:badOption', 'cannot make the output folder ''%s''; give one you can write', ...
          num2str(opts.out));
end
end

function [drawList, depth] = farFirst(flags, faces, distance)
% The faces flagged for drawing, the farthest first: a painter's order.
shown = find(flags == 1);
cornerDistance = reshape(distance(double(faces(:, shown)) + 1), 3, []);
depth = mean(cornerDistance, 1);
[depth, order] = sort(depth, 'descend');
drawList = shown(order);
end

function labels = textLabels(name, scene, screen, opts, drawn, faceCount)
% Object names centred above their anchors where these reach the screen,
% and three caption lines below the disc, in picture units (u = -y, v = x
% of the screen, so that straight ahead points up).
labels = struct('text', {}, 'origin', {}, 'scale', {}, 'colour', {});
scale = 0.045;
for k = 1:numel(scene.labels)
    anchor = scene.labels(k).anchor;
    if screen(3, anchor) == 1 && all(isfinite(screen(1:2, anchor)))
        text = scene.labels(k).text;
        origin = [-screen(2, anchor) - scale * numel(text) / 2, screen(1, anchor)];
        labels(end + 1) = struct('text', text, 'origin', origin, 'scale', scale, ...
                                 'colour', [1 1 0.55]); %#ok<AGROW> three objects
    end
end
captions = {sprintf('%s SCREEN', upper(name)), ...
            sprintf('VIEWER %g %g %g  HEADING %g', opts.viewer, opts.heading), ...
            sprintf('%d OF %d TRIANGLES DRAWN', drawn, faceCount)};
for k = 1:numel(captions)
    labels(end + 1) = struct('text', captions{k}, 'origin', [-1.02, -1.14 - 0.075 * k], ...
                             'scale', 0.04, 'colour', [0.1 0.12 0.2]); %#ok<AGROW>
end
end

function view = screenView(width)
% The unit disc with a margin, and room for the caption below it.
view = struct('uMin', -1.05, 'uMax', 1.05, 'vMin', -1.45, 'vMax', 1.05, ...
              'pixelsPerUnit', width / 2.1);
end

function [picture, radius, stages] = paintScreen(scene, screen, drawList, strokes, strokeColours, ...
                                                 horizon, radius, opts, stages)
started = tic;
width = opts.size;
view = screenView(width);
height = round((view.vMax - view.vMin) * view.pixelsPerUnit);
if isempty(radius)
    % A row of u and a column of v, broadcast: the grid without making it.
    u = view.uMin + ((1:width) - 0.5) / view.pixelsPerUnit;
    v = view.vMax - ((1:height)' - 0.5) / view.pixelsPerUnit;
    radius = sqrt(u .^ 2 + v .^ 2);
end

% Paper outside the disc; inside it sky above the horizon and sea below,
% where no face reaches (beyond the terrain, and the clamped centre of the
% toroidal screen).
paper = [0.97 0.97 0.95];
skyLow = [0.80 0.88 0.97];
skyHigh = [0.33 0.52 0.85];
groundColour = [0.27 0.40 0.52];  % a sea around the terrain
inGround = radius <= horizon;
inSky = radius <= 1 & ~inGround;
% Each pixel's row of a colour table: paper, ground, then one row per sky
% pixel, blended by how far it lies between the horizon and the rim. The
% picture is one gather from it: an array of its own, painted in place
% below.
skyMix = min(max((radius(inSky) - horizon) / (1 - horizon), 0), 1);
colours = [paper; groundColour; ...
           skyLow + skyMix .* (skyHigh - skyLow)];
row = ones(height, width, 'uint32');
row(inGround) = 2;
row(inSky) = 2 + (1:numel(skyMix));
picture = reshape(colours(row, :), height, width, 3);
stages = note(stages, opts.quiet, 'background (host)', sprintf('%d-by-%d', width, height), started);

uv = [-screen(2, :); screen(1, :)];
turn = linspace(0, 2 * pi, 721);
rim = [cos(turn(1:end - 1)); sin(turn(1:end - 1)); cos(turn(2:end)); sin(turn(2:end))];
thickness = max(1, round(width / 240));
% Text strokes, in the colours the stroke command wrote: a dark outline
% first so that light letters stay legible on any ground.
light = strokeColours(1, :) > 0.5;
if ~opts.toolbox
    started = tic;
    faces = double(scene.faces(:, drawList)) + 1;
    picture = korvel_paint_triangles(picture, view, uv, faces, scene.colours(drawList, :));
    picture = korvel_paint_lines(picture, view, rim, [0.15 0.15 0.2], thickness + 1);
    picture = korvel_paint_lines(picture, view, strokes(:, light), [0.05 0.05 0.05], thickness + 2);
    picture = korvel_paint_lines(picture, view, strokes, strokeColours(1:3, :)', thickness);
    stages = note(stages, opts.quiet, 'painters (host)', sprintf('%d triangles, %d strokes', ...
                  numel(drawList), numel(turn) - 1 + nnz(light) + size(strokes, 2)), started);
    return;
end
% Painted in place: the picture is an array of its own, made above, so no
% copy of it is made per call.
corner = [view.uMin, view.vMax, view.pixelsPerUnit];
started = tic;
korvelPaintTriangles(picture, corner, uv, scene.faces, scene.colours, drawList);
stages = note(stages, opts.quiet, 'korvelPaintTriangles', sprintf('%d triangles', numel(drawList)), started);
started = tic;
korvelPaintStrokes(picture, corner, rim, [0.15 0.15 0.2], thickness + 1);
korvelPaintStrokes(picture, corner, strokes(:, light), [0.05 0.05 0.05], thickness + 2);
korvelPaintStrokes(picture, corner, strokes, strokeColours(1:3, :)', thickness);
stages = note(stages, opts.quiet, 'korvelPaintStrokes', sprintf('%d strokes, 3 calls', ...
              numel(turn) - 1 + nnz(light) + size(strokes, 2)), started);
end

% As a 16-bit PNG, which is what an image writer makes of a double picture,
% encoded by the toolbox (many times sooner than the hosts' writers) and
% written as it is.
function writePicture(picture, file)
bytes = korvelEncodePng(picture);
fid = fopen(file, 'w');
written = 0;
if fid >= 0
    written = fwrite(fid, bytes);
    fclose(fid);
end
if written ~= numel(bytes)
    error('korvel_demo:badOption', 'cannot write ''%s''; give an output folder you can write', file);
end
end

function [plateaus, file, stages] = plateauPicture(scene, font, opts, stages)
% The terrain's height in eight bands, its flat regions numbered by
% plateauLabels and coloured by their band through valueSwap, with a legend
% of the bands on the right. Neighbouring regions always differ in band (or
% they would be one region), so they always differ in colour too.
bandCount = 8;
heights = flipud(scene.heights);  % north up
low = min(heights(:));
high = max(heights(:));
level = (heights - low) / max(high - low, eps);
bands = min(floor(level * bandCount), bandCount - 1);

started = tic;
labels = plateauLabels(bands);
regionCount = max(labels(:));
stages = note(stages, opts.quiet, 'plateauLabels', sprintf('%d-by-%d, %d regions', size(bands, 1), size(bands, 2), regionCount), started);

% Hypsometric tints, low to high, light enough for dark numbers.
palette = [0.47 0.72 0.62; 0.60 0.82 0.48; 0.80 0.89 0.50; 0.98 0.87 0.52;
           0.96 0.70 0.42; 0.84 0.56 0.44; 0.76 0.68 0.82; 0.97 0.97 1.00];
% Regions are numbered in column-major order of their first cell.
[~, firstCell] = unique(labels(:), 'first');
started = tic;
colourIndex = valueSwap(labels, (1:regionCount)', bands(firstCell) + 1);
stages = note(stages, opts.quiet, 'valueSwap', sprintf('%d pairs', regionCount), started);

started = tic;
[rows, cols] = size(labels);
zoom = max(1, floor(opts.size / rows));
legendCols = round(0.42 * cols);
captionRows = round(0.1 * rows);
view = struct('uMin', 0, 'vMax', rows, 'pixelsPerUnit', zoom);
stretchRows = ceil((1:rows * zoom) / zoom);
stretchCols = ceil((1:cols * zoom) / zoom);
zoomed = colourIndex(stretchRows, stretchCols);
% Edge pixels: the last row (column) of a cell whose neighbour below (to
% the right) is another region; the cells' edges, stretched.
down = [diff(labels, 1, 1) ~= 0; false(1, cols)];
right = [diff(labels, 1, 2) ~= 0, false(rows, 1)];
edge = (down(stretchRows, stretchCols) & mod(1:rows * zoom, zoom)' == 0) | ...
       (right(stretchRows, stretchCols) & mod(1:cols * zoom, zoom) == 0);
picture = ones((rows + captionRows) * zoom, (cols + legendCols) * zoom, 3);
for channel = 1:3
    plane = reshape(palette(zoomed, channel), size(zoomed));
    plane(edge) = 0.2;
    picture(1:rows * zoom, 1:cols * zoom, channel) = plane;
end

% Digits at two sizes, the larger where it fits; kept a pen's width (in
% cells) clear of the region's border. The pen grows with the picture, as
% the text does.
pen = max(1, round(rows * zoom / 400));
numbers = regionNumbers(labels, rows ./ [40 64], pen / zoom);
text = rmfield(numbers, 'region');
legendScale = rows / 50;
step = rows / (bandCount + 2);
swatch = [cols + 0.06 * legendCols, 0.8 * step];
text(end + 1) = struct('text', 'HEIGHT BANDS', 'origin', [swatch(1), rows - 0.8 * step], ...
                       'scale', legendScale * 1.2, 'colour', [0.1 0.12 0.2]);
for k = 1:bandCount
    band = bandCount + 1 - k;  % highest on top
    bottom = rows - (k + 1) * step + 0.1 * step;
    rowsOf = round((rows - bottom - swatch(2)) * zoom) + 1:round((rows - bottom) * zoom);
    colsOf = round(swatch(1) * zoom) + 1:round((swatch(1) + swatch(2)) * zoom);
    for channel = 1:3
        picture(rowsOf, colsOf, channel) = palette(band, channel);
    end
    picture([rowsOf(1), rowsOf(end)], colsOf, :) = 0.2;
    picture(rowsOf, [colsOf(1), colsOf(end)], :) = 0.2;
    range = sprintf('%.1f TO %.1f', low + (high - low) * (band - 1) / bandCount, ...
                    low + (high - low) * band / bandCount);
    text(end + 1) = struct('text', range, 'origin', [swatch(1) + swatch(2) + 0.4 * legendScale, ...
                           bottom + (swatch(2) - 1.2 * legendScale) / 2], ...
                           'scale', legendScale, 'colour', [0.1 0.12 0.2]); %#ok<AGROW> eight bands
end
captionScale = rows / 40;
text(end + 1) = struct('text', sprintf('PLATEAUS: %d HEIGHT BANDS, %d REGIONS, %d NUMBERED', ...
                                       bandCount, regionCount, numel(numbers)), ...
                       'origin', [cols * 0.03, -(captionRows + 1.2 * captionScale) / 2], ...
                       'scale', captionScale, 'colour', [0.1 0.12 0.2]);
[strokes, strokeColours] = korvel_write_text(font, text);
if opts.toolbox  % in place: the picture is an array of its own, made above
    korvelPaintStrokes(picture, [view.uMin, view.vMax, view.pixelsPerUnit], strokes, ...
                       strokeColours(1:3, :)', pen);
else
    picture = korvel_paint_lines(picture, view, strokes, strokeColours(1:3, :)', pen);
end
file = fullfile(opts.out, 'korvel_plateaus.png');
writePicture(picture, file);
stages = note(stages, opts.quiet, 'picture (host)', sprintf('%d-by-%d, %s', size(picture, 2), size(picture, 1), file), started);
plateaus = struct('bands', bands, 'labels', labels, 'colourIndex', colourIndex, ...
                  'palette', palette, 'numbers', numbers);
end

function numbers = regionNumbers(labels, scales, margin)
% Each region's number at the first of SCALES at which it fits: centred on
% a cell of the region as far from its border as any (the nearest such
% cell to the region's centre) where the digits' box widened by MARGIN
% cells lies inside the region; left out where no cell leaves room. Boxes
% inside their own regions cannot overlap.
[rows, cols] = size(labels);
% depth(c): the square of cells within chessboard distance depth(c) - 1 of
% c lies inside c's region and the picture. The first square needs the
% eight neighbours in the picture and the region; each larger one the
% smaller squares of all nine, so the rest is erosion, a row of
% neighbours and then a column of them at a time.
padded = -ones(rows + 2, cols + 2);
padded(2:end - 1, 2:end - 1) = labels;
inside = true(rows, cols);
for dr = -1:1
    for dc = -1:1
        inside = inside & padded((2:end - 1) + dr, (2:end - 1) + dc) == labels;
    end
end
depth = ones(rows, cols);
while any(inside(:))
    depth = depth + inside;
    across = inside & [false(rows, 1), inside(:, 1:end - 1)] & [inside(:, 2:end), false(rows, 1)];
    inside = across & [false(1, cols); across(1:end - 1, :)] & [across(2:end, :); false(1, cols)];
end
% Every region's cells at once, ordered region by region as each region's
% search takes them: deepest first, then nearest its centre, ties in
% column-major order (stable sorts, the last key first; region and depth
% are one whole number). The sums of whole row and column numbers are
% exact, so the centres are each region's mean.
row = repmat((1:rows)', 1, cols);
col = repmat(1:cols, rows, 1);
cellCount = accumarray(labels(:), 1);
centreRow = accumarray(labels(:), row(:)) ./ cellCount;
centreCol = accumarray(labels(:), col(:)) ./ cellCount;
away = (row(:) - centreRow(labels(:))) .^ 2 + (col(:) - centreCol(labels(:))) .^ 2;
[~, order] = sort(away);
[~, byRegion] = sort(labels(order) * (max(depth(:)) + 1) - depth(order));
order = order(byRegion);
% A box holds the number when it lies in the region's bounding box and
% every cell of it is the region's.
firstRow = accumarray(labels(:), row(:), [], @min);
lastRow = accumarray(labels(:), row(:), [], @max);
firstCol = accumarray(labels(:), col(:), [], @min);
lastCol = accumarray(labels(:), col(:), [], @max);
last = cumsum(cellCount);
numbers = struct('region', {}, 'text', {}, 'origin', {}, 'scale', {}, 'colour', {});
for region = 1:numel(cellCount)
    candidates = order(last(region) - cellCount(region) + 1:last(region));
    digits = sprintf('%d', region);
    % Cells of the region in each box, from sums over the rectangles of the
    % bounding box above and left of every cell.
    r0 = firstRow(region) - 1;
    c0 = firstCol(region) - 1;
    sums = zeros(lastRow(region) - r0 + 1, lastCol(region) - c0 + 1);
    sums(2:end, 2:end) = cumsum(cumsum(double(labels(r0 + 1:lastRow(region), ...
                                                      c0 + 1:lastCol(region)) == region), 1), 2);
    for scale = scales
        % A cell less deep than half the box's height cannot hold it.
        fit = candidates(depth(candidates) >= 0.6 * scale + margin);
        originU = col(fit) - 0.5 - scale * numel(digits) / 2;
        originV = rows - row(fit) + 0.5 - 0.6 * scale;
        [top, bottom, left, right] = textCells(originU, originV, scale, numel(digits), margin, rows);
        placed = find(top > r0 & bottom <= lastRow(region) & left > c0 & right <= lastCol(region));
        top = top(placed) - r0;
        bottom = bottom(placed) - r0;
        left = left(placed) - c0;
        right = right(placed) - c0;
        held = sums(sub2ind(size(sums), bottom + 1, right + 1)) - sums(sub2ind(size(sums), top, right + 1)) ...
             - sums(sub2ind(size(sums), bottom + 1, left)) + sums(sub2ind(size(sums), top, left));
        placed = placed(held == (bottom - top + 1) .* (right - left + 1));
        if ~isempty(placed)
            k = placed(1);
            numbers(end + 1) = struct('region', region, 'text', digits, ...
                                      'origin', [originU(k), originV(k)], 'scale', scale, ...
                                      'colour', [0.08 0.08 0.1]); %#ok<AGROW>
            break;
        end
    end
end
end

function [top, bottom, left, right] = textCells(originU, originV, scale, count, margin, rows)
% The cells under COUNT characters written at each origin and SCALE (glyphs
% stand 0.15 .. 0.85 across a cell, 0 .. 1.2 high), widened by MARGIN:
% rows TOP .. BOTTOM, columns LEFT .. RIGHT; cell (r, c) spans u in
% c - 1 .. c and v in rows - r .. rows - r + 1.
left = floor(originU + 0.15 * scale - margin) + 1;
right = ceil(originU + (count - 0.15) * scale + margin);
top = floor(rows - (originV + 1.2 * scale + margin)) + 1;
bottom = ceil(rows - (originV - margin));
end
