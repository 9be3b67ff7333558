#include "recorder.h"

#include "recordtime.h"

#include <algorithm>
#include <cstring>

namespace solvane::record {

namespace {

// Past the 128 bytes the interface allows, as the program gives it too: a
// module that writes beyond its buffer corrupts nothing.
constexpr std::size_t overrunRoom = 8192;

using recording::RowKind;

} // namespace

Recorder::Recorder(const QuelbinFunctions& module, ReadingQueue& queue,
                   std::optional<std::set<int>> chosen, const std::atomic<bool>& active)
    : m_module(module), m_queue(queue), m_chosen(std::move(chosen)), m_active(active),
      m_nameBuffer(QUELBIN_NAME_SIZE + overrunRoom), m_rawBuffer(QUELBIN_RAW_SIZE + overrunRoom) {
    m_staging.reserve(2 + 2 * recordedSensors + recordedCommands);
}

bool Recorder::recorded(std::int32_t index) const {
    return index >= 0 && index < recordedSensors && (!m_chosen || m_chosen->contains(index));
}

Reading& Recorder::add(RowKind kind, std::int64_t time) {
    Reading& reading = m_staging.emplace_back();
    reading.kind = kind;
    reading.time = time;
    reading.poll = m_poll;
    return reading;
}

Recorder::Name Recorder::nameOf(const char* buffer) {
    Name name;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer);
    const auto* end = std::find(bytes, bytes + QUELBIN_NAME_SIZE, std::uint8_t{0});
    name.length = static_cast<std::uint8_t>(end - bytes);
    std::copy(bytes, end, name.bytes.begin());
    return name;
}

void Recorder::polled(std::int32_t connection) {
    if (!m_active.load(std::memory_order_relaxed))
        return;
    ++m_poll;
    const std::int64_t time = recording::currentTime();
    m_readerBefore = m_readerNow;
    m_readerNow.reset();
    m_staging.clear();
    bool connectionChanged = false;
    noteConnection(connection, time, connectionChanged);
    noteSensors(connectionChanged, time);
    noteCommands(connectionChanged, time);
    readSensors(time);
    m_queue.push(m_staging);
}

void Recorder::noteConnection(std::int32_t connection, std::int64_t time, bool& changed) {
    const bool connected = connection > 0;
    Name text;
    if (m_module.getStatusText) {
        std::fill_n(m_nameBuffer.begin(), QUELBIN_NAME_SIZE, '\0');
        m_module.getStatusText(m_nameBuffer.data());
        text = nameOf(m_nameBuffer.data());
    }
    changed = m_poll == 1 || connected != m_connected;
    if (!changed && text == m_statusText)
        return;
    m_connected = connected;
    m_statusText = text;
    Reading& reading = add(RowKind::Connection, time);
    reading.value = connection;
    reading.length = text.length;
    reading.bytes = text.bytes;
}

void Recorder::noteSensors(bool connectionChanged, std::int64_t time) {
    const std::int32_t count = m_module.getNbDevices();
    if (!connectionChanged && count == m_sensorCount)
        return;
    std::vector<Sensor> sensors(static_cast<std::size_t>(std::clamp(count, 0, recordedSensors)));
    for (std::size_t i = 0; i < sensors.size(); ++i) {
        std::fill_n(m_nameBuffer.begin(), QUELBIN_NAME_SIZE, '\0');
        // Not set unless the module writes it, as the window reads it.
        std::int32_t type = -1;
        sensors[i].described =
            m_module.getDevice(static_cast<std::int32_t>(i), m_nameBuffer.data(), &type) != 0;
        sensors[i].name = nameOf(m_nameBuffer.data());
        sensors[i].type = type;
    }
    if (count == m_sensorCount && sensors == m_sensors)
        return;
    m_sensorCount = count;
    m_sensors = std::move(sensors);
    add(RowKind::SensorCount, time).value = count;
    for (std::size_t i = 0; i < m_sensors.size(); ++i) {
        Reading& reading = add(RowKind::Sensor, time);
        reading.index = static_cast<std::int32_t>(i);
        reading.value = m_sensors[i].type;
        reading.described = m_sensors[i].described;
        reading.length = m_sensors[i].name.length;
        reading.bytes = m_sensors[i].name.bytes;
    }
}

void Recorder::noteCommands(bool connectionChanged, std::int64_t time) {
    const std::int32_t count = m_module.getNbCommands();
    if (!connectionChanged && count == m_commandCount)
        return;
    std::vector<Name> commands(static_cast<std::size_t>(std::clamp(count, 0, recordedCommands)));
    for (std::size_t i = 0; i < commands.size(); ++i) {
        std::fill_n(m_nameBuffer.begin(), QUELBIN_NAME_SIZE, '\0');
        m_module.getCommandName(static_cast<std::int32_t>(i), m_nameBuffer.data());
        commands[i] = nameOf(m_nameBuffer.data());
    }
    if (count == m_commandCount && commands == m_commands)
        return;
    m_commandCount = count;
    m_commands = std::move(commands);
    add(RowKind::CommandCount, time).value = count;
    for (std::size_t i = 0; i < m_commands.size(); ++i) {
        Reading& reading = add(RowKind::Command, time);
        reading.index = static_cast<std::int32_t>(i);
        reading.length = m_commands[i].length;
        reading.bytes = m_commands[i].bytes;
    }
}

void Recorder::readSensors(std::int64_t time) {
    const std::int32_t listed = std::clamp(m_sensorCount, 0, recordedSensors);
    for (std::int32_t i = 0; i < listed; ++i) {
        // The reader reads it again in this poll: its reading is the one kept.
        if (!recorded(i) || m_readerBefore[static_cast<std::size_t>(i)])
            continue;
        std::int32_t header = 0;
        std::int32_t byteCount = 0;
        m_module.getRawDataInfo(i, &header, &byteCount);
        std::fill_n(m_rawBuffer.begin(), QUELBIN_RAW_SIZE, std::uint8_t{0});
        m_module.getRawData(i, m_rawBuffer.data());
        addData(i, time, header, byteCount, m_rawBuffer.data());
    }
}

void Recorder::addData(std::int32_t index, std::int64_t time, std::int32_t header,
                       std::int32_t byteCount, const std::uint8_t* data) {
    Reading& reading = add(RowKind::Data, time);
    reading.index = index;
    reading.value = header;
    reading.byteCount = byteCount;
    // The bytes of the count that lie within the buffer, as the window
    // decodes them.
    reading.length =
        static_cast<std::uint8_t>(std::clamp<std::int32_t>(byteCount, 0, QUELBIN_RAW_SIZE));
    std::memcpy(reading.bytes.data(), data, reading.length);
}

void Recorder::rawInfoRead(std::int32_t index, std::int32_t header, std::int32_t byteCount) {
    if (!m_active.load(std::memory_order_relaxed) || !recorded(index))
        return;
    m_pending[static_cast<std::size_t>(index)] = {m_poll, header, byteCount};
}

void Recorder::rawDataRead(std::int32_t index, const std::uint8_t* data) {
    if (!m_active.load(std::memory_order_relaxed) || !recorded(index) || data == nullptr)
        return;
    Pending& pending = m_pending[static_cast<std::size_t>(index)];
    // Only after its getRawDataInfo of the same poll.
    if (m_poll == 0 || pending.poll != m_poll)
        return;
    pending.poll = 0;
    m_staging.clear();
    addData(index, recording::currentTime(), pending.header, pending.byteCount, data);
    m_readerNow.set(static_cast<std::size_t>(index));
    m_queue.push(m_staging);
}

void Recorder::commandSent(std::int32_t index, std::int32_t result) {
    if (!m_active.load(std::memory_order_relaxed))
        return;
    m_staging.clear();
    Reading& reading = add(RowKind::Sent, recording::currentTime());
    // Sent between two polls, it belongs with the next, the first to show
    // its effect: a poll made of it alone would be replayed at its time.
    reading.poll = m_poll + 1;
    reading.index = index;
    reading.value = result;
    m_queue.push(m_staging);
}

} // namespace solvane::record
