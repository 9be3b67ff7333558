// What Solvane's calls read: whether the device is open, its sensors and
// their latest data. The acquisition thread writes it, the calls read it,
// both under one lock held only for copies, so that no call waits on the
// device.
#pragma once

#include "channelhistory.h"

#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace solvane::sigrok {

enum class DataType : std::int32_t { Bool = 0, Real4 = 4 };

struct SensorInfo {
    std::string name;
    DataType type = DataType::Bool;
};

class ModuleState {
public:
    bool connected() const;
    std::int32_t sensorCount() const;
    // Writes the name (ended by a zero byte, cut to `nameSize` - 1 bytes)
    // and the type code; false for an index that names no sensor.
    bool describe(std::int32_t index, char* name, std::size_t nameSize,
                  std::int32_t& dataType) const;
    // getRawDataInfo: takes the sensor's data as they are now, for the next
    // deliver(); header and byte count 0 for an index that names no sensor.
    void take(std::int32_t index, std::int32_t& header, std::int32_t& byteCount);
    // getRawData: the bytes of the last take() (taken afresh if none is
    // pending); returns how many were written.
    std::size_t deliver(std::int32_t index, std::uint8_t* data);

    // The acquisition thread's side. An open device has at least one sensor:
    // the module reads as connected while it has sensors.
    void connect(std::vector<SensorInfo> sensors);
    void disconnect();
    // Runs `change` on the sensors' histories, indexed like the sensors.
    template <typename Change> void update(Change&& change) {
        std::lock_guard lock(m_mutex);
        change(std::span<ChannelHistory>(m_histories));
    }

private:
    struct Taken {
        RawBytes bytes{};
        std::size_t size = 0;
        bool pending = false;
    };
    bool valid(std::int32_t index) const;
    // Sensor `i`'s data as they are now, pending delivery.
    Taken snapshot(std::size_t i) const;

    mutable std::mutex m_mutex;
    std::vector<SensorInfo> m_sensors;
    std::vector<ChannelHistory> m_histories;
    std::vector<Taken> m_taken;
};

} // namespace solvane::sigrok
