#include "ui/dpi_scale.h"

int32_t clampDpi(int32_t dpi) { return dpi < kBaseDpi ? kBaseDpi : dpi; }

int32_t scaleLength(int32_t value, int32_t dpi) {
  const int64_t product = int64_t(value) * dpi;
  const int64_t half = kBaseDpi / 2;
  const int64_t rounded = product >= 0 ? (product + half) / kBaseDpi : (product - half) / kBaseDpi;
  return int32_t(rounded);
}
