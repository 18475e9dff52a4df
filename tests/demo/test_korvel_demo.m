function ok = test_korvel_demo(outFolder)
%TEST_KORVEL_DEMO  Runs the demo on a small scene and checks what it made.
%   OK = TEST_KORVEL_DEMO(OUTFOLDER) renders a 40-by-40 terrain into
%   OUTFOLDER (default: a new folder under tempdir) and checks the pictures,
%   the draw list against the draw flags, the text strokes and the painting
%   helpers. It prints each failure and returns true when there is none.
%   Needs the korvel plug-ins and the examples folder on the path.

if nargin < 1
  outFolder = tempname();
end
failures = {};
    function expect(condition, what)
        if ~all(condition(:))
            failures{end + 1} = what;
            fprintf(2, 'FAILED: %s\n', what);
        end
    end

% --- The whole demo on a small scene, both screens.
result = korvel_demo('grid', 40, 'size', 240, 'out', outFolder, 'quiet', true);
names = {'korvel_torus.png', 'korvel_cone.png', 'korvel_screens.png', 'korvel_plateaus.png'};
% The pictures stay the ones the demo has always written at this setting:
% the MD5 of each file's pixels (16-bit, column-major, little-endian bytes).
pixelDigests = {'9f66df1e92e9a67cb955d2eae94906b2', '718e3a4f5efca271da99baaae1de7fe2', ...
                'f7ce273abfa003cdaae79a370e7401bf', 'd29487f44c253a228bdb21b36ae6039d'};
for k = 1:numel(names)
  file = fullfile(outFolder, names{k});
  expect(exist(file, 'file') == 2, [names{k} ' written']);
  if exist(file, 'file') == 2
    picture = imread(file);
    expect(isa(picture, 'uint16') && ...
           strcmp(hash('md5', char(typecast(picture(:), 'uint8')')), pixelDigests{k}), ...
           [names{k} ': the same pixels as ever']);
    colours = unique(reshape(picture, [], 3), 'rows');
    % The screens are shaded; the plateaus come from a twelve-colour palette.
    fewest = 30;
    if k == 4
      fewest = 4;
    end
    expect(size(colours, 1) > fewest, [names{k} ' is not blank']);
  end
end
expect(numel(result.files) == 4, 'four pictures reported');

scene = result.scene;
faceCount = size(scene.faces, 2);
expect(isa(scene.faces, 'int32') && min(scene.faces(:)) >= 0 && ...
       max(scene.faces(:)) < size(scene.points, 2), 'faces are zero-based int32 corner indices');
viewer = [0; -50; 6];
for s = 1:numel(result.screens)
  screen = result.screens(s);
  label = [screen.name ' screen: '];
  % The draw flags, as the rule says: enabled, and a corner flagged 1.
  cornerFlags = reshape(screen.screen(3, double(scene.faces) + 1), 3, []);
  expected = result.enabled & any(cornerFlags == 1, 1);
  expect(isequal(screen.flags, double(expected)), [label 'draw flags follow the rule']);
  expect(any(screen.flags == 1) && any(screen.flags == 0), [label 'some faces drawn, some not']);
  % The draw list: every flagged face once, nothing else, far first.
  expect(isequal(sort(screen.drawList), find(screen.flags == 1)), ...
         [label 'draw list holds exactly the flagged faces']);
  expect(all(diff(screen.depth) <= 0), [label 'draw list runs far to near']);
  corners = double(scene.faces(:, screen.drawList)) + 1;
  away = scene.points - repmat(viewer, 1, size(scene.points, 2));
  distance = sqrt(sum(away .^ 2, 1));
  meanDistance = mean(reshape(distance(corners), 3, []), 1);
  expect(abs(screen.depth - meanDistance) <= 1e-9 * max(meanDistance), ...
         [label 'depth is the mean distance of the corners from the viewer']);
  % Every object label is on the screen from the default viewer.
  expect(size(screen.strokes, 2) > 100, [label 'labels and caption written']);
  expect(size(screen.picture, 1) > size(screen.picture, 2), [label 'caption room below the disc']);
end
expect(strcmp({result.screens.name}, {'torus', 'cone'}), 'both screens drawn by default');
% Faces turned away are disabled: the first face of the terrain faces up,
% so the viewer above the ground sees it.
expect(result.enabled(1), 'a terrain face seen from above is enabled');
expect(any(~result.enabled(scene.terrainFaces + 1:end)), 'back faces of the objects disabled');

plateaus = result.plateaus;
labels = plateaus.labels;
expect(isequal(plateaus.colourIndex, plateaus.bands + 1), 'each plateau cell in its band''s legend colour');
cells = reshape(1:numel(labels), size(labels));
first = [reshape(cells(:, 1:end - 1), [], 1); reshape(cells(1:end - 1, :), [], 1)];
second = [reshape(cells(:, 2:end), [], 1); reshape(cells(2:end, :), [], 1)];
border = labels(first) ~= labels(second);
colours = plateaus.palette(plateaus.colourIndex, :);
expect(any(colours(first(border), :) ~= colours(second(border), :), 2), ...
       'neighbouring plateaus differ in colour');
expect(isequal(size(labels), [40 40]) && min(labels(:)) == 1, 'every terrain cell has a region');
% Every stroke end of every number drawn lies in that number's region (cell
% (r, c) spans u in c - 1 .. c, v in 40 - r .. 41 - r).
expect(numel(plateaus.numbers) > 3, 'region numbers drawn');
for number = plateaus.numbers
  strokes = korvel_write_text(korvel_stroke_font(), rmfield(number, 'region'));
  row = size(labels, 1) - floor(strokes([2 4], :));
  col = floor(strokes([1 3], :)) + 1;
  onMap = all(row(:) >= 1 & row(:) <= size(labels, 1) & col(:) >= 1 & col(:) <= size(labels, 2));
  expect(onMap && all(labels(row(:) + (col(:) - 1) * size(labels, 1)) == number.region), ...
         sprintf('region number %s drawn inside its region', number.text));
end

% --- The toolbox's painters and depth order against the examples', the
% commands' readable reference: the same draw lists and pictures, bit for
% bit, on both screens from several headings, at 1 and 3 threads (the demo's
% own size for one of them, so that the picture splits into bands).
checks = {40, 240, 90, '1'; 40, 240, 200, '3'; 120, 720, 90, '3'; 60, 480, -30, '1'};
for k = 1:rows(checks)
  [grid, width, heading, threads] = checks{k, :};
  setenv('KORVEL_NUM_THREADS', threads);
  options = {'grid', grid, 'size', width, 'heading', heading, 'quiet', true};
  toolbox = korvel_demo(options{:}, 'out', fullfile(outFolder, 'toolbox'));
  example = korvel_demo(options{:}, 'out', fullfile(outFolder, 'example'), 'painter', 'example');
  what = sprintf('grid %d, %d pixels, heading %g, %s thread(s)', grid, width, heading, threads);
  for s = 1:numel(toolbox.screens)
    expect(isequal(toolbox.screens(s).drawList, example.screens(s).drawList) && ...
           isequal(toolbox.screens(s).depth, example.screens(s).depth), ...
           [toolbox.screens(s).name ' screen, ' what ': the depth order of the host sort']);
    same = isequal(size(toolbox.screens(s).picture), size(example.screens(s).picture)) && ...
           all(typecast(toolbox.screens(s).picture(:), 'uint64') == ...
               typecast(example.screens(s).picture(:), 'uint64'));
    expect(same, [toolbox.screens(s).name ' screen, ' what ': the pictures of the example painters']);
  end
  for name = {'korvel_plateaus.png', 'korvel_screens.png'}
    same = isequal(imread(fullfile(outFolder, 'toolbox', name{1})), ...
                   imread(fullfile(outFolder, 'example', name{1})));
    expect(same, [name{1} ', ' what ': the example painters'' picture']);
  end
end
setenv('KORVEL_NUM_THREADS', '');

% --- One screen only: the other picture is not made.
single = fullfile(outFolder, 'single');
result = korvel_demo('grid', 20, 'size', 160, 'out', single, 'screen', 'cone', ...
                     'viewer', [10 10 40], 'heading', -30, 'quiet', true);
expect(exist(fullfile(single, 'korvel_cone.png'), 'file') == 2, 'cone alone: cone picture');
expect(exist(fullfile(single, 'korvel_torus.png'), 'file') == 0, 'cone alone: no torus picture');
expect(exist(fullfile(single, 'korvel_screens.png'), 'file') == 0, 'cone alone: no pair picture');
expect(numel(result.screens) == 1, 'cone alone: one screen');

% --- Without the plug-ins the demo stops before it does anything.
entries = strsplit(path(), pathsep());
plugins = entries(cellfun(@(entry) exist(fullfile(entry, ['korvelOffset.' mexext()]), 'file') > 0, entries));
rmpath(plugins{:});
if exist('korvelOffset') ~= 3
  bare = fullfile(outFolder, 'bare');
  expect(raises(@() korvel_demo('out', bare), 'korvel_demo:noPlugins') && ~exist(bare, 'dir'), ...
         'no plug-ins: korvel_demo:noPlugins, nothing written');
else
  fprintf('skipped: korvelOffset is a plug-in outside the path entries removed\n');
end
addpath(plugins{:});

% --- Options are checked.
expect(raises(@() korvel_demo('screen', 'sphere', 'out', single), 'korvel_demo:badOption'), ...
       'an unknown screen is refused');
expect(raises(@() korvel_demo('viewer', [1 2], 'out', single), 'korvel_demo:badOption'), ...
       'a viewer of two coordinates is refused');
expect(raises(@() korvel_demo('colour', 1, 'out', single), 'korvel_demo:badOption'), ...
       'an unknown option is refused');
expect(raises(@() korvel_demo('out', fullfile(single, 'korvel_cone.png', 'x')), 'korvel_demo:badOption'), ...
       'an output folder that cannot be made is refused');

% --- The stroke font and the text through korvelStrokeText.
font = korvel_stroke_font();
xs = font.table([1 3], :);
ys = font.table([2 4], :);
expect(size(font.table, 1) == 4 && all(font.table(:) >= 0) && all(xs(:) <= 1) && ...
       all(ys(:) <= font.height), ...
       'glyph strokes stay inside the character cell');
for ch = ['A':'Z', '0':'9', '-+=.,:/()''!?']
  expect(~isempty(font.codes{double(ch)}), sprintf('the font has strokes for ''%s''', ch));
end
expect(isequal(font.codes{double('q')}, font.codes{double('Q')}), 'lower case drawn as upper case');
expect(isequal(font.codes{double('~')}, font.codes{double('?')}), 'a missing glyph drawn as ''?''');
expect(isempty(font.codes{double(' ')}), 'a space has no strokes');

labels = struct('text', {'A1', 'B'}, 'origin', {[10 20], [0 0]}, 'scale', {2, 1}, ...
                'colour', {[1 0 0], [0 0 1]});
[segments, colours, calls] = korvel_write_text(font, labels);
codesA = font.codes{double('A')};
codes1 = font.codes{double('1')};
codesB = font.codes{double('B')};
expect(calls == 3, 'one stroke call per character');
expect(size(segments, 2) == numel(codesA) + numel(codes1) + numel(codesB), ...
       'every stroke of every character written once');
glyph = font.table(:, codes1);
second = numel(codesA) + (1:numel(codes1));
expect(isequal(segments(:, second), ...
               [((2 + glyph(1, :)) - 1) * 2 + 10; glyph(2, :) * 2 + 20;
                ((2 + glyph(3, :)) - 1) * 2 + 10; glyph(4, :) * 2 + 20]), ...
       'the second character lands one cell to the right, scaled, at the origin');
expect(isequal(colours(:, end), [0; 0; 1; 0; 0; 1]), 'each label in its own colour');
again = korvel_write_text(font, labels);
expect(isequal(again, segments), 'writing the same labels again gives the same strokes');
untouched = zeros(1, 1);
expect(untouched == 0, 'the in-place counter shares nothing with a fresh zero');

% --- Painting: later triangles cover earlier ones; pixel centres decide.
view = struct('uMin', 0, 'vMax', 10, 'pixelsPerUnit', 1);
canvas = zeros(10, 10, 3);
uv = [0 10 0, 2 8 2; 0 0 10, 2 2 8];
[canvas, painted] = korvel_paint_triangles(canvas, view, uv, [1 4; 2 5; 3 6], [1 0 0; 0 1 0]);
expect(painted(8, 3) == 2 && isequal(squeeze(canvas(8, 3, :))', [0 1 0]), ...
       'the later triangle wins where both cover');
expect(painted(10, 9) == 1, 'the earlier triangle shows where only it covers');
expect(painted(1, 10) == 0 && all(canvas(1, 10, :) == 0), 'outside every triangle stays as it was');
[~, painted] = korvel_paint_triangles(zeros(10, 10, 3), view, [uv, [NaN; 5]], [1 4; 2 5; 7 6], ...
                                      [1 0 0; 0 1 0]);
expect(~any(painted(:) == 1) && any(painted(:) == 2), 'a triangle with a NaN corner is left out');
lines = korvel_paint_lines(zeros(10, 10, 3), view, [0.5 9.5; 5.5 5.5; 9.5 9.5; 5.5 5.5], ...
                           [1 1 1; 1 0 0], 1);
expect(all(lines(5, :, 1) == 1) && all(lines(5, 1:9, 2) == 1) && lines(5, 10, 2) == 0 && ...
       nnz(lines(:, :, 1)) == 10, 'a line of pixels, drawn where the pen passes, later segments on top');

ok = isempty(failures);
if ok
  fprintf('test_korvel_demo: all checks passed\n');
else
  fprintf(2, 'test_korvel_demo: %d checks failed\n', numel(failures));
end
end

function raised = raises(action, identifier)
raised = false;
try
  action();
catch err
  raised = strcmp(err.identifier, identifier);
end
end
