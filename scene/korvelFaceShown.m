%KORVELFACESHOWN  Draw flag of every triangle from its corners' visibility.
%   D = KORVELFACESHOWN(F, S, MASK) returns 1 for each triangle that MASK
%   enables and that has at least one corner on the screen, and 0 for every
%   other triangle.
%
%   F     3-by-T int32 matrix, one triangle per column; each entry is a
%         zero-based column index into S: 0 is the first point, S(:, 1).
%         Faces numbered from 1, as PATCH takes them, go in as int32(F1 - 1).
%   S     3-by-N real double screen matrix, as TORUSSCREENMEX and
%         CONESCREENMEX return it; only row 3, the visibility flag, is read.
%   MASK  logical, uint8 or int8 array with at least T elements, any shape;
%         element t enables triangle t only when its byte is exactly 1
%         (true). Any other byte (0, 2, 255, int8(-1)) disables it.
%   D     1-by-T double row of 0 and 1.
%
%   The corners of an enabled triangle are tested in the order of the rows
%   of F, and the first whose flag equals 1.0 exactly decides: a flag of 0,
%   0.5, 2, NaN or any value near but not equal to 1 does not count. The
%   corners after the first passing one, and all corners of a disabled
%   triangle, are never read, so they may hold any value.
%
%   Errors (identifier: when):
%     korvelFaceShown:notEnoughInputs  fewer than 3 inputs
%     korvelFaceShown:tooManyOutputs   more than one output requested
%     korvelFaceShown:badClass         F not int32; S not real double; MASK
%                                      not logical, uint8 or int8
%     korvelFaceShown:badSize          F or S without exactly 3 rows; MASK
%                                      with fewer than T elements
%     korvelFaceShown:badIndex         a corner that is read lies outside
%                                      0 .. size(S, 2) - 1
%     korvelFaceShown:tooLarge         F too large to create D (2^31 or more columns),
%                                      only where the host's sizes are 32-bit, as
%                                      in MATLAB with -compatibleArrayDims
%
%   Example: four points, the last too high for the screen (flag 0); the
%   first triangle has corners 0, 1, 2 (points 1 to 3), the second only
%   corner 3 (point 4)
%     S = torusScreenMex([1 0 0 1; 0 1 -1 0; 0 0 0 50])
%     F = int32([0 3; 1 3; 2 3]);
%     D = korvelFaceShown(F, S, true(1, 2))        % [1 0]
%
%   See also TORUSSCREENMEX, CONESCREENMEX, KORVELRANGE.
