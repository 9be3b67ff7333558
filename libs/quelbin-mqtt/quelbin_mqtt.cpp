// The acquisition library's entry points for a module watched over MQTT.
// SOLVANE_MQTT_URL names the broker and the module; the link's own thread
// receives what the module's agent publishes, and these functions read a
// snapshot of it taken at getNbAcqui, so that none waits on the network and
// the answers of one tick agree.
#include "quelbin.h"

#include "brokeraddress.h"
#include "brokerlink.h"
#include "remotemodule.h"
#include "residence.h"
#include "topics.h"
#include "wire.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>

namespace {

using namespace solvane::mqtt;

constexpr const char* urlVariable = "SOLVANE_MQTT_URL";
constexpr const char* usernameVariable = "SOLVANE_MQTT_USERNAME";
constexpr const char* passwordFileVariable = "SOLVANE_MQTT_PASSWORD_FILE";
constexpr const char* caFileVariable = "SOLVANE_MQTT_CAFILE";

std::optional<std::string> environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? std::optional<std::string>(value) : std::nullopt;
}

std::string randomHex() {
    std::random_device device;
    std::uniform_int_distribution<unsigned> digit(0, 15);
    std::string text;
    for (int i = 0; i < 12; ++i)
        text += "0123456789abcdef"[digit(device)];
    return text;
}

// Made on the first call; destroyed, link stopped, when the library is
// unloaded or the program ends (not on Windows, see residence.h).
class Library {
public:
    Library() : m_problems("quelbin-mqtt"), m_clientId("solvane-viewer-" + randomHex()) {
        mosquitto_lib_init();
        const auto url = environmentValue(urlVariable);
        if (!url) {
            m_problems.report(std::string(urlVariable) +
                              " is not set: it must name the broker and the module, "
                              "mqtt://HOST:PORT/MODULE or mqtts://HOST:PORT/MODULE");
            return;
        }
        const ParsedAddress parsed = parseBrokerUrl(*url);
        if (!parsed.value || parsed.value->module.empty()) {
            m_problems.report(std::string(urlVariable) + "='" + *url + "': " +
                              (parsed.value ? "no module name after the host" : parsed.error));
            return;
        }
        const BrokerAddress& address = *parsed.value;
        m_moduleName = address.module;
        m_topics.emplace(address.module);
        m_module = std::make_unique<RemoteModule>(address.module, m_problems);

        LinkSettings settings;
        settings.address = address;
        settings.clientId = m_clientId;
        settings.username = environmentValue(usernameVariable);
        settings.passwordFile = environmentValue(passwordFileVariable);
        settings.caFile = environmentValue(caFileVariable);
        settings.subscriptions = {m_topics->status, m_topics->state, m_topics->poll};
        m_link = std::make_unique<BrokerLink>(
            settings, m_problems,
            [this](const std::string& topic, std::string_view payload) {
                m_module->receive(topic, payload, Clock::now());
            },
            [this] { m_module->linkUp(true, Clock::now()); },
            [this] {
                if (!m_link->connected())
                    m_module->linkUp(false, Clock::now());
                m_module->checkFreshness(Clock::now());
            });
        stayLoaded();
        m_link->start();
    }

    ~Library() {
        // Stopped before it goes: its thread's hooks reach m_link.
        if (m_link)
            m_link->stop(false);
        m_link.reset();
        mosquitto_lib_cleanup();
    }

    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    int32_t takeSnapshot() {
        std::lock_guard lock(m_snapshotMutex);
        if (m_module) {
            m_snapshot = m_module->snapshot(Clock::now());
            // A lost link shows at once, before the idle check notices.
            if (!m_link->connected())
                m_snapshot = Snapshot{};
        }
        return m_snapshot.connected ? 1 : 0;
    }

    template <typename Read> auto read(Read&& reader) {
        std::lock_guard lock(m_snapshotMutex);
        return reader(static_cast<const Snapshot&>(m_snapshot));
    }

    bool sendCommand(int32_t index) {
        bool allowed = false;
        {
            std::lock_guard lock(m_snapshotMutex);
            if (!m_snapshot.connected || index < 0 ||
                static_cast<std::size_t>(index) >= m_snapshot.commands.size())
                return false;
            allowed = m_snapshot.commandsAllowed;
        }
        if (!allowed) {
            m_problems.event("module '" + m_moduleName +
                             "': its agent runs no commands (started without --allow-commands); "
                             "command " +
                             std::to_string(index) + " not sent");
            return false;
        }
        const CommandRequest request{index, m_clientId + "-" + std::to_string(++m_commandCount)};
        return m_link->publish(m_topics->command, encodeCommand(request), 1, false);
    }

private:
    ProblemLine m_problems;
    std::string m_clientId;
    std::string m_moduleName;
    std::optional<Topics> m_topics;
    std::unique_ptr<RemoteModule> m_module;
    std::unique_ptr<BrokerLink> m_link;
    std::mutex m_snapshotMutex;
    Snapshot m_snapshot;
    std::atomic<std::uint64_t> m_commandCount{0};
};

void release(Library* instance) {
    if (tearDownAtUnload())
        delete instance;
}

Library& library() {
    static const std::unique_ptr<Library, void (*)(Library*)> instance(new Library, release);
    return *instance;
}

const Snapshot::Sensor* sensorAt(const Snapshot& snapshot, int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= snapshot.sensors.size())
        return nullptr;
    return &snapshot.sensors[static_cast<std::size_t>(index)];
}

} // namespace

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbAcqui(void) {
    return library().takeSnapshot();
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbDevices(void) {
    return library().read([](const Snapshot& s) { return static_cast<int32_t>(s.sensors.size()); });
}

extern "C" SOLVANE_EXPORT int16_t SOLVANE_CALL getDevice(int32_t index,
                                                         char name[QUELBIN_NAME_SIZE],
                                                         int32_t* dataType) {
    if (name == nullptr || dataType == nullptr)
        return 0;
    return library().read([&](const Snapshot& s) -> int16_t {
        const Snapshot::Sensor* sensor = sensorAt(s, index);
        if (sensor == nullptr)
            return 0;
        std::memcpy(name, sensor->name.c_str(), sensor->name.size() + 1);
        *dataType = sensor->type;
        return 1;
    });
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbCommands(void) {
    return library().read(
        [](const Snapshot& s) { return static_cast<int32_t>(s.commands.size()); });
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getCommandName(int32_t index,
                                                              char name[QUELBIN_NAME_SIZE]) {
    if (name == nullptr)
        return 0;
    return library().read([&](const Snapshot& s) -> int32_t {
        if (index < 0 || static_cast<std::size_t>(index) >= s.commands.size())
            return 0;
        const std::string& text = s.commands[static_cast<std::size_t>(index)];
        std::memcpy(name, text.c_str(), text.size() + 1);
        return 1;
    });
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL addCommand(int32_t index) {
    return library().sendCommand(index) ? 1 : 0;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getRawDataInfo(int32_t index, int32_t* header,
                                                              int32_t* byteCount) {
    if (header == nullptr || byteCount == nullptr)
        return 0;
    return library().read([&](const Snapshot& s) -> int32_t {
        const Snapshot::Sensor* sensor = sensorAt(s, index);
        *header = sensor ? sensor->header : 0;
        *byteCount = sensor ? static_cast<int32_t>(sensor->raw.size()) : 0;
        return *byteCount > 0 ? 1 : 0;
    });
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getRawData(int32_t index,
                                                          uint8_t data[QUELBIN_RAW_SIZE]) {
    if (data == nullptr)
        return 0;
    return library().read([&](const Snapshot& s) -> int32_t {
        const Snapshot::Sensor* sensor = sensorAt(s, index);
        if (sensor == nullptr)
            return 0;
        std::copy(sensor->raw.begin(), sensor->raw.end(), data);
        return static_cast<int32_t>(sensor->raw.size());
    });
}
