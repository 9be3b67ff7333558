#include "modulereading.h"

#include "datatypes/fixedwidth.h"
#include "platform/native.h"

#include <algorithm>

namespace quelbin {

std::int16_t deviceCount() {
    return fixedWidth::saturateToInt16(getNbDevices());
}

std::int16_t commandCount() {
    return fixedWidth::saturateToInt16(getNbCommands());
}

DeviceDescription describeDevice(std::int16_t index) {
    DeviceDescription device;
    device.described = getDevice(index, device.name, device.type) != 0;
    return device;
}

std::int32_t RawReading::bytesWithin() const {
    return std::clamp<std::int32_t>(byteCount, 0, static_cast<std::int32_t>(data.size()));
}

RawReading readRaw(std::int16_t index) {
    RawReading raw;
    getRawDataInfo(index, raw.header, raw.byteCount);
    getRawData(index, raw.data);
    return raw;
}

QString nameText(const NameBuffer& name) {
    return platform::decodeAnsi({name.data(), lengthToFirstZero(name)});
}

std::size_t lengthToFirstZero(std::span<const char> bytes) {
    return static_cast<std::size_t>(std::find(bytes.begin(), bytes.end(), '\0') - bytes.begin());
}

} // namespace quelbin
