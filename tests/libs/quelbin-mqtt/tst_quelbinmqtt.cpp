// The agent over the simulated module and the MQTT library loaded as Solvane
// loads it, through a real broker started by the test: what the viewer sees
// and sends, the time its calls take, faults (broker restarted, agent
// killed, broker frozen) and refusals (wrong password, untrusted
// certificate, a viewer without write rights, an agent without commands).
#include "capturedstderr.h"
#include "mqttpeers.h"
#include "testbroker.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

const QString module = QStringLiteral("bench-3");

constexpr int connectLimitMs = 5000;
constexpr int disconnectLimitMs = 2000;
constexpr int backLimitMs = 3000;

} // namespace

class tst_quelbinmqtt : public QObject {
    Q_OBJECT

private slots:
    void watchesTheSimulatedModule();
    void faults_data();
    void faults();
    void refusals_data();
    void refusals();
};

// Under a locale whose decimal separator is a comma, so that a number
// written the locale's way would show.
void tst_quelbinmqtt::watchesTheSimulatedModule() {
    TestBroker broker;
    Agent agent(broker, module, QStringLiteral("agent"), true, "ru_RU.UTF-8");
    Viewer viewer(broker, module, QStringLiteral("operator"), QStringLiteral("operator-pw"),
                  broker.caFile());
    QVERIFY(waitFor([&] { return viewer.connected(); }, connectLimitMs) >= 0);

    QCOMPARE(viewer.getNbDevices(), 7);
    std::array<char, QUELBIN_NAME_SIZE> name{};
    std::int32_t type = -1;
    QCOMPARE(viewer.getDevice(6, name.data(), &type), 1);
    QVERIFY(std::strlen(name.data()) > 0);
    QVERIFY(type >= 0 && type <= 5);
    QCOMPARE(viewer.getDevice(7, name.data(), &type), 0);
    // French names cross in Windows-1252, as Solvane reads them.
    QCOMPARE(viewer.commandName(0), QByteArray("D\xE9"
                                               "connecter le module"));

    // Every call of a tick under 1 ms at the 99th percentile, while data flow.
    std::vector<double> durations;
    std::array<std::uint8_t, QUELBIN_RAW_SIZE> data{};
    std::int32_t firstHeader = 0;
    for (int tick = 0; tick < 150; ++tick) {
        const auto time = [&](auto call) {
            const auto start = std::chrono::steady_clock::now();
            call();
            durations.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
        };
        std::int32_t header = 0;
        std::int32_t count = 0;
        std::int32_t written = 0;
        time([&] { viewer.getNbAcqui(); });
        time([&] { viewer.getNbDevices(); });
        time([&] { viewer.getNbCommands(); });
        time([&] { viewer.getRawDataInfo(tick % 7, &header, &count); });
        time([&] { written = viewer.getRawData(tick % 7, data.data()); });
        QCOMPARE(written, count); // one snapshot: the count and the bytes agree
        QVERIFY(count > 0 && count <= QUELBIN_RAW_SIZE);
        if (tick == 0)
            firstHeader = header;
        QTest::qWait(10);
    }
    std::sort(durations.begin(), durations.end());
    const double p99 = durations[durations.size() * 99 / 100];
    qInfo("calls: p99 %.3f ms over %zu calls", p99, durations.size());
    QVERIFY2(p99 < 1.0, qPrintable(QString::number(p99)));
    std::int32_t header = 0;
    std::int32_t count = 0;
    viewer.getRawDataInfo(0, &header, &count);
    QVERIFY(header != firstHeader); // new polls kept coming

    // A reader that is not Solvane: the poll message is JSON whose values
    // are numbers, whatever the agent's locale.
    QProcess sub;
    sub.start(QStringLiteral("mosquitto_sub"),
              {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
               QString::number(broker.port()), QStringLiteral("--cafile"), broker.caFile(),
               QStringLiteral("-u"), QStringLiteral("viewer"), QStringLiteral("-P"),
               QStringLiteral("viewer-pw"), QStringLiteral("-t"),
               QStringLiteral("solvane/%1/poll").arg(module), QStringLiteral("-C"),
               QStringLiteral("1"), QStringLiteral("-W"), QStringLiteral("5")});
    QVERIFY(sub.waitForFinished(10000));
    const QJsonDocument poll = QJsonDocument::fromJson(sub.readAllStandardOutput());
    const QJsonArray sensors = poll.object().value(QStringLiteral("sensors")).toArray();
    QCOMPARE(sensors.size(), 7);
    bool sawFraction = false;
    for (const QJsonValue& sensor : sensors) {
        const QJsonArray values = sensor.toObject().value(QStringLiteral("values")).toArray();
        QVERIFY(!values.isEmpty());
        for (const QJsonValue& value : values) {
            QVERIFY(value.isDouble() || value.isBool());
            sawFraction = sawFraction ||
                          (value.isDouble() && value.toDouble() != std::floor(value.toDouble()));
        }
    }
    QVERIFY(sawFraction);

    // A command sent from the viewer runs once at the agent.
    const std::int32_t add = viewer.command("Ajouter un senseur");
    QVERIFY(add >= 0);
    QCOMPARE(viewer.addCommand(add), 1);
    QVERIFY(waitFor([&] { return viewer.connected() && viewer.getNbDevices() == 8; }, 2000) >= 0);
    QTest::qWait(500);
    QCOMPARE(agent.commandsRun(), 1);
}

void tst_quelbinmqtt::faults_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("broker restarted") << QStringLiteral("restart");
    QTest::newRow("agent killed") << QStringLiteral("kill");
    QTest::newRow("broker frozen 5 s") << QStringLiteral("freeze");
}

void tst_quelbinmqtt::faults() {
    QFETCH(QString, fault);
    TestBroker broker;
    auto agent = std::make_unique<Agent>(broker, module, QStringLiteral("agent"), true);
    CapturedStderr errors;
    Viewer viewer(broker, module, QStringLiteral("operator"), QStringLiteral("operator-pw"),
                  broker.caFile());
    QVERIFY(waitFor([&] { return viewer.connected(); }, connectLimitMs) >= 0);
    int sent = 0;
    int ran = 0; // commands run by agents gone
    const auto sendCommands = [&] {
        const std::int32_t reset = viewer.command("Remettre");
        QVERIFY(reset >= 0);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(viewer.addCommand(reset), 1);
            ++sent;
        }
        QVERIFY(waitFor([&] { return ran + agent->commandsRun() == sent; }, 2000) >= 0);
    };
    sendCommands();

    QElapsedTimer sinceFault;
    sinceFault.start();
    if (fault == QLatin1String("restart"))
        broker.stop();
    else if (fault == QLatin1String("kill"))
        agent->killHard();
    else
        broker.freeze();
    const qint64 lost = waitFor([&] { return !viewer.connected(); }, disconnectLimitMs);
    QVERIFY2(lost >= 0, "still connected 2 s after the fault");
    QCOMPARE(viewer.getNbDevices(), 0);
    QCOMPARE(viewer.getNbCommands(), 0);

    if (fault == QLatin1String("restart")) {
        QVERIFY(broker.start());
    } else if (fault == QLatin1String("kill")) {
        ran += agent->commandsRun();
        agent = std::make_unique<Agent>(broker, module, QStringLiteral("agent"), true);
    } else {
        QTest::qWait(static_cast<int>(5000 - sinceFault.elapsed()));
        broker.thaw();
    }
    const qint64 back = waitFor([&] { return viewer.connected(); }, backLimitMs);
    qInfo("%s: disconnected after %lld ms, back %lld ms after recovery", qPrintable(fault), lost,
          back);
    QVERIFY2(back >= 0, "not back 3 s after recovery");
    QCOMPARE(viewer.getNbDevices(), 7);

    sendCommands();
    QTest::qWait(1000); // nothing more comes: no command ran twice
    QCOMPARE(ran + agent->commandsRun(), sent);
    QVERIFY(agent->running());
    // The outage was reported, once, in one line naming it.
    const QByteArrayList lines = errors.lines();
    QVERIFY2(!lines.isEmpty(), "no line on standard error");
    QVERIFY(lines.size() <= 4);
    for (const QByteArray& line : lines) {
        qInfo("%s", line.constData());
        QVERIFY2(line.startsWith("quelbin-mqtt: "), line.constData());
    }
}

void tst_quelbinmqtt::refusals_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("untrusted");
    QTest::addColumn<bool>("agentAllows");
    QTest::addColumn<QByteArray>("reason");

    QTest::newRow("wrong password") << QStringLiteral("operator") << QStringLiteral("guess")
                                    << false << true << QByteArray("refused the connection");
    QTest::newRow("untrusted certificate")
        << QStringLiteral("operator") << QStringLiteral("operator-pw") << true << true
        << QByteArray("certificate");
    QTest::newRow("viewer without write rights")
        << QStringLiteral("viewer") << QStringLiteral("viewer-pw") << false << true
        << QByteArray("refused to let user 'viewer' write solvane/bench-3/command");
    QTest::newRow("agent without --allow-commands")
        << QStringLiteral("operator") << QStringLiteral("operator-pw") << false << false
        << QByteArray("runs no commands");
}

void tst_quelbinmqtt::refusals() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, untrusted);
    QFETCH(bool, agentAllows);
    QFETCH(QByteArray, reason);

    TestBroker broker;
    Agent agent(broker, module, QStringLiteral("agent"), agentAllows);
    CapturedStderr errors;
    Viewer viewer(broker, module, user, password,
                  untrusted ? broker.otherCaFile() : broker.caFile());
    const bool mayRead = password.endsWith(QLatin1String("-pw")) && !untrusted;
    if (mayRead) {
        QVERIFY(waitFor([&] { return viewer.connected(); }, connectLimitMs) >= 0);
        const std::int32_t add = viewer.command("Ajouter un senseur");
        QVERIFY(add >= 0);
        viewer.addCommand(add);
        QTest::qWait(1500);
        QVERIFY(viewer.connected());
        QCOMPARE(viewer.getNbDevices(), 7); // nothing changed
    } else {
        QCOMPARE(waitFor([&] { return viewer.connected(); }, 2500), -1);
        QCOMPARE(viewer.getNbCommands(), 0);
        QCOMPARE(viewer.addCommand(0), 0);
    }
    QCOMPARE(agent.commandsRun(), 0);
    const QByteArrayList lines = errors.lines();
    QCOMPARE(lines.size(), 1); // one line, however many attempts
    qInfo("%s", lines.front().constData());
    QVERIFY2(lines.front().contains(reason), lines.front().constData());
}

QTEST_GUILESS_MAIN(tst_quelbinmqtt)
#include "tst_quelbinmqtt.moc"
