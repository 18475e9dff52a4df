%KORVELENCODEPNG  A picture as the bytes of a PNG file.
%   B = KORVELENCODEPNG(P) returns, as a 1-by-N uint8 row, the bytes of a
%   PNG file that holds the picture P; write them with FWRITE. The file
%   decodes to P's pixels exactly:
%
%   P   H-by-W-by-3 (RGB) or H-by-W (grey), at least one pixel:
%       double   16 bits a sample, each round(65535 * value) clamped to
%                0 .. 65535, round going half away from zero and NaN giving
%                0, as uint16(P * 65535) converts
%       uint16   16 bits a sample, as they are
%       uint8    8 bits a sample, as they are
%
%   The encoding is the same on every machine and at every thread count,
%   so a picture always gives the same bytes: each row filtered by its left
%   neighbour (PNG's Sub filter) and compressed with deflate in pieces of
%   about 256 KiB, each with Huffman codes of its own and written as one
%   IDAT chunk; large pictures are compressed by several threads. It is
%   made for speed, not for the smallest file: an image writer at its
%   strongest setting writes smaller files of the same pixels.
%
%   Errors (identifier: when):
%     korvelEncodePng:notEnoughInputs  no input
%     korvelEncodePng:tooManyOutputs   more than one output requested
%     korvelEncodePng:badClass         P not a real double, uint8 or uint16
%                                      array
%     korvelEncodePng:badSize          P not H-by-W or H-by-W-by-3, or
%                                      without pixels
%     korvelEncodePng:tooLarge         P with a side of 2^31 or more or a
%                                      row of 2^30 bytes or more (a width
%                                      beyond about 178 million RGB
%                                      16-bit pixels), or its file beyond
%                                      the memory this host gives
%
%   Example: a 2-by-3 picture, red to blue, written and read back
%     P = cat(3, [1 0.5 0; 1 0.5 0], zeros(2, 3), [0 0.5 1; 0 0.5 1]);
%     B = korvelEncodePng(P);
%     file = [tempname() '.png'];
%     fid = fopen(file, 'w'); fwrite(fid, B); fclose(fid);
%     isequal(imread(file), uint16(P * 65535))
%     delete(file);
%
%   See also KORVELPAINTTRIANGLES, KORVELPAINTSTROKES, FWRITE.
