// Scale of a module watched over MQTT: one mosquitto (TLS, users, access
// rules, as the tests start it), agents publishing modules of 32 sensors at
// 5 polls a second, and viewers, each a process that loads the MQTT
// acquisition library as Solvane does. Measures the latency from an agent's
// poll to the first getRawData that returns it, and the broker's CPU and
// memory, and the time each call of the library takes in the viewers (the
// window must never wait on the network). See README.md for the command and
// the recorded figures.
//
// The agents are publishers in this process that write exactly what
// solvane-agent writes (the same wire code and MQTT link), one connection
// each; the simulated module has 8 sensors at most, and the poll time must
// travel in the data to be measured: the first 8 bytes of sensor 0 hold it.
#include "brokerlink.h"
#include "quelbinfunctions.h"
#include "testbroker.h"
#include "topics.h"
#include "wire.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace solvane;
using namespace solvane::mqtt;

constexpr int sensorsPerModule = 32;
constexpr double pollRate = 5.0;

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// One agent: its own connection, a retained state, a poll every 200 ms.
class Publisher {
public:
    Publisher(TestBroker& broker, int number, ProblemReporter& problems)
        : m_topics("bench-" + std::to_string(number)) {
        LinkSettings settings;
        settings.address = *parseBrokerUrl(broker.url().toStdString()).value;
        settings.clientId = "bench-agent-" + std::to_string(number);
        settings.username = "agent";
        settings.password = "agent-pw";
        settings.caFile = broker.caFile().toStdString();
        settings.will = {m_topics.status, "offline"};
        m_state.connected = true;
        m_state.rate = pollRate;
        for (int i = 0; i < sensorsPerModule; ++i)
            m_state.sensors.push_back({"Capteur_" + std::to_string(i), 5});
        m_link = std::make_unique<BrokerLink>(
            settings, problems, [](const std::string&, std::string_view, bool) {},
            [this] {
                m_link->publish(m_topics.status, "online", 1, true);
                m_link->publish(m_topics.state, encodeState(m_state), 1, true);
            });
        m_link->start();
    }

    void poll(std::uint64_t number) {
        PollReading poll;
        poll.poll = number;
        poll.connected = true;
        for (int i = 0; i < sensorsPerModule; ++i) {
            SensorReading reading;
            reading.index = i;
            reading.name = m_state.sensors[static_cast<std::size_t>(i)].name;
            reading.header = static_cast<std::int32_t>(number);
            reading.raw.resize(maxRawBytes);
            for (std::size_t k = 0; k < maxRawBytes / 8; ++k)
                reading.values.push_back(static_cast<double>(number) + static_cast<double>(k) / 7);
            std::memcpy(reading.raw.data(), reading.values.data(), maxRawBytes);
            poll.sensors.push_back(std::move(reading));
        }
        const std::int64_t sent = nowNs();
        std::memcpy(poll.sensors[0].raw.data(), &sent, sizeof sent);
        m_link->publish(m_topics.poll, encodePoll(poll), 0, false);
    }

private:
    Topics m_topics;
    ModuleDescription m_state;
    std::unique_ptr<BrokerLink> m_link;
};

// A viewer process: loads the library on module `url`, reads sensor 0 as
// often as `periodMs` and prints each new poll's latency in microseconds.
int runViewer(const char* library, int seconds, int periodMs) {
    void* handle = dlopen(library, RTLD_NOW);
    QuelbinFunctions functions;
    if (handle == nullptr ||
        functions.resolve([&](const char* name) { return dlsym(handle, name); }) != nullptr) {
        std::fprintf(stderr, "mqtt_bench: %s\n", dlerror());
        return 1;
    }
    std::int32_t lastHeader = 0;
    std::array<std::uint8_t, QUELBIN_RAW_SIZE> data{};
    std::vector<double> callTimes; // ms, every call of the library
    const auto timed = [&](auto call) {
        const auto start = Clock::now();
        const auto result = call();
        callTimes.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        return result;
    };
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        std::int32_t header = 0;
        std::int32_t count = 0;
        if (timed([&] { return functions.getNbAcqui(); }) > 0) {
            timed([&] { return functions.getRawDataInfo(0, &header, &count); });
            timed([&] { return functions.getRawData(0, data.data()); });
            if (count >= 8 && header != lastHeader) {
                lastHeader = header;
                std::int64_t sent = 0;
                std::memcpy(&sent, data.data(), sizeof sent);
                std::printf("%lld\n", static_cast<long long>((nowNs() - sent) / 1000));
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(periodMs));
    }
    std::sort(callTimes.begin(), callTimes.end());
    if (!callTimes.empty())
        std::printf("calls %zu p99 %.4f max %.4f\n", callTimes.size(),
                    callTimes[callTimes.size() * 99 / 100], callTimes.back());
    std::fflush(stdout);
    dlclose(handle);
    return 0;
}

struct ProcessTimes {
    double cpuSeconds = 0;
    long rssKb = 0;
    long peakKb = 0;
};

ProcessTimes processTimes(qint64 pid) {
    ProcessTimes times;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        times.cpuSeconds = static_cast<double>(fields[11].toLongLong() + fields[12].toLongLong()) /
                           static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                times.rssKb = line.mid(6).trimmed().split(' ').front().toLong();
            if (line.startsWith("VmHWM:"))
                times.peakKb = line.mid(6).trimmed().split(' ').front().toLong();
        }
    }
    return times;
}

int runScale(const char* self, const char* library, int agents, int viewers, int seconds,
             int periodMs) {
    TestBroker broker;
    ProblemReporter problems("mqtt_bench");
    std::vector<std::unique_ptr<Publisher>> publishers;
    for (int i = 0; i < agents; ++i)
        publishers.push_back(std::make_unique<Publisher>(broker, i, problems));

    std::atomic<bool> stop{false};
    std::thread polling([&] {
        std::uint64_t number = 0;
        auto next = Clock::now();
        while (!stop) {
            ++number;
            for (auto& publisher : publishers)
                publisher->poll(number);
            next += std::chrono::milliseconds(static_cast<int>(1000 / pollRate));
            std::this_thread::sleep_until(next);
        }
    });

    std::vector<std::unique_ptr<QProcess>> viewerProcesses;
    for (int i = 0; i < viewers; ++i) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("SOLVANE_MQTT_URL"),
                           broker.url(QStringLiteral("bench-%1").arg(i % agents)));
        environment.insert(QStringLiteral("SOLVANE_MQTT_USERNAME"), QStringLiteral("viewer"));
        environment.insert(QStringLiteral("SOLVANE_MQTT_PASSWORD_FILE"),
                           broker.passwordFile(QStringLiteral("viewer-pw")));
        environment.insert(QStringLiteral("SOLVANE_MQTT_CAFILE"), broker.caFile());
        process->setProcessEnvironment(environment);
        endWithTest(*process);
        process->start(QString::fromLocal8Bit(self),
                       {QStringLiteral("--viewer"), QString::fromLocal8Bit(library),
                        QString::number(seconds + 3), QString::number(periodMs)});
        viewerProcesses.push_back(std::move(process));
    }

    // The first 3 seconds connect and settle; the broker is measured after.
    QTest::qWait(3000);
    const qint64 pid = broker.processId();
    const ProcessTimes before = processTimes(pid);
    QTest::qWait(seconds * 1000);
    const ProcessTimes after = processTimes(pid);

    std::vector<double> latencies;
    double callP99 = 0; // the worst viewer's
    double callMax = 0;
    for (auto& process : viewerProcesses) {
        process->waitForFinished(20000);
        bool first = true;
        for (const QByteArray& line : process->readAllStandardOutput().split('\n')) {
            if (line.isEmpty())
                continue;
            if (line.startsWith("calls ")) {
                const QList<QByteArray> fields = line.split(' ');
                callP99 = std::max(callP99, fields.value(3).toDouble());
                callMax = std::max(callMax, fields.value(5).toDouble());
                continue;
            }
            if (first) { // the retained backlog of the connection
                first = false;
                continue;
            }
            latencies.push_back(line.toDouble() / 1000.0);
        }
    }
    stop = true;
    polling.join();
    publishers.clear();

    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) {
        return latencies.empty()
                   ? -1.0
                   : latencies[std::min(
                         latencies.size() - 1,
                         static_cast<std::size_t>(q * static_cast<double>(latencies.size())))];
    };
    std::printf("agents %2d viewers %2d: %zu samples, latency p50 %.2f ms p99 %.2f ms max %.2f "
                "ms; broker CPU %.1f %% of a core, RSS %ld kB (peak %ld kB); a library call p99 "
                "%.3f ms, max %.3f ms\n",
                agents, viewers, latencies.size(), at(0.5), at(0.99),
                latencies.empty() ? -1.0 : latencies.back(),
                100.0 * (after.cpuSeconds - before.cpuSeconds) / seconds, after.rssKb, after.peakKb,
                callP99, callMax);
    std::fflush(stdout);
    return 0;
}

} // namespace

// mqtt_bench LIBRARY [AGENTS VIEWERS [SECONDS [PERIOD_MS]]]
int main(int argc, char* argv[]) {
    if (argc >= 5 && std::strcmp(argv[1], "--viewer") == 0)
        return runViewer(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    QCoreApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: mqtt_bench LIBRARY [AGENTS VIEWERS [SECONDS [PERIOD_MS]]]\n");
        return 2;
    }
    mosquitto_lib_init();
    const int agents = argc > 3 ? std::atoi(argv[2]) : 20;
    const int viewers = argc > 3 ? std::atoi(argv[3]) : 10;
    const int seconds = argc > 4 ? std::atoi(argv[4]) : 20;
    const int periodMs = argc > 5 ? std::atoi(argv[5]) : 2;
    const int status = runScale(argv[0], argv[1], agents, viewers, seconds, periodMs);
    mosquitto_lib_cleanup();
    return status;
}
