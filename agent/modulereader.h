// Reads the module for the agent through the same code as the window
// (src/acquisition/modulereading.h: counts held in 16 bits, a sensor's
// description, names decoded in the system's code page, a sensor's data and
// the bytes of its count within the buffer; the buffers with room to spare
// of quelbinlibrary.h; modConversion::Decode for the values).
//
// Where the agent deliberately differs from the window, here and nowhere
// else: it never raises the window's run-time errors nor opens a box. A
// sensor the library cannot describe is published with no type, where the
// window shows a box and the type as written. The lists hold what the wire
// carries, the first 32 sensors and 256 commands, a negative count none.
// Names are published whole, up to their zero byte, as the module gives
// them; the window shows a sensor's leading name characters only. Values are
// decoded for whole elements within the byte count only, and a command runs
// only at an index the module offers.
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
