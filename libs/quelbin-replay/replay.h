// A recording played back as a module, at its recorded pace: what the
// reader reads at each poll (getNbAcqui) is the recorded poll the replay's
// clock has reached. A poll is shown from halfway between it and the one
// before it, so that a reader polling at the recorded rate meets each
// recorded poll once, whatever the jitter of either timer. After the last
// poll, as long as one poll lasted, the module reads disconnected: the
// recording has ended.
#pragma once

#include "problemreporter.h"
#include "replayclock.h"
#include "replayfile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace solvane::replay {

// The sensors replayed: as many as the recording library records.
inline constexpr std::size_t replayedSensors = 32;

class Replay {
public:
    using Clock = ReplayClock::Clock;

    // Problems go out through `problems`, once each.
    Replay(std::string path, ProblemReporter& problems);

    // The reader polls: the replay moves on to the poll its clock reached.
    void poll(Clock::time_point now);

    std::int32_t connection() const;
    std::int32_t sensorCount() const { return m_sensorCount; }
    struct Sensor {
        std::string name; // UTF-8
        std::int32_t type = -1;
        std::int32_t answer = 0; // getDevice's
    };
    // None for a sensor the recording does not describe.
    const Sensor* sensor(std::int32_t index) const;
    struct Data {
        std::int32_t header = 0;
        std::int32_t byteCount = 0;
        std::vector<std::uint8_t> raw;
    };
    const Data* data(std::int32_t index) const;

    // The commands, in the order of the command list.
    void pause(Clock::time_point now);
    void resume(Clock::time_point now);
    void restart(Clock::time_point now);
    void setSpeed(int speed, Clock::time_point now);

    // The file's problem; or where the replay stands.
    std::string statusText(Clock::time_point now) const;

    // Where the replay stands, in the recording's time.
    bool started() const { return m_current.has_value(); }
    std::int64_t currentPollTime() const { return m_current ? m_current->time : 0; }
    std::int64_t clockTime(Clock::time_point now) const { return m_clock.at(now); }

private:
    void apply(Poll poll);
    void reportFile();

    ReplayFile m_file;
    ProblemReporter& m_problems;
    ReplayClock m_clock;
    struct Applied {
        std::uint64_t number;
        std::int64_t time;
    };
    std::optional<Applied> m_current;
    std::int64_t m_lastInterval = 1000;
    std::optional<Poll> m_next;
    bool m_ended = false;

    std::int32_t m_connection = 0;
    std::string m_said; // the module's words with its connection
    std::int32_t m_sensorCount = 0;
    std::vector<Sensor> m_sensors;
    std::array<std::optional<Data>, replayedSensors> m_data{};
};

} // namespace solvane::replay
