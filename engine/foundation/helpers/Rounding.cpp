#include "foundation/helpers/Rounding.h"

#include <cmath>

namespace Ulvo {

double roundToDecimals(double x, int decimals)
{
    // A negative count would give a factor of 0 and divide by it.
    if (decimals < 0)
        decimals = 0;
    // Kept in double rather than an integer type: 10^10 and beyond must not overflow.
    const double factor = std::trunc(std::pow(10.0, decimals));
    const double scaled = x * factor;
    if (!std::isfinite(scaled) || !std::isfinite(factor))
        return x;
    if (x >= 0.0)
        return std::floor(scaled + 0.5) / factor;
    return std::ceil(scaled - 0.5) / factor;
}

} // namespace Ulvo
