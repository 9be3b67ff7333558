// When a device that is acquiring has been silent for too long: its packets'
// own pace sets the limit, so that a slow logger is not taken for a lost
// one and a fast meter that stops is noticed within seconds.
#pragma once

#include <chrono>

namespace solvane::sigrok {

class Pace {
public:
    using Clock = std::chrono::steady_clock;

    // Ten times the longest gap seen between two packets (or the sample
    // period where the device gives one), never under this...
    static constexpr std::chrono::seconds floor{3};
    // ...nor over this.
    static constexpr std::chrono::seconds cap{180};
    // Until a session's first packet, at least this: the start of an
    // acquisition may take a while.
    static constexpr std::chrono::seconds firstPacket{10};

    // A session starts: the silence counts from `now`.
    void started(Clock::time_point now);
    void delivered(Clock::time_point now);
    // The time between two samples, where the device states its sample rate.
    void expectPeriod(Clock::duration period) { m_period = period; }

    Clock::duration limit() const;
    Clock::duration silence(Clock::time_point now) const { return now - m_last; }
    bool silent(Clock::time_point now) const { return silence(now) > limit(); }

private:
    Clock::time_point m_last = Clock::now();
    bool m_delivered = false; // since the session started
    Clock::duration m_longestGap{};
    Clock::duration m_period{};
};

} // namespace solvane::sigrok
