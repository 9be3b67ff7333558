// The latest known state of the remote module, as the link's thread
// receives it, and the snapshot Solvane's calls read: taken at getNbAcqui,
// so that every answer of one tick comes from the same state.
#pragma once

#include "problemline.h"
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
        std::string name; // Windows-1252, at most 127 bytes
        std::int32_t type = -1;
        std::int32_t header = 0;
        std::vector<std::uint8_t> raw;
    };
    bool connected = false;
    bool commandsAllowed = false;
    std::vector<Sensor> sensors;
    std::vector<std::string> commands; // Windows-1252, at most 127 bytes each
};

class RemoteModule {
public:
    RemoteModule(std::string module, ProblemLine& problems);

    // The link's thread.
    void receive(const std::string& topic, std::string_view payload, Clock::time_point now);
    void linkUp(bool up, Clock::time_point now);
    // Reports silence from the agent; called often (every 100 ms).
    void checkFreshness(Clock::time_point now);

    // Solvane's side.
    Snapshot snapshot(Clock::time_point now) const;

private:
    bool fresh(Clock::time_point now) const;
    std::chrono::milliseconds silenceLimit() const;

    std::string m_module;
    std::string m_stateTopic, m_pollTopic, m_statusTopic;
    ProblemLine& m_problems;
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
