// The recording's files, written on a thread of their own from the readings
// the reader's thread queues: rows formatted and written every 200 ms,
// synced every 500 ms, so that a row is on the disk within a second of its
// reading. One file per session, never an existing one; a new file after
// 1,000,000 rows (a spreadsheet shows 1,048,576) or 24 hours, which starts
// with the header, the connection and the lists as they stand. A file that
// cannot be made or written stops the recording with one line; the reader
// goes on, unrecorded.
#pragma once

#include "conversion.h"
#include "problemreporter.h"
#include "readingqueue.h"
#include "recordfile.h"
#include "recordingrows.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace solvane::record {

struct WriterSettings {
    std::string folder; // UTF-8
    // The files' names: "<module>-<start time>.csv".
    std::string module;
    recording::CsvFormat format = recording::semicolonFormat;
    std::uint64_t rowsPerFile = 1'000'000;
    std::int64_t millisecondsPerFile = 24LL * 3600 * 1000;
};

class Writer {
public:
    // Starts the thread. `active` is cleared when the recording stops.
    Writer(WriterSettings settings, ReadingQueue& queue, ProblemReporter& problems,
           std::atomic<bool>& active);
    // Writes what is queued, then closes the file.
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // At the process's end on Windows, where the system has ended the
    // thread wherever it was: writes what is queued unless the thread ended
    // within a round (its file and state may then be half changed), and
    // leaves the rest to the system.
    void finishWithoutThread();

private:
    // What a new file starts with: the connection and the lists.
    struct State {
        std::optional<recording::Row> connection;
        std::vector<recording::Row> sensors; // the count's row, then one a sensor
        std::vector<recording::Row> commands;
    };

    void run();
    void handle(std::uint64_t lost, bool last);
    // The readings of this round in `m_work`: those held back before, then
    // the batch; the newest poll held back while it may still grow.
    void gather(bool last);
    void append(const Reading& reading);
    recording::Row rowOf(const Reading& reading);
    void appendRow(const recording::Row& row);
    bool startFile(std::int64_t time, std::uint64_t poll);
    void flush(bool sync);
    void fail(const std::string& problem);

    WriterSettings m_settings;
    ReadingQueue& m_queue;
    ProblemReporter& m_problems;
    std::atomic<bool>& m_active;

    RecordFile m_file;
    std::string m_text; // rows not yet written
    std::uint64_t m_rowsInFile = 0;
    std::int64_t m_fileStart = 0;
    std::uint64_t m_lastPoll = 0;
    std::uint64_t m_lost = 0; // readings lost and not yet marked in the file
    bool m_unsynced = false;
    std::int64_t m_lastSync = 0;
    State m_state;
    Conversion m_conversion;
    bool m_conversionTried = false;
    std::vector<recording::Value> m_values;

    std::vector<Reading> m_batch;
    std::vector<Reading> m_held;
    std::vector<Reading> m_work;
    std::vector<bool> m_skipped;
    std::atomic<bool> m_busy = false;
    std::thread m_thread;
};

} // namespace solvane::record
