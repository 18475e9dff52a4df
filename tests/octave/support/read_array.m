function array = read_array (fid)
%READ_ARRAY  Read one array in korvel_run's array format.
%   An empty output slot (class 'none') reads as []. The format is
%   described in tests/support/case_runner.cpp: a matrix's column count, or
%   the mark of more dimensions and then those after the first.
  name = read_text (fid);
  rows = fread (fid, 1, 'uint64');
  columns = fread (fid, 1, 'uint64=>uint64');
  if columns == intmax ('uint64')
    dims = [rows, fread(fid, [1, fread(fid, 1, 'uint32')], 'uint64')];
  else
    dims = [rows, double(columns)];
  end
  count = prod (dims);
  switch name
    case 'none'
      array = [];
      return;
    case 'double'
      array = typecast (fread (fid, count, 'uint64=>uint64'), 'double');
    case 'logical'
      array = fread (fid, count, 'uint8=>logical');
    case 'char'
      array = char (fread (fid, count, 'uint16'));
    otherwise
      array = fread (fid, count, [name '=>' name]);
  end
  array = reshape (array, dims);
end
