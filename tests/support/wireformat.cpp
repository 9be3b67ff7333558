#include "wireformat.h"

#include <bit>
#include <cstddef>
#include <type_traits>

namespace {

// The bytes of an unsigned value, least significant first, whatever the
// host's order.
template <typename Unsigned> QByteArray littleEndian(Unsigned bits) {
    static_assert(std::is_unsigned_v<Unsigned>);
    QByteArray bytes;
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i)
        bytes.append(static_cast<char>((bits >> (8 * i)) & 0xFFU));
    return bytes;
}

} // namespace

QByteArray real4Bytes(float value) {
    return littleEndian(std::bit_cast<std::uint32_t>(value));
}

QByteArray real8Bytes(double value) {
    return littleEndian(std::bit_cast<std::uint64_t>(value));
}
