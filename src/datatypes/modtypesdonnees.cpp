#include "modtypesdonnees.h"

#include "platform/runtimeerror.h"

#include <array>

namespace modTypesDonnées {

namespace {

std::array<DataType, deviceTypeCount> deviceTypes{};

bool isTableIndex(std::int16_t index) {
    return index >= 0 && index < deviceTypeCount;
}

// Each defined code's name and size in bytes, in the order of the codes.
struct TypeFacts {
    const char* name;
    std::int16_t size;
};
constexpr std::array<TypeFacts, typeReal8 + 1> typeFacts{{
    {"Bool", 1}, // typeBool: one byte, as Int1
    {"Int1", 1},
    {"Int2", 2},
    {"Int4", 4},
    {"Real4", 4},
    {"Real8", 8},
}};

// None for every code outside 0 to 5 ("Inconnu", size 1).
const TypeFacts* factsOf(DataType code) {
    if (code < typeBool || code > typeReal8)
        return nullptr;
    return &typeFacts[static_cast<std::size_t>(code)];
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
    const TypeFacts* type = factsOf(code);
    return type ? QString::fromLatin1(type->name) : QStringLiteral("Inconnu");
}

std::int16_t DataTypeSize(DataType code) {
    const TypeFacts* type = factsOf(code);
    return type ? type->size : std::int16_t{1};
}

} // namespace modTypesDonnées
