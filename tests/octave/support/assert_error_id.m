function assert_error_id (identifier, command, varargin)
%ASSERT_ERROR_ID  Raise an error unless COMMAND(VARARGIN{:}) raises IDENTIFIER.
%   The message must not be empty; Octave puts the command's name in front.
  try
    command (varargin{:});
  catch err
    if ~strcmp (err.identifier, identifier)
      error ('assert_error_id:wrong', 'expected error %s, got %s: %s', identifier, ...
             err.identifier, err.message);
    end
    name = regexprep (func2str (command), '^@', '');
    prefix = [name ': '];
    if numel (err.message) <= numel (prefix) || ~strncmp (err.message, prefix, numel (prefix))
      error ('assert_error_id:message', 'message of %s does not start with "%s": %s', ...
             identifier, prefix, err.message);
    end
    return;
  end
  error ('assert_error_id:none', 'expected error %s, but the call returned', identifier);
end
