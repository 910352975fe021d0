#pragma once

#include <cstdint>

#include "crypto/edwards25519.h"

// Signed sliding-window digits of a scalar below 2^253: every non-zero digit
// is odd and below 2^(width-1) in magnitude, and non-zero digits are at least
// `width` positions apart. Public scalars only (variable time).
void slidingWindowDigits(int8_t digits[256], const uint8_t* scalar, int width);

// [a]P + [b]B for scalars below 2^253. Variable time: public inputs only.
void doubleScalarMultVartime(PointExtended& r, const uint8_t* a, const PointExtended& p, const uint8_t* b);
