#include "remotemodule.h"

#include "topics.h"

#include <algorithm>
#include <cmath>

namespace solvane::mqtt {

RemoteModule::RemoteModule(std::string module, ProblemReporter& problems)
    : m_module(std::move(module)), m_problems(problems) {
    const Topics topics(m_module);
    m_stateTopic = topics.state;
    m_pollTopic = topics.poll;
    m_statusTopic = topics.status;
}

void RemoteModule::receive(const std::string& topic, std::string_view payload,
                           Clock::time_point now) {
    if (topic == m_pollTopic) {
        auto poll = decodePoll(payload);
        if (!poll)
            return dropUnreadable("poll");
        std::lock_guard lock(m_mutex);
        // The agent's poll counter restarts from 1 with the agent; an older
        // message delivered late never replaces a newer one.
        if (poll->poll > 1 && poll->poll < m_poll.poll && fresh(now))
            return;
        m_poll = std::move(*poll);
        m_lastPoll = now;
        m_lastNews = now;
        m_agentOnline = true;
    } else if (topic == m_stateTopic) {
        auto state = decodeState(payload);
        if (!state)
            return dropUnreadable("state");
        std::lock_guard lock(m_mutex);
        m_state = std::move(*state);
        m_haveState = true;
    } else if (topic == m_statusTopic) {
        std::lock_guard lock(m_mutex);
        m_agentOnline = payload == "online";
        m_lastNews = now;
        if (!m_agentOnline) {
            m_lastPoll = {};
            if (!m_silenceReported)
                m_problems.report("module '" + m_module + "': its agent is offline");
            m_silenceReported = true;
        }
    }
}

void RemoteModule::dropUnreadable(const std::string& what) {
    m_problems.event("unreadable " + what + "s",
                     "module '" + m_module + "': unreadable " + what + " message dropped");
}

void RemoteModule::linkUp(bool up, Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    if (up && !m_linkUp)
        m_lastNews = now;
    m_linkUp = up;
    if (!up)
        m_lastPoll = {};
}

bool RemoteModule::silent(Clock::time_point now) const {
    // Silence counts from the latest news: the link's start, the agent's
    // status or its last poll.
    return m_linkUp && !fresh(now) && now - m_lastNews > silenceLimit();
}

bool RemoteModule::silenceUnexplained(Clock::time_point now) const {
    std::lock_guard lock(m_mutex);
    return !m_silenceReported && silent(now);
}

void RemoteModule::checkFreshness(Clock::time_point now, bool brokerAnswers, bool brokerSilent) {
    std::lock_guard lock(m_mutex);
    if (!m_linkUp)
        return; // the link reports its own problems
    if (fresh(now)) {
        if (m_silenceReported)
            m_problems.resolved("module '" + m_module + "': its agent is back");
        m_silenceReported = false;
        return;
    }
    if (m_silenceReported || !silent(now))
        return;
    // A silent agent is one thing, a silent broker another: only the
    // broker's answer to a probe tells them apart.
    if (brokerSilent) {
        m_silenceReported = true;
        m_problems.report("the broker does not answer (frozen, or the network cut): module '" +
                          m_module + "' reads disconnected");
        return;
    }
    if (!brokerAnswers)
        return;
    m_silenceReported = true;
    if (m_agentOnline)
        m_problems.report("module '" + m_module + "': no poll from its agent for " +
                          std::to_string(silenceLimit().count()) +
                          " ms, though the broker answers");
    else if (m_haveState)
        m_problems.report("module '" + m_module + "': its agent is offline");
    else
        m_problems.report("module '" + m_module + "': no agent publishes it on this broker");
}

std::string RemoteModule::unreachableReason(Clock::time_point now) const {
    std::lock_guard lock(m_mutex);
    if (!m_linkUp)
        return "not connected to the broker";
    if (!m_haveState)
        return "no agent publishes it on this broker";
    if (!m_agentOnline)
        return "its agent is offline";
    if (!fresh(now))
        return "no poll from its agent for over " + std::to_string(silenceLimit().count()) + " ms";
    return "no poll from its agent yet";
}

std::chrono::milliseconds RemoteModule::silenceLimit() const {
    if (!(m_state.rate > 0))
        return shortestSilence;
    const auto threePolls = std::chrono::milliseconds(
        static_cast<std::int64_t>(std::ceil(3000.0 / std::max(m_state.rate, 0.01))));
    return std::max(shortestSilence, threePolls);
}

bool RemoteModule::fresh(Clock::time_point now) const {
    return m_linkUp && m_lastPoll != Clock::time_point{} && now - m_lastPoll <= silenceLimit();
}

Snapshot RemoteModule::snapshot(Clock::time_point now) const {
    std::lock_guard lock(m_mutex);
    Snapshot snapshot;
    snapshot.reachable = fresh(now) && m_agentOnline && m_haveState;
    if (!snapshot.reachable)
        return snapshot;
    snapshot.connected = m_state.connected && m_poll.connected;
    snapshot.commandsAllowed = m_state.commandsAllowed;
    snapshot.latestPoll = m_poll.poll;
    for (const SensorDescription& sensor : m_state.sensors)
        snapshot.sensors.push_back({sensor.name, sensor.type, 0, {}});
    for (const SensorReading& reading : m_poll.sensors) {
        const auto index = static_cast<std::size_t>(reading.index);
        if (index < snapshot.sensors.size()) {
            snapshot.sensors[index].header = reading.header;
            snapshot.sensors[index].raw = reading.raw;
        }
    }
    snapshot.commands = m_state.commands;
    return snapshot;
}

} // namespace solvane::mqtt
