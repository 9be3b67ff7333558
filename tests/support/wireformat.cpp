#include "wireformat.h"

#include <bit>

QByteArray real4Bytes(float value) {
    return littleEndian(std::bit_cast<std::uint32_t>(value));
}

QByteArray real8Bytes(double value) {
    return littleEndian(std::bit_cast<std::uint64_t>(value));
}
