// What the window and the agent read of the module alike, so that a rule is
// changed in one place: the counts held in 16 bits, a sensor's description,
// the names decoded from the library's buffer, and a sensor's data with the
// bytes of its count that lie within the buffer.
#pragma once

#include "datatypes/modtypesdonnees.h"
#include "quelbinlibrary.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>

namespace quelbin {

// The library's sensor and command counts held in 16 bits. A count outside
// -32768..32767 is clamped, so that it is compared and stored like any other
// and a list that follows it is rebuilt once, not on every tick.
std::int16_t deviceCount();
std::int16_t commandCount();

// A sensor as getDevice describes it. The buffer starts as zero bytes and the
// type as not set, so that a sensor the library cannot read never shows the
// previous sensor's; `described` is the library's answer.
struct DeviceDescription {
    NameBuffer name{};
    modTypesDonnées::DataType type = modTypesDonnées::typeNotSet;
    bool described = false;
};
DeviceDescription describeDevice(std::int16_t index);

// A sensor's latest data, as getRawDataInfo and then getRawData give them.
struct RawReading {
    std::int32_t header = 0;
    std::int32_t byteCount = 0; // as the library gives it
    RawBuffer data{};

    // The bytes of the count that lie within the buffer: a count above 128
    // is cut to the buffer, a negative count reads as none.
    std::int32_t bytesWithin() const;
};
RawReading readRaw(std::int16_t index);

// The name the library wrote: its bytes up to the first zero byte, decoded in
// the system's ANSI code page (Windows-1252 outside Windows).
QString nameText(const NameBuffer& name);

// The length of the bytes up to their first zero byte (all of them if none).
std::size_t lengthToFirstZero(std::span<const char> bytes);

} // namespace quelbin
