// Element decoding for the program. Raw buffers come straight from the module,
// so every value is assembled byte by byte: no alignment or host byte order is
// assumed.
#include "tarvox.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace {

// The module sends IEEE 754 values; reinterpreting their bits is only right on
// hosts whose floating-point types are IEEE 754 too.
static_assert(std::numeric_limits<float>::is_iec559 && sizeof(float) == 4);
static_assert(std::numeric_limits<double>::is_iec559 && sizeof(double) == 8);

// Little-endian unsigned value of the first sizeof(Unsigned) bytes.
template <typename Unsigned> Unsigned loadLittleEndian(const uint8_t* bytes) {
    Unsigned value = 0;
    for (std::size_t i = sizeof(Unsigned); i-- > 0;) {
        value = static_cast<Unsigned>((value << 8U) | bytes[i]);
    }
    return value;
}

} // namespace

extern "C" SOLVANE_EXPORT int16_t SOLVANE_CALL Tarvox_ToBOOL(const uint8_t* element) {
    return element[0] != 0 ? int16_t{-1} : int16_t{0};
}

extern "C" SOLVANE_EXPORT uint8_t SOLVANE_CALL Tarvox_ToINT1(const uint8_t* element) {
    return element[0];
}

extern "C" SOLVANE_EXPORT int16_t SOLVANE_CALL Tarvox_ToINT2(const uint8_t* element) {
    // C++20 defines unsigned-to-signed conversion as two's complement.
    return static_cast<int16_t>(loadLittleEndian<uint16_t>(element));
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL Tarvox_ToINT4(const uint8_t* element) {
    return static_cast<int32_t>(loadLittleEndian<uint32_t>(element));
}

extern "C" SOLVANE_EXPORT float SOLVANE_CALL Tarvox_ToREAL4(const uint8_t* element) {
    return std::bit_cast<float>(loadLittleEndian<uint32_t>(element));
}

extern "C" SOLVANE_EXPORT double SOLVANE_CALL Tarvox_ToREAL8(const uint8_t* element) {
    return std::bit_cast<double>(loadLittleEndian<uint64_t>(element));
}
