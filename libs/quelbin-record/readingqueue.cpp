#include "readingqueue.h"

#include <algorithm>
#include <utility>

namespace solvane::record {

ReadingQueue::ReadingQueue(std::size_t capacity) : m_capacity(capacity) {
    m_pending.reserve(capacity);
}

void ReadingQueue::push(std::span<const Reading> readings) {
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        const std::size_t room = m_capacity - m_pending.size();
        const std::size_t taken = std::min(room, readings.size());
        m_pending.insert(m_pending.end(), readings.begin(),
                         readings.begin() + static_cast<std::ptrdiff_t>(taken));
        m_lost += readings.size() - taken;
        // Only once half full: waking the writer is a system call.
        wake = m_pending.size() >= m_capacity / 2 && m_pending.size() - taken < m_capacity / 2;
    }
    if (wake)
        m_woken.notify_one();
}

std::uint64_t ReadingQueue::take(std::vector<Reading>& batch, std::chrono::milliseconds timeout) {
    batch.clear();
    std::unique_lock lock(m_mutex);
    m_woken.wait_for(lock, timeout,
                     [this] { return m_stop || m_pending.size() >= m_capacity / 2; });
    // Swapped, not copied: both vectors keep their capacity, so that the
    // reader's side never allocates.
    batch.swap(m_pending);
    return std::exchange(m_lost, 0);
}

void ReadingQueue::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_woken.notify_one();
}

bool ReadingQueue::stopping() const {
    std::lock_guard lock(m_mutex);
    return m_stop;
}

bool ReadingQueue::takeWithoutWaiting(std::vector<Reading>& batch) {
    std::unique_lock lock(m_mutex, std::try_to_lock);
    if (!lock.owns_lock())
        return false;
    batch.clear();
    batch.swap(m_pending);
    return true;
}

} // namespace solvane::record
