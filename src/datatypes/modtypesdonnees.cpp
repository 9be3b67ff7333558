#include "modtypesdonnees.h"

#include "platform/runtimeerror.h"

#include <array>

namespace modTypesDonnées {

namespace {

std::array<DataType, deviceTypeCount> deviceTypes{};

bool isTableIndex(std::int16_t index) {
    return index >= 0 && index < deviceTypeCount;
}

} // namespace

void InitDeviceTypes() {
    for (std::int16_t i = 0; i < deviceTypeCount; ++i)
        SetDeviceType(i, typeNotSet);
}

void SetDeviceType(std::int16_t index, DataType code) {
    if (!isTableIndex(index))
        platform::raise(platform::ErrorNumber::IndexOutOfRange);
    deviceTypes[static_cast<std::size_t>(index)] = code;
}

DataType GetDeviceType(std::int16_t index) {
    if (index == -1)
        return typeNotSet;
    if (!isTableIndex(index))
        platform::raise(platform::ErrorNumber::IndexOutOfRange);
    return deviceTypes[static_cast<std::size_t>(index)];
}

QString DataTypeName(DataType code) {
    switch (code) {
    case typeBool:
        return QStringLiteral("Bool");
    case typeInt1:
        return QStringLiteral("Int1");
    case typeInt2:
        return QStringLiteral("Int2");
    case typeInt4:
        return QStringLiteral("Int4");
    case typeReal4:
        return QStringLiteral("Real4");
    case typeReal8:
        return QStringLiteral("Real8");
    default:
        return QStringLiteral("Inconnu");
    }
}

std::int16_t DataTypeSize(DataType code) {
    switch (code) {
    case typeInt2:
        return 2;
    case typeInt4:
    case typeReal4:
        return 4;
    case typeReal8:
        return 8;
    default: // Bool, Int1 and every unknown code
        return 1;
    }
}

} // namespace modTypesDonnées
