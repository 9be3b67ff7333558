// What the reader's thread hands the writer's: a reading of the module, the
// material of one row, and the bounded queue between the two. The reader
// never waits on the writer: it copies its readings under a lock the writer
// holds only to swap the queue for an empty one, and a full queue (a disk
// that does not keep up) drops readings, counted, rather than grow or wait.
#pragma once

#include "recordingrows.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace solvane::record {

struct Reading {
    recording::RowKind kind = recording::RowKind::Data;
    std::int64_t time = 0;
    std::uint64_t poll = 0;
    std::int32_t index = 0;
    // The answer of getNbAcqui, a count, a type code, a header, a command's
    // result, as the kind says.
    std::int32_t value = 0;
    // A sensor: getDevice's answer was not 0.
    bool described = true;
    std::int32_t byteCount = 0;
    // A name or status text in the module's code page, or raw data.
    std::uint8_t length = 0;
    std::array<std::uint8_t, recording::rawSize> bytes{};

    std::span<const std::uint8_t> used() const { return {bytes.data(), length}; }
};

class ReadingQueue {
public:
    explicit ReadingQueue(std::size_t capacity);
    std::size_t capacity() const { return m_capacity; }

    // The reader's side: as many readings as there is room for; the rest
    // are counted as lost.
    void push(std::span<const Reading> readings);

    // The writer's side: waits until the queue is half full, stop() is
    // called or `timeout` passes, then swaps what is queued into `batch`
    // (emptied first). Returns the readings lost since the last take.
    std::uint64_t take(std::vector<Reading>& batch, std::chrono::milliseconds timeout);
    void stop();
    bool stopping() const;

    // For a writer whose thread is gone: takes what is queued unless the
    // queue's lock is held, by a thread that ended holding it.
    bool takeWithoutWaiting(std::vector<Reading>& batch);

private:
    std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_woken;
    std::vector<Reading> m_pending;
    std::uint64_t m_lost = 0;
    bool m_stop = false;
};

} // namespace solvane::record
