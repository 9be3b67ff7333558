// The agent: polls the module at its rate, publishes its state and readings,
// and, when allowed, runs the commands it receives as CommandGate decides.
// One agent per module: at start it looks for another on the broker and
// refuses to run beside it; running, it yields to one that announces itself
// later.
#pragma once

#include "agentoptions.h"
#include "brokerlink.h"
#include "commandgate.h"
#include "modulereader.h"
#include "problemreporter.h"
#include "topics.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

namespace agent {

// Exit statuses beyond 0 (stopped), 1 (a library) and 2 (the command line or
// a file it names).
inline constexpr int anotherAgentStatus = 3;

class Agent {
public:
    explicit Agent(AgentOptions options);
    ~Agent();
    Agent(const Agent&) = delete;
    Agent& operator=(const Agent&) = delete;

    // Polls until `stop` becomes true, then marks the module offline: 0. Or
    // refuses to run beside another agent of the module, or stops when
    // another announces itself for the module, saying so:
    // anotherAgentStatus.
    int run(const std::atomic<bool>& stop);

private:
    using Clock = std::chrono::steady_clock;
    enum class Start { Checking, Running, Refused, Replaced };
    struct Received {
        std::string payload;
        bool retained = false;
    };

    void poll();
    void runCommands();
    void receive(const std::string& topic, std::string_view payload, bool retained);
    void ready();
    void idle();
    void announce();

    AgentOptions m_options;
    solvane::mqtt::Topics m_topics;
    solvane::ProblemReporter m_problems;
    ModuleReader m_reader;
    CommandGate m_gate;
    std::uint64_t m_pollNumber = 0;

    std::mutex m_stateMutex;
    std::string m_statePayload; // the latest state, republished on each connection

    // The start-up check, on the link's thread: after the broker answered
    // the subscriptions and a short settling time for its retained messages;
    // if those say another agent is online, until it shows it is alive (a
    // poll) or not (offline, or silence for three of its polls).
    std::atomic<Start> m_start{Start::Checking};
    bool m_ready = false;
    Clock::time_point m_decisionTime;
    bool m_otherOnline = false;
    double m_otherRate = 0;
    // Each announcement names the agent that made it (a random instance id)
    // on the retained "agent" topic. Back after an outage, the agent reads it
    // before announcing itself again: another's means another agent took
    // the module meanwhile (with a broker that ties client ids to user names,
    // by taking this one's connection), and this one stops.
    std::string m_instance;
    std::string m_latestInstance;
    bool m_rejoining = false;   // connection lost, not yet announced again
    bool m_rejoinReady = false; // the broker answered the new connection

    std::mutex m_commandMutex;
    std::vector<Received> m_received;

    solvane::mqtt::BrokerLink m_link;
};

} // namespace agent
