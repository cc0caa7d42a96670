#include "model/status_params.h"

#include <cmath>
#include <limits>

namespace quendel {

int PercentOf(double Part, double Whole) {
  if (!(Whole > 0)) return 0;
  const double P = std::nearbyint(Part / Whole * 100.0);
  if (!std::isfinite(P) || P > std::numeric_limits<int>::max() ||
      P < std::numeric_limits<int>::min())
    return 0;
  return static_cast<int>(P);
}

} // namespace quendel
