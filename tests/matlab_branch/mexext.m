function ext = mexext ()
% Stand-in: MATLAB's extension on 64-bit Linux.
  ext = 'mexa64';
end
