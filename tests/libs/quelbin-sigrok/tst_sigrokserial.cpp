// The libsigrok library on libsigrok's own serial multimeter drivers, the
// meters emulated on pseudo-terminals: every value end to end, a packet
// split by a stall, the port pulled out and put back, the meter silent and
// back, a four-display meter's values on their own channels across
// reopenings. Run with the fake serial library preloaded.
#include "serialmeter.h"
#include "sigroklibrary.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <thread>

Q_DECLARE_METATYPE(MeterProtocol)

namespace {

using namespace std::chrono_literals;

const QByteArray threadName("quelbin-sigrok");

const Reading idle{"9.999", "V"};
const Reading back{"-0.500", "V"};
// Sent once after the idle display: once it has arrived, nothing sent
// before it is still on its way.
const Reading marker{"2.000", "V"};
const QList<Reading> sequence{
    {"1.234", "V"}, {"-0.500", "V"}, {"12.34", "kOhm"}, {"345.6", "mV"}, {"1.234", "V"}};
const QVector<float> sequenceValues{1.234F, -0.5F, 12340.0F, 0.3456F, 1.234F};

bool same(float value, float expected) {
    return std::fabs(value - expected) <= 1e-6F * std::fabs(expected);
}

// The newest value of the meter's channel is `expected` (a poll of its own).
bool shows(SigrokLibrary& library, float expected) {
    const QVector<float> values = floats(library.raw(0).bytes);
    return !values.isEmpty() && same(values.last(), expected);
}

// Polls every 20 ms until `condition` holds: the milliseconds it took, or -1
// after `limit`.
template <typename Condition> qint64 millisecondsUntil(Condition condition, qint64 limit) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() <= limit) {
        if (condition())
            return clock.elapsed();
        std::this_thread::sleep_for(20ms);
    }
    return -1;
}

// The CPU time of these threads, in milliseconds.
qint64 cpuMilliseconds(const QStringList& threads) {
    qint64 ticks = 0;
    for (const QString& thread : threads) {
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(thread));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // utime and stime, the 14th and 15th fields, counted after the name.
        const QByteArray line = stat.readAll();
        const QByteArrayList fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        ticks += fields.value(11).toLongLong() + fields.value(12).toLongLong();
    }
    return ticks * 1000 / sysconf(_SC_CLK_TCK);
}

// The line the library wrote on losing the device, or an empty one.
QByteArray lossLine(const CapturedStderr& captured) {
    for (const QByteArray& line : captured.lines()) {
        if (line.contains("opening it again"))
            return line;
    }
    return {};
}

struct Meter {
    const char* name;
    MeterProtocol protocol;
    QByteArray driver;
};
const QList<Meter> meters{{"polled metex14", MeterProtocol::metex14, "metex-m3640d"},
                          {"streaming fs9721", MeterProtocol::fs9721, "tekpower-tp4000ZC"}};

template <typename T> const T& fetched(const char* column) {
    return *static_cast<const T*>(QTest::qData(column, qMetaTypeId<T>()));
}

// The row's meter showing `idle`, and the library on it through the row's
// driver.
struct Bench {
    Bench()
        : meter(fetched<MeterProtocol>("protocol"), 0, idle),
          library(fetched<QByteArray>("driver") + ":conn=" + meter.port()) {}

    // The library delivers what the meter shows.
    bool delivering() {
        return millisecondsUntil([&] { return shows(library, 9.999F); }, patience) >= 0;
    }

    SerialMeter meter;
    SigrokLibrary library;
};

} // namespace

class tst_sigrokserial : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void valuesArriveOnceInOrder_data();
    void valuesArriveOnceInOrder();
    void portRemovedThenRestored_data() { addMeters(); }
    void portRemovedThenRestored();
    void meterSilentThenBack_data() { addMeters(); }
    void meterSilentThenBack();
    void unloadWhileScanningASilentMeter_data() { addMeters(); }
    void unloadWhileScanningASilentMeter();
    void fourDisplaysStayApartAcrossReopenings();

private:
    static void addMeters();

    QTemporaryDir m_ports;
};

void tst_sigrokserial::initTestCase() {
    QVERIFY(m_ports.isValid());
    qputenv("SOLVANE_FAKE_TTY_DIR", QFile::encodeName(m_ports.path()));
    const SerialMeter meter(MeterProtocol::fs9721, 0);
    struct stat port {};
    QVERIFY2(stat(meter.port().constData(), &port) == 0 && S_ISCHR(port.st_mode),
             "the fake serial library is not preloaded");
}

void tst_sigrokserial::addMeters() {
    QTest::addColumn<MeterProtocol>("protocol");
    QTest::addColumn<QByteArray>("driver");
    for (const Meter& meter : meters)
        QTest::newRow(meter.name) << meter.protocol << meter.driver;
}

void tst_sigrokserial::valuesArriveOnceInOrder_data() {
    QTest::addColumn<MeterProtocol>("protocol");
    QTest::addColumn<QByteArray>("driver");
    QTest::addColumn<int>("stall");
    for (const Meter& meter : meters) {
        QTest::newRow(meter.name) << meter.protocol << meter.driver << 0;
        QTest::addRow("%s, stalled mid-packet", meter.name)
            << meter.protocol << meter.driver << 1500;
    }
}

void tst_sigrokserial::valuesArriveOnceInOrder() {
    QFETCH(int, stall);
    Bench bench;
    auto& [meter, library] = bench;
    QVERIFY(bench.delivering());
    QCOMPARE(library.sensors(), QByteArrayList{"P1:4"});

    // The meter falls quiet after one last packet; once that has arrived,
    // so has everything it sent before.
    meter.keepShowing(std::nullopt);
    meter.send({marker});
    QVERIFY(millisecondsUntil([&] { return shows(library, 2.0F); }, patience) >= 0);
    const std::int32_t before = library.raw(0).header;

    meter.stallNextPacket(std::chrono::milliseconds(stall));
    meter.send(sequence);
    const auto after = before + static_cast<std::int32_t>(sequence.size());
    const qint64 took =
        millisecondsUntil([&] { return library.raw(0).header >= after; }, stall + patience);
    QVERIFY2(took >= stall, qPrintable(QString::number(took)));
    // Nothing more: no packet counted twice, none made of two halves.
    std::this_thread::sleep_for(300ms);
    const Raw raw = library.raw(0);
    QCOMPARE(raw.header, after);

    // The latest 32 values: the sequence after the idle display and the
    // marker, nothing else.
    const auto kept = std::min<qsizetype>(32, after);
    QVector<float> expected(kept - sequenceValues.size() - 1, 9.999F);
    expected << 2.0F << sequenceValues;
    const QVector<float> values = floats(raw.bytes);
    QCOMPARE(values.size(), expected.size());
    for (qsizetype i = 0; i < values.size(); ++i)
        QVERIFY2(
            same(values[i], expected[i]),
            qPrintable(QStringLiteral("%1: %2, not %3").arg(i).arg(values[i]).arg(expected[i])));
}

void tst_sigrokserial::portRemovedThenRestored() {
    const QStringList earlier = threadIds();
    const CapturedStderr captured;
    Bench bench;
    auto& [meter, library] = bench;
    QVERIFY(bench.delivering());
    const QStringList libraryThreads = threadIds(threadName, earlier);
    QVERIFY(!libraryThreads.isEmpty());

    meter.unplug();
    const qint64 lost = millisecondsUntil([&] { return library.disconnected(); }, patience);
    qInfo("port removed -> disconnected: %lld ms", lost);
    QVERIFY2(lost >= 0, qPrintable(QString::number(lost)));
    // Noticed as gone, not after a silence of at least 3 s.
    QTRY_VERIFY_WITH_TIMEOUT(!lossLine(captured).isEmpty(), patience);
    const QByteArray line = lossLine(captured);
    QVERIFY2(!line.isEmpty() && !line.contains("nothing received"), line.constData());

    // While the port is away the library's thread sleeps between attempts,
    // and "Reconnecter l'appareil" can still be sent.
    const qint64 cpuBefore = cpuMilliseconds(libraryThreads);
    QElapsedTimer away;
    away.start();
    while (away.elapsed() < 3000) {
        QVERIFY(library.disconnected());
        QCOMPARE(library.getNbCommands(), 3);
        std::this_thread::sleep_for(100ms);
    }
    const qint64 cpu = cpuMilliseconds(libraryThreads) - cpuBefore;
    qInfo("CPU while lost: %lld ms in %lld ms", cpu, away.elapsed());
    // A thread that spins, even for a part of the time on a busy machine,
    // takes far more.
    QVERIFY2(cpu * 20 < away.elapsed(), qPrintable(QString::number(cpu)));

    meter.keepShowing(back);
    meter.plug();
    const qint64 restored = millisecondsUntil([&] { return shows(library, -0.5F); }, patience);
    qInfo("port restored -> connected: %lld ms", restored);
    QVERIFY2(restored >= 0, qPrintable(QString::number(restored)));
}

void tst_sigrokserial::meterSilentThenBack() {
    const CapturedStderr captured;
    Bench bench;
    auto& [meter, library] = bench;
    QVERIFY(bench.delivering());

    meter.keepShowing(std::nullopt);
    const qint64 silent = millisecondsUntil([&] { return library.disconnected(); }, patience);
    qInfo("meter silent -> disconnected: %lld ms", silent);
    QVERIFY2(silent >= 0, qPrintable(QString::number(silent)));
    // After a silence well past the meter's pace, yet no sooner than 3 s, as
    // the library measured it: the floor, not the 10 s allowed before a
    // session's first packet.
    QTRY_VERIFY_WITH_TIMEOUT(!lossLine(captured).isEmpty(), patience);
    const QByteArray line = lossLine(captured);
    const QRegularExpressionMatch seconds =
        QRegularExpression(QStringLiteral("nothing received for (\\d+) s"))
            .match(QString::fromLatin1(line));
    QVERIFY2(seconds.hasMatch(), line.constData());
    QVERIFY2(seconds.captured(1).toInt() >= 3 && seconds.captured(1).toInt() < 10,
             line.constData());
    // Reopening finds no meter.
    QElapsedTimer away;
    away.start();
    while (away.elapsed() < 2000) {
        QVERIFY(library.disconnected());
        std::this_thread::sleep_for(100ms);
    }

    // At worst a scan that began just before has sent its one request to a
    // meter still off, waits 3 s for an answer, and the next opens 2 s later.
    meter.keepShowing(back);
    const qint64 restored = millisecondsUntil([&] { return shows(library, -0.5F); }, patience);
    qInfo("meter back -> connected: %lld ms", restored);
    QVERIFY2(restored >= 0, qPrintable(QString::number(restored)));
}

void tst_sigrokserial::unloadWhileScanningASilentMeter() {
    // The driver's scan waits 3 s for a packet and nothing cuts it short:
    // unloading must not wait for it.
    SerialMeter meter(fetched<MeterProtocol>("protocol"), 0);
    const QStringList earlier = threadIds();
    SigrokLibrary library(fetched<QByteArray>("driver") + ":conn=" + meter.port());
    QVERIFY(library.disconnected());
    QTRY_VERIFY_WITH_TIMEOUT(meter.opened(), patience);
    QElapsedTimer unloading;
    unloading.start();
    QVERIFY(library.unload());
    qInfo("unloaded in %lld ms", unloading.elapsed());
    // The scan still has the port open: unloading did not wait for it.
    QVERIFY(meter.opened());
    // The scan ends by itself in the library part that stays loaded.
    QTRY_VERIFY_WITH_TIMEOUT(threadIds({}, earlier).isEmpty(), patience);
}

void tst_sigrokserial::fourDisplaysStayApartAcrossReopenings() {
    const CapturedStderr captured;
    SerialMeter meter(MeterProtocol::metex14quad, 0, idle);
    SigrokLibrary library("peaktech-4390a:conn=" + meter.port());
    QTRY_COMPARE_WITH_TIMEOUT(library.sensors(), (QByteArrayList{"P1:4", "P2:4", "P3:4", "P4:4"}),
                              patience);

    // Each value that reaches sensor s must come from display s + 1: its
    // whole part tells. A header that goes back marks a reopening.
    std::array<std::int32_t, 4> headers{};
    int checked = 0, wrong = 0, reopenings = 0, sinceReopening = 0;
    // Reads, for at most twice the patience, until `done` holds.
    const auto readUntil = [&](auto done) {
        QElapsedTimer clock;
        for (clock.start(); !done() && clock.elapsed() < 2 * patience;) {
            std::this_thread::sleep_for(20ms);
            for (std::size_t sensor = 0; sensor < headers.size(); ++sensor) {
                const Raw raw = library.raw(static_cast<std::int32_t>(sensor));
                if (raw.header < headers[sensor]) {
                    ++reopenings;
                    sinceReopening = headers[sensor] = 0;
                }
                const QVector<float> values = floats(raw.bytes);
                const auto fresh = static_cast<int>(
                    std::min<qsizetype>(raw.header - headers[sensor], values.size()));
                for (const float value : values.last(fresh))
                    wrong += static_cast<std::size_t>(value) == sensor + 1 ? 0 : 1;
                checked += fresh;
                sinceReopening += fresh;
                headers[sensor] = raw.header;
            }
        }
        return done();
    };
    // Reopened, then 20 answers read.
    const auto reopenedAndRead = [&] {
        const int before = reopenings;
        return readUntil([&] { return reopenings > before && sinceReopening >= 80; });
    };

    QVERIFY(readUntil([&] { return checked >= 80; }));
    // Stalled in the middle of an answer for longer than the library waits
    // (3 s), and back while the scan 2 s later waits for a packet (3 s).
    meter.stallNextPacket(6500ms);
    QVERIFY(reopenedAndRead());
    QVERIFY(lossLine(captured).contains("nothing received"));
    const int wrongBefore = wrong;
    QCOMPARE(library.addCommand(2), 1); // "Reconnecter l'appareil"
    QVERIFY(reopenedAndRead());
    qInfo("%d values checked; wrong: %d up to the command, %d after", checked, wrongBefore,
          wrong - wrongBefore);
    QCOMPARE(wrong, 0);
}

QTEST_GUILESS_MAIN(tst_sigrokserial)
#include "tst_sigrokserial.moc"
