#include "modtypesdonnees.h"

#include "platform/runtimeerror.h"
#include "typefacts.h"

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

// Every code outside 0 to 5 is "Inconnu", of size 1.
QString DataTypeName(DataType code) {
    const solvane::TypeFacts* type = solvane::typeFacts(code);
    return type ? QString::fromLatin1(type->name) : QStringLiteral("Inconnu");
}

std::int16_t DataTypeSize(DataType code) {
    const solvane::TypeFacts* type = solvane::typeFacts(code);
    return type ? type->size : std::int16_t{1};
}

} // namespace modTypesDonnées
