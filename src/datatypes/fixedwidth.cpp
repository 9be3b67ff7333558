#include "fixedwidth.h"

#include "platform/runtimeerror.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace fixedWidth {

namespace {

template <typename T> T checkedNarrow(std::int64_t value) {
    if (!std::in_range<T>(value))
        platform::raise(platform::ErrorNumber::Overflow);
    return static_cast<T>(value);
}

} // namespace

std::int16_t toInt16(std::int64_t value) {
    return checkedNarrow<std::int16_t>(value);
}

std::int16_t saturateToInt16(std::int64_t value) {
    using L = std::numeric_limits<std::int16_t>;
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(value, L::min(), L::max()));
}

std::int32_t checkedAdd32(std::int32_t a, std::int32_t b) {
    return checkedNarrow<std::int32_t>(std::int64_t{a} + b);
}

std::int32_t checkedMul32(std::int32_t a, std::int32_t b) {
    return checkedNarrow<std::int32_t>(std::int64_t{a} * b);
}

} // namespace fixedWidth
