// An MQTT client on a thread of its own: connects to the broker (TLS with
// certificate checks for mqtts://, user name and password when given),
// subscribes, hands over what arrives, and connects again by itself after
// any failure. Problems go to a ProblemReporter, one line each.
#pragma once

#include "linksettings.h"
#include "problemreporter.h"

#include <mosquitto.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>

namespace solvane::mqtt {

// Time between two connection attempts.
inline constexpr std::chrono::milliseconds retryDelay{1000};
// The largest packet the link accepts, announced to the broker so that it
// delivers nothing bigger.
inline constexpr std::uint32_t largestPacket = 256 * 1024;

class BrokerLink {
public:
    using Clock = std::chrono::steady_clock;
    using MessageHandler =
        std::function<void(const std::string& topic, std::string_view payload, bool retained)>;
    using Hook = std::function<void()>;

    // `onReady` runs on the link's thread after each accepted connection,
    // once the broker has answered every subscription; `onIdle` at least
    // every 100 ms, connected or not. mosquitto_lib_init() must have been
    // called.
    BrokerLink(LinkSettings settings, ProblemReporter& problems, MessageHandler onMessage,
               Hook onReady, Hook onIdle = {});
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

    // On the link's thread (onIdle): asks the broker for an answer, an
    // UNSUBSCRIBE of a topic never subscribed, unless one is awaited.
    void probe(const std::string& topic);
    enum class ProbeState { None, Waiting, Answered, Unanswered };
    // Unanswered after a second without the broker's answer.
    ProbeState probeState(Clock::time_point now) const;

private:
    void run();
    bool configure();
    void connect();
    void waitRetry();
    void idle();
    std::string describe(int rc, int errnoValue);
    std::string user() const;

    static void onConnect(mosquitto*, void* self, int rc, int flags, const mosquitto_property*);
    static void onDisconnect(mosquitto*, void* self, int rc, const mosquitto_property*);
    static void onSubscribe(mosquitto*, void* self, int mid, int count, const int* granted,
                            const mosquitto_property*);
    static void onUnsubscribe(mosquitto*, void* self, int mid, const mosquitto_property*);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message,
                          const mosquitto_property*);
    static void onPublish(mosquitto*, void* self, int mid, int reason, const mosquitto_property*);
    static void onLog(mosquitto*, void* self, int level, const char* text);

    LinkSettings m_settings;
    ProblemReporter& m_problems;
    MessageHandler m_onMessage;
    Hook m_onReady;
    Hook m_onIdle;
    mosquitto* m_client = nullptr;
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_sendWill{false};
    bool m_takenOver = false; // this connection was taken over: said already
    bool m_refused = false;   // the last CONNACK refused us: keep that reason shown
    bool m_answered = false;  // the broker answered this connection (CONNACK)
    std::string m_lastTlsError;
    std::set<int> m_awaitedSubscriptions; // SUBSCRIBE ids not yet acknowledged
    std::mutex m_pendingMutex;
    std::map<int, std::string> m_pending; // QoS 1 message ids and their topics
    int m_probeId = 0;
    Clock::time_point m_probeSent;
    bool m_probeAnswered = false;
    Clock::time_point m_lastIdle;
    std::thread m_thread;
};

} // namespace solvane::mqtt
