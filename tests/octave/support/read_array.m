function array = read_array (fid)
%READ_ARRAY  Read one matrix in korvel_run's array format.
%   An empty output slot (class 'none') reads as []. The format is
%   described in tests/support/case_runner.cpp.
  name = read_text (fid);
  rows = fread (fid, 1, 'uint64');
  columns = fread (fid, 1, 'uint64');
  switch name
    case 'none'
      array = [];
      return;
    case 'double'
      array = typecast (fread (fid, rows * columns, 'uint64=>uint64'), 'double');
    case 'logical'
      array = fread (fid, rows * columns, 'uint8=>logical');
    case 'char'
      array = char (fread (fid, rows * columns, 'uint16'));
    otherwise
      array = fread (fid, rows * columns, [name '=>' name]);
  end
  array = reshape (array, rows, columns);
end
