// One instrument found and opened through libsigrok, with its acquisition
// session. Used on the acquisition thread only; its data go to the module
// state as packets arrive.
#pragma once

#include "configvalue.h"
#include "modulestate.h"
#include "pace.h"

#include <libsigrok/libsigrok.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace solvane::sigrok {

// Solvane shows at most this many sensors: the device's first channels.
inline constexpr std::size_t maxSensors = 32;

class Device {
public:
    struct Opening {
        std::unique_ptr<Device> device;
        std::string error;
        bool settingRefused = false; // the settings are wrong: trying again will not help
    };
    // Scans with the driver's options, opens the first device found and
    // applies the settings.
    static Opening open(sr_context* context, sr_dev_driver* driver,
                        const std::vector<ConfigValue>& scanOptions,
                        const std::vector<ConfigValue>& settings, ModuleState& state);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    const std::vector<SensorInfo>& sensors() const { return m_sensors; }
    const Pace& pace() const { return m_pace; }
    // What the device was found on, for messages ("/dev/ttyUSB0").
    const std::string& connection() const { return m_connection; }
    // False once the port or USB device it was found on has gone away.
    bool connectionPresent() const;
    // Drops what a reopening left on the serial line of a device whose
    // several analog channels may come one packet after another, until the
    // line falls quiet or `goOn` turns false: its first session then reads
    // from the start of an answer. Nothing for other devices.
    void settleLine(const std::function<bool()>& goOn) const;
    bool start();
    // Runs the session on the thread's default main context until it stops:
    // asked to by stop() (from a source on that context), or by itself.
    void run();
    void stop();

private:
    Device(sr_dev_driver* driver, sr_dev_inst* instance, ModuleState& state);
    bool listChannels();
    void readPace();
    static void onPacket(const sr_dev_inst* instance, const sr_datafeed_packet* packet, void* self);
    void onLogic(const sr_datafeed_logic& logic);
    void onAnalog(const sr_datafeed_analog& analog);

    struct Channel {
        const sr_channel* channel;
        std::size_t sensor;
    };
    sr_dev_driver* m_driver;
    sr_dev_inst* m_instance;
    sr_session* m_session = nullptr;
    bool m_open = false;
    ModuleState& m_state;
    std::vector<SensorInfo> m_sensors;
    std::vector<Channel> m_logic;
    std::vector<Channel> m_analog;
    std::vector<float> m_floats;
    Pace m_pace;
    std::string m_connection;
    std::string m_connectionNode;
};

} // namespace solvane::sigrok
