function rows = bench_host(varargin)
%BENCH_HOST  Time each command against the host code a user would write instead.
%   ROWS = BENCH_HOST('plugins', DIR, 'label', LABEL, 'table', FILE, 'quick', Q,
%                     'only', ONLY)
%   times every command and the fastest vectorized host expressions that
%   compute the same result, side by side in this one session: the calls
%   alternate within each repetition, so a busy machine slows both sides
%   alike, and every figure is a median over repetitions.
%
%   DIR     folder holding the built plug-ins (added to the path).
%   LABEL   name of the run, written into every row (e.g. the allocator
%           setting the host was started with).
%   FILE    tab-separated file the rows are written to ('' for none).
%   Q       true for one small size per command (a smoke run).
%   ONLY    'frame' for the frame rows alone, 'peers' for the array commands
%           against their peers at 2048x2048 alone (to repeat them), 'paint'
%           for the painters and the picture frame alone; '' for all.
%
%   Before timing, every host expression is compared bit for bit with the
%   command (typecast to uint64; NaNs compare equal to NaNs) on the timed
%   inputs and on a set of awkward values; the verdict goes into the
%   'identical' column: 'bits', 'NaN payload' (equal except for the bits
%   inside NaNs), or 'no' (the row is then shown but never counted as the
%   best host expression).
%
%   The command is also timed at 1 thread (KORVEL_NUM_THREADS=1), in the same
%   alternation, as variant 'command, 1 thread'; 'command' runs at the
%   default thread count (every core, or KORVEL_NUM_THREADS as this session
%   had it).
%
%   The whole frame a user renders (FRAME_SCENE: a ground grid and poles on a
%   ring, with their triangles) is timed too, several headings interleaved:
%   the toolbox chain (korvelToViewer, torusScreenMex, korvelFaceShown,
%   korvelRange) as command 'frame', the chain through korvelOffset and
%   korvelSpin as command 'frame, offset then spin', each against the
%   fastest plain frame we could write for the same outputs, and beside them
%   zeros(3, N) and P + 0, the host's cost of one 3-by-N result.
%
%   The painters (KORVELPAINTTRIANGLES, KORVELPAINTSTROKES, KORVELDEPTHORDER)
%   are timed on the demo's torus picture against the example painters and
%   the host's sort, and a whole frame from points to picture (FRAME_SCENE's
%   points, through KORVELTOVIEWER, TORUSSCREENMEX, KORVELFACESHOWN,
%   KORVELRANGE, KORVELDEPTHORDER and KORVELPAINTTRIANGLES into a square uint8
%   picture, and into a double one) as command 'picture frame', with its
%   frames per second.
%
%   ROWS is a struct array with fields label, command, size, variant,
%   seconds (median), reps and identical. Variant 'command' is the plug-in.
%
%   Runs in GNU Octave and MATLAB.
%
%   See also BENCH_HOST_REPORT.

options = struct('plugins', '', 'label', 'run', 'table', '', 'quick', false, 'only', '');
for k = 1:2:numel(varargin)
  options.(varargin{k}) = varargin{k + 1};
end
if ~isempty(options.plugins)
  addpath(options.plugins);
end
rand('seed', 1); %#ok<RAND> reproducible inputs in Octave
randn('seed', 1); %#ok<RAND>
if ~is_octave()
  rng(1);
end

rows = struct('label', {}, 'command', {}, 'size', {}, 'variant', {}, 'seconds', {}, ...
              'reps', {}, 'identical', {});
if options.quick
  point_counts = 1e4;
  frame_counts = 1e4;
  frame_headings = 3;
  pair_counts = [4 64];
  image_sides = 256;
else
  point_counts = [1e4 1e6 1e7];
  frame_counts = [1e5 1e6];
  frame_headings = 12;
  pair_counts = [4 64 4096 65536];
  image_sides = [256 1024 2048 4096];
end

% Every host variant is first checked on awkward values (signed zeros,
% infinities, NaNs, repeated pairs, regions that must grow every way), then
% on the timed inputs themselves.
awkward = containers.Map();  % command|variant -> verdict
check_awkward_values(awkward);

if ~isempty(options.only)
  point_counts = [];
  pair_counts = [];
  image_sides = [];
end
if any(strcmp(options.only, {'peers', 'paint'}))
  frame_counts = [];
end
for n = point_counts
  P = scene_points(n);
  size_label = sprintf('N=%s', power_label(n));
  for command = {'korvelOffset', 'korvelSpin', 'korvelRange', 'torusScreenMex', 'coneScreenMex'}
    [run_command, variants] = point_case(command{1}, P);
    rows = [rows, time_case(options.label, command{1}, size_label, run_command, variants, ...
                            awkward)]; %#ok<AGROW>
  end
  [run_command, variants] = faces_case(P);
  rows = [rows, time_case(options.label, 'korvelFaceShown', ...
                          sprintf('T=2*%s', power_label(n)), run_command, variants, ...
                          awkward)]; %#ok<AGROW>
  clear P run_command variants
end

for n = frame_counts
  rows = [rows, time_frame(options.label, frame_scene(n), frame_headings, awkward)]; %#ok<AGROW>
end

for pairs = pair_counts
  [A, from, to] = swap_inputs(1000, pairs);
  % The loop over pairs costs L passes over A: past 4096 pairs it would take
  % minutes, and is left out.
  [run_command, variants] = swap_case(A, from, to, pairs <= 4096);
  rows = [rows, time_case(options.label, 'valueSwap', sprintf('1000x1000 L=%d', pairs), ...
                          run_command, variants, awkward)]; %#ok<AGROW>
  clear A from to run_command variants
end

for side = image_sides
  for kind = {'random', 'tiles'}
    [run_command, variants] = labels_case(label_image(side, kind{1}));
    rows = [rows, time_case(options.label, 'plateauLabels', ...
                            sprintf('%dx%d %s', side, side, kind{1}), run_command, variants, ...
                            awkward)]; %#ok<AGROW>
    clear run_command variants
  end
end

if ~any(strcmp(options.only, {'frame', 'paint'}))
  % The peers a user holds the array commands against, at one size: the image
  % package's bwlabel (it labels the ones only), plain indexing through a table,
  % A + 1, the host's own cost of making a result this size, and valueSwap
  % with no pairs, what a plug-in's result this size costs at least: the
  % host's zero fill and its copy on return, and the one pass that copies A.
  % bwlabel, A + 1 and the copy compute something else: their rows say 'no'
  % under identical and are never the best host expression, but
  % bench_host_report lists them.
  if options.quick
    peer_side = 256;
  else
    peer_side = 2048;
  end
  have_bwlabel = load_image_package();
  no_pairs = @(X) valueSwap(X, zeros(0, 1), zeros(0, 1));
  for kind = {'binary 0.5', 'binary 0.59', 'binary tiles', 'values 1..4'}
    A = peer_image(peer_side, kind{1});
    variants = {'A + 1', @() A + 1; 'valueSwap(A, [], [])', @() no_pairs(A)};
    if have_bwlabel && ~strcmp(kind{1}, 'values 1..4')
      variants = [variants; {'bwlabel(A, 4)', @() bwlabel(A, 4)}]; %#ok<AGROW>
    end
    rows = [rows, time_case(options.label, 'plateauLabels', ...
                            sprintf('%dx%d %s', peer_side, peer_side, kind{1}), ...
                            @() plateauLabels(A), variants, awkward)]; %#ok<AGROW>
  end
  % A label image recoloured through a table of its K labels, and values 0..5
  % through 6 pairs.
  L = plateauLabels(peer_image(peer_side, 'values 1..4'));
  lut = rand(max(L(:)), 1);
  from = (1:numel(lut))';
  rows = [rows, time_case(options.label, 'valueSwap', ...
                          sprintf('%dx%d labels, FROM=(1:K)''', peer_side, peer_side), ...
                          @() valueSwap(L, from, lut), ...
                          {'lut(L)', @() lut(L); 'A + 1', @() L + 1; 'valueSwap(A, [], [])', @() no_pairs(L)}, ...
                          awkward)];
  Q = floor(rand(peer_side) * 6);
  T = rand(6, 1);
  rows = [rows, time_case(options.label, 'valueSwap', ...
                          sprintf('%dx%d values 0..5, 6 pairs', peer_side, peer_side), ...
                          @() valueSwap(Q, (0:5)', T), ...
                          {'T(Q + 1)', @() T(Q + 1); 'A + 1', @() Q + 1; 'valueSwap(A, [], [])', @() no_pairs(Q)}, ...
                          awkward)];
  clear A L lut from Q T variants no_pairs
end

if isempty(options.only) || strcmp(options.only, 'paint')
  rows = [rows, time_painters(options.label, options.quick, awkward)];
  if options.quick
    rows = [rows, time_picture_frame(options.label, frame_scene(1e4), 256, 3)];
  else
    rows = [rows, time_picture_frame(options.label, frame_scene(1e5), 1024, 12)];
  end
end

if ~isempty(options.table)
  write_rows(options.table, rows);
end
end

% --- The painters -------------------------------------------------------------

function rows = time_painters(label, quick, awkward)
% The demo's torus picture, its triangles far first and its text strokes,
% painted by the commands and by the example painters (each command's
% readable reference, vectorised host code) into a double picture; the
% depth order against the host's stable sort.
addpath(fullfile(fileparts(mfilename('fullpath')), '..', 'examples'));
width = 720;
grid = 200;
if quick
  width = 240;
  grid = 40;
end
result = korvel_demo('grid', grid, 'size', width, 'screen', 'torus', 'quiet', true, ...
                     'out', tempname());
screen = result.screens(1);
scene = result.scene;
view = struct('uMin', -1.05, 'vMax', 1.05, 'pixelsPerUnit', width / 2.1);
corner = [view.uMin, view.vMax, view.pixelsPerUnit];
canvas = 0.5 * ones(size(screen.picture));
uv = [-screen.screen(2, :); screen.screen(1, :)];
drawn = double(scene.faces(:, screen.drawList)) + 1;
size_label = sprintf('%dx%d demo', size(canvas, 2), size(canvas, 1));
% In place into a picture of its own (painting it again gives the same
% pixels): no copy of the picture in or out.
own = canvas + 0;
paint = @() korvelPaintTriangles(canvas, corner, uv, scene.faces, scene.colours, screen.drawList);
paint_own = @() paint_in_place(@korvelPaintTriangles, own, corner, uv, scene.faces, scene.colours, ...
                               screen.drawList);
rows = time_case(label, 'korvelPaintTriangles', size_label, paint, ...
                 {'korvel_paint_triangles', ...
                  @() korvel_paint_triangles(canvas, view, uv, drawn, scene.colours(screen.drawList, :)); ...
                  'command, in place', paint_own; ...
                  'command, in place, 1 thread', @() with_one_thread(paint_own)}, ...
                 awkward);
strokes = screen.strokes;
draw_own = @() paint_in_place(@korvelPaintStrokes, own, corner, strokes, [0.1 0.1 0.2], 3);
rows = [rows, time_case(label, 'korvelPaintStrokes', size_label, ...
                        @() korvelPaintStrokes(canvas, corner, strokes, [0.1 0.1 0.2], 3), ...
                        {'korvel_paint_lines', @() korvel_paint_lines(canvas, view, strokes, [0.1 0.1 0.2], 3); ...
                         'command, in place', draw_own}, ...
                        awkward)];
print_in_place(rows);
rows = [rows, time_png(label, size_label, screen.picture)];
distance = korvelRange(korvelToViewer(scene.points, [0; -50; 6], pi / 2));
flags = screen.flags;
rows = [rows, time_case(label, 'korvelDepthOrder', sprintf('T=%d demo', size(scene.faces, 2)), ...
                        @() korvelDepthOrder(scene.faces, distance, flags), ...
                        {'sort(mean, ''descend'')', @() host_depth_order(scene.faces, distance, flags)}, ...
                        awkward)];
end

function rows = time_png(label, size_label, picture)
% The demo's picture as a 16-bit PNG file: korvelEncodePng and a write
% against the host's image writer, at its default and at its fastest
% setting (Octave reads 'Quality' 11 as zlib level 1 and the Sub filter),
% alternating; 'pixels' when the files read back alike.
file = [tempname() '.png'];
host_file = [tempname() '.png'];
variants = {'command', @() write_png(file, korvelEncodePng(picture)); ...
            'command, 1 thread', @() with_one_thread(@() write_png(file, korvelEncodePng(picture)))};
if exist('OCTAVE_VERSION', 'builtin')
  variants(end + 1, :) = {'imwrite, Quality 11', @() host_png(host_file, picture, 'Quality', 11)};
end
variants(end + 1, :) = {'imwrite', @() host_png(host_file, picture)};
times = zeros(5, size(variants, 1));
for rep = 1:5
  for v = 1:size(variants, 1)
    times(rep, v) = time_once(variants{v, 2});
  end
end
variants{1, 2}();
same = isequal(imread(file), uint16(picture * 65535));
identical = {'no', 'pixels'};
rows = struct('label', {}, 'command', {}, 'size', {}, 'variant', {}, 'seconds', {}, 'reps', {}, ...
              'identical', {});
for v = 1:size(variants, 1)
  variants{v, 2}();
  rows(end + 1) = struct('label', label, 'command', 'korvelEncodePng', 'size', size_label, ...
                         'variant', variants{v, 1}, 'seconds', median(times(:, v)), 'reps', 5, ...
                         'identical', identical{1 + (v <= 2 || isequal(imread(host_file), imread(file)))}); %#ok<AGROW>
end
if ~same
  rows(1).identical = 'no';
end
fprintf('%-16s %-22s command %9.3f ms (1 thread %9.3f ms)  imwrite %9.3f ms  x%6.2f\n', ...
        'korvelEncodePng', size_label, 1e3 * rows(1).seconds, 1e3 * rows(2).seconds, ...
        1e3 * rows(end).seconds, rows(end).seconds / rows(1).seconds);
delete(file);
delete(host_file);
end

function count = write_png(file, bytes)
fid = fopen(file, 'w');
count = fwrite(fid, bytes);
fclose(fid);
end

function done = host_png(file, picture, varargin)
imwrite(uint16(picture * 65535), file, varargin{:});
done = true;
end

function picture = paint_in_place(command, picture, varargin)
% PICTURE painted by COMMAND's in-place form, its memory shared with the caller's.
command(picture, varargin{:});
end

function print_in_place(rows)
for r = find(strncmp({rows.variant}, 'command, in place', 17))
  fprintf('%-16s %-22s %-28s %9.3f ms\n', rows(r).command, rows(r).size, rows(r).variant, ...
          1e3 * rows(r).seconds);
end
end

function order = host_depth_order(faces, distance, flags)
shown = find(flags == 1);
[~, sorted] = sort(mean(reshape(distance(double(faces(:, shown)) + 1), 3, []), 1), 'descend');
order = shown(sorted);
end

function picture = picture_frame(scene, heading, canvas, corner)
% From the scene's points to its picture: the screen's x and y are the
% picture's u and v, the unit disc fills it.
V = korvelToViewer(scene.P, scene.position, heading);
S = torusScreenMex(V);
order = korvelDepthOrder(scene.F, korvelRange(V), korvelFaceShown(scene.F, S, scene.mask));
picture = korvelPaintTriangles(canvas, corner, S, scene.F, scene.colours, order);
end

function rows = time_picture_frame(label, scene, side, count)
% Every heading in turn into a uint8 and a double picture, each once per
% heading, as time_frame does; and the host's cost of a picture this size.
scene.colours = rand(size(scene.F, 2), 3);
corner = [-1, 1, side / 2];
bytes = zeros(side, side, 3, 'uint8');
doubles = zeros(side, side, 3);
headings = 0.1 + (0:count - 1) * 2 * pi / count;
runs = {'uint8 picture', @(h) picture_frame(scene, h, bytes, corner); ...
        'uint8 picture, 1 thread', @(h) picture_frame(scene, h, bytes, corner); ...
        'double picture', @(h) picture_frame(scene, h, doubles, corner); ...
        'zeros(H, W, 3)', @(h) zeros(side, side, 3); ...
        'zeros(H, W, 3, ''uint8'')', @(h) zeros(side, side, 3, 'uint8')};
for h = headings(1:min(2, count))  % the same pixels at one thread and two, in both classes
  one = with_one_thread(@() runs{2, 2}(h));
  if ~isequal(runs{1, 2}(h), one) || ~isequal(double(one), round(255 * runs{3, 2}(h)))
    error('bench_host:pictureFrame', 'the picture frame differs between threads or classes');
  end
end
[seconds, samples] = time_headings(runs, headings, count);
size_label = sprintf('N=%s %dx%d', power_label(size(scene.P, 2)), side, side);
rows = struct('label', {}, 'command', {}, 'size', {}, 'variant', {}, 'seconds', {}, ...
              'reps', {}, 'identical', {});
variants = {'command', 'command, 1 thread', 'command, double picture', runs{4, 1}, runs{5, 1}};
identical = {'bits', 'bits', 'no', 'no', 'no'};
for r = 1:size(runs, 1)
  rows(end + 1) = struct('label', label, 'command', 'picture frame', 'size', size_label, ...
                         'variant', variants{r}, 'seconds', seconds(r), 'reps', samples, ...
                         'identical', identical{r}); %#ok<AGROW>
end
fprintf(['%-16s %-22s uint8 %7.2f ms (%5.1f frames/s; 1 thread %7.2f ms, %5.1f frames/s)  ' ...
         'double %7.2f ms  (%d points, %d triangles, %d samples; zeros %.2f ms, uint8 zeros %.2f ms)\n'], ...
        'picture frame', size_label, 1e3 * seconds(1), 1 / seconds(1), 1e3 * seconds(2), ...
        1 / seconds(2), 1e3 * seconds(3), size(scene.P, 2), size(scene.F, 2), samples, ...
        1e3 * seconds(4), 1e3 * seconds(5));
end

function yes = load_image_package()
% Whether bwlabel is there (Octave: the image package, loaded here).
if is_octave()
  try
    pkg('load', 'image');
  catch
  end
end
yes = exist('bwlabel') > 0; %#ok<EXIST>
end

function A = peer_image(side, kind)
% Binary images of ones at density 0.5 and 0.59 (near the percolation
% threshold: a few huge regions), 8-by-8 tiles of 0 or 1, values 1..4.
switch kind
  case 'binary 0.5'
    A = double(rand(side) < 0.5);
  case 'binary 0.59'
    A = double(rand(side) < 0.59);
  case 'binary tiles'
    A = kron(double(rand(side / 8) < 0.5), ones(8));
  otherwise
    A = floor(rand(side) * 4) + 1;
end
end

% --- Cases: each command and its host variants on the same inputs ----------

function [run_command, variants] = point_case(command, P)
position = [0.75; -0; 0.25];
angle = 0.6;
switch command
  case 'korvelOffset'
    run_command = @() korvelOffset(P, position);
    variants = {'P - POS(:)', @() P - position(:); ...
                'bsxfun(@minus, P, POS(:))', @() bsxfun(@minus, P, position(:)); ...
                'rows into zeros(3,N)', @() host_offset_rows(P, position)};
  case 'korvelSpin'
    run_command = @() korvelSpin(P, angle);
    variants = {'rows into R = P', @() host_spin_rows(P, angle); ...
                'rows into zeros(3,N)', @() host_spin_zeros(P, angle); ...
                '[c -s 0; s c 0; 0 0 1] * P', @() host_spin_matrix(P, angle)};
  case 'korvelRange'
    run_command = @() korvelRange(P);
    variants = {'Q = P.*P; sqrt((Q(1,:)+Q(2,:))+Q(3,:))', @() host_range_rows(P); ...
                'sqrt(sum(P.*P, 1))', @() sqrt(sum(P .* P, 1)); ...
                'sqrt(sum(P.^2, 1))', @() sqrt(sum(P .^ 2, 1))};
  case 'torusScreenMex'
    run_command = @() torusScreenMex(P);
    variants = {'rows, logical clamps', @() host_torus(P)};
  case 'coneScreenMex'
    run_command = @() coneScreenMex(P);
    variants = {'rows, logical clamps', @() host_cone(P)};
end
end

function [run_command, variants] = faces_case(P)
% T = 2N triangles over the points' toroidal screen flags; nine in ten enabled.
n = size(P, 2);
S = torusScreenMex(P);
F = int32(floor(rand(3, 2 * n) * n));
mask = rand(1, 2 * n) < 0.9;
run_command = @() korvelFaceShown(F, S, mask);
variants = {'on(F+1), rows OR-ed', @() host_faces_rows(F, S, mask); ...
            'any(on(F+1), 1)', @() host_faces_any(F, S, mask)};
end

function [run_command, variants] = swap_case(A, from, to, with_loop)
run_command = @() valueSwap(A, from, to);
variants = {'unique + ismember', @() host_swap_ismember(A, from, to)};
if exist('lookup', 'builtin') || exist('lookup', 'file')  % Octave only
  variants = [variants; {'unique + lookup', @() host_swap_lookup(A, from, to)}];
end
if with_loop
  variants = [variants; {'loop over pairs', @() host_swap_loop(A, from, to)}];
end
end

function [run_command, variants] = labels_case(A)
run_command = @() plateauLabels(A);
variants = {'vectorized union-find', @() host_labels_union_find(A); ...
            'sparse graph + dmperm', @() host_labels_dmperm(A)};
end

% --- Timing -------------------------------------------------------------------

function rows = time_case(label, command, size_label, run_command, variants, awkward)
% Times the command and every host variant, alternating them within each
% repetition. Repetitions continue until the case has used about two seconds
% (at least three, at most fifteen); the first call of each, untimed, warms
% the plug-in load and the allocator.
reference = run_command();
run_one_thread = @() with_one_thread(run_command);
one_thread_verdict = compare_bits(reference, run_one_thread());
count = size(variants, 1);
verdicts = cell(1, count);
for v = 1:count
  verdicts{v} = compare_bits(reference, variants{v, 2}());
  key = [command '|' variants{v, 1}];
  if isKey(awkward, key)
    verdicts{v} = worse(verdicts{v}, awkward(key));
  end
end
clear reference
times = zeros(15, count + 2);
budget = 2;
started = tic;
reps = 0;
while reps < 3 || (reps < 15 && toc(started) < budget)
  reps = reps + 1;
  times(reps, 1) = time_once(run_command);
  times(reps, 2) = time_once_one_thread(run_command);
  for v = 1:count
    times(reps, v + 2) = time_once(variants{v, 2});
  end
end
rows = struct('label', label, 'command', command, 'size', size_label, 'variant', 'command', ...
              'seconds', median(times(1:reps, 1)), 'reps', reps, 'identical', 'bits');
rows(2) = struct('label', label, 'command', command, 'size', size_label, ...
                 'variant', 'command, 1 thread', 'seconds', median(times(1:reps, 2)), ...
                 'reps', reps, 'identical', one_thread_verdict);
for v = 1:count
  rows(end + 1) = struct('label', label, 'command', command, 'size', size_label, ...
                         'variant', variants{v, 1}, 'seconds', median(times(1:reps, v + 2)), ...
                         'reps', reps, 'identical', verdicts{v}); %#ok<AGROW>
end
best = best_host(rows);
fprintf(['%-16s %-22s command %9.3f ms (1 thread %9.3f ms, x%5.2f)  host %9.3f ms  x%6.2f' ...
         '  (%s)\n'], command, size_label, 1e3 * rows(1).seconds, 1e3 * rows(2).seconds, ...
        rows(2).seconds / rows(1).seconds, 1e3 * best.seconds, best.seconds / rows(1).seconds, ...
        best.variant);
end

function result = with_one_thread(run)
% The command with KORVEL_NUM_THREADS=1; the session's setting is put back.
previous = getenv('KORVEL_NUM_THREADS');
setenv('KORVEL_NUM_THREADS', '1');
result = run();
setenv('KORVEL_NUM_THREADS', previous);
end

function seconds = time_once_one_thread(run)
% As time_once, the thread count set outside the clock.
previous = getenv('KORVEL_NUM_THREADS');
setenv('KORVEL_NUM_THREADS', '1');
seconds = time_once(run);
setenv('KORVEL_NUM_THREADS', previous);
end

function seconds = time_once(run)
% The result is freed after the clock stops, on both sides alike.
started = tic;
result = run(); %#ok<NASGU>
seconds = toc(started);
clear result
end

function best = best_host(rows)
best = struct('seconds', inf, 'variant', 'none');
for r = 1:numel(rows)
  if strncmp(rows(r).variant, 'command', 7)
    continue
  end
  if ~strcmp(rows(r).identical, 'no') && rows(r).seconds < best.seconds
    best = rows(r);
  end
end
end

function verdict = compare_bits(expected, actual)
% 'bits' when every element has the same 64 bits; 'NaN payload' when they
% differ only inside NaNs; 'no' otherwise (or when class or shape differ).
verdict = 'no';
if ~strcmp(class(expected), class(actual)) || ~isequal(size(expected), size(actual))
  return
end
if ~isa(expected, 'double')
  if isequal(expected, actual), verdict = 'bits'; end
  return
end
a = typecast(expected(:), 'uint64');
b = typecast(actual(:), 'uint64');
if isequal(a, b)
  verdict = 'bits';
  return
end
both_nan = isnan(expected(:)) & isnan(actual(:));
if isequal(a(~both_nan), b(~both_nan)) && isequal(isnan(expected(:)), isnan(actual(:)))
  verdict = 'NaN payload';
end
end

% --- Inputs -------------------------------------------------------------------

function P = scene_points(n)
% Points around the viewer, spread so that every clamp of both projections
% occurs: heights from well below to well above the horizontal distances.
P = zeros(3, n);
P(1:2, :) = randn(2, n) * 10;
P(3, :) = randn(1, n) * 15;
end

function P = awkward_points()
% Signed zeros, infinities, NaNs, the z axis, the viewer's own position,
% huge and tiny coordinates.
special = [0 -0 1 -1 inf -inf nan 1e200 1e-200 3];
[x, y, z] = ndgrid(special, special, special);
P = [x(:)'; y(:)'; z(:)'];
end

function [A, from, to] = swap_inputs(side, pairs)
% Whole numbers 1..2L, so about half the elements match a pair; distinct
% from values, random to values.
A = floor(rand(side) * 2 * pairs) + 1;
from = randperm(2 * pairs, pairs)';
to = rand(pairs, 1);
end

function A = label_image(side, kind)
% 'random': values 1..4 drawn per element; 'tiles': one value 1..4 per
% 8-by-8 tile.
if strcmp(kind, 'random')
  A = floor(rand(side) * 4) + 1;
else
  tiles = floor(rand(side / 8) * 4) + 1;
  A = kron(tiles, ones(8));
end
end

% --- Checks on awkward values -----------------------------------------------

function check_awkward_values(awkward)
P = awkward_points();
for command = {'korvelOffset', 'korvelSpin', 'korvelRange', 'torusScreenMex', 'coneScreenMex'}
  [run_command, variants] = point_case(command{1}, P);
  check_variants(awkward, command{1}, run_command, variants);
end
for angle = [pi / 2, 0, -0, inf, nan]
  check_variants(awkward, 'korvelSpin', @() korvelSpin(P, angle), ...
                 {'rows into R = P', @() host_spin_rows(P, angle); ...
                  'rows into zeros(3,N)', @() host_spin_zeros(P, angle)});
end
[run_command, variants] = faces_case(P);
check_variants(awkward, 'korvelFaceShown', run_command, variants);
% No draw from rand here or in frame_scene: the later rows keep their inputs.
corners = reshape(mod((0:6 * size(P, 2) - 1) * 7, size(P, 2)), 3, []);
scene = frame_inputs(P, int32(corners), mod(1:size(corners, 2), 10) ~= 0);
for position = {[0; 0; 0], [-0; -0; -0], [1; NaN; -Inf], [Inf; -1e300; 1e-310]}
  scene.position = position{1};
  for heading = [0, -0, pi / 2, 1e22, nan, inf]
    check_frame(awkward, scene, heading);
  end
end

A = [0 -0 1 2 3 nan inf -inf 5 5 6];
from = [0; 1; 2; nan; inf; 5; 5; 1];
to = [-0; 2; 3; 7; -inf; 1; 2; nan];
[run_command, variants] = swap_case(A, from, to, true);
check_variants(awkward, 'valueSwap', run_command, variants);
[A, from, to] = swap_inputs(100, 300);
from(end - 40:end) = from(1:41);  % repeated from values: the last pair wins
[run_command, variants] = swap_case(A, from, to, true);
check_variants(awkward, 'valueSwap', run_command, variants);

cases = {[2 2 5 5 2], [7 3 7], [1 0; 0 1], [5 5; 7 5], [1 0 1; 1 0 1; 1 1 1], [nan; nan], ...
         [4 nan 4], [-0 0], [inf inf -inf -inf], zeros(0, 3), zeros(3, 0), 7, ...
         [1 1 1 1; 1 2 2 1; 1 2 1 1; 1 1 1 2], floor(rand(60, 70) * 3), ...
         kron(floor(rand(9, 7) * 2), ones(4, 5))};
% A spiral, whose one region must grow in every direction.
spiral = ones(15);
spiral(2:14, 2) = 0; spiral(14, 2:14) = 0; spiral(2:14, 14) = 0; spiral(2, 4:14) = 0;
spiral(4:12, 4) = 0; spiral(12, 4:12) = 0; spiral(4:12, 12) = 0; spiral(4, 6:12) = 0;
cases{end + 1} = spiral;
for k = 1:numel(cases)
  [run_command, variants] = labels_case(cases{k});
  check_variants(awkward, 'plateauLabels', run_command, variants);
end
end

function check_variants(awkward, command, run_command, variants)
expected = run_command();
for v = 1:size(variants, 1)
  report_check(awkward, command, variants{v, 1}, expected, variants{v, 2}());
end
end

function report_check(awkward, command, variant, expected, actual)
key = [command '|' variant];
verdict = compare_bits(expected, actual);
if isKey(awkward, key)
  verdict = worse(verdict, awkward(key));
end
awkward(key) = verdict;
end

function verdict = worse(a, b)
order = {'bits', 'NaN payload', 'no'};
verdict = order{max(find(strcmp(order, a)), find(strcmp(order, b)))};
end

% --- Host expressions: point commands -----------------------------------------

function R = host_offset_rows(P, position)
R = zeros(size(P));
R(1, :) = P(1, :) - position(1);
R(2, :) = P(2, :) - position(2);
R(3, :) = P(3, :) - position(3);
end

function R = host_spin_rows(P, angle)
% c and s as the command forms them: from the exactly negated angle.
c = cos(-angle);
s = sin(-angle);
x = P(1, :);
y = P(2, :);
R = P;
R(1, :) = x * c - y * s;
R(2, :) = x * s + y * c;
end

function R = host_spin_zeros(P, angle)
c = cos(-angle);
s = sin(-angle);
R = zeros(size(P));
R(1, :) = P(1, :) * c - P(2, :) * s;
R(2, :) = P(1, :) * s + P(2, :) * c;
R(3, :) = P(3, :);
end

function R = host_spin_matrix(P, angle)
% Not the same arithmetic: the product adds 0*z terms (NaN for an infinite
% z) and the library may fuse or reorder the sums.
c = cos(-angle);
s = sin(-angle);
R = [c -s 0; s c 0; 0 0 1] * P;
end

function D = host_range_rows(P)
Q = P .* P;
D = sqrt((Q(1, :) + Q(2, :)) + Q(3, :));
end

function S = host_torus(P)
x = P(1, :);
y = P(2, :);
rho = sqrt(x .* x + y .* y);
sigma = atan(P(3, :) ./ rho) * 0.4625 + 0.4929;
below = sigma < 0;
above = sigma > 1;  % a sigma below 0 is not above 1: the same as testing after the first clamp
sigma(below) = 0;
sigma(above) = 1;
S = zeros(size(P));
S(1, :) = (sigma .* x) ./ rho;
S(2, :) = (sigma .* y) ./ rho;
S(3, :) = ~(below | above);
end

function S = host_cone(P)
x = P(1, :);
y = P(2, :);
rho = sqrt(x .* x + y .* y);
ray = 1 ./ (rho * 2.0349 - P(3, :) * 0.98988);
rim = 1 ./ rho;
clamped = ray < 0 | ray > rim;
ray(clamped) = rim(clamped);
S = zeros(size(P));
S(1, :) = ray .* x;
S(2, :) = ray .* y;
S(3, :) = ~clamped;
end

function D = host_faces_rows(F, S, mask)
on = S(3, :) == 1;
corner = on(F + 1);
D = double(mask & (corner(1, :) | corner(2, :) | corner(3, :)));
end

function D = host_faces_any(F, S, mask)
on = S(3, :) == 1;
D = double(mask & any(on(F + 1), 1));
end

% --- The whole frame -----------------------------------------------------------

function scene = frame_scene(n)
% About n points: a ground grid of nine in ten over x, y in -100 .. 100 and
% 64 poles on a ring of radius 60, each a square prism of 4 corners a level,
% with two triangles a grid cell and two a prism side between levels. The
% viewer stands inside the ring, above the ground; nine in ten triangles are
% enabled.
side = round(sqrt(0.9 * n));
[X, Y] = meshgrid(linspace(-100, 100, side));
Z = 2.2 * sin(X / 11) .* cos(Y / 14) + 0.8 * sin((X + 2 * Y) / 6);
[r, c] = ndgrid(1:side - 1, 1:side - 1);
cell00 = r(:)' + (c(:)' - 1) * side;
faces = [cell00, cell00; cell00 + side, cell00 + side + 1; cell00 + side + 1, cell00 + 1];
poles = 64;
levels = max(2, round((n - side ^ 2) / (4 * poles)));
around = (0:poles - 1) * 2 * pi / poles;
cornerX = repmat(60 * cos(around), 4, 1) + repmat([-0.5; 0.5; 0.5; -0.5], 1, poles);
cornerY = repmat(60 * sin(around), 4, 1) + repmat([-0.5; -0.5; 0.5; 0.5], 1, poles);
heights = linspace(0, 30, levels);
P = [X(:)', repmat(cornerX(:)', 1, levels); Y(:)', repmat(cornerY(:)', 1, levels); ...
     Z(:)', kron(heights, ones(1, 4 * poles))];
% Corner k of pole p at level l is column side^2 + (l-1)*4*poles + (p-1)*4 + k.
[k, p, l] = ndgrid(1:4, 1:poles, 1:levels - 1);
low = side ^ 2 + (l(:)' - 1) * 4 * poles + (p(:)' - 1) * 4 + k(:)';
lowNext = low - k(:)' + mod(k(:)', 4) + 1;  % the next corner round the prism
high = low + 4 * poles;
highNext = lowNext + 4 * poles;
faces = [faces, [low, low; lowNext, highNext; highNext, high]];
scene = frame_inputs(P, int32(faces - 1), mod(1:size(faces, 2), 10) ~= 0);
scene.position = [0; -20; 5];
end

function scene = frame_inputs(P, F, mask)
% Each side's scene in the form it is best stored in: the point matrix and
% the zero-based int32 faces for the commands; x, y and z rows and one-based
% index rows for the plain frame.
scene = struct('P', P, 'F', F, 'mask', mask, 'X', P(1, :), 'Y', P(2, :), 'Z', P(3, :), ...
               'F1', double(F(1, :)) + 1, 'F2', double(F(2, :)) + 1, ...
               'F3', double(F(3, :)) + 1, 'position', [0; 0; 0]);
end

function out = frame_chain(scene, heading)
V = korvelToViewer(scene.P, scene.position, heading);
S = torusScreenMex(V);
out = {S, korvelFaceShown(scene.F, S, scene.mask), korvelRange(V)};
end

function out = frame_chain_two_steps(scene, heading)
V = korvelSpin(korvelOffset(scene.P, scene.position), heading);
S = torusScreenMex(V);
out = {S, korvelFaceShown(scene.F, S, scene.mask), korvelRange(V)};
end

function out = frame_plain(scene, heading)
% x, y and z as separate rows, no 3-by-N intermediate: the turned rows, the
% clamps by logical indexing, the squared horizontal distance shared by the
% projection and the range.
c = cos(-heading);
s = sin(-heading);
x = scene.X - scene.position(1);
y = scene.Y - scene.position(2);
z = scene.Z - scene.position(3);
u = x * c - y * s;
v = x * s + y * c;
q = u .* u + v .* v;
rho = sqrt(q);
sigma = atan(z ./ rho) * 0.4625 + 0.4929;
below = sigma < 0;
above = sigma > 1;
sigma(below) = 0;
sigma(above) = 1;
on = ~(below | above);
out = {(sigma .* u) ./ rho, (sigma .* v) ./ rho, on, ...
       scene.mask & (on(scene.F1) | on(scene.F2) | on(scene.F3)), sqrt(q + z .* z)};
end

function out = frame_as_commands(out)
% The plain frame's outputs in the commands' form, outside the clock.
out = {[out{1}; out{2}; double(out{3})], double(out{4}), out{5}};
end

function verdict = compare_frames(expected, actual)
verdict = 'bits';
for k = 1:numel(expected)
  verdict = worse(verdict, compare_bits(expected{k}, actual{k}));
end
end

function variants = frame_variants()
variants = {'plain rows, logical clamps', @frame_plain};
if is_octave()  % MATLAB has no += and the like
  variants = [variants; {'plain rows, updated in place', @bench_frame_in_place}];
end
end

function check_frame(awkward, scene, heading)
% Both chains and every plain frame against the viewer chain.
expected = frame_chain(scene, heading);
if ~strcmp(compare_frames(expected, frame_chain_two_steps(scene, heading)), 'bits')
  error('bench_host:frame', 'korvelToViewer differs from korvelOffset then korvelSpin');
end
variants = frame_variants();
for v = 1:size(variants, 1)
  key = ['frame|' variants{v, 1}];
  verdict = compare_frames(expected, frame_as_commands(variants{v, 2}(scene, heading)));
  if isKey(awkward, key)
    verdict = worse(verdict, awkward(key));
  end
  awkward(key) = verdict;
end
end

function [seconds, samples] = time_headings(runs, headings, count)
% Every run once per heading, the second one at 1 thread; passes over the
% headings continue until about three seconds are used (at least one pass,
% at most ten). Medians over every heading and pass.
times = zeros(10 * count, size(runs, 1));
samples = 0;
started = tic;
while samples == 0 || (samples < 10 * count && toc(started) < 3)
  for h = headings
    samples = samples + 1;
    for r = 1:size(runs, 1)
      if r == 2
        times(samples, r) = time_once_one_thread(@() runs{r, 2}(h));
      else
        times(samples, r) = time_once(@() runs{r, 2}(h));
      end
    end
  end
end
seconds = median(times(1:samples, :), 1);
end

function rows = time_frame(label, scene, count, awkward)
% Every heading in turn, each side once per heading; passes over the
% headings continue until the size has used about three seconds (at least
% one pass, at most ten). Medians over every heading and pass.
n = size(scene.P, 2);
size_label = sprintf('N=%s', power_label(n));
headings = 0.1 + (0:count - 1) * 2 * pi / count;
for h = headings(1:min(3, count))
  check_frame(awkward, scene, h);
end
variants = frame_variants();
P = scene.P;
runs = {'viewer chain', @(h) frame_chain(scene, h); ...
        'viewer chain, 1 thread', @(h) frame_chain(scene, h); ...
        'two-step chain', @(h) frame_chain_two_steps(scene, h)};
for v = 1:size(variants, 1)
  plain = variants{v, 2};
  runs(end + 1, :) = {variants{v, 1}, @(h) plain(scene, h)}; %#ok<AGROW>
end
runs = [runs; {'zeros(3,N)', @(h) zeros(3, n); 'P + 0', @(h) P + 0}];
[seconds, samples] = time_headings(runs, headings, count);
row_of = @(command, variant, t, identical) struct('label', label, 'command', command, ...
    'size', size_label, 'variant', variant, 'seconds', t, 'reps', samples, 'identical', identical);
rows = [row_of('frame', 'command', seconds(1), 'bits'), ...
        row_of('frame', 'command, 1 thread', seconds(2), 'bits')];
two_steps = row_of('frame, offset then spin', 'command', seconds(3), 'bits');
for v = 1:size(variants, 1)
  verdict = awkward(['frame|' variants{v, 1}]);
  rows(end + 1) = row_of('frame', variants{v, 1}, seconds(3 + v), verdict); %#ok<AGROW>
  two_steps(end + 1) = row_of('frame, offset then spin', variants{v, 1}, seconds(3 + v), verdict); %#ok<AGROW>
end
for r = size(runs, 1) - 1:size(runs, 1)
  rows(end + 1) = row_of('frame', runs{r, 1}, seconds(r), 'no'); %#ok<AGROW>
end
rows = [rows, two_steps];
best = best_host(rows);
% The fastest plain frame, and how it compares: only one with the
% commands' bits counts as their equal (the host's own arc tangent differs
% from the toolbox's correctly rounded one in the last bit here and there).
plain = sprintf('plain %9.3f ms  x%5.2f', 1e3 * best.seconds, best.seconds / seconds(1));
if isinf(best.seconds)
  plain = sprintf('plain %9.3f ms, not the same bits', 1e3 * min(seconds(4:3 + size(variants, 1))));
end
fprintf(['%-16s %-22s chain %9.3f ms (1 thread %9.3f, offset then spin %9.3f)  %s' ...
         '  (%d points, %d triangles, %d samples; zeros(3,N) %.3f ms, P + 0 %.3f ms)\n'], ...
        'frame', size_label, 1e3 * seconds(1), 1e3 * seconds(2), 1e3 * seconds(3), plain, ...
        n, size(scene.F, 2), samples, 1e3 * seconds(end - 1), 1e3 * seconds(end));
end

% --- Host expressions: value replacement ------------------------------------

function B = host_swap_loop(A, from, to)
% The literal rule: every pair in order, compared with the input, so the
% last matching pair wins and replacements never chain.
B = A;
for k = 1:size(from, 1)
  B(A == from(k, 1)) = to(k);
end
end

function B = host_swap_ismember(A, from, to)
[keys, last] = unique(from(:, 1), 'last');  % NaN keys stay but match nothing
[hit, where] = ismember(A, keys);
B = A;
B(hit) = to(last(where(hit)));
end

function B = host_swap_lookup(A, from, to)
[keys, last] = unique(from(:, 1), 'last');
finite = ~isnan(keys);  % lookup needs a sorted table without NaNs
keys = keys(finite);
last = last(finite);
B = A;
if isempty(keys)
  return
end
where = lookup(keys, A);  % index of the largest key <= A, 0 below the first
hit = where > 0;
candidate = keys(where(hit));
hit(hit) = candidate(:) == reshape(A(hit), [], 1);
B(hit) = to(last(where(hit)));
end

% --- Host expressions: region labelling -------------------------------------

function [run, joined_left, joined_right] = vertical_runs(A)
% Numbers the vertical runs of equal values (a new run starts at row 1 and
% wherever an element differs from the one above; a NaN always starts one)
% in column-major order, and lists the pairs of runs that touch sideways
% with equal values, without repeating a pair seen on the row above.
[m, n] = size(A);
starts = true(m, n);
starts(2:end, :) = A(2:end, :) ~= A(1:end - 1, :);
run = reshape(cumsum(starts(:)), m, n);
equal_right = A(:, 1:end - 1) == A(:, 2:end);
left = run(:, 1:end - 1);
right = run(:, 2:end);
joined_left = reshape(left(equal_right), [], 1);
joined_right = reshape(right(equal_right), [], 1);
fresh = [true; diff(joined_left) ~= 0 | diff(joined_right) ~= 0];
fresh = fresh(1:numel(joined_left));  % no pair at all: nothing to keep
joined_left = joined_left(fresh);
joined_right = joined_right(fresh);
end

function L = labels_from_roots(run, root)
% Each run's root is the smallest run number of its region, so numbering the
% roots in order numbers the regions by their first elements.
is_root = root == (1:numel(root))';
region = cumsum(is_root);
L = zeros(size(run));
L(:) = region(root(run(:)));
end

function L = host_labels_union_find(A)
% Union-find on the vertical runs, all edges at once: each round hooks every
% root that touches a smaller root onto one of them, then pointer jumping
% points every run straight at its root.
if isempty(A)
  L = zeros(size(A));
  return
end
[run, a, b] = vertical_runs(A);
count = run(end);
root = (1:count)';
while ~isempty(a)
  ra = root(a);
  rb = root(b);
  open = ra ~= rb;
  a = a(open);
  b = b(open);
  if isempty(a)
    break
  end
  high = max(ra(open), rb(open));
  low = min(ra(open), rb(open));
  root(high) = low;  % a repeated root keeps one hook; the others wait a round
  while true
    jumped = root(root);
    if isequal(jumped, root)
      break
    end
    root = jumped;
  end
end
L = labels_from_roots(run, root);
end

function L = host_labels_dmperm(A)
% Connected components of the run graph from the host's sparse
% block-triangular decomposition: for a symmetric pattern with a full
% diagonal its blocks are the components.
if isempty(A)
  L = zeros(size(A));
  return
end
[run, a, b] = vertical_runs(A);
count = run(end);
self = (1:count)';
graph = sparse([a; b; self], [b; a; self], 1, count, count);
[p, ~, r] = dmperm(graph);
block_start = zeros(count, 1);
block_start(r(1:end - 1)) = 1;
block = zeros(count, 1);
block(p) = cumsum(block_start);
% The root of each run: the smallest run number of its block.
smallest = accumarray(block, self, [], @min);
root = smallest(block);
L = labels_from_roots(run, root);
end

% --- Output -------------------------------------------------------------------

function write_rows(file, rows)
% Tab-separated: the variant names hold commas.
out = fopen(file, 'w');
tab = char(9);
fprintf(out, '%s\n', strjoin({'label', 'command', 'size', 'variant', 'seconds', 'reps', ...
                              'identical'}, tab));
for r = 1:numel(rows)
  fprintf(out, '%s\n', strjoin({rows(r).label, rows(r).command, rows(r).size, rows(r).variant, ...
                                sprintf('%.9g', rows(r).seconds), sprintf('%d', rows(r).reps), ...
                                rows(r).identical}, tab));
end
fclose(out);
end

function text = power_label(n)
text = sprintf('10^%d', round(log10(n)));
end

function yes = is_octave()
yes = exist('OCTAVE_VERSION', 'builtin') ~= 0;
end
