// State of the simulated acquisition module: connection, plugged-in sensors,
// frame counter and the commands that change them.
#ifndef SOLVANE_SIM_MODULE_H
#define SOLVANE_SIM_MODULE_H

#include "sensors.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace solvane::sim {

enum class Command : int32_t {
    Disconnect,
    Reconnect,
    AddSensor,
    RemoveSensor,
    ResetFrameCounter,
    Calibrate,
};

class Module {
public:
    Module();

    bool connected() const { return m_connected; }
    // Sensors visible to the program: none while disconnected.
    int32_t sensorCount() const;
    const SensorModel* sensor(int32_t index) const;

    struct FrameInfo {
        int32_t header;
        int32_t byteCount;
    };
    // Takes a new frame of sensor `index`; it stays the sensor's latest frame
    // until the next acquisition.
    std::optional<FrameInfo> acquire(int32_t index);
    // The sensor's latest frame, taken now if it has none yet.
    const Frame* latestFrame(int32_t index);

    static int32_t commandCount();
    // Windows-1252 text.
    static const char* commandName(int32_t index);
    // Why the module reads disconnected, Windows-1252: only a command
    // disconnects it.
    static const char* disconnectedText();
    // Returns false, changing nothing, when the command cannot be carried out
    // in the module's present state.
    bool execute(int32_t index);

private:
    using Clock = std::chrono::steady_clock;

    SampleTime now() const;
    Frame sample(std::size_t catalogueIndex) const;
    std::optional<std::size_t> catalogueIndex(int32_t index) const;
    bool addSensor();
    bool removeSensor();

    Clock::time_point m_started;
    Clock::time_point m_calibrated;
    bool m_connected = true;
    uint32_t m_frameCounter = 0;
    // Catalogue indices of the plugged-in sensors, in the program's order.
    std::vector<std::size_t> m_plugged;
    // Latest frame per catalogue sensor, so getRawData matches getRawDataInfo.
    std::vector<std::optional<Frame>> m_latest;
};

} // namespace solvane::sim

#endif
