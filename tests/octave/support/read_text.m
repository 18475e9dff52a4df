function text = read_text (fid)
%READ_TEXT  Read a string in korvel_run's format: u32 length, then bytes.
  text = fread (fid, [1 fread(fid, 1, 'uint32')], 'char=>char');
  if isempty (text)
    text = '';
  end
end
