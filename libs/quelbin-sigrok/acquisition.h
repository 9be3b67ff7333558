// The library's own thread: it finds and opens the instrument named by the
// environment, acquires continuously into the module state, carries out
// the commands, and opens the device again when it is lost. Solvane's calls
// never wait on it.
#pragma once

#include "configvalue.h"
#include "modulestate.h"

#include <libsigrok/libsigrok.h>

#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace solvane::sigrok {

class Device;

// The module's commands, by index.
enum class Command : std::int32_t { Start = 0, Stop = 1, Reconnect = 2 };

// Time between two attempts at opening a device that is missing or lost,
// and between two sessions of a device whose own limit ends them.
inline constexpr std::chrono::seconds retryDelay{2};

class Acquisition {
public:
    // The two variables' texts, as read from the environment (nullopt: unset).
    Acquisition(ModuleState& state, std::optional<std::string> deviceText,
                std::optional<std::string> configText);
    // Only once finish() has returned true: joins the thread.
    ~Acquisition();
    Acquisition(const Acquisition&) = delete;
    Acquisition& operator=(const Acquisition&) = delete;

    // Returns at once; the thread carries the command out.
    void request(Command command);

    // The latest problem reported, UTF-8, without the line's prefix; empty
    // once the device is open again. While open, what the library said of it
    // since (a session its own limit ended).
    std::string problem() const;

    // Asks the thread to stop the acquisition, close the device and end,
    // and waits for it at most `bound`, interrupting its blocking calls in
    // the second half. False: it is still in a call libsigrok cannot cut
    // short (a serial scan waits out its own timeout); it ends by itself
    // later, and this object must outlive it.
    bool finish(std::chrono::milliseconds bound);

private:
    struct Requests {
        bool shutdown = false;
        bool reconnect = false;
        bool running = true;
    };
    // What opening the device takes, read from the two variables.
    struct Prepared {
        sr_dev_driver* driver = nullptr;
        std::vector<ConfigValue> scanOptions;
        std::vector<ConfigValue> settings;
        // The settings that end a session by themselves ("limit_samples=5"),
        // for the line that says so; empty if none.
        std::string limits;
        // The file that stands for the connection named by "conn=...", if
        // any: while it is missing, scanning is no use.
        std::string connectionNode;
    };
    // The callback data of the source that watches the requests, the
    // connection and the device's silence while a session runs.
    struct Watch {
        Acquisition& acquisition;
        Device& device;
        bool stopAsked = false;
        std::string lost; // why the device counts as lost, if it does
        std::chrono::steady_clock::time_point nextConnectionCheck;
    };
    // How an acquisition ended: closing asked for, or the device lost.
    struct Ending {
        bool lost = false;
        std::string why;
    };

    void run();
    std::optional<Prepared> prepare();
    void keepOpen(const Prepared& prepared);
    Ending acquire(Device& device, const Prepared& prepared);

    Requests requests() const;
    // Waits until `until` holds of the requests, or for at most `timeout`.
    template <typename Until>
    Requests waitUntil(Until until,
                       std::optional<std::chrono::milliseconds> timeout = std::nullopt);
    // Writes the problem's line and keeps it for problem().
    void report(const Variable& variable, const std::string& problem);
    std::string takeLibraryMessage();
    // " (libsigrok's last warning)", or nothing.
    std::string libraryMessageInBrackets();
    static int onLibraryMessage(void* self, int level, const char* format, va_list arguments);
    static gboolean onWatch(void* data);

    ModuleState& m_state;
    const Variable m_device;
    const Variable m_config;

    mutable std::mutex m_requestMutex;
    std::condition_variable m_requestChanged;
    Requests m_requests;
    bool m_ended = false; // the thread has done all its work

    mutable std::mutex m_messageMutex;
    std::string m_libraryMessage; // libsigrok's last warning or error
    std::string m_problem;        // the latest line reported

    // The acquisition thread's own.
    GMainContext* m_context;
    sr_context* m_sigrok = nullptr;

    std::thread m_thread; // last: it starts once everything above is ready
};

} // namespace solvane::sigrok
