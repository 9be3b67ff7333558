// Fixed-width integer arithmetic with the program's overflow rules: results
// outside the target width either raise the overflow error or saturate.
#pragma once

#include <cstdint>

namespace fixedWidth {

// The value as 16 bits; outside -32768..32767 raises the overflow error.
std::int16_t toInt16(std::int64_t value);

// The value as 16 bits, clamped to -32768..32767.
std::int16_t saturateToInt16(std::int64_t value);

// 32-bit sum; a result outside the 32-bit range raises the overflow error.
std::int32_t checkedAdd32(std::int32_t a, std::int32_t b);

// 32-bit product; a result outside the 32-bit range raises the overflow error.
std::int32_t checkedMul32(std::int32_t a, std::int32_t b);

} // namespace fixedWidth
