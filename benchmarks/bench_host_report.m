function bench_host_report(markdown_file, chart_file, varargin)
%BENCH_HOST_REPORT  Table and chart of the speed-ups that BENCH_HOST measured.
%   BENCH_HOST_REPORT(MARKDOWN_FILE, CHART_FILE, TABLE1, TABLE2, ...) reads
%   the tab-separated tables that BENCH_HOST wrote, one per run (each run
%   labelled, e.g. by its allocator setting), and writes a markdown table of
%   every case with the speed-up of each run (fastest host expression with
%   the command's result, divided by the command's time) and the target it
%   is held to, and a PNG bar chart of the speed-ups. The target is judged
%   on the last run given. A threads column gives, for the last run, the
%   command at 1 thread and at the default thread count, and the ratio
%   (1 thread time / default time). Either file name may be '' to skip it.
%
%   Runs in GNU Octave and MATLAB.
%
%   See also BENCH_HOST.

runs = cell(1, numel(varargin));
for k = 1:numel(varargin)
  runs{k} = read_rows(varargin{k});
end
cases = unique_cases(runs{1});
labels = cellfun(@(run) run(1).label, runs, 'UniformOutput', false);

speedups = nan(numel(cases), numel(runs));
lines = {};
header = '| Command | Input | Fastest host expression with the same result |';
rule = '|---|---|---|';
for k = 1:numel(runs)
  header = sprintf('%s %s: command / host ms | %s: speed-up |', header, labels{k}, labels{k});
  rule = [rule '---:|---:|']; %#ok<AGROW>
end
header = sprintf('%s threads, %s: 1 thread / default ms | Target |', header, labels{end});
rule = [rule '---:|---|'];
lines{end + 1} = sprintf(['Default thread count: every core, %d here; the threads column is ' ...
                          'the command at KORVEL_NUM_THREADS=1 against it.'], core_count());
lines{end + 1} = '';
lines{end + 1} = header;
lines{end + 1} = rule;
for c = 1:numel(cases)
  line = '';
  for k = 1:numel(runs)
    [command, host] = case_rows(runs{k}, cases{c});
    speedups(c, k) = host.seconds / command.seconds;
    if k == 1
      name = host.variant;
      if strcmp(host.identical, 'NaN payload')
        name = [name ' (NaN payloads differ)']; %#ok<AGROW>
      end
      line = sprintf('| `%s` | %s | %s |', command.command, command.size, name);
    end
    line = sprintf('%s %s / %s | %.2f |', line, milliseconds(command.seconds), ...
                   milliseconds(host.seconds), speedups(c, k));
  end
  [command, ~, one_thread] = case_rows(runs{end}, cases{c});
  if isempty(one_thread)
    line = [line ' — |']; %#ok<AGROW>
  else
    line = sprintf('%s %s / %s = %.2f |', line, milliseconds(one_thread.seconds), ...
                   milliseconds(command.seconds), one_thread.seconds / command.seconds);
  end
  [target, met] = judge(cases{c}, speedups(c, end));
  if ~isempty(target)
    if met
      target = [target ' met']; %#ok<AGROW>
    else
      target = [target ' **missed**']; %#ok<AGROW>
    end
  end
  lines{end + 1} = sprintf('%s %s |', line, target); %#ok<AGROW>
end
lines = [lines, frame_lines(runs, labels), flatness_lines(runs, labels), ...
         peer_lines(runs{end}, labels{end})];

text = sprintf('%s\n', lines{:});
fprintf('%s', text);
if ~isempty(markdown_file)
  out = fopen(markdown_file, 'w');
  fprintf(out, '%s', text);
  fclose(out);
end
if ~isempty(chart_file)
  draw_chart(chart_file, cases, speedups, labels);
end
end

% --- Reading ------------------------------------------------------------------

function rows = read_rows(file)
tab = char(9);
in = fopen(file, 'r');
if in < 0
  error('bench_host_report:noFile', 'cannot read %s', file);
end
fgetl(in);  % header
rows = struct('label', {}, 'command', {}, 'size', {}, 'variant', {}, 'seconds', {}, ...
              'reps', {}, 'identical', {});
line = fgetl(in);
while ischar(line)
  field = strsplit(line, tab);
  rows(end + 1) = struct('label', field{1}, 'command', field{2}, 'size', field{3}, ...
                         'variant', field{4}, 'seconds', str2double(field{5}), ...
                         'reps', str2double(field{6}), 'identical', field{7}); %#ok<AGROW>
  line = fgetl(in);
end
fclose(in);
end

function cases = unique_cases(rows)
cases = {};
for r = 1:numel(rows)
  key = {rows(r).command, rows(r).size};
  if isempty(cases) || ~any(cellfun(@(c) isequal(c, key), cases))
    cases{end + 1} = key; %#ok<AGROW>
  end
end
end

function [command, host, one_thread] = case_rows(rows, key)
% The command's row, the fastest host row whose result was the same, and the
% command's row at 1 thread (empty in tables from before it was timed).
command = [];
one_thread = [];
host = struct('seconds', nan, 'variant', 'none', 'identical', 'no');
for r = 1:numel(rows)
  if ~strcmp(rows(r).command, key{1}) || ~strcmp(rows(r).size, key{2})
    continue
  end
  if strcmp(rows(r).variant, 'command')
    command = rows(r);
  elseif strcmp(rows(r).variant, 'command, 1 thread')
    one_thread = rows(r);
  elseif ~strcmp(rows(r).identical, 'no') && ~(rows(r).seconds >= host.seconds)
    host = rows(r);
  end
end
end

% --- Targets ------------------------------------------------------------------

function [target, met] = judge(key, speedup)
% The speed-ups the commands are held to, at the sizes they are held at.
targets = {'korvelOffset', 'N=10^6', 1.5; 'korvelSpin', 'N=10^6', 2; ...
           'korvelRange', 'N=10^6', 1.2; 'torusScreenMex', 'N=10^6', 4; ...
           'coneScreenMex', 'N=10^6', 2; 'korvelFaceShown', 'T=2*10^6', 1.5; ...
           'frame', 'N=10^5', 2; 'frame', 'N=10^6', 2; 'valueSwap', '', 1; 'plateauLabels', '', 10};
target = '';
met = false;
for t = 1:size(targets, 1)
  if strcmp(key{1}, targets{t, 1}) && (isempty(targets{t, 2}) || strcmp(key{2}, targets{t, 2}))
    if targets{t, 3} == 1
      target = '> 1';
      met = speedup > 1;
    else
      target = sprintf('>= %g', targets{t, 3});
      met = speedup >= targets{t, 3};
    end
  end
end
end

function lines = frame_lines(runs, labels)
% The whole frame in each run: both chains against the fastest plain frame,
% and the host's cost of one 3-by-N result beside them.
lines = {};
for k = 1:numel(runs)
  rows = runs{k};
  for c = unique_cases(rows)
    key = c{1};
    if ~strcmp(key{1}, 'frame')
      continue
    end
    if isempty(lines)
      lines = {'', ['| Frame | N | chain ms | chain, 1 thread | offset then spin | plain ms | ' ...
                    'plain / chain | plain / offset then spin | zeros(3,N) ms | P + 0 ms |'], ...
               '|---|---|---:|---:|---:|---:|---:|---:|---:|---:|'};
    end
    [command, host, one_thread] = case_rows(rows, key);
    [two_steps, ~] = case_rows(rows, {'frame, offset then spin', key{2}});
    zero = rows(strcmp({rows.command}, 'frame') & strcmp({rows.size}, key{2}) & ...
                strcmp({rows.variant}, 'zeros(3,N)'));
    copy = rows(strcmp({rows.command}, 'frame') & strcmp({rows.size}, key{2}) & ...
                strcmp({rows.variant}, 'P + 0'));
    lines{end + 1} = sprintf('| %s | %s | %s | %s | %s | %s | %.2f | %.2f | %s | %s |', labels{k}, ...
                             key{2}, milliseconds(command.seconds), ...
                             milliseconds(one_thread.seconds), milliseconds(two_steps.seconds), ...
                             milliseconds(host.seconds), host.seconds / command.seconds, ...
                             host.seconds / two_steps.seconds, milliseconds(zero.seconds), ...
                             milliseconds(copy.seconds)); %#ok<AGROW>
  end
end
end

function lines = flatness_lines(runs, labels)
% plateauLabels' time per element at each size, which should stay flat.
sides = [256 1024 2048 4096];
lines = {'', ['| `plateauLabels` ns per element |' sprintf(' %dx%d |', [sides; sides])], ...
         ['|---|' repmat('---:|', 1, numel(sides))]};
for k = 1:numel(runs)
  for kind = {'random', 'tiles'}
    line = sprintf('| %s, %s |', labels{k}, kind{1});
    for side = sides
      [command, ~] = case_rows(runs{k}, {'plateauLabels', sprintf('%dx%d %s', side, side, kind{1})});
      if isempty(command)
        line = [line ' — |']; %#ok<AGROW>
      else
        line = sprintf('%s %.1f |', line, 1e9 * command.seconds / side ^ 2);
      end
    end
    lines{end + 1} = line; %#ok<AGROW>
  end
end
end

function count = core_count()
if exist('OCTAVE_VERSION', 'builtin')
  count = nproc();
else
  count = feature('numcores');
end
end

function text = milliseconds(seconds)
if seconds >= 0.1
  text = sprintf('%.0f', 1e3 * seconds);
elseif seconds >= 0.001
  text = sprintf('%.2f', 1e3 * seconds);
else
  text = sprintf('%.3f', 1e3 * seconds);
end
end

% --- Chart --------------------------------------------------------------------

function draw_chart(file, cases, speedups, labels)
% Horizontal bars of log10(speed-up), so that 2x faster and 2x slower are
% the same length on either side of "as fast".
names = cellfun(@(c) strrep(sprintf('%s %s', c{1}, c{2}), '10^', '1e'), cases, ...
                'UniformOutput', false);
count = numel(cases);
figure_handle = figure('visible', 'off');
bars = barh(log10(flipud(speedups)), 'grouped');
colours = [0.55 0.70 0.90; 0.10 0.35 0.70];
for k = 1:numel(bars)
  set(bars(k), 'FaceColor', colours(min(k, size(colours, 1)), :), 'EdgeColor', 'none');
end
ticks = [0.25 0.5 1 2 5 10 20 50];
set(gca, 'YTick', 1:count, 'YTickLabel', fliplr(names), 'XTick', log10(ticks), ...
         'XTickLabel', arrayfun(@(t) sprintf('%gx', t), ticks, 'UniformOutput', false), ...
         'FontSize', 8);
xlim(log10([0.2 60]));
ylim([0.4 count + 0.6]);
grid on
hold on
plot([0 0], [0.4 count + 0.6], 'k-');
hold off
xlabel('speed-up: host expression time / command time (log scale)');
legend(bars, labels, 'Location', 'southeast');
title('Commands against the fastest vectorized host code (GNU Octave)');
if exist('OCTAVE_VERSION', 'builtin')
  print(figure_handle, file, '-dpng', '-S820,980');
else
  set(figure_handle, 'PaperUnits', 'inches', 'PaperPosition', [0 0 8.2 9.8]);
  print(figure_handle, file, '-dpng', '-r100');
end
close(figure_handle);
end

function lines = peer_lines(rows, label)
% Every case that has rows with another result (the image package's bwlabel,
% A + 1): the command at 1 thread and by default beside each host row, in
% ns per element, from the last run.
lines = {};
for c = unique_cases(rows)
  key = c{1};
  [command, ~, one_thread] = case_rows(rows, key);
  others = rows(strcmp({rows.command}, key{1}) & strcmp({rows.size}, key{2}) & ...
                ~strncmp({rows.variant}, 'command', 7));
  side = regexp(key{2}, '^(\d+)x(\d+)', 'tokens', 'once');
  if isempty(one_thread) || isempty(side) || ~any(strcmp({others.identical}, 'no'))
    continue
  end
  if isempty(lines)
    lines = {'', sprintf(['Peers, %s run, ns per element (ms): the command at 1 thread and by ' ...
                          'default, each host row beside it; rows marked other result ' ...
                          'compute something else.'], label), '', ...
             '| Command | Input | 1 thread | default | host row | host / 1 thread |', ...
             '|---|---|---:|---:|---|---:|'};
  end
  elements = str2double(side{1}) * str2double(side{2});
  for r = 1:numel(others)
    what = others(r).variant;
    if strcmp(others(r).identical, 'no')
      what = [what ' (other result)']; %#ok<AGROW>
    end
    lines{end + 1} = sprintf('| `%s` | %s | %s | %s | %s: %s | %.2f |', key{1}, key{2}, ...
                             per_element(one_thread.seconds, elements), ...
                             per_element(command.seconds, elements), what, ...
                             per_element(others(r).seconds, elements), ...
                             others(r).seconds / one_thread.seconds); %#ok<AGROW>
  end
end
end

function text = per_element(seconds, elements)
text = sprintf('%.2f (%.1f)', 1e9 * seconds / elements, 1e3 * seconds);
end
