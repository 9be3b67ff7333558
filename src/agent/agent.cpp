#include "agent.h"

#include "wire.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace agent {

namespace {

using namespace solvane::mqtt;
using Clock = std::chrono::steady_clock;

constexpr std::size_t rememberedIds = 4096;

LinkSettings linkSettings(const AgentOptions& options, const Topics& topics) {
    LinkSettings settings;
    settings.address = options.broker;
    settings.clientId = "solvane-agent-" + options.broker.module;
    settings.username = options.username;
    settings.passwordFile = options.passwordFile;
    settings.caFile = options.caFile;
    if (options.allowCommands)
        settings.subscriptions = {topics.command};
    settings.will = {topics.status, "offline"};
    return settings;
}

} // namespace

Agent::Agent(AgentOptions options)
    : m_options(std::move(options)), m_topics(m_options.broker.module), m_problems("solvane-agent"),
      m_reader(m_options.sensors),
      m_link(
          linkSettings(m_options, m_topics), m_problems,
          [this](const std::string& topic, std::string_view payload) { receive(topic, payload); },
          [this] { announce(); }) {}

Agent::~Agent() = default;

void Agent::run(const std::atomic<bool>& stop) {
    m_link.start();
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / m_options.rate));
    auto next = Clock::now();
    while (!stop) {
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

void Agent::announce() {
    m_link.publish(m_topics.status, "online", 1, true);
    std::lock_guard lock(m_stateMutex);
    if (!m_statePayload.empty())
        m_link.publish(m_topics.state, m_statePayload, 1, true);
}

void Agent::receive(const std::string& topic, std::string_view payload) {
    if (topic != m_topics.command || !m_options.allowCommands)
        return;
    auto command = decodeCommand(payload);
    if (!command) {
        m_problems.event("unreadable command message ignored");
        return;
    }
    std::lock_guard lock(m_commandMutex);
    m_received.push_back(std::move(*command));
}

// On the polling thread, like every call into the acquisition library.
void Agent::runCommands() {
    std::vector<CommandRequest> received;
    {
        std::lock_guard lock(m_commandMutex);
        received.swap(m_received);
    }
    for (const CommandRequest& command : received) {
        if (alreadyRun(command.id))
            continue;
        if (m_reader.runCommand(command.index)) {
            std::printf("solvane-agent: command %d run (id %s)\n", command.index,
                        command.id.c_str());
            std::fflush(stdout);
        } else {
            m_problems.event("command " + std::to_string(command.index) +
                             " refused: the module does not offer it now");
        }
    }
}

bool Agent::alreadyRun(const std::string& id) {
    if (m_recentIdSet.contains(id))
        return true;
    m_recentIds.push_back(id);
    m_recentIdSet.insert(id);
    if (m_recentIds.size() > rememberedIds) {
        m_recentIdSet.erase(m_recentIds.front());
        m_recentIds.pop_front();
    }
    return false;
}

} // namespace agent
