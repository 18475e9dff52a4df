function write_text (fid, text)
%WRITE_TEXT  Write a string in korvel_run's format: u32 length, then bytes.
  fwrite (fid, numel (text), 'uint32');
  fwrite (fid, text, 'char');
end
