// The agent: polls the module at its rate, publishes its state and readings,
// and, when allowed, runs the commands it receives, each once.
#pragma once

#include "agentoptions.h"
#include "brokerlink.h"
#include "modulereader.h"
#include "problemline.h"
#include "topics.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

namespace agent {

class Agent {
public:
    explicit Agent(AgentOptions options);
    ~Agent();
    Agent(const Agent&) = delete;
    Agent& operator=(const Agent&) = delete;

    // Polls until `stop` becomes true; then marks the module offline.
    void run(const std::atomic<bool>& stop);

private:
    void poll();
    void runCommands();
    void receive(const std::string& topic, std::string_view payload);
    void announce();
    bool alreadyRun(const std::string& id);

    AgentOptions m_options;
    solvane::mqtt::Topics m_topics;
    solvane::mqtt::ProblemLine m_problems;
    ModuleReader m_reader;
    std::uint64_t m_pollNumber = 0;

    std::mutex m_stateMutex;
    std::string m_statePayload; // the latest state, republished on each connection

    std::mutex m_commandMutex;
    std::vector<solvane::mqtt::CommandRequest> m_received;
    // The ids of the latest commands run: a message delivered again (QoS 1
    // after a lost acknowledgement) is not run twice.
    std::deque<std::string> m_recentIds;
    std::unordered_set<std::string> m_recentIdSet;

    solvane::mqtt::BrokerLink m_link;
};

} // namespace agent
