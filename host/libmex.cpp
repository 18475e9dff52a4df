// The stand-in for the host's plug-in library, libmex: the mex* calls a
// plug-in makes, apart from the array operations of libmx. Here that is the
// error call, which formats the message and ends the command through libmx.
#define STANDIN_BUILDING_LIBMEX 1
#include "standin.h"

#include <cstdarg>
#include <cstdio>

extern "C" void mexErrMsgIdAndTxt(const char *identifier, const char *format, ...) {
  char message[STANDIN_MESSAGE_CAPACITY];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(message, sizeof message, format, arguments);
  va_end(arguments);
  standinRaise(identifier, message);
}
