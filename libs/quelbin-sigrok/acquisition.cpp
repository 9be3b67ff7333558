#include "acquisition.h"

#include "connection.h"
#include "device.h"
#include "settings.h"

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <span>
#include <utility>

namespace solvane::sigrok {

namespace {

// How often a running acquisition looks at the requests: the delay of a
// command, and of noticing a silence.
constexpr guint requestPollMs = 50;
// How often it looks whether the device's connection still exists.
constexpr std::chrono::milliseconds connectionCheckEvery{500};
// How often a thread that does not stop by itself is interrupted.
constexpr std::chrono::milliseconds interruptEvery{100};

void ignoreSignal(int) {}

// A signal whose delivery only makes the receiving thread's blocking system
// call return (EINTR, no restart), for as long as the object lives.
class InterruptingSignal {
public:
    InterruptingSignal() {
        struct sigaction action {};
        action.sa_handler = &ignoreSignal;
        sigemptyset(&action.sa_mask);
        sigaction(number(), &action, &m_previous);
    }
    ~InterruptingSignal() { sigaction(number(), &m_previous, nullptr); }
    InterruptingSignal(const InterruptingSignal&) = delete;
    InterruptingSignal& operator=(const InterruptingSignal&) = delete;

    static int number() { return SIGRTMAX; }

private:
    struct sigaction m_previous {};
};

sr_dev_driver* findDriver(sr_context* context, const std::string& name) {
    for (sr_dev_driver** driver = sr_driver_list(context); driver && *driver; ++driver) {
        if (name == (*driver)->name)
            return *driver;
    }
    return nullptr;
}

} // namespace

Acquisition::Acquisition(ModuleState& state, std::optional<std::string> deviceText,
                         std::optional<std::string> configText)
    : m_state(state), m_device(Variable{deviceVariable, std::move(deviceText)}),
      m_config(Variable{configVariable, std::move(configText)}), m_context(g_main_context_new()),
      m_thread([this] { run(); }) {}

Acquisition::~Acquisition() {
    m_thread.join();
    g_main_context_unref(m_context);
}

bool Acquisition::finish(std::chrono::milliseconds bound) {
    std::unique_lock lock(m_requestMutex);
    m_requests.shutdown = true;
    m_requestChanged.notify_all();
    const auto ended = [this] { return m_ended; };
    if (m_requestChanged.wait_for(lock, bound / 2, ended))
        return true;
    // libsigrok cannot cancel a call that waits on a device: a network
    // instrument that accepted the connection and never answers keeps a
    // scan in recv() for good. Interrupt the thread's blocking call so that
    // the failure it makes brings the thread back to its own loop.
    const InterruptingSignal interrupting;
    const auto deadline = std::chrono::steady_clock::now() + (bound - bound / 2);
    while (std::chrono::steady_clock::now() < deadline) {
        pthread_kill(m_thread.native_handle(), InterruptingSignal::number());
        if (m_requestChanged.wait_for(lock, interruptEvery, ended))
            return true;
    }
    return false;
}

void Acquisition::request(Command command) {
    {
        std::lock_guard lock(m_requestMutex);
        switch (command) {
        case Command::Start:
            m_requests.running = true;
            break;
        case Command::Stop:
            m_requests.running = false;
            break;
        case Command::Reconnect:
            m_requests.reconnect = true;
            break;
        }
    }
    m_requestChanged.notify_all();
}

Acquisition::Requests Acquisition::requests() const {
    std::lock_guard lock(m_requestMutex);
    return m_requests;
}

template <typename Until>
Acquisition::Requests Acquisition::waitUntil(Until until,
                                             std::optional<std::chrono::milliseconds> timeout) {
    std::unique_lock lock(m_requestMutex);
    const auto holds = [&] { return until(m_requests); };
    if (timeout)
        m_requestChanged.wait_for(lock, *timeout, holds);
    else
        m_requestChanged.wait(lock, holds);
    return m_requests;
}

void Acquisition::report(const Variable& variable, const std::string& problem) {
    const std::string text = describeVariable(variable) + ": " + problem;
    std::fputs(("libQuelbin (sigrok): " + text + "\n").c_str(), stderr);
    std::lock_guard lock(m_messageMutex);
    m_problem = text;
}

std::string Acquisition::problem() const {
    std::lock_guard lock(m_messageMutex);
    return m_problem;
}

std::string Acquisition::takeLibraryMessage() {
    std::lock_guard lock(m_messageMutex);
    return std::exchange(m_libraryMessage, {});
}

int Acquisition::onLibraryMessage(void* self, int level, const char* format, va_list arguments) {
    // Kept for the one line that reports a failure, never printed on its own.
    if (level > SR_LOG_WARN)
        return SR_OK;
    gchar* text = g_strdup_vprintf(format, arguments);
    auto* acquisition = static_cast<Acquisition*>(self);
    {
        std::lock_guard lock(acquisition->m_messageMutex);
        acquisition->m_libraryMessage = text;
    }
    g_free(text);
    return SR_OK;
}

void Acquisition::run() {
    pthread_setname_np(pthread_self(), "quelbin-sigrok");
    // libsigrok runs its sessions on the thread's default context: this one.
    g_main_context_push_thread_default(m_context);
    sr_log_callback_set(&Acquisition::onLibraryMessage, this);
    // What was prepared goes before libsigrok's context does.
    if (const std::optional<Prepared> prepared = prepare())
        keepOpen(*prepared);
    else
        waitUntil([](const Requests& r) { return r.shutdown; });
    if (m_sigrok != nullptr)
        sr_exit(m_sigrok);
    sr_log_callback_set_default();
    g_main_context_pop_thread_default(m_context);
    std::lock_guard lock(m_requestMutex);
    m_ended = true;
    m_requestChanged.notify_all();
}

// Reads the two variables and finds the driver; nothing after reporting what
// is wrong, which no later attempt would mend.
std::optional<Acquisition::Prepared> Acquisition::prepare() {
    if (!m_device.text) {
        report(m_device,
               std::string("set it to the instrument to watch, as in ") + deviceVariable + "=demo");
        return std::nullopt;
    }
    const Parsed<DeviceString> device = parseDeviceString(*m_device.text);
    if (!device.value) {
        report(m_device, device.error);
        return std::nullopt;
    }
    const Parsed<std::vector<Setting>> settings = parseSettings(m_config.text.value_or(""));
    if (!settings.value) {
        report(m_config, settings.error);
        return std::nullopt;
    }
    if (const int result = sr_init(&m_sigrok); result != SR_OK) {
        m_sigrok = nullptr;
        report(m_device, "libsigrok could not start" + libraryError(result));
        return std::nullopt;
    }
    Prepared prepared;
    prepared.driver = findDriver(m_sigrok, device.value->driver);
    if (prepared.driver == nullptr) {
        report(m_device, "libsigrok has no driver '" + device.value->driver + "'");
        return std::nullopt;
    }
    if (const int result = sr_driver_init(m_sigrok, prepared.driver); result != SR_OK) {
        report(m_device, "the driver could not start" + libraryError(result));
        return std::nullopt;
    }
    GArray* scanKeys = sr_driver_scan_options_list(prepared.driver);
    const std::span<const std::uint32_t> allowed =
        scanKeys ? std::span<const std::uint32_t>(reinterpret_cast<std::uint32_t*>(scanKeys->data),
                                                  scanKeys->len)
                 : std::span<const std::uint32_t>();
    Parsed<std::vector<ConfigValue>> options = toConfigValues(device.value->options, allowed);
    if (scanKeys != nullptr)
        g_array_free(scanKeys, TRUE);
    if (!options.value) {
        report(m_device, options.error);
        return std::nullopt;
    }
    Parsed<std::vector<ConfigValue>> values = toConfigValues(*settings.value);
    if (!values.value) {
        report(m_config, values.error);
        return std::nullopt;
    }
    for (const Setting& option : device.value->options) {
        if (option.key == "conn" && option.value)
            prepared.connectionNode = connectionNode(*option.value);
    }
    prepared.scanOptions = std::move(*options.value);
    prepared.settings = std::move(*values.value);
    for (const ConfigValue& setting : prepared.settings) {
        if (setting.key == SR_CONF_LIMIT_SAMPLES || setting.key == SR_CONF_LIMIT_MSEC ||
            setting.key == SR_CONF_LIMIT_FRAMES)
            prepared.limits += (prepared.limits.empty() ? "" : ", ") + setting.text;
    }
    return prepared;
}

// Opens the device, acquires, and opens it again whenever it is lost or asked
// to reconnect, until the library unloads. One line reports the first failure
// of a run of them.
void Acquisition::keepOpen(const Prepared& prepared) {
    bool failing = false;
    const auto shutdown = [](const Requests& r) { return r.shutdown; };
    const auto shutdownOrReconnect = [](const Requests& r) { return r.shutdown || r.reconnect; };
    const std::string retrying =
        "; opening it again every " + std::to_string(retryDelay.count()) + " s";
    while (!requests().shutdown) {
        {
            // Once open, the device acquires by itself.
            std::lock_guard lock(m_requestMutex);
            m_requests.reconnect = false;
            m_requests.running = true;
        }
        takeLibraryMessage();
        Device::Opening opening =
            nodePresent(prepared.connectionNode)
                ? Device::open(m_sigrok, prepared.driver, prepared.scanOptions, prepared.settings,
                               m_state)
                : Device::Opening{nullptr, "'" + prepared.connectionNode + "' is not there", false};
        if (requests().shutdown)
            return;
        if (!opening.device) {
            const std::string message = takeLibraryMessage();
            const std::string cause = opening.error + (message.empty() ? "" : ": " + message);
            if (opening.settingRefused) {
                report(m_config, cause);
                waitUntil(shutdown);
                return;
            }
            if (!failing)
                report(m_device,
                       cause + "; trying again every " + std::to_string(retryDelay.count()) + " s");
            failing = true;
            waitUntil(shutdownOrReconnect, retryDelay);
            continue;
        }
        failing = false;
        {
            std::lock_guard lock(m_messageMutex);
            m_problem.clear();
        }
        opening.device->settleLine([this] {
            const Requests now = requests();
            return !now.shutdown && !now.reconnect;
        });
        m_state.connect(opening.device->sensors());
        const Ending ending = acquire(*opening.device, prepared);
        m_state.disconnect();
        opening.device.reset();
        if (ending.lost) {
            report(m_device, ending.why + retrying);
            failing = true;
            waitUntil(shutdownOrReconnect, retryDelay);
        }
    }
}

// Runs the acquisition, paused and resumed on request, until a reconnection
// or the unloading asks to close the device, or the device is lost: gone,
// silent, stopped by itself or refusing to start. A session that the
// device's own limits end starts again after a pause, the device still open
// and its last data still readable.
Acquisition::Ending Acquisition::acquire(Device& device, const Prepared& prepared) {
    bool limitReported = false;
    for (;;) {
        const Requests now =
            waitUntil([](const Requests& r) { return r.shutdown || r.reconnect || r.running; });
        if (now.shutdown || now.reconnect)
            return {};
        if (!device.start())
            return {true, "the device would not start acquiring" + libraryMessageInBrackets()};
        // The source runs on this thread, within device.run(), and is gone
        // before `watch` is.
        Watch watch{*this, device, false, {}, {}};
        GSource* source = g_timeout_source_new(requestPollMs);
        g_source_set_callback(source, &Acquisition::onWatch, &watch, nullptr);
        g_source_attach(source, m_context);
        device.run();
        g_source_destroy(source);
        g_source_unref(source);
        if (!watch.lost.empty())
            return {true, watch.lost};
        if (watch.stopAsked)
            continue;
        const std::string message = libraryMessageInBrackets();
        if (prepared.limits.empty() || !device.connectionPresent())
            return {true, "the device stopped acquiring" + message};
        if (!limitReported)
            report(m_device, "the device stopped acquiring: " + prepared.limits +
                                 " ended it; starting it again every " +
                                 std::to_string(retryDelay.count()) + " s");
        limitReported = true;
        const Requests after = waitUntil(
            [](const Requests& r) { return r.shutdown || r.reconnect || !r.running; }, retryDelay);
        if (after.shutdown || after.reconnect)
            return {};
    }
}

std::string Acquisition::libraryMessageInBrackets() {
    const std::string message = takeLibraryMessage();
    return message.empty() ? message : " (" + message + ")";
}

gboolean Acquisition::onWatch(void* data) {
    auto& watch = *static_cast<Watch*>(data);
    if (watch.stopAsked)
        return G_SOURCE_CONTINUE;
    const Requests now = watch.acquisition.requests();
    const auto time = Pace::Clock::now();
    if (now.shutdown || now.reconnect || !now.running) {
        watch.stopAsked = true;
    } else if (time >= watch.nextConnectionCheck) {
        watch.nextConnectionCheck = time + connectionCheckEvery;
        if (!watch.device.connectionPresent())
            watch.lost = "its connection '" + watch.device.connection() + "' is gone";
    }
    if (watch.lost.empty() && !watch.stopAsked && watch.device.pace().silent(time)) {
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(watch.device.pace().silence(time));
        watch.lost = "nothing received for " + std::to_string(seconds.count()) + " s";
    }
    if (watch.stopAsked || !watch.lost.empty()) {
        watch.stopAsked = true;
        watch.device.stop();
    }
    return G_SOURCE_CONTINUE;
}

} // namespace solvane::sigrok
