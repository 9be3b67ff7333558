// An MQTT client on a thread of its own: connects to the broker (TLS with
// certificate checks for mqtts://, user name and password when given),
// subscribes, hands over what arrives, and connects again by itself after
// any failure. Problems go to a ProblemLine, one line each.
#pragma once

#include "brokeraddress.h"
#include "problemline.h"

#include <mosquitto.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace solvane::mqtt {

// Time between two connection attempts.
inline constexpr std::chrono::milliseconds retryDelay{1000};

struct LinkSettings {
    BrokerAddress address;
    std::string clientId;
    std::optional<std::string> username;
    std::optional<std::string> passwordFile; // its first line is the password
    std::optional<std::string> caFile;       // none: the system's certificates
    std::vector<std::string> subscriptions;  // subscribed at QoS 1 on each connection
    // Published by the broker when the link ends without a clean goodbye,
    // and when stop() asks for it; retained, QoS 1.
    std::optional<std::pair<std::string, std::string>> will;
};

class BrokerLink {
public:
    using MessageHandler = std::function<void(const std::string& topic, std::string_view payload)>;
    using Hook = std::function<void()>;

    // `onConnected` runs on the link's thread after each accepted connection;
    // `onIdle` at least every 100 ms, connected or not. mosquitto_lib_init()
    // must have been called.
    BrokerLink(LinkSettings settings, ProblemLine& problems, MessageHandler onMessage,
               Hook onConnected, Hook onIdle = {});
    // Ends the thread; the will is published if stop(true) came first.
    ~BrokerLink();
    BrokerLink(const BrokerLink&) = delete;
    BrokerLink& operator=(const BrokerLink&) = delete;

    void start();
    // Says goodbye to the broker (asking it to publish the will, or not) and
    // ends the thread within about a second.
    void stop(bool publishWill);

    bool connected() const { return m_connected; }
    std::string url() const;

    // Queues the message; false when the link is down or the client refuses
    // it. A refusal by the broker (QoS 1: its access rules) is reported.
    bool publish(const std::string& topic, const std::string& payload, int qos, bool retain);

private:
    void run();
    bool configure();
    void connect();
    void waitRetry();
    void idle();
    std::string describe(int rc, int errnoValue);

    static void onConnect(mosquitto*, void* self, int rc, int flags, const mosquitto_property*);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message,
                          const mosquitto_property*);
    static void onPublish(mosquitto*, void* self, int mid, int reason, const mosquitto_property*);
    static void onLog(mosquitto*, void* self, int level, const char* text);

    LinkSettings m_settings;
    ProblemLine& m_problems;
    MessageHandler m_onMessage;
    Hook m_onConnected;
    Hook m_onIdle;
    mosquitto* m_client = nullptr;
    std::optional<std::string> m_password;
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_sendWill{false};
    bool m_refused = false; // the last CONNACK refused us: keep that reason shown
    std::string m_lastTlsError;
    std::mutex m_pendingMutex;
    std::map<int, std::string> m_pending; // QoS 1 message ids and their topics
    std::chrono::steady_clock::time_point m_lastIdle;
    std::thread m_thread;
};

} // namespace solvane::mqtt
