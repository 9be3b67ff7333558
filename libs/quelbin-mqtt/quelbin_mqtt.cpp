// The acquisition library's entry points for a module watched over MQTT.
// SOLVANE_MQTT_URL names the broker and the module; the link's own thread
// receives what the module's agent publishes, and these functions read a
// snapshot of it taken at getNbAcqui, so that none waits on the network and
// the answers of one tick agree.
#include "quelbin.h"

#include "brokeraddress.h"
#include "brokerlink.h"
#include "localfiles.h"
#include "namebuffer.h"
#include "remotemodule.h"
#include "staysloaded.h"
#include "topics.h"
#include "wire.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

namespace {

using namespace solvane;
using namespace solvane::mqtt;

constexpr const char* urlVariable = "SOLVANE_MQTT_URL";
constexpr const char* usernameVariable = "SOLVANE_MQTT_USERNAME";
constexpr const char* passwordFileVariable = "SOLVANE_MQTT_PASSWORD_FILE";
constexpr const char* caFileVariable = "SOLVANE_MQTT_CAFILE";
constexpr const char* passwordInClearVariable = "SOLVANE_MQTT_ALLOW_PASSWORD_IN_CLEAR";

// "v" and 12 random digits; appended, for GCC 12 warns of an overlap that
// cannot be in "v" + ....
std::string commandIdPrefix() {
    std::string prefix("v");
    prefix += randomHex(12);
    prefix += '-';
    return prefix;
}

// Made on the first call; destroyed, link stopped, when the library is
// unloaded or the program ends (not on Windows, see staysloaded.h).
class Library {
public:
    Library()
        : m_problems("quelbin-mqtt"),
          // The command ids others read on the command topic: apart from
          // the client id, which nobody may learn and take over.
          m_commandPrefix(commandIdPrefix()) {
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
            m_problems.report(std::string(urlVariable) + "=" + shownUrl(*url) + ": " +
                              (parsed.value ? "no module name after the host" : parsed.error));
            return;
        }
        const BrokerAddress& address = *parsed.value;
        m_moduleName = address.module;
        m_topics.emplace(address.module);

        LinkSettings settings;
        settings.address = address;
        settings.clientId = "solvane-viewer-" + randomHex(16);
        settings.username = environmentValue(usernameVariable);
        settings.caFile = environmentValue(caFileVariable);
        settings.subscriptions = {{m_topics->status}, {m_topics->state}, {m_topics->poll}};
        const SettingsSource source{environmentValue(passwordFileVariable),
                                    environmentValue(passwordInClearVariable) == "1",
                                    passwordFileVariable, caFileVariable, passwordInClearVariable};
        if (const auto problem = completeSettings(settings, source)) {
            // Nothing to retry: the module reads disconnected until the
            // settings are mended and Solvane started again.
            m_problems.report(*problem);
            return;
        }
        m_module = std::make_unique<RemoteModule>(address.module, m_problems);
        m_link = std::make_unique<BrokerLink>(
            settings, m_problems,
            [this](const std::string& topic, std::string_view payload, bool) {
                m_module->receive(topic, payload, Clock::now());
            },
            [this] { m_module->linkUp(true, Clock::now()); }, [this] { idle(); });
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
            if (m_snapshot.reachable)
                m_unsentSaid = false;
        }
        return m_snapshot.connected ? 1 : 0;
    }

    template <typename Read> auto read(Read&& reader) {
        std::lock_guard lock(m_snapshotMutex);
        return reader(static_cast<const Snapshot&>(m_snapshot));
    }

    bool sendCommand(int32_t index) {
        CommandRequest request;
        {
            std::lock_guard lock(m_snapshotMutex);
            if (!m_module)
                return false;
            if (!m_snapshot.reachable) {
                // Sent now, it could run whenever the broker or the agent
                // comes back: nothing is sent, and the reason said once.
                if (!m_unsentSaid)
                    m_problems.event("commands not sent",
                                     "command " + std::to_string(index) + " not sent: module '" +
                                         m_moduleName + "' reads disconnected (" +
                                         m_module->unreachableReason(Clock::now()) + ")");
                m_unsentSaid = true;
                return false;
            }
            if (index < 0 || static_cast<std::size_t>(index) >= m_snapshot.commands.size())
                return false;
            if (!m_snapshot.commandsAllowed) {
                m_problems.event("commands not sent",
                                 "module '" + m_moduleName +
                                     "': its agent runs no commands (started without "
                                     "--allow-commands); command " +
                                     std::to_string(index) + " not sent");
                return false;
            }
            const auto position = static_cast<std::size_t>(index);
            request = {index, m_snapshot.commands[position], m_snapshot.latestPoll,
                       m_commandPrefix + std::to_string(++m_commandCount)};
        }
        return m_link->publish(m_topics->command, encodeCommand(request), 1, false);
    }

    // The problem the library reported last and that still holds; else,
    // while the module reads disconnected, why.
    std::string statusText() {
        std::string problem = m_problems.current();
        if (!problem.empty() || !m_module)
            return problem;
        std::lock_guard lock(m_snapshotMutex);
        if (!m_snapshot.reachable)
            return "module '" + m_moduleName +
                   "' reads disconnected: " + m_module->unreachableReason(Clock::now());
        if (!m_snapshot.connected)
            return "module '" + m_moduleName + "': disconnected on its agent's computer";
        return {};
    }

private:
    // On the link's thread, every 100 ms.
    void idle() {
        const auto now = Clock::now();
        if (!m_link->connected())
            m_module->linkUp(false, now);
        if (m_module->silenceUnexplained(now))
            m_link->probe(m_topics->command);
        const auto probe = m_link->probeState(now);
        m_module->checkFreshness(now, probe == BrokerLink::ProbeState::Answered,
                                 probe == BrokerLink::ProbeState::Unanswered);
    }

    ProblemReporter m_problems;
    std::string m_commandPrefix;
    std::string m_moduleName;
    std::optional<Topics> m_topics;
    std::unique_ptr<RemoteModule> m_module;
    std::unique_ptr<BrokerLink> m_link;
    std::mutex m_snapshotMutex;
    Snapshot m_snapshot;
    bool m_unsentSaid = false; // the reason no command is sent, said for this outage
    std::uint64_t m_commandCount = 0;
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
        solvane::writeUtf8Name({name, QUELBIN_NAME_SIZE}, sensor->name);
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
        solvane::writeUtf8Name({name, QUELBIN_NAME_SIZE},
                               s.commands[static_cast<std::size_t>(index)]);
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

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getStatusText(char text[QUELBIN_NAME_SIZE]) {
    if (text == nullptr)
        return 0;
    solvane::writeUtf8Line({text, QUELBIN_NAME_SIZE}, library().statusText());
    return 1;
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
