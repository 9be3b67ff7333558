#include "brokerlink.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace solvane::mqtt {

namespace {

// The shortest keep-alive libmosquitto accepts; silence is caught sooner by
// the readers' own freshness checks.
constexpr int keepAliveSeconds = 5;
constexpr int loopTimeoutMs = 100;
constexpr std::chrono::milliseconds idleInterval{100};
constexpr auto goodbyeTime = std::chrono::seconds(1);
// MQTT 5 reason code of a DISCONNECT that asks the broker to publish the will.
constexpr int disconnectWithWill = 0x04;

std::optional<std::string> firstLine(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string line;
    std::getline(file, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace

BrokerLink::BrokerLink(LinkSettings settings, ProblemLine& problems, MessageHandler onMessage,
                       Hook onConnected, Hook onIdle)
    : m_settings(std::move(settings)), m_problems(problems), m_onMessage(std::move(onMessage)),
      m_onConnected(std::move(onConnected)), m_onIdle(std::move(onIdle)) {}

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
    mosquitto_message_v5_callback_set(m_client, &BrokerLink::onMessage);
    mosquitto_publish_v5_callback_set(m_client, &BrokerLink::onPublish);
    mosquitto_log_callback_set(m_client, &BrokerLink::onLog);

    if (m_settings.will) {
        const auto& [topic, payload] = *m_settings.will;
        mosquitto_will_set_v5(m_client, topic.c_str(), static_cast<int>(payload.size()),
                              payload.data(), 1, true, nullptr);
    }
    if (m_settings.passwordFile) {
        m_password = firstLine(*m_settings.passwordFile);
        if (!m_password) {
            m_problems.report("cannot read the password file '" + *m_settings.passwordFile +
                              "': " + std::strerror(errno));
            return false;
        }
    }
    if (m_settings.username || m_password) {
        mosquitto_username_pw_set(m_client,
                                  m_settings.username ? m_settings.username->c_str() : nullptr,
                                  m_password ? m_password->c_str() : nullptr);
    }
    if (m_settings.address.tls) {
        int rc = MOSQ_ERR_SUCCESS;
        if (m_settings.caFile)
            rc = mosquitto_tls_set(m_client, m_settings.caFile->c_str(), nullptr, nullptr, nullptr,
                                   nullptr);
        else
            rc = mosquitto_int_option(m_client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        if (rc != MOSQ_ERR_SUCCESS) {
            m_problems.report("cannot use the CA file '" + m_settings.caFile.value_or("") +
                              "': " + mosquitto_strerror(rc));
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
                if (!m_refused)
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
            const auto end = std::chrono::steady_clock::now() + goodbyeTime;
            while (mosquitto_socket(m_client) >= 0 && std::chrono::steady_clock::now() < end)
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
    errno = 0;
    const int rc =
        mosquitto_connect_bind_v5(m_client, m_settings.address.host.c_str(),
                                  m_settings.address.port, keepAliveSeconds, nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS)
        m_problems.report(describe(rc, errno));
}

void BrokerLink::waitRetry() {
    const auto end = std::chrono::steady_clock::now() + retryDelay;
    while (!m_stopping && std::chrono::steady_clock::now() < end) {
        idle();
        std::this_thread::sleep_for(idleInterval);
    }
}

void BrokerLink::idle() {
    const auto now = std::chrono::steady_clock::now();
    if (m_onIdle && now - m_lastIdle >= idleInterval) {
        m_lastIdle = now;
        m_onIdle();
    }
}

std::string BrokerLink::describe(int rc, int errnoValue) {
    const std::string where = url() + ": ";
    switch (rc) {
    case MOSQ_ERR_TLS:
        return where + "TLS failed" +
               (m_lastTlsError.empty() ? std::string() : " (" + m_lastTlsError + ")") +
               ": the broker's certificate is not trusted by " +
               (m_settings.caFile ? "the CA file '" + *m_settings.caFile + "'"
                                  : std::string("the system's certificates")) +
               " or does not name '" + m_settings.address.host + "'";
    case MOSQ_ERR_ERRNO:
        return where + "cannot reach the broker: " +
               (errnoValue != 0 ? std::strerror(errnoValue) : "connection failed");
    case MOSQ_ERR_EAI:
        return where + "unknown host '" + m_settings.address.host + "'";
    case MOSQ_ERR_CONN_LOST:
        return where + "connection to the broker lost";
    case MOSQ_ERR_KEEPALIVE:
        return where + "the broker stopped answering";
    default:
        return where + mosquitto_strerror(rc);
    }
}

void BrokerLink::onConnect(mosquitto*, void* self, int rc, int, const mosquitto_property*) {
    auto* link = static_cast<BrokerLink*>(self);
    if (rc != 0) {
        link->m_refused = true;
        const std::string user = link->m_settings.username
                                     ? " as user '" + *link->m_settings.username + "'"
                                     : std::string(" without a user name");
        link->m_problems.report(link->url() + ": the broker refused the connection" + user + ": " +
                                mosquitto_reason_string(rc));
        return;
    }
    link->m_refused = false;
    for (const std::string& topic : link->m_settings.subscriptions)
        mosquitto_subscribe_v5(link->m_client, nullptr, topic.c_str(), 1, 0, nullptr);
    link->m_connected = true;
    link->m_problems.resolved(link->url() + ": connected");
    if (link->m_onConnected)
        link->m_onConnected();
}

void BrokerLink::onMessage(mosquitto*, void* self, const mosquitto_message* message,
                           const mosquitto_property*) {
    auto* link = static_cast<BrokerLink*>(self);
    if (message->payloadlen < 0)
        return;
    link->m_onMessage(message->topic,
                      std::string_view(static_cast<const char*>(message->payload),
                                       static_cast<std::size_t>(message->payloadlen)));
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
        const std::string user =
            link->m_settings.username ? "user '" + *link->m_settings.username + "'" : "this user";
        link->m_problems.event(link->url() + ": the broker refused to let " + user + " write " +
                               topic + ": " + mosquitto_reason_string(reason));
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
