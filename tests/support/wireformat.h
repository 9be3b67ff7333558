// Values as the acquisition library hands them over: data-type codes and
// little-endian bytes. Written out here, not taken from the program, so that
// a wrong code or byte order in the program shows in the tests.
#pragma once

#include <QByteArray>

#include <cstdint>

namespace typeCode {
inline constexpr std::int32_t Bool = 0;
inline constexpr std::int32_t Int1 = 1;
inline constexpr std::int32_t Int2 = 2;
inline constexpr std::int32_t Int4 = 3;
inline constexpr std::int32_t Real4 = 4;
inline constexpr std::int32_t Real8 = 5;
inline constexpr std::int32_t NotSet = -1;
} // namespace typeCode

QByteArray real4Bytes(float value);
QByteArray real8Bytes(double value);
