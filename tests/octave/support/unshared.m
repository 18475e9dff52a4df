function copy = unshared (array)
%UNSHARED  A copy of ARRAY whose data no other variable shares.
%   A command that writes into its inputs in place would, in Octave, also
%   change every variable that shares their data.
  if islogical (array)
    copy = false (size (array));
  elseif ischar (array)
    copy = char (zeros (size (array)));
  else
    copy = zeros (size (array), class (array));
  end
  copy(:) = array(:);
end
