#include "modulestate.h"

#include <algorithm>
#include <cstring>

namespace solvane::sigrok {

bool ModuleState::valid(std::int32_t index) const {
    return index >= 0 && static_cast<std::size_t>(index) < m_sensors.size();
}

ModuleState::Taken ModuleState::snapshot(std::size_t i) const {
    return Taken{m_histories[i].bytes(), m_histories[i].byteCount(), true};
}

bool ModuleState::connected() const {
    std::lock_guard lock(m_mutex);
    return !m_sensors.empty();
}

std::int32_t ModuleState::sensorCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<std::int32_t>(m_sensors.size());
}

bool ModuleState::describe(std::int32_t index, char* name, std::size_t nameSize,
                           std::int32_t& dataType) const {
    std::lock_guard lock(m_mutex);
    if (!valid(index) || nameSize == 0)
        return false;
    const SensorInfo& sensor = m_sensors[static_cast<std::size_t>(index)];
    const std::size_t length = std::min(sensor.name.size(), nameSize - 1);
    std::memcpy(name, sensor.name.data(), length);
    name[length] = '\0';
    dataType = static_cast<std::int32_t>(sensor.type);
    return true;
}

void ModuleState::take(std::int32_t index, std::int32_t& header, std::int32_t& byteCount) {
    std::lock_guard lock(m_mutex);
    header = 0;
    byteCount = 0;
    if (!valid(index))
        return;
    const auto i = static_cast<std::size_t>(index);
    const ChannelHistory& history = m_histories[i];
    m_taken[i] = snapshot(i);
    header = history.header();
    byteCount = static_cast<std::int32_t>(history.byteCount());
}

std::size_t ModuleState::deliver(std::int32_t index, std::uint8_t* data) {
    std::lock_guard lock(m_mutex);
    if (!valid(index))
        return 0;
    const auto i = static_cast<std::size_t>(index);
    Taken& taken = m_taken[i];
    if (!taken.pending)
        taken = snapshot(i);
    std::memcpy(data, taken.bytes.data(), taken.size);
    taken.pending = false;
    return taken.size;
}

void ModuleState::connect(std::vector<SensorInfo> sensors) {
    std::lock_guard lock(m_mutex);
    m_histories.assign(sensors.size(), ChannelHistory{});
    m_taken.assign(sensors.size(), Taken{});
    m_sensors = std::move(sensors);
}

void ModuleState::disconnect() {
    std::lock_guard lock(m_mutex);
    m_sensors.clear();
    m_histories.clear();
    m_taken.clear();
}

} // namespace solvane::sigrok
