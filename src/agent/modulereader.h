// Reads the module through the acquisition library exactly as the window
// does (src/acquisition/quelbinlibrary: buffers with room to spare), with
// the same mends for hostile answers: counts clamped to 16 bits, byte counts
// beyond the buffer cut to it, negative ones read as none. Decoded values
// come from the conversion library.
#pragma once

#include "wire.h"

#include <cstdint>
#include <optional>
#include <set>

namespace agent {

class ModuleReader {
public:
    explicit ModuleReader(std::optional<std::set<int>> chosenSensors);

    // Loads both libraries and looks up every function now, so that a
    // missing one ends the agent at start, not at its first use. Raises the
    // library or function error.
    static void loadLibraries();

    // The connection, and the sensors and commands, read again whenever the
    // connection or a count changes (as the window rebuilds its lists).
    const solvane::mqtt::ModuleDescription& readState();
    // The chosen sensors' data; after readState().
    solvane::mqtt::PollReading readPoll(std::uint64_t number);

    // Runs the command, whether the module reads connected or not, as the
    // window does; false, without calling the library, for an index the
    // module does not offer.
    bool runCommand(std::int32_t index);

private:
    solvane::mqtt::ModuleDescription m_state;
    std::optional<std::set<int>> m_chosen;
    bool m_read = false;
    std::int16_t m_deviceCount = 0;
    std::int16_t m_commandCount = 0;
};

} // namespace agent
