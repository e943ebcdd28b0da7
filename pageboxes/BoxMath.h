// Box arithmetic on 16.16 fixed coordinates: sums, differences and sizes are
// worked out in 64 bits and saturate at the fixed type's limits instead of
// wrapping, so boxes far out on a page (or beyond what the type holds) are
// shown and moved without overflow.
#pragma once
#include <cmath>
#include <cstdint>

#include "host/astypes.h"

inline bool InFixedRange(int64_t raw) { return raw >= INT32_MIN && raw <= INT32_MAX; }

inline ASFixed SaturatedFixed(int64_t raw) {
  if (raw > INT32_MAX) return ASFixedMax;
  if (raw < INT32_MIN) return ASFixedMin;
  return static_cast<ASFixed>(raw);
}

// A real number of units as raw 16.16, rounded to the nearest; NaN reads as 0.
inline int64_t RawFixed(double value) {
  const double scaled = std::nearbyint(value * 65536.0);
  if (std::isnan(scaled)) return 0;
  // Far beyond either limit stays beyond it, with room to add coordinates.
  const double far = 4.0e18;
  return static_cast<int64_t>(std::fmax(-far, std::fmin(far, scaled)));
}

inline ASFixed FixedSpan(ASFixed from, ASFixed to) { return SaturatedFixed(int64_t{to} - from); }
inline ASFixed WidthOf(const ASFixedRect& r) { return FixedSpan(r.left, r.right); }
inline ASFixed HeightOf(const ASFixedRect& r) { return FixedSpan(r.bottom, r.top); }

// The rectangle moved by (dx, dy), each edge saturating.
inline ASFixedRect ShiftedRect(ASFixedRect r, int64_t dx, int64_t dy) {
  r.left = SaturatedFixed(r.left + dx);
  r.right = SaturatedFixed(r.right + dx);
  r.top = SaturatedFixed(r.top + dy);
  r.bottom = SaturatedFixed(r.bottom + dy);
  return r;
}
