// The replay's clock: the recording's time it has reached, running at the
// recorded pace times its speed, held while paused.
#pragma once

#include <chrono>
#include <cstdint>

namespace solvane::replay {

class ReplayClock {
public:
    using Clock = std::chrono::steady_clock;

    // From `now` on, the clock reads recording time `time` (milliseconds).
    void start(std::int64_t time, Clock::time_point now);
    std::int64_t at(Clock::time_point now) const;

    void pause(Clock::time_point now);
    void resume(Clock::time_point now);
    void setSpeed(int speed, Clock::time_point now);
    bool paused() const { return m_paused; }
    int speed() const { return m_speed; }

private:
    std::int64_t m_base = 0;
    Clock::time_point m_anchor{};
    int m_speed = 1;
    bool m_paused = false;
};

} // namespace solvane::replay
