// Small numeric helpers of the view: every double that becomes a screen or map integer goes
// through these, so a far-off point saturates instead of wrapping (a double outside the int32
// range has no defined conversion).
#pragma once

#include <cmath>
#include <cstdint>

namespace view {

// Truncation toward zero into int32, saturating at both ends; NaN gives 0.
inline int32_t TruncSat(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return int32_t(v);
}

// An int64 clamped into int32.
inline int32_t ClampI32(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return int32_t(v);
}

// |a| / 2 of an int64 sum, as the screen-centre formulas halve after the absolute value.
inline int32_t HalfAbs(int64_t v) { return ClampI32((v < 0 ? -v : v) / 2); }

}  // namespace view
