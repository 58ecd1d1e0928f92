#pragma once
// Rounding for reports.

namespace Ulvo {

// Rounds x to the given number of decimal places, halves away from zero (2.5 -> 3,
// -2.5 -> -3). A negative count is taken as 0; a value too large to scale is returned as is.
double roundToDecimals(double x, int decimals);

} // namespace Ulvo
