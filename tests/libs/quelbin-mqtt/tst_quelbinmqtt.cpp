// The agent over the simulated module and the MQTT library loaded as Solvane
// loads it, through a real broker started by the test: what the viewer sees
// and sends, faults (broker restarted, also with the system's certificates,
// agent killed, broker frozen with a command on its way), a second agent for
// the module, and refusals (wrong password, untrusted certificate, a viewer
// without write rights, an agent without commands). The limits are several
// times the expected figures, which bench/mqtt_bench measures.
#include "capturedstderr.h"
#include "mqttpeers.h"
#include "testbroker.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

const QString module = QStringLiteral("bench-3");

// Expected: about 1 s to connect, 1.2 s to read a silent agent as
// disconnected, 1 s to come back.
constexpr int connectLimitMs = 15000;
constexpr int disconnectLimitMs = 10000;
constexpr int backLimitMs = 15000;

} // namespace

class tst_quelbinmqtt : public QObject {
    Q_OBJECT

private slots:
    void watchesTheSimulatedModule();
    void faults_data();
    void faults();
    void secondAgent();
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

    // Data flow; every tick's answers come from one snapshot.
    std::array<std::uint8_t, QUELBIN_RAW_SIZE> data{};
    std::int32_t firstHeader = 0;
    for (int tick = 0; tick < 50; ++tick) {
        std::int32_t header = 0;
        std::int32_t count = 0;
        viewer.getNbAcqui();
        viewer.getRawDataInfo(tick % 7, &header, &count);
        QCOMPARE(viewer.getRawData(tick % 7, data.data()), count);
        QVERIFY(count > 0 && count <= QUELBIN_RAW_SIZE);
        if (tick == 0)
            firstHeader = header;
        QTest::qWait(20);
    }
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
    QVERIFY(waitFor([&] { return viewer.connected() && viewer.getNbDevices() == 8; },
                    connectLimitMs) >= 0);
    QCOMPARE(agent.commandsRun(), 1);

    // Disconnected from afar, the module still offers its commands, and its
    // reconnection runs, as on the module's own computer.
    QCOMPARE(viewer.addCommand(viewer.command("D\xE9"
                                              "connecter")),
             1);
    QVERIFY(waitFor([&] { return viewer.getNbAcqui() == 0 && viewer.getNbCommands() == 6; },
                    connectLimitMs) >= 0);
    QCOMPARE(viewer.addCommand(viewer.command("Reconnecter")), 1);
    QVERIFY(waitFor([&] { return viewer.connected(); }, connectLimitMs) >= 0);
    QCOMPARE(agent.commandsRun(), 3);
}

void tst_quelbinmqtt::faults_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("broker restarted") << QStringLiteral("restart");
    QTest::newRow("broker restarted, the system's certificates") << QStringLiteral("restart-os");
    QTest::newRow("agent killed") << QStringLiteral("kill");
    QTest::newRow("broker frozen 9 s, a command sent as it froze") << QStringLiteral("freeze");
}

void tst_quelbinmqtt::faults() {
    QFETCH(QString, fault);
    TestBroker broker;
    // Without a CA file, the broker's CA the only one of OpenSSL's store.
    const bool system = fault == QLatin1String("restart-os");
    if (system)
        qputenv("SSL_CERT_FILE", broker.caFile().toUtf8());
    const auto systemStore = qScopeGuard([] { qunsetenv("SSL_CERT_FILE"); });
    auto agent =
        std::make_unique<Agent>(broker, module, QStringLiteral("agent"), true, "C.UTF-8", system);
    CapturedStderr errors;
    Viewer viewer(broker, module, QStringLiteral("operator"), QStringLiteral("operator-pw"),
                  system ? QString() : broker.caFile());
    QVERIFY(waitFor([&] { return viewer.connected(); }, connectLimitMs) >= 0);
    int sent = 0;
    int ran = 0; // commands run by agents gone
    const std::int32_t reset = viewer.command("Remettre");
    QVERIFY(reset >= 0);
    const auto sendCommands = [&] {
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(viewer.addCommand(reset), 1);
            ++sent;
        }
        QVERIFY(waitFor([&] { return ran + agent->commandsRun() == sent; }, connectLimitMs) >= 0);
    };
    sendCommands();

    QElapsedTimer sinceFault;
    sinceFault.start();
    if (fault.startsWith(QLatin1String("restart"))) {
        broker.stop();
    } else if (fault == QLatin1String("kill")) {
        agent->killHard();
    } else {
        broker.freeze();
        // Still heard a moment ago: sent, into the frozen broker's socket.
        QCOMPARE(viewer.addCommand(reset), 1);
    }
    const qint64 lost = waitFor([&] { return !viewer.connected(); }, disconnectLimitMs);
    QVERIFY2(lost >= 0, "still connected 10 s after the fault");
    QCOMPARE(viewer.getNbDevices(), 0);
    QCOMPARE(viewer.getNbCommands(), 0);
    // Chosen now, a command could run whenever the broker or agent is back:
    // none is sent.
    QCOMPARE(viewer.addCommand(reset), 0);

    if (fault.startsWith(QLatin1String("restart"))) {
        QVERIFY(broker.start());
    } else if (fault == QLatin1String("kill")) {
        ran += agent->commandsRun();
        agent = std::make_unique<Agent>(broker, module, QStringLiteral("agent"), true);
    } else {
        QTest::qWait(static_cast<int>(std::max<qint64>(0, 9000 - sinceFault.elapsed())));
        broker.thaw();
    }
    const qint64 back = waitFor([&] { return viewer.connected(); }, backLimitMs);
    qInfo("%s: disconnected after %lld ms, back %lld ms after recovery", qPrintable(fault), lost,
          back);
    QVERIFY2(back >= 0, "not back 15 s after recovery");
    QCOMPARE(viewer.getNbDevices(), 7);

    sendCommands();
    QTest::qWait(1000); // nothing more comes: no command ran twice, none late
    // The command sent as the broker froze reaches the agent some 9 s late,
    // if it is not lost with a connection: refused either way.
    qInfo("agent: %s", agent->errors().trimmed().replace('\n', " / ").constData());
    QCOMPARE(ran + agent->commandsRun(), sent);
    QVERIFY(agent->running());
    // The outage was reported in a few lines naming it, and the command
    // not sent in one.
    const QByteArrayList lines = errors.lines();
    for (const QByteArray& line : lines) {
        qInfo("%s", line.constData());
        QVERIFY2(line.startsWith("quelbin-mqtt: "), line.constData());
    }
    QVERIFY(lines.size() <= 6);
    QCOMPARE(std::count_if(lines.begin(), lines.end(),
                           [](const QByteArray& line) { return line.contains("not sent"); }),
             1);
}

// A second agent started for a module that has one refuses to run, in one
// line, and leaves the first and its viewer alone.
void tst_quelbinmqtt::secondAgent() {
    TestBroker broker;
    Agent first(broker, module, QStringLiteral("agent"), true);
    Viewer viewer(broker, module, QStringLiteral("operator"), QStringLiteral("operator-pw"),
                  broker.caFile());
    QVERIFY(waitFor([&] { return viewer.connected(); }, connectLimitMs) >= 0);
    Agent second(broker, module, QStringLiteral("agent"), true);
    QCOMPARE(second.exitStatus(30000), 3);
    const QByteArray lines = second.errors().trimmed();
    qInfo("%s", lines.constData());
    QVERIFY(!lines.contains('\n'));
    QVERIFY(lines.contains("another agent publishes module 'bench-3'"));
    QVERIFY(first.running());
    QVERIFY(viewer.connected());
    QCOMPARE(viewer.getNbDevices(), 7);
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
        QCOMPARE(waitFor([&] { return viewer.connected(); }, 3000), -1);
        QCOMPARE(viewer.getNbCommands(), 0);
        QCOMPARE(viewer.addCommand(0), 0);
    }
    QCOMPARE(agent.commandsRun(), 0);
    // One line, however many attempts; and one for the command not sent.
    const QByteArrayList lines = errors.lines();
    QVERIFY(!lines.isEmpty());
    qInfo("%s", lines.join(" / ").constData());
    QVERIFY2(lines.front().contains(reason), lines.front().constData());
    QCOMPARE(lines.size(), mayRead ? 1 : 2);
}

QTEST_GUILESS_MAIN(tst_quelbinmqtt)
#include "tst_quelbinmqtt.moc"
