#include "modulestate.h"

#include "namebuffer.h"

#include <cstring>

namespace solvane::sigrok {

bool ModuleState::poll() {
    std::scoped_lock lock(m_polledMutex, m_mutex);
    m_polled = m_live;
    return !m_polled.sensors.empty();
}

std::int32_t ModuleState::sensorCount() const {
    std::lock_guard lock(m_polledMutex);
    return static_cast<std::int32_t>(m_polled.sensors.size());
}

const ChannelHistory* ModuleState::polledHistory(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_polled.sensors.size())
        return nullptr;
    return &m_polled.histories[static_cast<std::size_t>(index)];
}

bool ModuleState::describe(std::int32_t index, char* name, std::size_t nameSize,
                           std::int32_t& dataType) const {
    std::lock_guard lock(m_polledMutex);
    if (polledHistory(index) == nullptr || nameSize == 0)
        return false;
    const SensorInfo& sensor = m_polled.sensors[static_cast<std::size_t>(index)];
    solvane::writeWesternName({name, nameSize}, sensor.name);
    dataType = static_cast<std::int32_t>(sensor.type);
    return true;
}

void ModuleState::rawInfo(std::int32_t index, std::int32_t& header, std::int32_t& byteCount) const {
    std::lock_guard lock(m_polledMutex);
    const ChannelHistory* history = polledHistory(index);
    header = history ? history->header() : 0;
    byteCount = history ? static_cast<std::int32_t>(history->byteCount()) : 0;
}

std::size_t ModuleState::rawData(std::int32_t index, std::uint8_t* data) const {
    std::lock_guard lock(m_polledMutex);
    const ChannelHistory* history = polledHistory(index);
    if (history == nullptr)
        return 0;
    std::memcpy(data, history->bytes().data(), history->byteCount());
    return history->byteCount();
}

void ModuleState::connect(std::vector<SensorInfo> sensors) {
    std::lock_guard lock(m_mutex);
    m_live.histories.assign(sensors.size(), ChannelHistory{});
    m_live.sensors = std::move(sensors);
}

void ModuleState::disconnect() {
    std::lock_guard lock(m_mutex);
    m_live.sensors.clear();
    m_live.histories.clear();
}

} // namespace solvane::sigrok
