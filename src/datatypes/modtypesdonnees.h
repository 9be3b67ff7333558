// Sensor data types: each code's name and size, and the per-sensor type table.
#pragma once

#include <QString>

#include <cstdint>

// moc reads the headers a Qt class includes and cannot parse an accented
// namespace name; it needs nothing from here.
#ifndef Q_MOC_RUN

namespace modTypesDonnées {

// A sensor's data-type code, always compared as a whole 32-bit value.
using DataType = std::int32_t;

inline constexpr DataType typeBool = 0;
inline constexpr DataType typeInt1 = 1;
inline constexpr DataType typeInt2 = 2;
inline constexpr DataType typeInt4 = 3;
inline constexpr DataType typeReal4 = 4;
inline constexpr DataType typeReal8 = 5;
inline constexpr DataType typeNotSet = -1;

// The table remembers the types of sensors 0 to 31: the program's sensor limit.
inline constexpr std::int16_t deviceTypeCount = 32;

// Every entry back to -1.
void InitDeviceTypes();
// Raises the index error for an index outside 0..31.
void SetDeviceType(std::int16_t index, DataType code);
// -1 for index -1; raises the index error outside -1..31.
DataType GetDeviceType(std::int16_t index);

QString DataTypeName(DataType code);
std::int16_t DataTypeSize(DataType code);

} // namespace modTypesDonnées

#endif
