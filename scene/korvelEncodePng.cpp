// korvelEncodePng: a picture as the bytes of a PNG file, B = korvelEncodePng(P).
#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/errors.h"
#include "png_encode.h"

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  const gateway::Call call =
      gateway::startCall({"korvelEncodePng", "B = korvelEncodePng(P)", 1, 1}, nlhs, plhs, nrhs, prhs);
  const korvel::PngSource source = gateway::pngSource(call, 0, "P");
  // The file's size is known once it is compressed: the encoding holds its
  // pieces while the output is created, and is released before any error of
  // this command's (a host that cannot create the output leaves it behind).
  korvel::PngEncoding encoding;
  if (!korvel::startPngEncoding(source, 0, encoding))
    gateway::failPngTooLarge(call, "P", source.height, source.width);
  if (!gateway::creatable(1, encoding.size)) {
    korvel::releasePngEncoding(encoding);
    gateway::failPngTooLarge(call, "P", source.height, source.width);
  }
  std::uint8_t *bytes = gateway::createBytes(call, encoding.size);
  korvel::finishPngEncoding(encoding, bytes);
}
