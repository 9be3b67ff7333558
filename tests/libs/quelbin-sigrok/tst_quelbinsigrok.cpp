// The libsigrok acquisition library loaded as Solvane loads it, on
// libsigrok's demo device: what it lists and delivers, its commands, a lost
// device, what goes wrong with the two variables, and unloading.
#include "quelbinfunctions.h"
#include "silentinstrument.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibrary>
#include <QTest>

#include <dlfcn.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

using namespace std::chrono_literals;

const QByteArray deviceVariable("SOLVANE_SIGROK_DEVICE");
const QByteArray configVariable("SOLVANE_SIGROK_CONFIG");
const QByteArray threadName("quelbin-sigrok");

// Standard error goes to a file for as long as the object lives.
class CapturedStderr {
public:
    CapturedStderr() : m_file(std::tmpfile()) {
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        dup2(fileno(m_file), STDERR_FILENO);
    }
    ~CapturedStderr() {
        std::fflush(stderr);
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
        std::fclose(m_file);
    }
    CapturedStderr(const CapturedStderr&) = delete;
    CapturedStderr& operator=(const CapturedStderr&) = delete;

    QByteArrayList lines() const {
        std::fflush(stderr);
        QFile file;
        file.open(dup(fileno(m_file)), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
        file.seek(0);
        QByteArrayList lines = file.readAll().split('\n');
        lines.removeAll(QByteArray());
        return lines;
    }

private:
    std::FILE* m_file;
    int m_saved;
};

struct Raw {
    std::int32_t header = 0;
    std::int32_t count = 0;
    QByteArray bytes;
};

// The library under test, loaded after setting the two variables (a null
// value leaves a variable unset); unloaded at the end of the scope.
class SigrokLibrary : public QuelbinFunctions {
public:
    explicit SigrokLibrary(const QByteArray& device, const QByteArray& config = {})
        : m_library(QStringLiteral(SOLVANE_SIGROK_LIBRARY)) {
        setVariable(deviceVariable, device);
        setVariable(configVariable, config);
        if (!m_library.load())
            qFatal("%s", qPrintable(m_library.errorString()));
        if (const char* missing =
                resolve([&](const char* name) { return m_library.resolve(name); }))
            qFatal("%s missing", missing);
    }
    ~SigrokLibrary() { m_library.unload(); }
    SigrokLibrary(const SigrokLibrary&) = delete;
    SigrokLibrary& operator=(const SigrokLibrary&) = delete;

    bool unload() { return m_library.unload(); }

    QByteArray sensor(std::int32_t index) {
        std::array<char, QUELBIN_NAME_SIZE> name{};
        std::int32_t type = -1;
        if (getDevice(index, name.data(), &type) == 0)
            return QByteArray();
        return QByteArray(name.data()) + ':' + QByteArray::number(type);
    }
    QByteArrayList sensors() {
        QByteArrayList list;
        for (std::int32_t i = 0; i < getNbDevices(); ++i)
            list << sensor(i);
        return list;
    }
    QByteArray commandName(std::int32_t index) {
        std::array<char, QUELBIN_NAME_SIZE> name{};
        getCommandName(index, name.data());
        return QByteArray(name.data());
    }
    Raw raw(std::int32_t index) {
        Raw raw;
        std::array<std::uint8_t, QUELBIN_RAW_SIZE> data;
        data.fill(0xAA);
        getRawDataInfo(index, &raw.header, &raw.count);
        getRawData(index, data.data());
        raw.bytes = QByteArray(reinterpret_cast<const char*>(data.data()), QUELBIN_RAW_SIZE);
        // Nothing beyond what the count announces.
        if (raw.bytes.mid(raw.count) != QByteArray(QUELBIN_RAW_SIZE - raw.count, '\xAA'))
            qFatal("getRawData wrote beyond the byte count %d", raw.count);
        raw.bytes.truncate(raw.count);
        return raw;
    }
    bool disconnected() {
        std::int32_t header = -1;
        std::int32_t count = -1;
        getRawDataInfo(0, &header, &count);
        return getNbAcqui() == 0 && getNbDevices() == 0 && getNbCommands() == 0 &&
               sensor(0).isNull() && header == 0 && count == 0;
    }

private:
    static void setVariable(const QByteArray& name, const QByteArray& value) {
        if (value.isNull())
            qunsetenv(name.constData());
        else
            qputenv(name.constData(), value);
    }

    QLibrary m_library;
};

// The directory of each of the process's threads.
QStringList threadDirectories() {
    const QDir tasks(QStringLiteral("/proc/self/task"));
    QStringList directories;
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        directories << tasks.filePath(task);
    return directories;
}

int threadCount() {
    return static_cast<int>(threadDirectories().size());
}

int threadsNamed(const QByteArray& name) {
    int count = 0;
    for (const QString& directory : threadDirectories()) {
        QFile comm(directory + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            ++count;
    }
    return count;
}

bool mapped() {
    void* handle = dlopen(SOLVANE_SIGROK_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr)
        dlclose(handle);
    return handle != nullptr;
}

// The header of `sensor` once two reads 200 ms apart agree, or -1.
std::int32_t settledHeader(SigrokLibrary& library, std::int32_t sensor) {
    std::int32_t previous = library.raw(sensor).header;
    for (int i = 0; i < 15; ++i) {
        std::this_thread::sleep_for(200ms);
        const std::int32_t now = library.raw(sensor).header;
        if (now == previous)
            return now;
        previous = now;
    }
    return -1;
}

QVector<float> floats(const QByteArray& bytes) {
    QVector<float> values(bytes.size() / 4);
    std::memcpy(values.data(), bytes.constData(), static_cast<std::size_t>(values.size()) * 4);
    return values;
}

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
    void lostDeviceReadsDisconnectedThenComesBack();
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
    QTRY_COMPARE_WITH_TIMEOUT(library.getNbAcqui(), 1, 5000);
    QCOMPARE(library.getNbDevices(), sensors.size());
    QCOMPARE(library.sensors(), sensors);
    QVERIFY(library.sensor(static_cast<std::int32_t>(sensors.size())).isNull());
    QVERIFY(library.sensor(-1).isNull());
}

void tst_quelbinsigrok::dataAreTheLatestSamplesInRange() {
    SigrokLibrary library("demo");
    QTRY_COMPARE_WITH_TIMEOUT(library.getNbAcqui(), 1, 5000);
    const std::int32_t lastAnalog = demoLogic + demoAnalog - 1;
    QTRY_COMPARE_WITH_TIMEOUT(library.raw(lastAnalog).count, 128, 5000);

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
    QTRY_VERIFY_WITH_TIMEOUT(library.raw(demoLogic).header > before, 2000);
}

void tst_quelbinsigrok::commandsAreNamedInWindows1252() {
    SigrokLibrary library("demo");
    QTRY_COMPARE_WITH_TIMEOUT(library.getNbAcqui(), 1, 5000);
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
    QTRY_COMPARE_WITH_TIMEOUT(library.getNbAcqui(), 1, 5000);
    const std::int32_t analog = demoLogic;
    QTRY_VERIFY_WITH_TIMEOUT(library.raw(analog).header > 0, 5000);

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
    QTRY_VERIFY_WITH_TIMEOUT(library.raw(analog).header > stopped, 2000);
}

void tst_quelbinsigrok::reconnectOpensTheDeviceAgain() {
    SigrokLibrary library("demo");
    QTRY_COMPARE_WITH_TIMEOUT(library.getNbAcqui(), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(library.raw(0).header > 50'000, 5000);
    const std::int32_t before = library.raw(0).header;

    QCOMPARE(library.addCommand(2), 1);
    // Opened again: the samples are counted afresh.
    QTRY_VERIFY_WITH_TIMEOUT(library.getNbAcqui() == 1 && library.raw(0).header < before, 3000);
    QTRY_VERIFY_WITH_TIMEOUT(library.raw(0).count == 128, 3000);
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
        QTRY_VERIFY_WITH_TIMEOUT(!captured.lines().isEmpty(), 5000);
        // It stays so, and says it once.
        for (int i = 0; i < 10; ++i) {
            std::this_thread::sleep_for(50ms);
            QVERIFY(library.disconnected());
        }
        QCOMPARE(library.addCommand(0), 0);
        QElapsedTimer unloading;
        unloading.start();
        QVERIFY(library.unload());
        QVERIFY(unloading.elapsed() < 2000);
    }
    const QByteArrayList lines = captured.lines();
    QCOMPARE(lines.size(), 1);
    const QByteArray expected = "libQuelbin (sigrok): " + line;
    QVERIFY2(lines[0].startsWith(expected), lines[0].constData());
    QVERIFY2(lines[0].contains(mention), lines[0].constData());
}

void tst_quelbinsigrok::lostDeviceReadsDisconnectedThenComesBack() {
    // The demo ends its acquisition by itself after 500 ms, as a device that
    // goes away: the library must notice, then open it again.
    const CapturedStderr captured;
    SigrokLibrary library("demo", "limit_time=500");
    QElapsedTimer clock;
    clock.start();
    qint64 connected = -1;
    qint64 lost = -1;
    qint64 back = -1;
    int sensorsWhenBack = 0;
    QByteArrayList linesWhenBack; // before the next loss, 500 ms later
    while (back < 0 && clock.elapsed() < 8000) {
        const bool now = library.getNbAcqui() == 1;
        if (connected < 0 && now) {
            connected = clock.elapsed();
        } else if (connected >= 0 && lost < 0 && !now) {
            lost = clock.elapsed();
        } else if (lost >= 0 && now) {
            back = clock.elapsed();
            sensorsWhenBack = library.getNbDevices();
            linesWhenBack = captured.lines();
        }
        // Well before the next attempt, everything reads as disconnected.
        if (lost >= 0 && back < 0 && clock.elapsed() - lost < 1500)
            QVERIFY(library.disconnected());
        std::this_thread::sleep_for(5ms);
    }
    QVERIFY(connected >= 0);
    QVERIFY2(lost >= 0, "never read as disconnected");
    QVERIFY2(lost - connected <= 500 + 1000, qPrintable(QString::number(lost - connected)));
    QVERIFY2(back >= 0, "never came back");
    QVERIFY2(back - lost >= 1800 && back - lost <= 3000, qPrintable(QString::number(back - lost)));
    QCOMPARE(sensorsWhenBack, demoLogic + demoAnalog);

    QCOMPARE(linesWhenBack.size(), 1);
    QVERIFY2(linesWhenBack[0].startsWith("libQuelbin (sigrok): SOLVANE_SIGROK_DEVICE='demo': the "
                                         "device stopped acquiring"),
             linesWhenBack[0].constData());
}

void tst_quelbinsigrok::unloadStopsTheThreadAndReloadWorks() {
    const int threadsBefore = threadCount();
    {
        SigrokLibrary library("demo");
        QTRY_COMPARE_WITH_TIMEOUT(library.getNbAcqui(), 1, 5000);
        // Threads the library's thread starts take its name until they rename themselves.
        QTRY_COMPARE_WITH_TIMEOUT(threadsNamed(threadName), 1, 2000);
        QVERIFY(mapped());
        QElapsedTimer unloading;
        unloading.start();
        QVERIFY(library.unload());
        QVERIFY(unloading.elapsed() < 1000);
        QCOMPARE(threadsNamed(threadName), 0);
        QCOMPARE(threadCount(), threadsBefore);
        QVERIFY(!mapped());
    }
    {
        // Loaded afresh: opened again, acquiring; then unloaded while stopped.
        SigrokLibrary library("demo");
        QTRY_COMPARE_WITH_TIMEOUT(library.getNbAcqui(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(library.raw(demoLogic).count == 128, 5000);
        QCOMPARE(library.addCommand(1), 1);
        QVERIFY(settledHeader(library, demoLogic) > 0);
        QVERIFY(library.unload());
        QCOMPARE(threadCount(), threadsBefore);
        QVERIFY(!mapped());
    }
}

void tst_quelbinsigrok::unloadInterruptsAnOpeningThatWaitsOnTheDevice() {
    const int threadsBefore = threadCount();
    SilentInstrument instrument;
    const CapturedStderr captured;
    SigrokLibrary library(QByteArray::fromStdString(instrument.device()));
    QVERIFY(library.disconnected());
    QVERIFY(instrument.accept(5000));
    std::this_thread::sleep_for(200ms);
    // libsigrok's scan waits on the instrument, which says nothing.
    QVERIFY(instrument.waiting());
    QVERIFY(library.disconnected());

    QElapsedTimer unloading;
    unloading.start();
    QVERIFY(library.unload());
    QVERIFY2(unloading.elapsed() < 3000, qPrintable(QString::number(unloading.elapsed())));
    QCOMPARE(threadCount(), threadsBefore);
    QVERIFY(!mapped());
    // Unloading is no failure to report.
    QCOMPARE(captured.lines(), QByteArrayList());
}

QTEST_GUILESS_MAIN(tst_quelbinsigrok)
#include "tst_quelbinsigrok.moc"
