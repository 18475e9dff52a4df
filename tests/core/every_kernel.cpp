// Every kernel of the core called once, compiled with no host include folder
// on the path: what this object leaves undefined is all the core needs from
// the system (check_core_symbols.cmake lists it and holds it to the C
// library's).
#include <cstdint>

#include "../../arrays/data_address.h"
#include "../../arrays/plateau_labels.h"
#include "../../arrays/value_swap.h"
#include "../../core/overlap.h"
#include "../../projections/cone_screen.h"
#include "../../projections/torus_screen.h"
#include "../../scene/face_shown.h"
#include "../../scene/stroke_text.h"
#include "../../transforms/offset.h"
#include "../../transforms/range.h"
#include "../../transforms/spin.h"
#include "../../transforms/to_viewer.h"

// Not called: it only has to make the compiler emit every kernel.
extern "C" double korvelEveryKernel(const double *in, double *out, korvel::Count n,
                                    const std::int32_t *faces, const unsigned char *mask,
                                    unsigned threads) {
  korvel::offset(in, n, in, out, threads);
  korvel::spin(in, n, 0.5, out, threads);
  korvel::toViewer(in, n, in, 0.5, out, threads);
  korvel::pointRanges(in, n, out, threads);
  korvel::torusScreen(in, n, korvel::kFixedTorusScreen, out, threads);
  korvel::coneScreen(in, n, korvel::kFixedConeScreen, out, threads);
  double sum = korvel::torusScreenFault(korvel::kFixedTorusScreen).value +
               korvel::coneScreenFault(korvel::kFixedConeScreen).value;
  sum += korvel::faceShown(faces, n, in, n, mask, out, threads).value;
  sum += korvel::strokeTextFault(in[0], in, n, n, n, n).value;
  sum += korvel::strokeText(out, out, in[0], in, in, n, 1.0, in, 0.0, in);
  korvel::PlateauOptions options;
  options.threads = threads;
  sum += static_cast<double>(korvel::plateauLabels(in, n, n, out, options));
  korvel::valueSwap(in, n, in, in, n, out, threads);
  sum += korvel::overlapping(in, n, out, n) ? 1 : 0;
  return sum + korvel::lowAddressBits(in);
}
