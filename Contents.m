% korvel: compiled numeric kernels for MATLAB and GNU Octave.
%
% Point transforms
%   korvelOffset     - Points relative to a position.
%   korvelSpin       - Points turned about the z axis by minus an angle.
%   korvelRange      - Distance of every point from the origin.
%
% Screen projections
%   torusScreenMex   - Points projected onto a toroidal screen.
%   coneScreenMex    - Points projected onto a conical screen.
%
% Scene building
%   korvelFaceShown  - Draw flag of every triangle from its corners' visibility.
%   korvelStrokeText - Append the strokes of one character to stroke buffers, in place.
%
% Array utilities
%   plateauLabels    - Number the flat regions of a matrix.
%   valueSwap        - Replace values through from/to pairs.
%   korvelDataPtr    - Where an array's data lies in memory.
%   pelvaDataPtr     - Where an array's data lies in memory.
%
% Each command's help tells its inputs, errors and an example:
% help korvelOffset. BSD 3-Clause licence, Copyright (c) 2026, the korvel
% authors.
