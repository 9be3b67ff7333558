// The Windows agent and MQTT library under Wine, through a mosquitto that
// tests/support/testbroker.sh starts outside the test: what breaks on Windows
// alone (sockets, TLS with the cross-built OpenSSL, paths, the system code
// page, the stdcall entry points). The test runs under a Russian locale
// (code page 1251) and the agent under a Western one (1252), so that the
// names it publishes hold letters this code page lacks.
#include "capturedstderr.h"
#include "mqttpeers.h"
#include "testbroker.h"

#include <QTest>

#include <windows.h>

#include <array>

namespace {

const QString module = QStringLiteral("bench-w");

// Wine starts a program in a second or two, more on a loaded machine.
constexpr int connectLimitMs = 30000;

} // namespace

class tst_mqttwindows : public QObject {
    Q_OBJECT

private slots:
    // First: the viewers of every test stay loaded and linked, and none of
    // the others' writes a line on standard error.
    void refusals_data();
    void refusals();
    void watchesTheSimulatedModule();
};

void tst_mqttwindows::watchesTheSimulatedModule() {
    QCOMPARE(GetACP(), UINT{1251}); // the test's environment sets a Russian locale
    TestBroker broker;
    Agent agent(broker, module, QStringLiteral("agent"), true, "C.UTF-8");
    Viewer viewer(broker, module, QStringLiteral("operator"), QStringLiteral("operator-pw"),
                  broker.caFile());
    QVERIFY(waitFor([&] { return viewer.connected(); }, connectLimitMs) >= 0);

    QCOMPARE(viewer.getNbDevices(), 7);
    std::array<char, QUELBIN_NAME_SIZE> name{};
    std::int32_t type = -1;
    QCOMPARE(viewer.getDevice(0, name.data(), &type), 1);
    QCOMPARE(QByteArray(name.data()), QByteArray("Temperature_four"));
    // The agent read "Déconnecter" in code page 1252; here "é" becomes its
    // nearest letter, never the byte 0xE9, which reads "й".
    QCOMPARE(viewer.commandName(0), QByteArray("Deconnecter le module"));
    QCOMPARE(viewer.commandName(5), QByteArray("Etalonner les senseurs"));

    // Raw data keep coming; a tick's answers are read after getNbAcqui.
    std::int32_t firstHeader = 0;
    std::int32_t count = 0;
    viewer.getRawDataInfo(0, &firstHeader, &count);
    QVERIFY(count > 0);
    QVERIFY(waitFor(
                [&] {
                    std::int32_t header = 0;
                    viewer.getNbAcqui();
                    viewer.getRawDataInfo(0, &header, &count);
                    return header != firstHeader;
                },
                5000) >= 0);

    // A command sent from the viewer runs once at the agent.
    const std::int32_t add = viewer.command("Ajouter un senseur");
    QVERIFY(add >= 0);
    QCOMPARE(viewer.addCommand(add), 1);
    QVERIFY(waitFor([&] { return viewer.connected() && viewer.getNbDevices() == 8; }, 10000) >= 0);
    QTest::qWait(1000);
    QCOMPARE(agent.commandsRun(), 1);
}

void tst_mqttwindows::refusals_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("ca"); // "right", "other" or "none"
    QTest::addColumn<QByteArray>("reason");
    QTest::addColumn<int>("lineCount"); // with the command not sent, if tried

    QTest::newRow("wrong password") << QStringLiteral("guess") << QStringLiteral("right")
                                    << QByteArray("refused the connection") << 2;
    QTest::newRow("untrusted certificate")
        << QStringLiteral("operator-pw") << QStringLiteral("other") << QByteArray("certificate")
        << 2;
    // No trusted store of the system's here: refused before any attempt.
    QTest::newRow("no CA file") << QStringLiteral("operator-pw") << QStringLiteral("none")
                                << QByteArray("needs a CA file") << 1;
}

void tst_mqttwindows::refusals() {
    QFETCH(QString, password);
    QFETCH(QString, ca);
    QFETCH(QByteArray, reason);
    QFETCH(int, lineCount);

    TestBroker broker;
    CapturedStderr errors;
    Viewer viewer(broker, module, QStringLiteral("operator"), password,
                  ca == QLatin1String("right")   ? broker.caFile()
                  : ca == QLatin1String("other") ? broker.otherCaFile()
                                                 : QString());
    QVERIFY(waitFor(
                [&] {
                    viewer.getNbAcqui();
                    return !errors.lines().isEmpty();
                },
                connectLimitMs) >= 0);
    QTest::qWait(3000); // more attempts, no more lines
    QVERIFY(!viewer.connected());
    QCOMPARE(viewer.getNbCommands(), 0);
    QCOMPARE(viewer.addCommand(0), 0);
    const QByteArrayList lines = errors.lines();
    qInfo("%s", lines.join(" / ").constData());
    QCOMPARE(lines.size(), lineCount);
    QVERIFY2(lines.front().contains(reason), lines.front().constData());
}

QTEST_GUILESS_MAIN(tst_mqttwindows)
#include "tst_mqttwindows.moc"
