function scene = korvel_demo_scene(gridSize)
%KORVEL_DEMO_SCENE  The demo's built-in scene: terrain, three objects, labels.
%   SCENE = KORVEL_DEMO_SCENE(GRIDSIZE) makes, procedurally, a terrain height
%   field of GRIDSIZE-by-GRIDSIZE points over x, y in -100 .. 100 (z up), a
%   tower, a pyramid and a dome standing on it, and a name label above each
%   object. GRIDSIZE defaults to 200 (40000 terrain points).
%
%   SCENE fields:
%     points        3-by-N double point matrix: terrain, then objects, then
%                   label anchors
%     faces         3-by-T int32 face matrix, zero-based corner indices
%     normals       3-by-T outward face normals (not of unit length)
%     colours       T-by-3 face colours: terrain by height, objects by
%                   their own colour, all lit by a fixed sun
%     terrainFaces  the first terrainFaces faces are the terrain's
%     heights       GRIDSIZE-by-GRIDSIZE terrain heights, row r at
%                   y = gridY(r), column c at x = gridX(c)
%     gridX, gridY  the grid's coordinates
%     labels        struct array: text, anchor (column of points)
%     groundHeight  function handle: terrain height at (x, y)
%
%   See also KORVEL_DEMO.

if nargin < 1
  gridSize = 200;
end
sun = [-0.45; -0.35; 0.82];
sun = sun / norm(sun);

% Terrain: hills, a basin and a ridge along the far edge, as a smooth function.
ground = @(x, y) 24 * exp(-((x - 45).^2 + (y - 35).^2) / 900) ...
  + 16 * exp(-((x + 55).^2 + (y - 15).^2) / 700) ...
  - 5 * exp(-((x - 5).^2 + (y + 20).^2) / 600) ...
  + 22 * exp(-(y - 100).^2 / 400) .* (1 + 0.35 * sin(x / 9)) ...
  + 2.2 * sin(x / 11) .* cos(y / 14) + 0.8 * sin((x + 2 * y) / 6);
gridX = linspace(-100, 100, gridSize);
gridY = linspace(-100, 100, gridSize);
[X, Y] = meshgrid(gridX, gridY);
heights = ground(X, Y);
terrainPoints = [X(:)'; Y(:)'; heights(:)'];

% Two triangles per grid cell, counter-clockwise seen from above.
[rows, cols] = ndgrid(1:gridSize - 1, 1:gridSize - 1);
corner00 = rows(:)' + (cols(:)' - 1) * gridSize;
corner10 = corner00 + 1;            % one step in y
corner01 = corner00 + gridSize;     % one step in x
corner11 = corner01 + 1;
terrainFaces = [corner00, corner00; corner01, corner11; corner11, corner10];
terrainColours = heightColours(heights(terrainFaces), min(heights(:)), max(heights(:)));

% Objects: closed convex meshes, subdivided so that their edges bend with
% the curved screens, each sitting on the ground at its centre. Their parts
% are joined to the terrain's once, after the loop.
objects = {
  'TOWER',   [-30, -8], @() box([7, 7, 30]),  [0.72 0.27 0.20]
  'PYRAMID', [30, -12], @() pyramid(24, 18),  [0.86 0.74 0.45]
  'DOME',    [4, 30],   @() dome(10),         [0.80 0.84 0.92]
};
objectCount = size(objects, 1);
labels = struct('text', {}, 'anchor', {});
objectFaces = zeros(1, objectCount);
pointParts = [{terrainPoints}, cell(1, objectCount)];
faceParts = [{terrainFaces}, cell(1, objectCount)];
colourParts = [{terrainColours}, cell(1, objectCount)];
first = size(terrainPoints, 2);
for k = 1:objectCount
  makeMesh = objects{k, 3};
  [corners, top] = makeMesh();
  base = objects{k, 2};
  lift = [base(1); base(2); ground(base(1), base(2)) - 0.5];
  corners = corners + lift;
  count = size(corners, 2) / 3;
  objectFaces(k) = count;
  pointParts{k + 1} = corners;
  faceParts{k + 1} = first + reshape(1:3 * count, 3, count);
  colourParts{k + 1} = repmat(objects{k, 4}, count, 1);
  first = first + 3 * count;
  labels(k).text = objects{k, 1};
  labels(k).anchor = [lift(1); lift(2); lift(3) + top + 3];
end
points = [pointParts{:}];
faces = [faceParts{:}];
colours = vertcat(colourParts{:});

% Outward normals: terrain up, each object away from its own centre.
a = points(:, faces(1, :));
b = points(:, faces(2, :));
c = points(:, faces(3, :));
% The cross product written out (cross's own order of operations), which
% spares a general function's checks on 81634 columns.
ab = b - a;
ac = c - a;
normals = [ab(2, :) .* ac(3, :) - ab(3, :) .* ac(2, :)
           ab(3, :) .* ac(1, :) - ab(1, :) .* ac(3, :)
           ab(1, :) .* ac(2, :) - ab(2, :) .* ac(1, :)];
terrainCount = size(terrainFaces, 2);
flip = false(1, size(faces, 2));
flip(1:terrainCount) = normals(3, 1:terrainCount) < 0;
objectFirst = terrainCount + 1;
for k = 1:size(objects, 1)
  members = objectFirst:objectFirst + objectFaces(k) - 1;
  centre = mean(points(:, faces(:, members)), 2);
  middle = (a(:, members) + b(:, members) + c(:, members)) / 3;
  outward = sum(normals(:, members) .* (middle - centre), 1);
  flip(members) = outward < 0;
  objectFirst = objectFirst + objectFaces(k);
end
faces(2:3, flip) = faces([3 2], flip);
normals(:, flip) = -normals(:, flip);

% Lit by the sun: a fixed share of ambient light plus the diffuse part.
unitNormals = normals ./ sqrt(sum(normals .^ 2, 1));
light = max(0, sun' * unitNormals)';
isTerrain = (1:size(faces, 2))' <= terrainCount;
shade = 0.35 + 0.65 * light;
shade(isTerrain) = 0.5 + 0.5 * light(isTerrain);
colours = colours .* shade;

% Label anchors join the point matrix so that the same kernel calls move,
% turn and project them with the scene.
points = [points, labels.anchor];
for k = 1:numel(labels)
  labels(k).anchor = size(points, 2) - numel(labels) + k;
end

scene = struct('points', points, 'faces', int32(faces - 1), 'normals', normals, ...
               'colours', colours, 'terrainFaces', terrainCount, 'heights', heights, ...
               'gridX', gridX, 'gridY', gridY, 'labels', labels, 'groundHeight', ground);
end

function colours = heightColours(faceHeights, low, high)
% Meadow green through brown rock to snow, by the mean height of a face:
% linear between the stops, as interp1 works it out (the slope of the
% stop's interval times the distance from the stop, plus the stop's
% colour), without its general machinery.
level = (mean(faceHeights, 1)' - low) / max(high - low, eps);
stops = [0.00 0.18 0.40 0.15
         0.20 0.40 0.58 0.22
         0.35 0.64 0.60 0.32
         0.55 0.55 0.43 0.31
         0.75 0.60 0.58 0.56
         1.00 0.97 0.97 0.99];
level = min(max(level, 0), 1);
at = stops(:, 1);
tints = stops(:, 2:4);
slopes = diff(tints) ./ diff(at);
% The interval of each level: the last stop at or below it, the top one
% closing the last interval.
interval = ones(size(level));
for k = 2:numel(at) - 1
  interval = interval + (level >= at(k));
end
colours = slopes(interval, :) .* (level - at(interval)) + tints(interval, :);
end

function [corners, top] = box(size3)
% A box standing on z = 0, centred on the z axis.
h = size3 / 2;
v = [-h(1) -h(2) 0; h(1) -h(2) 0; h(1) h(2) 0; -h(1) h(2) 0];
v = [v; v(:, 1:2), repmat(size3(3), 4, 1)]';
quads = [1 2 3 4; 5 6 7 8; 1 2 6 5; 2 3 7 6; 3 4 8 7; 4 1 5 8];
tris = [quads(:, [1 2 3]); quads(:, [1 3 4])]';
corners = subdivide(v(:, tris(:)'), 3);
top = size3(3);
end

function [corners, top] = pyramid(width, height)
% A square pyramid on z = 0.
h = width / 2;
v = [-h -h 0; h -h 0; h h 0; -h h 0; 0 0 height]';
tris = [1 2 5; 2 3 5; 3 4 5; 4 1 5; 1 2 3; 1 3 4]';
corners = subdivide(v(:, tris(:)'), 3);
top = height;
end

function [corners, top] = dome(radius)
% A sphere resting on z = 0: an icosahedron, subdivided and pushed outward.
t = (1 + sqrt(5)) / 2;
v = [-1 t 0; 1 t 0; -1 -t 0; 1 -t 0; 0 -1 t; 0 1 t; 0 -1 -t; 0 1 -t;
     t 0 -1; t 0 1; -t 0 -1; -t 0 1]';
tris = [1 12 6; 1 6 2; 1 2 8; 1 8 11; 1 11 12; 2 6 10; 6 12 5; 12 11 3;
        11 8 7; 8 2 9; 4 10 5; 4 5 3; 4 3 7; 4 7 9; 4 9 10; 5 10 6;
        3 5 12; 7 3 11; 9 7 8; 10 9 2]';
corners = subdivide(v(:, tris(:)'), 3);
corners = radius * corners ./ sqrt(sum(corners .^ 2, 1));
corners(3, :) = corners(3, :) + radius;
top = 2 * radius;
end

function corners = subdivide(corners, levels)
% Splits every triangle (three consecutive columns) into four, LEVELS times.
for level = 1:levels
  a = corners(:, 1:3:end);
  b = corners(:, 2:3:end);
  c = corners(:, 3:3:end);
  ab = (a + b) / 2;
  bc = (b + c) / 2;
  ca = (c + a) / 2;
  parts = [a; ab; ca; ab; b; bc; ca; bc; c; ab; bc; ca];
  corners = reshape(parts, 3, []);
end
end
