#include "writer.h"

#include "namecodepage.h"
#include "printabletext.h"
#include "recordtime.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <set>
#include <utility>

namespace solvane::record {

namespace {

using recording::Row;
using recording::RowKind;

constexpr auto writeEvery = std::chrono::milliseconds(200);
constexpr std::int64_t syncEvery = 500;
// The reader's own readings of a poll come within its tick, a few hundred
// microseconds after the poll: a poll this young may still grow.
constexpr std::int64_t pollSettles = 100;

std::string utf8Of(const Reading& reading) {
    const auto bytes = reading.used();
    return nameCodePageToUtf8(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace

Writer::Writer(WriterSettings settings, ReadingQueue& queue, ProblemReporter& problems,
               std::atomic<bool>& active)
    : m_settings(std::move(settings)), m_queue(queue), m_problems(problems), m_active(active) {
    // Both the batch and the queue keep this capacity as they are swapped.
    m_batch.reserve(m_queue.capacity());
    m_thread = std::thread([this] { run(); });
}

Writer::~Writer() {
    m_queue.stop();
    if (m_thread.joinable())
        m_thread.join();
}

void Writer::run() {
    while (true) {
        const std::uint64_t lost = m_queue.take(m_batch, writeEvery);
        const bool last = m_queue.stopping();
        m_busy = true;
        if (m_active)
            handle(lost, last);
        m_busy = false;
        if (last || !m_active)
            break;
    }
    m_file.close();
}

void Writer::finishWithoutThread() {
    m_thread.detach();
    // The thread ended within a round: its file and state may be half
    // changed. Else it waited, and what is queued can be written now.
    if (m_busy || !m_active || !m_queue.takeWithoutWaiting(m_batch))
        return;
    handle(0, true);
    m_file.close();
}

void Writer::handle(std::uint64_t lost, bool last) {
    gather(last);
    m_lost += lost;
    if (m_lost > 0 && !m_work.empty()) {
        Reading gap;
        gap.kind = RowKind::Lost;
        gap.time = m_work.front().time;
        gap.poll = m_work.front().poll;
        gap.value = static_cast<std::int32_t>(
            std::min<std::uint64_t>(m_lost, std::numeric_limits<std::int32_t>::max()));
        m_work.insert(m_work.begin(), gap);
        m_skipped.insert(m_skipped.begin(), false);
        m_problems.event("lost", std::to_string(m_lost) +
                                     " readings lost: the disk did not keep up (a row 'perte' "
                                     "in the file marks where)");
        m_lost = 0;
    }
    for (std::size_t i = 0; i < m_work.size() && m_active; ++i) {
        if (!m_skipped[i])
            append(m_work[i]);
    }
    if (!m_active)
        return;
    const std::int64_t now = recording::currentTime();
    flush(last || (m_unsynced && now - m_lastSync >= syncEvery));
}

void Writer::gather(bool last) {
    m_work.clear();
    m_work.swap(m_held);
    m_work.insert(m_work.end(), m_batch.begin(), m_batch.end());
    if (!last && !m_work.empty()) {
        const std::uint64_t newest = m_work.back().poll;
        const auto start = std::find_if(m_work.begin(), m_work.end(),
                                        [&](const Reading& r) { return r.poll == newest; });
        if (recording::currentTime() - start->time < pollSettles) {
            m_held.assign(start, m_work.end());
            m_work.erase(start, m_work.end());
        }
    }
    // A sensor read twice in a poll, by this library and then by the
    // reader: the reader's reading, the later, is what the reader showed.
    m_skipped.assign(m_work.size(), false);
    std::set<std::pair<std::uint64_t, std::int32_t>> seen;
    for (std::size_t i = m_work.size(); i-- > 0;) {
        const Reading& reading = m_work[i];
        if (reading.kind == RowKind::Data && !seen.emplace(reading.poll, reading.index).second)
            m_skipped[i] = true;
    }
}

Row Writer::rowOf(const Reading& reading) {
    Row row;
    row.kind = reading.kind;
    row.time = reading.time;
    row.poll = reading.poll;
    row.index = reading.index;
    switch (reading.kind) {
    case RowKind::Connection:
        row.code = reading.value;
        row.name = utf8Of(reading);
        m_state.connection = row;
        break;
    case RowKind::SensorCount:
        row.code = reading.value;
        m_state.sensors.assign(1, row);
        break;
    case RowKind::Sensor:
        row.name = utf8Of(reading);
        row.code = reading.value;
        row.header = reading.described ? 1 : 0;
        m_state.sensors.push_back(row);
        break;
    case RowKind::CommandCount:
        row.code = reading.value;
        m_state.commands.assign(1, row);
        break;
    case RowKind::Command:
        row.name = utf8Of(reading);
        m_state.commands.push_back(row);
        break;
    case RowKind::Data: {
        // Named and typed by the list, whose rows come first in the poll.
        const auto position = static_cast<std::size_t>(reading.index) + 1;
        if (position < m_state.sensors.size()) {
            row.name = m_state.sensors[position].name;
            row.code = m_state.sensors[position].code;
        }
        row.header = reading.value;
        row.byteCount = reading.byteCount;
        row.rawLength = reading.length;
        row.raw = reading.bytes;
        break;
    }
    case RowKind::Sent: {
        const auto position = static_cast<std::size_t>(reading.index) + 1;
        if (reading.index >= 0 && position < m_state.commands.size())
            row.name = m_state.commands[position].name;
        row.code = reading.value;
        break;
    }
    case RowKind::Lost:
        row.code = reading.value;
        break;
    }
    return row;
}

void Writer::append(const Reading& reading) {
    // A new file only between polls, so that each holds whole polls. It
    // restates the lists as they stood before this reading, which follows.
    const bool due = m_rowsInFile >= m_settings.rowsPerFile ||
                     reading.time - m_fileStart >= m_settings.millisecondsPerFile;
    if (!m_file.isOpen() || (reading.poll != m_lastPoll && due)) {
        if (m_file.isOpen()) {
            flush(true);
            m_file.close();
        }
        if (!m_active || !startFile(reading.time, reading.poll))
            return;
    }
    m_lastPoll = reading.poll;
    appendRow(rowOf(reading));
}

void Writer::appendRow(const Row& row) {
    if (row.kind == RowKind::Data) {
        if (!m_conversionTried) {
            m_conversionTried = true;
            m_conversion.load();
            if (!m_conversion.loaded())
                m_problems.event("values", "values are not decoded, the raw bytes are recorded: " +
                                               shown(m_conversion.error()));
        }
        if (row.code)
            m_conversion.decode(*row.code, row.rawBytes(), m_values);
        else
            m_values.clear();
    }
    const std::span<const recording::Value> values =
        row.kind == RowKind::Data ? std::span<const recording::Value>(m_values)
                                  : std::span<const recording::Value>();
    recording::appendRow(m_text, m_settings.format, row, values);
    ++m_rowsInFile;
}

bool Writer::startFile(std::int64_t time, std::uint64_t poll) {
    const std::string stem = m_settings.module + "-" + recording::fileNameTime(time);
    if (const auto problem = m_file.create(m_settings.folder, stem)) {
        fail(*problem);
        return false;
    }
    m_fileStart = time;
    m_rowsInFile = 0;
    m_text += recording::headerRow(m_settings.format);
    // A file that follows another starts where the module stands.
    const auto restate = [&](Row row) {
        row.time = time;
        row.poll = poll;
        recording::appendRow(m_text, m_settings.format, row);
        ++m_rowsInFile;
    };
    if (m_state.connection)
        restate(*m_state.connection);
    for (const Row& row : m_state.sensors)
        restate(row);
    for (const Row& row : m_state.commands)
        restate(row);
    return true;
}

void Writer::flush(bool sync) {
    if (!m_file.isOpen())
        return;
    if (!m_text.empty()) {
        if (const auto problem = m_file.write(m_text)) {
            fail("cannot write " + m_file.path() + ": " + *problem);
            return;
        }
        m_text.clear();
        m_unsynced = true;
    }
    if (sync && m_unsynced) {
        if (const auto problem = m_file.sync()) {
            fail("cannot write " + m_file.path() + " to the disk: " + *problem);
            return;
        }
        m_unsynced = false;
        m_lastSync = recording::currentTime();
    }
}

void Writer::fail(const std::string& problem) {
    m_active = false;
    m_text.clear();
    m_file.close();
    m_problems.report("recording stopped: " + shown(problem, 300));
}

} // namespace solvane::record
