function assert_bits (actual, expected)
%ASSERT_BITS  Raise an error unless ACTUAL and EXPECTED hold the same doubles.
%   Same class (double), same size, and the same 64 bits in every element,
%   except that any NaN equals any NaN. The error names the first element
%   that differs and shows both values in hex. Cells of arrays are compared
%   array by array.
  if iscell (expected)
    if ~iscell (actual) || numel (actual) ~= numel (expected)
      error ('assert_bits:size', 'expected a cell of %d arrays', numel (expected));
    end
    for k = 1:numel (expected)
      try
        assert_bits (actual{k}, expected{k});
      catch err
        error (err.identifier, 'array %d: %s', k, err.message);
      end
    end
    return;
  end
  if ~isa (actual, 'double') || ~isreal (actual) || issparse (actual)
    error ('assert_bits:class', 'expected a real full double array, got a %s one', class (actual));
  end
  if ~isequal (size (actual), size (expected))
    error ('assert_bits:size', 'expected a %s array, got a %s one', ...
           size_text (size (expected)), size_text (size (actual)));
  end
  expected = double (expected);
  a = typecast (actual(:), 'uint64');
  e = typecast (expected(:), 'uint64');
  differs = a ~= e & ~(isnan (actual(:)) & isnan (expected(:)));
  first = find (differs, 1);
  if ~isempty (first)
    error ('assert_bits:bits', ['%d of %d elements differ; the first, element %d: ' ...
           'got %s (%s), expected %s (%s)'], nnz (differs), numel (differs), first, ...
           num2hex (actual(first)), num2str (actual(first), 17), ...
           num2hex (expected(first)), num2str (expected(first), 17));
  end
end

function text = size_text (sizes)
  text = sprintf ('%dx', sizes);
  text = text(1:end-1);
end
