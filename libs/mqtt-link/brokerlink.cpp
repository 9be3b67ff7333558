#include "brokerlink.h"

#include "printabletext.h"

#include <mqtt_protocol.h>

#include <cerrno>
#include <cstring>

namespace solvane::mqtt {

namespace {

// The shortest keep-alive libmosquitto accepts; silence is caught sooner by
// the readers' own freshness checks.
constexpr int keepAliveSeconds = 5;
constexpr int loopTimeoutMs = 100;
constexpr std::chrono::milliseconds idleInterval{100};
constexpr auto goodbyeTime = std::chrono::seconds(1);
constexpr auto probeLimit = std::chrono::seconds(1);
// MQTT 5 reason code of a DISCONNECT that asks the broker to publish the will.
constexpr int disconnectWithWill = 0x04;

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

} // namespace

BrokerLink::BrokerLink(LinkSettings settings, ProblemReporter& problems, MessageHandler onMessage,
                       Hook onReady, Hook onIdle)
    : m_settings(std::move(settings)), m_problems(problems), m_onMessage(std::move(onMessage)),
      m_onReady(std::move(onReady)), m_onIdle(std::move(onIdle)) {}

BrokerLink::~BrokerLink() {
    stop(false);
}

void BrokerLink::start() {
    m_thread = std::thread([this] { run(); });
}

void BrokerLink::stop(bool publishWill) {
    m_sendWill = publishWill;
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
}

std::string BrokerLink::url() const {
    const BrokerAddress& a = m_settings.address;
    const bool v6 = a.host.find(':') != std::string::npos;
    return std::string(a.tls ? "mqtts://" : "mqtt://") + (v6 ? "[" : "") + a.host +
           (v6 ? "]" : "") + ":" + std::to_string(a.port);
}

std::string BrokerLink::user() const {
    return m_settings.username ? "user '" + shown(*m_settings.username) + "'"
                               : std::string("this client (no user name)");
}

bool BrokerLink::publish(const std::string& topic, const std::string& payload, int qos,
                         bool retain) {
    if (!m_connected || m_client == nullptr)
        return false;
    int mid = 0;
    // The id is recorded before the broker can answer for it.
    std::lock_guard lock(m_pendingMutex);
    const int rc =
        mosquitto_publish_v5(m_client, &mid, topic.c_str(), static_cast<int>(payload.size()),
                             payload.data(), qos, retain, nullptr);
    if (rc != MOSQ_ERR_SUCCESS)
        return false;
    if (qos > 0)
        m_pending[mid] = topic;
    return true;
}

void BrokerLink::probe(const std::string& topic) {
    if (!m_connected || (m_probeId != 0 && !m_probeAnswered))
        return;
    m_probeAnswered = false;
    m_probeSent = Clock::now();
    if (mosquitto_unsubscribe_v5(m_client, &m_probeId, topic.c_str(), nullptr) != MOSQ_ERR_SUCCESS)
        m_probeId = 0;
}

BrokerLink::ProbeState BrokerLink::probeState(Clock::time_point now) const {
    if (m_probeId == 0)
        return ProbeState::None;
    if (m_probeAnswered)
        return ProbeState::Answered;
    return now - m_probeSent < probeLimit ? ProbeState::Waiting : ProbeState::Unanswered;
}

bool BrokerLink::configure() {
    m_client = mosquitto_new(m_settings.clientId.c_str(), true, this);
    if (m_client == nullptr) {
        m_problems.report("cannot create the MQTT client: " + std::string(std::strerror(errno)));
        return false;
    }
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_int_option(m_client, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_threaded_set(m_client, true);
    mosquitto_connect_v5_callback_set(m_client, &BrokerLink::onConnect);
    mosquitto_disconnect_v5_callback_set(m_client, &BrokerLink::onDisconnect);
    mosquitto_subscribe_v5_callback_set(m_client, &BrokerLink::onSubscribe);
    mosquitto_unsubscribe_v5_callback_set(m_client, &BrokerLink::onUnsubscribe);
    mosquitto_message_v5_callback_set(m_client, &BrokerLink::onMessage);
    mosquitto_publish_v5_callback_set(m_client, &BrokerLink::onPublish);
    mosquitto_log_callback_set(m_client, &BrokerLink::onLog);

    if (m_settings.will) {
        const auto& [topic, payload] = *m_settings.will;
        mosquitto_will_set_v5(m_client, topic.c_str(), static_cast<int>(payload.size()),
                              payload.data(), 1, true, nullptr);
    }
    if (m_settings.username || m_settings.password) {
        mosquitto_username_pw_set(m_client,
                                  m_settings.username ? m_settings.username->c_str() : nullptr,
                                  m_settings.password ? m_settings.password->c_str() : nullptr);
    }
    if (m_settings.address.tls) {
        int rc = MOSQ_ERR_SUCCESS;
        if (m_settings.caFile) {
            rc = mosquitto_tls_set(m_client, m_settings.caFile->c_str(), nullptr, nullptr, nullptr,
                                   nullptr);
        } else {
            rc = mosquitto_int_option(m_client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
            // libmosquitto 2.0 builds the TLS context at the first connection
            // and, with "defaults" on, applies them again at each later one,
            // which it refuses without a CA file ("Invalid function arguments
            // provided."): every reconnection failed. Without defaults the
            // context built first, the system's certificates loaded and the
            // broker's name checked, is used again as it is.
            if (rc == MOSQ_ERR_SUCCESS)
                rc = mosquitto_int_option(m_client, MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 0);
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            m_problems.report("cannot set up TLS" +
                              (m_settings.caFile
                                   ? " with the CA file '" + shown(*m_settings.caFile) + "'"
                                   : std::string()) +
                              ": " + mosquitto_strerror(rc));
            return false;
        }
    }
    return true;
}

void BrokerLink::run() {
    if (!configure()) {
        // Nothing can change without a restart: only the idle work goes on.
        while (!m_stopping) {
            idle();
            std::this_thread::sleep_for(idleInterval);
        }
    } else {
        bool socketOpen = false;
        while (!m_stopping) {
            if (!socketOpen) {
                connect();
                socketOpen = mosquitto_socket(m_client) >= 0;
                if (!socketOpen) {
                    waitRetry();
                    continue;
                }
            }
            const int rc = mosquitto_loop(m_client, loopTimeoutMs, 1);
            idle();
            if (rc != MOSQ_ERR_SUCCESS) {
                m_connected = false;
                if (!m_refused && !m_takenOver)
                    m_problems.report(describe(rc, errno));
                mosquitto_disconnect(m_client);
                socketOpen = false;
                waitRetry();
            }
        }
        if (socketOpen) {
            m_connected = false;
            if (m_sendWill)
                mosquitto_disconnect_v5(m_client, disconnectWithWill, nullptr);
            else
                mosquitto_disconnect(m_client);
            // Until the goodbye is out and the socket closed, or a second.
            const auto end = Clock::now() + goodbyeTime;
            while (mosquitto_socket(m_client) >= 0 && Clock::now() < end)
                mosquitto_loop(m_client, loopTimeoutMs, 1);
        }
    }
    if (m_client != nullptr) {
        mosquitto_destroy(m_client);
        m_client = nullptr;
    }
}

void BrokerLink::connect() {
    m_lastTlsError.clear();
    m_answered = false;
    m_probeId = 0;
    m_awaitedSubscriptions.clear();
    mosquitto_property* properties = nullptr;
    mosquitto_property_add_int32(&properties, MQTT_PROP_MAXIMUM_PACKET_SIZE, largestPacket);
    errno = 0;
    const int rc =
        mosquitto_connect_bind_v5(m_client, m_settings.address.host.c_str(),
                                  m_settings.address.port, keepAliveSeconds, nullptr, properties);
    mosquitto_property_free_all(&properties);
    if (rc != MOSQ_ERR_SUCCESS)
        m_problems.report(describe(rc, errno));
}

void BrokerLink::waitRetry() {
    const auto end = Clock::now() + retryDelay;
    while (!m_stopping && Clock::now() < end) {
        idle();
        std::this_thread::sleep_for(idleInterval);
    }
}

void BrokerLink::idle() {
    const auto now = Clock::now();
    if (now - m_lastIdle < idleInterval)
        return;
    m_lastIdle = now;
    m_problems.tick();
    if (m_onIdle)
        m_onIdle();
}

std::string BrokerLink::describe(int rc, int errnoValue) {
    const std::string where = url() + ": ";
    const std::string port = std::to_string(m_settings.address.port);
    switch (rc) {
    case MOSQ_ERR_TLS:
        if (contains(m_lastTlsError, "certificate"))
            return where + "TLS failed (" + m_lastTlsError + "): the broker's certificate is " +
                   "not trusted by " +
                   (m_settings.caFile ? "the CA file '" + shown(*m_settings.caFile) + "'"
                                      : std::string("the system's certificates")) +
                   " or does not name '" + m_settings.address.host + "'";
        // The handshake met something that is not TLS: a plain listener.
        return where + "the broker does not answer in TLS on port " + port +
               (m_lastTlsError.empty() ? std::string() : " (" + m_lastTlsError + ")") +
               ": is it a plain MQTT port (mqtt://)?";
    case MOSQ_ERR_ERRNO:
        return where + "cannot reach the broker: " +
               (errnoValue != 0 ? std::strerror(errnoValue) : "connection failed");
    case MOSQ_ERR_EAI:
        return where + "unknown host '" + m_settings.address.host + "'";
    case MOSQ_ERR_CONN_LOST:
    case MOSQ_ERR_PROTOCOL:
        if (!m_answered && !m_settings.address.tls)
            return where + "the broker closed the connection without answering: is port " + port +
                   " a TLS port (mqtts://)?";
        return where + "connection to the broker lost";
    case MOSQ_ERR_KEEPALIVE:
        return where + "the broker stopped answering";
    default:
        return where + mosquitto_strerror(rc);
    }
}

void BrokerLink::onConnect(mosquitto*, void* self, int rc, int, const mosquitto_property*) {
    auto* link = static_cast<BrokerLink*>(self);
    link->m_answered = true;
    if (rc != 0) {
        link->m_refused = true;
        link->m_problems.report(link->url() + ": the broker refused the connection of " +
                                link->user() + ": " + mosquitto_reason_string(rc));
        return;
    }
    link->m_refused = false;
    link->m_takenOver = false;
    for (const Subscription& subscription : link->m_settings.subscriptions) {
        int mid = 0;
        if (mosquitto_subscribe_v5(link->m_client, &mid, subscription.topic.c_str(), 1,
                                   subscription.options, nullptr) == MOSQ_ERR_SUCCESS)
            link->m_awaitedSubscriptions.insert(mid);
    }
    link->m_connected = true;
    link->m_problems.resolved(link->url() + ": connected");
    if (link->m_awaitedSubscriptions.empty() && link->m_onReady)
        link->m_onReady();
}

void BrokerLink::onDisconnect(mosquitto*, void* self, int rc, const mosquitto_property*) {
    auto* link = static_cast<BrokerLink*>(self);
    // Said by brokers that say it (mosquitto 2.0 closes the connection
    // without a word).
    if (rc != MQTT_RC_SESSION_TAKEN_OVER)
        return;
    link->m_takenOver = true;
    link->m_problems.report(link->url() + ": another connection logged in as " + link->user() +
                            " took this one over (a broker that ties connections to user names "
                            "lets one at a time)");
}

void BrokerLink::onSubscribe(mosquitto*, void* self, int mid, int count, const int* granted,
                             const mosquitto_property*) {
    auto* link = static_cast<BrokerLink*>(self);
    if (link->m_awaitedSubscriptions.erase(mid) == 0)
        return;
    // Reason codes from 0x80 are refusals.
    for (int i = 0; i < count; ++i) {
        if (granted[i] >= 0x80)
            link->m_problems.event("refused subscriptions",
                                   link->url() + ": the broker refused to let " + link->user() +
                                       " read a topic: " + mosquitto_reason_string(granted[i]));
    }
    if (link->m_awaitedSubscriptions.empty() && link->m_onReady)
        link->m_onReady();
}

void BrokerLink::onUnsubscribe(mosquitto*, void* self, int mid, const mosquitto_property*) {
    auto* link = static_cast<BrokerLink*>(self);
    if (mid == link->m_probeId)
        link->m_probeAnswered = true;
}

void BrokerLink::onMessage(mosquitto*, void* self, const mosquitto_message* message,
                           const mosquitto_property*) {
    auto* link = static_cast<BrokerLink*>(self);
    if (message->payloadlen < 0)
        return;
    link->m_onMessage(message->topic,
                      std::string_view(static_cast<const char*>(message->payload),
                                       static_cast<std::size_t>(message->payloadlen)),
                      message->retain);
}

void BrokerLink::onPublish(mosquitto*, void* self, int mid, int reason, const mosquitto_property*) {
    auto* link = static_cast<BrokerLink*>(self);
    std::string topic;
    {
        std::lock_guard lock(link->m_pendingMutex);
        const auto pending = link->m_pending.find(mid);
        if (pending == link->m_pending.end())
            return;
        topic = pending->second;
        link->m_pending.erase(pending);
    }
    // Reason codes from 0x80 are refusals.
    if (reason >= 0x80) {
        link->m_problems.event("refused writes", link->url() + ": the broker refused to let " +
                                                     link->user() + " write " + topic + ": " +
                                                     mosquitto_reason_string(reason));
    }
}

void BrokerLink::onLog(mosquitto*, void* self, int level, const char* text) {
    // OpenSSL's own words on a failed handshake, for the line that reports it.
    if (level == MOSQ_LOG_ERR && std::strncmp(text, "OpenSSL Error", 13) == 0) {
        auto* link = static_cast<BrokerLink*>(self);
        if (link->m_lastTlsError.empty()) {
            const char* colon = std::strstr(text, "::");
            link->m_lastTlsError = colon ? colon + 2 : text;
        }
    }
}

} // namespace solvane::mqtt
