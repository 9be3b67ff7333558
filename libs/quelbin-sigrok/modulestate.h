// What Solvane's calls read: whether the device is open, its sensors and
// their latest data. The acquisition thread writes the live state; a poll
// (getNbAcqui, first call of every tick) takes a copy of it that the other
// calls answer from until the next poll, so that one tick sees one state of
// the module, never a device lost half-way through. Both sides hold their
// lock only for copies: no call waits on the device.
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
    // Takes the module as it is now; returns whether it is connected.
    bool poll();

    // From the last poll:
    std::int32_t sensorCount() const;
    // Writes the name (ended by a zero byte, cut to `nameSize` - 1 bytes)
    // and the type code; false for an index that names no sensor.
    bool describe(std::int32_t index, char* name, std::size_t nameSize,
                  std::int32_t& dataType) const;
    // Header and byte count of the sensor's data; 0 and 0 for an index that
    // names no sensor.
    void rawInfo(std::int32_t index, std::int32_t& header, std::int32_t& byteCount) const;
    // Writes the sensor's bytes; returns how many.
    std::size_t rawData(std::int32_t index, std::uint8_t* data) const;

    // The acquisition thread's side. An open device has at least one sensor:
    // the module reads as connected while it has sensors.
    void connect(std::vector<SensorInfo> sensors);
    void disconnect();
    // Runs `change` on the sensors' histories, indexed like the sensors.
    template <typename Change> void update(Change&& change) {
        std::lock_guard lock(m_mutex);
        change(std::span<ChannelHistory>(m_live.histories));
    }

private:
    struct Module {
        std::vector<SensorInfo> sensors;
        std::vector<ChannelHistory> histories;
    };
    const ChannelHistory* polledHistory(std::int32_t index) const;

    std::mutex m_mutex;
    Module m_live;

    mutable std::mutex m_polledMutex;
    Module m_polled;
};

} // namespace solvane::sigrok
