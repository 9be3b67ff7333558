#include "agent.h"

#include "wire.h"

#include <mqtt_protocol.h>

#include <algorithm>
#include <cstdio>
#include <thread>

namespace agent {

namespace {

using namespace solvane::mqtt;
using Clock = std::chrono::steady_clock;

// Time for the retained messages to follow the broker's answer.
constexpr auto settleTime = std::chrono::milliseconds(500);

LinkSettings linkSettings(const AgentOptions& options, const Topics& topics) {
    LinkSettings settings = options.link;
    // Its own, unguessable: a client that took it would take the agent's
    // session.
    settings.clientId = "solvane-agent-" + randomHex(16);
    // Commands first, so that one resent as a viewer comes back with the
    // agent is weighed, not lost; a retained one is never sent to the agent.
    if (options.allowCommands)
        settings.subscriptions.push_back({topics.command, MQTT_SUB_OPT_SEND_RETAIN_NEVER});
    settings.subscriptions.push_back({topics.agent, 0});
    // Nothing the agent publishes comes back to it (no local): whatever
    // arrives on these topics is another agent's.
    for (const std::string& topic : {topics.status, topics.state, topics.poll})
        settings.subscriptions.push_back({topic, MQTT_SUB_OPT_NO_LOCAL});
    settings.will = {topics.status, "offline"};
    return settings;
}

// Three polls of another agent at `rate`, at least 2 s.
Clock::duration threePolls(double rate) {
    const double seconds = rate > 0 ? std::clamp(3.0 / rate, 2.0, 40.0) : 2.0;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

} // namespace

Agent::Agent(AgentOptions options)
    : m_options(std::move(options)), m_topics(m_options.link.address.module),
      m_problems("solvane-agent"), m_reader(m_options.sensors), m_instance(randomHex(16)),
      m_link(
          linkSettings(m_options, m_topics), m_problems,
          [this](const std::string& topic, std::string_view payload, bool retained) {
              receive(topic, payload, retained);
          },
          [this] { ready(); }, [this] { idle(); }) {}

Agent::~Agent() = default;

int Agent::run(const std::atomic<bool>& stop) {
    m_link.start();
    while (!stop && m_start == Start::Checking)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string module = "'" + m_options.link.address.module + "'";
    if (m_start == Start::Refused) {
        m_link.stop(false);
        m_problems.event("start", "another agent publishes module " + module +
                                      " on this broker (its polls arrive): this one does not "
                                      "start");
        return anotherAgentStatus;
    }
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / m_options.rate));
    auto next = Clock::now();
    while (!stop) {
        if (m_start == Start::Replaced) {
            m_problems.event("start", "another agent announced module " + module +
                                          " on this broker: this one stops");
            // Without the will: the status is the other agent's now.
            m_link.stop(false);
            return anotherAgentStatus;
        }
        runCommands();
        poll();
        next += period;
        const auto now = Clock::now();
        if (next < now)
            next = now; // late: the next poll at once, no burst to catch up
        while (!stop && Clock::now() < next) {
            runCommands();
            std::this_thread::sleep_for(
                std::min<Clock::duration>(next - Clock::now(), std::chrono::milliseconds(20)));
        }
    }
    // The broker publishes the will: the module reads offline at once.
    m_link.stop(true);
    return 0;
}

void Agent::poll() {
    ModuleDescription state = m_reader.readState();
    state.rate = m_options.rate;
    state.commandsAllowed = m_options.allowCommands;
    const std::string statePayload = encodeState(state);
    {
        std::lock_guard lock(m_stateMutex);
        if (statePayload != m_statePayload) {
            m_statePayload = statePayload;
            m_link.publish(m_topics.state, m_statePayload, 1, true);
        }
    }
    m_link.publish(m_topics.poll, encodePoll(m_reader.readPoll(++m_pollNumber)), 0, false);
}

void Agent::ready() {
    if (m_start == Start::Checking) {
        m_ready = true;
        m_decisionTime = std::max(m_decisionTime, Clock::now() + settleTime);
    } else {
        m_rejoining = true;
        m_rejoinReady = true;
        m_decisionTime = Clock::now() + settleTime;
    }
}

void Agent::idle() {
    // From the moment the connection is lost: the retained messages of the
    // next one come before its subscriptions are answered.
    if (m_start == Start::Running && !m_link.connected()) {
        m_rejoining = true;
        m_rejoinReady = false;
    }
    if (m_rejoining && m_rejoinReady && Clock::now() >= m_decisionTime) {
        m_rejoining = false;
        // None retained (a broker restarted without its store): nobody
        // announced since.
        if (!m_latestInstance.empty() && m_latestInstance != m_instance)
            m_start = Start::Replaced;
        else
            announce();
    }
    if (m_start != Start::Checking || !m_ready || Clock::now() < m_decisionTime)
        return;
    if (m_otherOnline)
        m_problems.event("start", "module '" + m_options.link.address.module +
                                      "': the broker keeps an 'online' status but no agent "
                                      "polls: starting");
    m_start = Start::Running;
    announce();
}

void Agent::announce() {
    // At QoS 0: libmosquitto sends a QoS 1 message again on the next
    // connection, which would announce this agent there before it looked.
    m_link.publish(m_topics.agent, m_instance, 0, true);
    m_link.publish(m_topics.status, "online", 1, true);
    std::lock_guard lock(m_stateMutex);
    if (!m_statePayload.empty())
        m_link.publish(m_topics.state, m_statePayload, 1, true);
}

void Agent::receive(const std::string& topic, std::string_view payload, bool retained) {
    if (topic == m_topics.command) {
        if (!m_options.allowCommands)
            return;
        std::lock_guard lock(m_commandMutex);
        m_received.push_back({std::string(payload), retained});
    } else if (topic == m_topics.agent) {
        m_latestInstance = payload;
        // Announced after this one (not the retained announcement that
        // came before): the newest agent keeps the module.
        if (m_start == Start::Running && !m_rejoining && !retained && payload != m_instance)
            m_start = Start::Replaced;
    } else if (topic == m_topics.poll) {
        if (m_start == Start::Checking)
            m_start = Start::Refused;
        else
            m_problems.event("other agents", "another agent publishes module '" +
                                                 m_options.link.address.module +
                                                 "' too: stop one of them");
    } else if (topic == m_topics.status) {
        const bool online = payload == "online";
        if (m_start == Start::Checking) {
            m_otherOnline = online;
            if (online)
                m_decisionTime = std::max(m_decisionTime, Clock::now() + threePolls(m_otherRate));
        } else if (online) {
            m_problems.event("other agents", "another agent publishes module '" +
                                                 m_options.link.address.module +
                                                 "' too: stop one of them");
        } else if (!m_rejoining) {
            // Another agent's last will, or a stale one: this agent is here.
            announce();
        }
    } else if (topic == m_topics.state && m_start == Start::Checking) {
        if (const auto state = decodeState(payload))
            m_otherRate = state->rate;
    }
}

// On the polling thread, like every call into the acquisition library.
void Agent::runCommands() {
    std::vector<Received> received;
    {
        std::lock_guard lock(m_commandMutex);
        received.swap(m_received);
    }
    for (const Received& message : received) {
        // The module as it is now: a command run just before may have
        // changed its list.
        const AgentView view{m_reader.readState().commands, m_pollNumber,
                             CommandGate::allowedLag(m_options.rate)};
        const Verdict verdict = m_gate.decide(message.payload, message.retained, view);
        if (!verdict.run) {
            if (!verdict.line.empty())
                m_problems.event(verdict.kind, verdict.line);
            continue;
        }
        m_reader.runCommand(verdict.index);
        std::printf("solvane-agent: %s\n", verdict.line.c_str());
        std::fflush(stdout);
    }
}

} // namespace agent
