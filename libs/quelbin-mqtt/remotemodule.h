// The latest known state of the remote module, as the link's thread
// receives it, and the snapshot Solvane's calls read: taken at getNbAcqui,
// so that every answer of one tick comes from the same state.
#pragma once

#include "problemreporter.h"
#include "wire.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace solvane::mqtt {

using Clock = std::chrono::steady_clock;

// The module reads disconnected when no poll came from the agent for this
// long, or for three of its polls when it polls slower.
inline constexpr std::chrono::milliseconds shortestSilence{1200};

struct Snapshot {
    struct Sensor {
        std::string name; // UTF-8, as the agent wrote it
        std::int32_t type = -1;
        std::int32_t header = 0;
        std::vector<std::uint8_t> raw;
    };
    // The agent is heard: its module's lists are shown and its commands
    // offered, whether the module reads connected or not, as on the
    // module's own computer.
    bool reachable = false;
    bool connected = false; // the module, as its agent reads it
    bool commandsAllowed = false;
    std::vector<Sensor> sensors;
    std::vector<std::string> commands; // UTF-8, as the agent wrote them
    std::uint64_t latestPoll = 0;      // the agent's latest poll received
};

class RemoteModule {
public:
    RemoteModule(std::string module, ProblemReporter& problems);

    // The link's thread.
    void receive(const std::string& topic, std::string_view payload, Clock::time_point now);
    void linkUp(bool up, Clock::time_point now);
    // Whether the agent has been silent for its limit, the silence not yet
    // explained: the broker's answer to a probe then tells the broker's
    // silence from the agent's.
    bool silenceUnexplained(Clock::time_point now) const;
    // Reports silence from the agent, or from the broker when it left a
    // probe unanswered; called often (every 100 ms).
    void checkFreshness(Clock::time_point now, bool brokerAnswers, bool brokerSilent);
    // Why the agent is not heard now, for a command that is not sent.
    std::string unreachableReason(Clock::time_point now) const;

    // Solvane's side.
    Snapshot snapshot(Clock::time_point now) const;

private:
    // A message that is not what the agent writes ("poll", "state"): dropped
    // whole, and said within the budget of its kind.
    void dropUnreadable(const std::string& what);
    bool fresh(Clock::time_point now) const;
    bool silent(Clock::time_point now) const;
    std::chrono::milliseconds silenceLimit() const;

    std::string m_module;
    std::string m_stateTopic, m_pollTopic, m_statusTopic;
    ProblemReporter& m_problems;
    mutable std::mutex m_mutex;
    bool m_linkUp = false;
    bool m_agentOnline = false;
    bool m_haveState = false;
    ModuleDescription m_state;
    PollReading m_poll;
    Clock::time_point m_lastPoll;
    Clock::time_point m_lastNews;
    bool m_silenceReported = false;
};

} // namespace solvane::mqtt
