#include "modtypesdonnees.h"

#include "platform/runtimeerror.h"

#include <array>

namespace modTypesDonnées {

namespace {

std::array<DataType, DeviceTypeCount> deviceTypes{};

bool isTableIndex(std::int16_t index) {
    return index >= 0 && index < DeviceTypeCount;
}

} // namespace

void InitDeviceTypes() {
    for (std::int16_t i = 0; i < DeviceTypeCount; ++i)
        SetDeviceType(i, TypeNotSet);
}

void SetDeviceType(std::int16_t index, DataType code) {
    if (!isTableIndex(index))
        platform::raise(platform::ErrorNumber::IndexOutOfRange);
    deviceTypes[static_cast<std::size_t>(index)] = code;
}

DataType GetDeviceType(std::int16_t index) {
    if (index == -1)
        return TypeNotSet;
    if (!isTableIndex(index))
        platform::raise(platform::ErrorNumber::IndexOutOfRange);
    return deviceTypes[static_cast<std::size_t>(index)];
}

QString DataTypeName(DataType code) {
    switch (code) {
    case TypeBool:
        return QStringLiteral("Bool");
    case TypeInt1:
        return QStringLiteral("Int1");
    case TypeInt2:
        return QStringLiteral("Int2");
    case TypeInt4:
        return QStringLiteral("Int4");
    case TypeReal4:
        return QStringLiteral("Real4");
    case TypeReal8:
        return QStringLiteral("Real8");
    default:
        return QStringLiteral("Inconnu");
    }
}

std::int16_t DataTypeSize(DataType code) {
    switch (code) {
    case TypeInt2:
        return 2;
    case TypeInt4:
    case TypeReal4:
        return 4;
    case TypeReal8:
        return 8;
    default: // Bool, Int1 and every unknown code
        return 1;
    }
}

} // namespace modTypesDonnées
