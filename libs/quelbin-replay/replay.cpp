#include "replay.h"

#include "recordtime.h"

#include <algorithm>

namespace solvane::replay {

namespace {

using recording::RowKind;

} // namespace

Replay::Replay(std::string path, ProblemReporter& problems)
    : m_file(std::move(path)), m_problems(problems) {
    reportFile();
}

void Replay::reportFile() {
    if (!m_file.problem().empty())
        m_problems.report(m_file.problem());
    if (m_file.tornRow() != 0)
        m_problems.event("cut short", m_file.name() + ", row " + std::to_string(m_file.tornRow()) +
                                          ": cut short, as an interrupted recording leaves its "
                                          "last row; left out");
}

void Replay::poll(Clock::time_point now) {
    if (!m_current) {
        if (m_ended)
            return;
        std::optional<Poll> first = m_file.next();
        reportFile();
        if (!first) {
            m_ended = true;
            return;
        }
        m_clock.start(first->time, now);
        apply(std::move(*first));
        m_next = m_file.next();
        reportFile();
        return;
    }
    const std::int64_t time = m_clock.at(now);
    while (m_next && 2 * time >= m_current->time + m_next->time) {
        apply(std::move(*m_next));
        m_next = m_file.next();
        reportFile();
    }
    // The last poll lasts as long as the one before it did.
    if (!m_next && 2 * time >= 2 * m_current->time + m_lastInterval)
        m_ended = true;
}

void Replay::apply(Poll poll) {
    if (m_current)
        m_lastInterval = std::max<std::int64_t>(1, poll.time - m_current->time);
    m_current = Applied{poll.number, poll.time};
    for (recording::Row& row : poll.rows) {
        const auto index = static_cast<std::size_t>(row.index);
        switch (row.kind) {
        case RowKind::Connection:
            m_connection = row.code.value_or(0);
            m_said = std::move(row.name);
            break;
        case RowKind::SensorCount:
            m_sensorCount = row.code.value_or(0);
            m_sensors.assign(
                std::clamp<std::size_t>(static_cast<std::size_t>(std::max(m_sensorCount, 0)), 0,
                                        replayedSensors),
                Sensor{});
            for (std::size_t i = m_sensors.size(); i < m_data.size(); ++i)
                m_data[i].reset();
            break;
        case RowKind::Sensor:
            if (index < m_sensors.size())
                m_sensors[index] = {std::move(row.name), row.code.value_or(-1), row.header};
            break;
        case RowKind::Data:
            if (index < m_data.size())
                m_data[index] =
                    Data{row.header, row.byteCount,
                         std::vector<std::uint8_t>(row.raw.begin(),
                                                   row.raw.begin() +
                                                       static_cast<std::ptrdiff_t>(row.rawLength))};
            break;
        default: // the module's commands, what was sent, gaps: nothing to replay
            break;
        }
    }
}

std::int32_t Replay::connection() const {
    return m_ended ? 0 : m_connection;
}

const Replay::Sensor* Replay::sensor(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_sensors.size())
        return nullptr;
    return &m_sensors[static_cast<std::size_t>(index)];
}

const Replay::Data* Replay::data(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_data.size() ||
        !m_data[static_cast<std::size_t>(index)])
        return nullptr;
    return &*m_data[static_cast<std::size_t>(index)];
}

void Replay::pause(Clock::time_point now) {
    m_clock.pause(now);
}

void Replay::resume(Clock::time_point now) {
    m_clock.resume(now);
}

void Replay::setSpeed(int speed, Clock::time_point now) {
    m_clock.setSpeed(speed, now);
}

void Replay::restart(Clock::time_point now) {
    m_file.rewind();
    const int speed = m_clock.speed();
    m_clock = ReplayClock();
    m_clock.setSpeed(speed, now);
    m_current.reset();
    m_next.reset();
    m_lastInterval = 1000;
    m_ended = false;
    m_connection = 0;
    m_said.clear();
    m_sensorCount = 0;
    m_sensors.clear();
    m_data.fill(std::nullopt);
}

std::string Replay::statusText(Clock::time_point now) const {
    if (m_ended) {
        if (!m_file.problem().empty())
            return m_file.problem();
        return "end of the recording " + m_file.name() + " (" +
               recording::isoTime(currentPollTime()) +
               "); 'Rejouer depuis le d\u00E9but' plays it again";
    }
    if (m_connection <= 0 && !m_said.empty())
        return m_said;
    const std::string at = recording::isoTime(m_current ? m_clock.at(now) : 0);
    if (m_clock.paused())
        return "replay of " + m_file.name() + " paused at " + at;
    return "replay of " + m_file.name() + ": " + at + " (x" + std::to_string(m_clock.speed()) + ")";
}

} // namespace solvane::replay
