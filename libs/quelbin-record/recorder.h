// The recording library's work on the reader's thread, beside each call it
// passes on: every poll (getNbAcqui) it notes a change of connection and of
// the sensor and command lists, and reads the data of the recorded sensors
// that the reader did not read itself in its previous poll; a sensor the
// reader reads is recorded as the reader got it, so that a replay shows
// what the reader showed. Calls come from one thread at a time, as Solvane
// and the agent make them; nothing here waits on the disk.
#pragma once

#include "modulelibrary.h"
#include "readingqueue.h"

#include <atomic>
#include <bitset>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace solvane::record {

// The sensors recorded: the first 32, as many as the window lists.
inline constexpr std::int32_t recordedSensors = 32;
// The command names read, at most.
inline constexpr std::int32_t recordedCommands = 256;

class Recorder {
public:
    // `chosen`: the sensors to record, none for all. Records only while
    // `active`.
    Recorder(const QuelbinFunctions& module, ReadingQueue& queue,
             std::optional<std::set<int>> chosen, const std::atomic<bool>& active);

    // After each call the reader made, with what the module answered.
    void polled(std::int32_t connection);
    void rawInfoRead(std::int32_t index, std::int32_t header, std::int32_t byteCount);
    void rawDataRead(std::int32_t index, const std::uint8_t* data);
    void commandSent(std::int32_t index, std::int32_t result);

private:
    struct Name {
        std::uint8_t length = 0;
        std::array<std::uint8_t, QUELBIN_NAME_SIZE> bytes{};
        bool operator==(const Name& other) const {
            return length == other.length &&
                   std::equal(bytes.begin(), bytes.begin() + length, other.bytes.begin());
        }
    };
    struct Sensor {
        Name name;
        std::int32_t type = 0;
        bool described = false;
        bool operator==(const Sensor& other) const = default;
    };
    struct Pending {
        std::uint64_t poll = 0;
        std::int32_t header = 0;
        std::int32_t byteCount = 0;
    };

    bool recorded(std::int32_t index) const;
    Reading& add(recording::RowKind kind, std::int64_t time);
    void noteConnection(std::int32_t connection, std::int64_t time, bool& changed);
    void noteSensors(bool connectionChanged, std::int64_t time);
    void noteCommands(bool connectionChanged, std::int64_t time);
    void readSensors(std::int64_t time);
    void addData(std::int32_t index, std::int64_t time, std::int32_t header, std::int32_t byteCount,
                 const std::uint8_t* data);
    // The name in a buffer the module wrote, up to its zero byte.
    static Name nameOf(const char* buffer);

    const QuelbinFunctions& m_module;
    ReadingQueue& m_queue;
    std::optional<std::set<int>> m_chosen;
    const std::atomic<bool>& m_active;

    std::uint64_t m_poll = 0;
    bool m_connected = false;
    Name m_statusText;
    std::int32_t m_sensorCount = 0;
    std::vector<Sensor> m_sensors;
    std::int32_t m_commandCount = 0;
    std::vector<Name> m_commands;
    // The sensors the reader read in this poll and in the one before.
    std::bitset<recordedSensors> m_readerNow;
    std::bitset<recordedSensors> m_readerBefore;
    std::array<Pending, recordedSensors> m_pending{};
    // A poll's readings, handed over in one go.
    std::vector<Reading> m_staging;
    // The module may write past the 128 bytes of a buffer: room to spare.
    std::vector<char> m_nameBuffer;
    std::vector<std::uint8_t> m_rawBuffer;
};

} // namespace solvane::record
