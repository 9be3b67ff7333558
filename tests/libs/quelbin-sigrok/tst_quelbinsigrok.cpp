// The libsigrok acquisition library loaded as Solvane loads it, on
// libsigrok's demo device: what it lists and delivers, wide logic, its
// commands, sessions its limits end, what goes wrong with the two
// variables, and unloading.
#include "sigroklibrary.h"
#include "silentinstrument.h"

#include <QElapsedTimer>
#include <QTest>

#include <cmath>
#include <thread>
#include <utility>

namespace {

using namespace std::chrono_literals;

const QByteArray threadName("quelbin-sigrok");

// The header of `sensor` once it has held for a whole second, longer than a
// busy machine keeps a delivering thread waiting; -1 if it never does.
std::int32_t settledHeader(SigrokLibrary& library, std::int32_t sensor) {
    QElapsedTimer waiting;
    waiting.start();
    QElapsedTimer held;
    held.start();
    std::int32_t previous = library.raw(sensor).header;
    while (waiting.elapsed() < patience) {
        std::this_thread::sleep_for(100ms);
        const std::int32_t now = library.raw(sensor).header;
        if (now != previous) {
            previous = now;
            held.restart();
        } else if (held.elapsed() >= 1000) {
            return now;
        }
    }
    return -1;
}

// When, on `clock`, the header of `sensor` next changes, and to what; -1 if
// it does not. Samples arrive in bursts: a rate is measured between two.
std::pair<qint64, std::int32_t> nextBurst(SigrokLibrary& library, std::int32_t sensor,
                                          const QElapsedTimer& clock) {
    const std::int32_t from = library.raw(sensor).header;
    const qint64 limit = clock.elapsed() + patience;
    while (clock.elapsed() < limit) {
        const std::int32_t now = library.raw(sensor).header;
        if (now != from)
            return {clock.elapsed(), now};
        std::this_thread::sleep_for(1ms);
    }
    return {-1, from};
}

// Unloading is bounded at 0.6 s: only one that waits on the device takes
// five times that.
constexpr qint64 unloadingLimit = 3000;

constexpr int demoLogic = 8;
constexpr int demoAnalog = 5;
// The demo's analog signals swing between -amplitude and +amplitude.
constexpr float demoAmplitude = 10.0F;

} // namespace

class tst_quelbinsigrok : public QObject {
    Q_OBJECT

private slots:
    void channelsAreListedInDeviceOrder_data();
    void channelsAreListedInDeviceOrder();
    void dataAreTheLatestSamplesInRange();
    void commandsAreNamedInWindows1252();
    void stopFreezesTheHeaderAndStartResumes();
    void reconnectOpensTheDeviceAgain();
    void problemGivesDisconnectedModuleAndOneLine_data();
    void problemGivesDisconnectedModuleAndOneLine();
    void sessionEndedByItsLimitKeepsItsLastSamples();
    void wideLogicCountsSamplesNotBytes_data();
    void wideLogicCountsSamplesNotBytes();
    void unloadStopsTheThreadAndReloadWorks();
    void unloadInterruptsAnOpeningThatWaitsOnTheDevice();
};

void tst_quelbinsigrok::channelsAreListedInDeviceOrder_data() {
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<QByteArrayList>("sensors");

    QByteArrayList demo;
    for (int i = 0; i < demoLogic; ++i)
        demo << "D" + QByteArray::number(i) + ":0";
    for (int i = 0; i < demoAnalog; ++i)
        demo << "A" + QByteArray::number(i) + ":4";
    QTest::newRow("demo") << QByteArray("demo") << demo;
    QTest::newRow("scan options") << QByteArray("demo:logic_channels=3:analog_channels=1")
                                  << QByteArrayList{"D0:0", "D1:0", "D2:0", "A0:4"};
    QByteArrayList first32;
    for (int i = 0; i < 32; ++i)
        first32 << "D" + QByteArray::number(i) + ":0";
    QTest::newRow("41 channels, the first 32")
        << QByteArray("demo:logic_channels=40:analog_channels=1") << first32;
}

void tst_quelbinsigrok::channelsAreListedInDeviceOrder() {
    QFETCH(QByteArray, device);
    QFETCH(QByteArrayList, sensors);

    SigrokLibrary library(device);
    QTRY_COMPARE_WITH_TIMEOUT(library.getNbAcqui(), 1, patience);
    QCOMPARE(library.getNbDevices(), sensors.size());
    QCOMPARE(library.sensors(), sensors);
    QVERIFY(library.sensor(static_cast<std::int32_t>(sensors.size())).isNull());
    QVERIFY(library.sensor(-1).isNull());
}

void tst_quelbinsigrok::dataAreTheLatestSamplesInRange() {
    SigrokLibrary library("demo");
    QTRY_COMPARE_WITH_TIMEOUT(library.getNbAcqui(), 1, patience);
    const std::int32_t lastAnalog = demoLogic + demoAnalog - 1;
    QTRY_COMPARE_WITH_TIMEOUT(library.raw(lastAnalog).count, 128, patience);

    for (std::int32_t sensor = 0; sensor < demoLogic; ++sensor) {
        const Raw raw = library.raw(sensor);
        QCOMPARE(raw.count, 128);
        QVERIFY(raw.header >= 128);
        for (const char byte : raw.bytes)
            QVERIFY2(byte == 0 || byte == 1, qPrintable(QStringLiteral("D%1").arg(sensor)));
    }
    for (std::int32_t sensor = demoLogic; sensor <= lastAnalog; ++sensor) {
        const Raw raw = library.raw(sensor);
        QCOMPARE(raw.count, 128);
        QVERIFY(raw.header >= 32);
        const QVector<float> values = floats(raw.bytes);
        for (const float value : values) {
            QVERIFY(std::isfinite(value));
            QVERIFY2(std::fabs(value) <= demoAmplitude,
                     qPrintable(QStringLiteral("A%1: %2").arg(sensor - demoLogic).arg(value)));
        }
        // A signal, not a constant.
        QVERIFY(*std::max_element(values.begin(), values.end()) >
                *std::min_element(values.begin(), values.end()));
    }

    // The header advances between two polls; a new sample was delivered.
    const std::int32_t before = library.raw(demoLogic).header;
    QTRY_VERIFY_WITH_TIMEOUT(library.raw(demoLogic).header > before, patience);
}

void tst_quelbinsigrok::commandsAreNamedInWindows1252() {
    SigrokLibrary library("demo");
    QTRY_COMPARE_WITH_TIMEOUT(library.getNbAcqui(), 1, patience);
    QCOMPARE(library.getNbCommands(), 3);
    QCOMPARE(library.commandName(0), QByteArray("D\xE9marrer l'acquisition"));
    QCOMPARE(library.commandName(1), QByteArray("Arr\xEAter l'acquisition"));
    QCOMPARE(library.commandName(2), QByteArray("Reconnecter l'appareil"));
    QCOMPARE(library.commandName(3), QByteArray());
    QCOMPARE(library.addCommand(3), 0);
    QCOMPARE(library.addCommand(-1), 0);
}

void tst_quelbinsigrok::stopFreezesTheHeaderAndStartResumes() {
    SigrokLibrary library("demo");
    QTRY_COMPARE_WITH_TIMEOUT(library.getNbAcqui(), 1, patience);
    const std::int32_t analog = demoLogic;
    QTRY_VERIFY_WITH_TIMEOUT(library.raw(analog).header > 0, patience);

    QCOMPARE(library.addCommand(1), 1);
    const std::int32_t stopped = settledHeader(library, analog);
    QVERIFY(stopped > 0);
    std::this_thread::sleep_for(300ms);
    const Raw frozen = library.raw(analog);
    QCOMPARE(frozen.header, stopped);
    // Still connected, the last data still readable.
    QCOMPARE(frozen.count, 128);
    QCOMPARE(library.getNbAcqui(), 1);
    QCOMPARE(library.getNbDevices(), demoLogic + demoAnalog);
    QCOMPARE(library.getNbCommands(), 3);

    QCOMPARE(library.addCommand(0), 1);
    QTRY_VERIFY_WITH_TIMEOUT(library.raw(analog).header > stopped, patience);
}

void tst_quelbinsigrok::reconnectOpensTheDeviceAgain() {
    SigrokLibrary library("demo");
    QTRY_COMPARE_WITH_TIMEOUT(library.getNbAcqui(), 1, patience);
    QTRY_VERIFY_WITH_TIMEOUT(library.raw(0).header > 50'000, patience);
    const std::int32_t before = library.raw(0).header;

    QCOMPARE(library.addCommand(2), 1);
    // Opened again: the samples are counted afresh.
    QTRY_VERIFY_WITH_TIMEOUT(library.getNbAcqui() == 1 && library.raw(0).header < before, patience);
    QTRY_VERIFY_WITH_TIMEOUT(library.raw(0).count == 128, patience);
    QCOMPARE(library.getNbCommands(), 3);
}

void tst_quelbinsigrok::problemGivesDisconnectedModuleAndOneLine_data() {
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QByteArray>("line"); // what the line begins with
    QTest::addColumn<QByteArray>("mention");

    const QByteArray unset;
    QTest::newRow("unset") << unset << unset << QByteArray("SOLVANE_SIGROK_DEVICE is not set")
                           << QByteArray("SOLVANE_SIGROK_DEVICE=demo");
    QTest::newRow("empty") << QByteArray("") << unset << QByteArray("SOLVANE_SIGROK_DEVICE=''")
                           << QByteArray("empty");
    QTest::newRow("malformed") << QByteArray("demo::x") << unset
                               << QByteArray("SOLVANE_SIGROK_DEVICE='demo::x'")
                               << QByteArray("empty");
    QTest::newRow("unknown driver")
        << QByteArray("nosuchdriver") << unset << QByteArray("SOLVANE_SIGROK_DEVICE='nosuchdriver'")
        << QByteArray("no driver 'nosuchdriver'");
    QTest::newRow("unknown option")
        << QByteArray("demo:nosuch=1") << unset
        << QByteArray("SOLVANE_SIGROK_DEVICE='demo:nosuch=1'") << QByteArray("no setting 'nosuch'");
    QTest::newRow("option the driver does not scan with")
        << QByteArray("demo:samplerate=1k") << unset
        << QByteArray("SOLVANE_SIGROK_DEVICE='demo:samplerate=1k'")
        << QByteArray("takes no 'samplerate'");
    QTest::newRow("malformed config")
        << QByteArray("demo") << QByteArray("samplerate=1k,")
        << QByteArray("SOLVANE_SIGROK_CONFIG='samplerate=1k,'") << QByteArray("empty");
    QTest::newRow("bad config value")
        << QByteArray("demo") << QByteArray("samplerate=fast")
        << QByteArray("SOLVANE_SIGROK_CONFIG='samplerate=fast'") << QByteArray("'fast'");
    QTest::newRow("config the device refuses")
        << QByteArray("demo") << QByteArray("conn=x")
        << QByteArray("SOLVANE_SIGROK_CONFIG='conn=x'") << QByteArray("refused 'conn=x'");
}

void tst_quelbinsigrok::problemGivesDisconnectedModuleAndOneLine() {
    QFETCH(QByteArray, device);
    QFETCH(QByteArray, config);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, mention);

    const CapturedStderr captured;
    {
        SigrokLibrary library(device, config);
        QVERIFY(library.disconnected());
        QTRY_VERIFY_WITH_TIMEOUT(!captured.lines().isEmpty(), patience);
        // It stays so, and says it once.
        for (int i = 0; i < 10; ++i) {
            std::this_thread::sleep_for(50ms);
            QVERIFY(library.disconnected());
        }
        // The commands are offered all the same: reconnecting is how an
        // operator asks for another attempt.
        QCOMPARE(library.getNbCommands(), 3);
        QCOMPARE(library.commandName(2), QByteArray("Reconnecter l'appareil"));
        QElapsedTimer unloading;
        unloading.start();
        QVERIFY(library.unload());
        QVERIFY2(unloading.elapsed() < unloadingLimit,
                 qPrintable(QString::number(unloading.elapsed())));
    }
    const QByteArrayList lines = captured.lines();
    QCOMPARE(lines.size(), 1);
    const QByteArray expected = "libQuelbin (sigrok): " + line;
    QVERIFY2(lines[0].startsWith(expected), lines[0].constData());
    QVERIFY2(lines[0].contains(mention), lines[0].constData());
}

void tst_quelbinsigrok::sessionEndedByItsLimitKeepsItsLastSamples() {
    const CapturedStderr captured;
    SigrokLibrary library("demo", "limit_samples=5");
    QTRY_COMPARE_WITH_TIMEOUT(library.raw(0).header, 5, patience);
    // Between two sessions, 2 s apart, the device is still there, its last
    // samples too.
    for (int i = 0; i < 5; ++i) {
        const Raw raw = library.raw(0);
        QCOMPARE(raw.header, 5);
        QCOMPARE(raw.count, 5);
        QVERIFY(library.connected());
        std::this_thread::sleep_for(100ms);
    }
    // The next session adds its own, counted on.
    QTRY_COMPARE_WITH_TIMEOUT(library.raw(0).header, 10, patience);
    QCOMPARE(library.raw(0).count, 10);

    const QByteArrayList lines = captured.lines();
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines[0], QByteArray("libQuelbin (sigrok): SOLVANE_SIGROK_DEVICE='demo': the device "
                                  "stopped acquiring: limit_samples=5 ended it; starting it again "
                                  "every 2 s"));
}

void tst_quelbinsigrok::wideLogicCountsSamplesNotBytes_data() {
    QTest::addColumn<int>("channels");
    QTest::addColumn<QByteArray>("samplerate");
    QTest::addColumn<int>("rate");
    QTest::newRow("8") << 8 << QByteArray("1000") << 1000;
    QTest::newRow("16, a decimal rate") << 16 << QByteArray("1.5k") << 1500;
    QTest::newRow("32") << 32 << QByteArray("1k") << 1000;
}

void tst_quelbinsigrok::wideLogicCountsSamplesNotBytes() {
    // Samples are one bit per channel: a 16-channel analyser packs two bytes
    // a sample, a 32-channel one four.
    QFETCH(int, channels);
    QFETCH(QByteArray, samplerate);
    QFETCH(int, rate);
    SigrokLibrary library("demo:analog_channels=0:logic_channels=" + QByteArray::number(channels),
                          "samplerate=" + samplerate);
    QTRY_VERIFY_WITH_TIMEOUT(library.raw(0).header > 0, patience);
    QElapsedTimer clock;
    clock.start();
    const auto [firstAt, first] = nextBurst(library, 0, clock);
    std::this_thread::sleep_for(2s);
    const auto [lastAt, last] = nextBurst(library, channels - 1, clock);
    QVERIFY(firstAt >= 0 && lastAt >= 0);
    const double measured = (last - first) * 1000.0 / static_cast<double>(lastAt - firstAt);
    qInfo("%.0f samples/s", measured);
    QVERIFY2(measured > 0.75 * rate && measured < 1.25 * rate,
             qPrintable(QString::number(measured)));
    for (std::int32_t sensor = 0; sensor < channels; ++sensor) {
        const Raw raw = library.raw(sensor);
        QCOMPARE(raw.count, 128);
        for (const char byte : raw.bytes)
            QVERIFY(byte == 0 || byte == 1);
    }
}

void tst_quelbinsigrok::unloadStopsTheThreadAndReloadWorks() {
    const QStringList earlier = threadIds();
    {
        SigrokLibrary library("demo");
        QTRY_COMPARE_WITH_TIMEOUT(library.getNbAcqui(), 1, patience);
        // Threads the library's thread starts take its name until they rename themselves.
        QTRY_COMPARE_WITH_TIMEOUT(threadIds(threadName, earlier).size(), 1, patience);
        QVERIFY(sigrokLibraryMapped());
        QElapsedTimer unloading;
        unloading.start();
        QVERIFY(library.unload());
        QVERIFY2(unloading.elapsed() < unloadingLimit,
                 qPrintable(QString::number(unloading.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(threadIds({}, earlier).isEmpty(), patience);
        QVERIFY(!sigrokLibraryMapped());
    }
    {
        // Loaded afresh: opened again, acquiring; then unloaded while stopped.
        SigrokLibrary library("demo");
        QTRY_COMPARE_WITH_TIMEOUT(library.getNbAcqui(), 1, patience);
        QTRY_VERIFY_WITH_TIMEOUT(library.raw(demoLogic).count == 128, patience);
        QCOMPARE(library.addCommand(1), 1);
        QVERIFY(settledHeader(library, demoLogic) > 0);
        QVERIFY(library.unload());
        QTRY_VERIFY_WITH_TIMEOUT(threadIds({}, earlier).isEmpty(), patience);
        QVERIFY(!sigrokLibraryMapped());
    }
}

void tst_quelbinsigrok::unloadInterruptsAnOpeningThatWaitsOnTheDevice() {
    const QStringList earlier = threadIds();
    SilentInstrument instrument;
    const CapturedStderr captured;
    SigrokLibrary library(QByteArray::fromStdString(instrument.device()));
    QVERIFY(library.disconnected());
    QVERIFY(instrument.accept(patience));
    std::this_thread::sleep_for(200ms);
    // libsigrok's scan waits on the instrument, which says nothing.
    QVERIFY(instrument.waiting());
    QVERIFY(library.disconnected());

    QElapsedTimer unloading;
    unloading.start();
    QVERIFY(library.unload());
    QVERIFY2(unloading.elapsed() < unloadingLimit,
             qPrintable(QString::number(unloading.elapsed())));
    // The scan would wait for as long as the connection stays open.
    QTRY_VERIFY_WITH_TIMEOUT(threadIds({}, earlier).isEmpty(), patience);
    QVERIFY(!sigrokLibraryMapped());
    // Unloading is no failure to report.
    QCOMPARE(captured.lines(), QByteArrayList());
}

QTEST_GUILESS_MAIN(tst_quelbinsigrok)
#include "tst_quelbinsigrok.moc"
