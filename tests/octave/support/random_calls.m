function calls = random_calls (command, count, seed)
%RANDOM_CALLS  COUNT random calls of COMMAND, the same for the same SEED.
%   A struct array with fields command, nlhs and inputs, as WRITE_CASES
%   takes it. Values mix ordinary numbers of many magnitudes with NaN,
%   infinities and signed zeros; about one call in eight breaks the
%   command's contract (shape, class, index), so that the errors are
%   compared too.
  rand ('twister', seed);
  randn ('twister', seed);
  calls = struct ('command', cell (1, count), 'nlhs', 1, 'inputs', {{}});
  for c = 1:count
    calls(c).command = command;
    broken = rand () < 0.125;
    switch command
      case 'korvelOffset'
        calls(c).inputs = {points(broken), values(1, randi ([3 5]))};
        if rand () < 0.5
          calls(c).inputs{2} = calls(c).inputs{2}(:);
        end
      case 'korvelSpin'
        angles = [pi/2, pi, -pi/4, 0, -0, 2*pi, 1e6, NaN, Inf];
        theta = angles(randi (numel (angles)));
        if rand () < 0.5
          theta = values (1, 1) / 10;
        end
        calls(c).inputs = {points(broken), [theta values(1, randi ([0 2]))]};
      case {'korvelRange', 'torusScreenMex', 'coneScreenMex'}
        calls(c).inputs = {points(broken)};
      case 'korvelFaceShown'
        calls(c).inputs = faces (broken);
      case 'korvelStrokeText'
        calls(c).inputs = strokes (broken);
        calls(c).nlhs = 0;
      case 'plateauLabels'
        calls(c).inputs = {pick(randi ([0 6]), randi ([0 7]))};
      case 'valueSwap'
        pairs = randi ([0 4]);
        from = pick (pairs, 1 + (rand () < 0.2));
        to = pick (1, pairs + broken * (pairs > 0) * -1);
        calls(c).inputs = {pick(randi ([0 5]), randi ([0 6])), from, to};
      otherwise
        error ('random_calls:command', 'no random calls for %s', command);
    end
    if broken && rand () < 0.3
      calls(c).inputs{1} = single (calls(c).inputs{1});
    end
  end
end

% n-by-m doubles: ordinary numbers of many magnitudes, some special values.
function v = values (n, m)
  special = [NaN, Inf, -Inf, 0, -0, 1, -1, 4.9e-324, 1e300, -1e-300];
  v = randn (n, m) .* 10 .^ randi ([-3 3], n, m);
  unusual = rand (n, m) < 0.1;
  v(unusual) = special(randi (numel (special), nnz (unusual), 1));
end

% n-by-m doubles from a few values, so that equal neighbours are common.
function v = pick (n, m)
  pool = [1, 2, 2.5, NaN, 0, -0, Inf, -Inf];
  v = pool(randi (numel (pool), n, m));
  v = reshape (v, n, m);
end

% A point matrix; rows other than 3 when the call is to break the contract.
function p = points (broken)
  rows = 3;
  if broken
    rows = randi ([0 4]);
  end
  n = randi ([0 8]);
  p = values (rows, n);
  % Points on the z axis and on the screens' rims.
  if rows == 3 && n > 0 && rand () < 0.3
    p(1:2, randi (n)) = 0;
  end
end

function inputs = faces (broken)
  m = randi ([1 6]);
  t = randi ([0 6]);
  flagPool = [0, 1, 1, 0.5, NaN, 1 + eps, 2];
  screen = values (3, m);
  screen(3, :) = flagPool(randi (numel (flagPool), 1, m));
  f = int32 (randi ([0 m-1], 3, t));
  maskPool = uint8 ([0 1 1 1 2 255]);
  mask = maskPool(randi (numel (maskPool), 1, t));
  if rand () < 0.5
    mask = logical (mask);
  end
  if broken && t > 0
    f(randi (numel (f))) = int32 (m * (rand () < 0.5) - (rand () < 0.5));
  end
  inputs = {f, screen, mask};
end

function inputs = strokes (broken)
  g = randi ([1 5]);
  k = randi ([0 5]);
  counters = [0, 1, 2, 2.5, 0.75];
  n = counters(randi (numel (counters)));
  columns = floor (n) + k + randi ([0 2]);
  if broken
    columns = max (0, columns - randi ([1 2]));
  end
  table = values (4, g);
  codes = 1 + floor (rand (1, k) * g * 10) / 10;
  if broken && k > 0 && rand () < 0.5
    codes(randi (k)) = (g + 1) * (rand () < 0.5);
  end
  inputs = {values(4, columns), values(6, columns), n, table, codes, values(1, 1), ...
            values(1, 2), randi([1 4]), values(1, 3)};
end
