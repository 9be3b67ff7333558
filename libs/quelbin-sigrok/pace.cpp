#include "pace.h"

#include <algorithm>

namespace solvane::sigrok {

void Pace::started(Clock::time_point now) {
    m_last = now;
    m_delivered = false;
}

void Pace::delivered(Clock::time_point now) {
    // The wait for a session's first packet is no gap of the device's pace.
    if (m_delivered)
        m_longestGap = std::max(m_longestGap, now - m_last);
    m_last = now;
    m_delivered = true;
}

Pace::Clock::duration Pace::limit() const {
    Clock::duration limit = 10 * std::max(m_longestGap, m_period);
    if (!m_delivered)
        limit = std::max<Clock::duration>(limit, firstPacket);
    return std::clamp<Clock::duration>(limit, floor, cap);
}

} // namespace solvane::sigrok
