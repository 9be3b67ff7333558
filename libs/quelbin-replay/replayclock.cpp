#include "replayclock.h"

namespace solvane::replay {

void ReplayClock::start(std::int64_t time, Clock::time_point now) {
    m_base = time;
    m_anchor = now;
}

std::int64_t ReplayClock::at(Clock::time_point now) const {
    if (m_paused)
        return m_base;
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - m_anchor);
    return m_base + elapsed.count() * m_speed / 1000;
}

void ReplayClock::pause(Clock::time_point now) {
    if (!m_paused)
        start(at(now), now);
    m_paused = true;
}

void ReplayClock::resume(Clock::time_point now) {
    if (m_paused)
        m_anchor = now;
    m_paused = false;
}

void ReplayClock::setSpeed(int speed, Clock::time_point now) {
    start(at(now), now);
    m_speed = speed;
}

} // namespace solvane::replay
