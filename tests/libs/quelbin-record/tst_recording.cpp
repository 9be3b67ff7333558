// The recording library loaded as Solvane loads it, over the simulated
// module: a session recorded while a reader polls like the window, then
// played back by the replay and compared poll by poll with what the reader
// got; a disk that fills up or a folder that cannot be made stops the
// recording with one line while the module goes on being read; and the
// replay library, loaded too, on a file that is no recording.
#include "capturedstderr.h"
#include "loadedquelbin.h"
#include "namecodepage.h"
#include "problemreporter.h"
#include "replay.h"
#include "replayfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <array>
#include <chrono>
#include <csignal>
#include <vector>

#include <sys/resource.h>

namespace {

// What the reader got in one poll.
struct Seen {
    std::int32_t connection = 0;
    std::vector<std::pair<std::string, std::int32_t>> sensors; // UTF-8 name, type
    std::int32_t watched = -1;
    std::int32_t header = 0;
    std::int32_t byteCount = 0;
    std::vector<std::uint8_t> raw;
};

class Library : public LoadedQuelbin {
public:
    explicit Library(const char* file) { load(QString::fromUtf8(file)); }

    // One tick of the window: the connection, the list, one sensor's data.
    Seen poll(std::int32_t watched) {
        Seen seen;
        seen.connection = getNbAcqui();
        const std::int32_t count = seen.connection > 0 ? getNbDevices() : 0;
        for (std::int32_t i = 0; i < count; ++i) {
            std::array<char, QUELBIN_NAME_SIZE> name{};
            std::int32_t type = -1;
            getDevice(i, name.data(), &type);
            seen.sensors.emplace_back(solvane::nameCodePageToUtf8(name.data()), type);
        }
        if (count > 0) {
            seen.watched = watched % count;
            getRawDataInfo(seen.watched, &seen.header, &seen.byteCount);
            std::array<std::uint8_t, QUELBIN_RAW_SIZE> raw{};
            getRawData(seen.watched, raw.data());
            seen.raw.assign(raw.begin(), raw.begin() + std::clamp(seen.byteCount, 0, 128));
        }
        return seen;
    }
};

// The recording library's variables for the scope.
class RecordSettings {
public:
    explicit RecordSettings(const QString& folder) {
        qputenv("SOLVANE_RECORD_LIBRARY", SOLVANE_SIM_LIBRARY);
        qputenv("SOLVANE_RECORD_DIR", folder.toUtf8());
        qputenv("SOLVANE_RECORD_NAME", "simulation");
        qputenv("SOLVANE_RECORD_CSV", "semicolon");
    }
    ~RecordSettings() {
        for (const char* name : {"SOLVANE_RECORD_LIBRARY", "SOLVANE_RECORD_DIR",
                                 "SOLVANE_RECORD_NAME", "SOLVANE_RECORD_CSV"})
            qunsetenv(name);
    }
    RecordSettings(const RecordSettings&) = delete;
    RecordSettings& operator=(const RecordSettings&) = delete;
};

QStringList recordings(const QString& folder) {
    QStringList files;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.csv")}, QDir::Files))
        files << QDir(folder).filePath(name);
    return files;
}

// Polls made by the window, about 20 a second (each ~3 s).
constexpr int ticks = 60;
constexpr int tickMs = 50;
constexpr int stopLimitMs = 30000;

} // namespace

class tst_recording : public QObject {
    Q_OBJECT

private slots:
    void roundTrip();
    void recordingStops_data();
    void recordingStops();
    void replayOfAForeignFile();
};

// Recorded while the module disconnects and comes back, then replayed: at
// each recorded poll the replay answers what the module answered then.
void tst_recording::roundTrip() {
    QTemporaryDir folder;
    std::vector<Seen> seen;
    {
        RecordSettings settings(folder.path());
        Library recorder(SOLVANE_RECORD_LIBRARY);
        for (int tick = 0; tick < ticks; ++tick) {
            if (tick == 20)
                QCOMPARE(recorder.addCommand(0), 1); // disconnects the simulated module
            if (tick == 30)
                QCOMPARE(recorder.addCommand(1), 1); // and connects it again
            seen.push_back(recorder.poll(tick / 4));
            QThread::msleep(tickMs);
        }
        QVERIFY(recorder.unload()); // the last rows written
    }
    const QStringList files = recordings(folder.path());
    QCOMPARE(files.size(), 1);
    QVERIFY(QFileInfo(files.front()).fileName().startsWith(QLatin1String("simulation-")));

    // The recorded polls, numbered from the reader's first, and their times
    // for the replay's clock. A poll without news (the module disconnected)
    // has no rows.
    std::vector<std::pair<std::uint64_t, std::int64_t>> polls;
    solvane::replay::ReplayFile file(files.front().toStdString());
    while (const auto poll = file.next())
        polls.emplace_back(poll->number, poll->time);
    QCOMPARE(file.problem(), std::string());
    std::size_t connected = 0;
    for (const Seen& then : seen)
        connected += then.connection > 0 ? 1 : 0;
    QVERIFY(polls.size() >= connected);

    solvane::ProblemReporter problems("test");
    solvane::replay::Replay replay(files.front().toStdString(), problems);
    const auto start = solvane::replay::Replay::Clock::now();
    bool disconnected = false;
    for (const auto& [number, time] : polls) {
        replay.poll(start + std::chrono::milliseconds(time - polls.front().second));
        QVERIFY(number >= 1 && number <= seen.size());
        const Seen& then = seen[number - 1];
        QCOMPARE(replay.connection(), then.connection);
        disconnected = disconnected || then.connection == 0;
        if (then.connection == 0)
            continue;
        QCOMPARE(replay.sensorCount(), static_cast<std::int32_t>(then.sensors.size()));
        for (std::size_t s = 0; s < then.sensors.size(); ++s) {
            const auto* sensor = replay.sensor(static_cast<std::int32_t>(s));
            QVERIFY(sensor);
            QCOMPARE(sensor->name, then.sensors[s].first);
            QCOMPARE(sensor->type, then.sensors[s].second);
        }
        const auto* data = replay.data(then.watched);
        QVERIFY2(data, qPrintable(QStringLiteral("poll %1").arg(number)));
        QCOMPARE(data->header, then.header);
        QCOMPARE(data->byteCount, then.byteCount);
        QCOMPARE(data->raw, then.raw);
    }
    QVERIFY(disconnected);
    // Past the last poll the recording has ended: the module reads
    // disconnected, and says why.
    replay.poll(start +
                std::chrono::milliseconds(polls.back().second - polls.front().second + 10'000));
    QCOMPARE(replay.connection(), 0);
    QVERIFY(replay.statusText(start).starts_with("end of the recording"));
}

void tst_recording::recordingStops_data() {
    QTest::addColumn<bool>("fileSizeLimit");
    QTest::addColumn<QString>("folderBelow");
    QTest::addColumn<QString>("reason");

    // A file the system lets grow to 40 kB: the disk is full.
    QTest::newRow("full disk") << true << QString() << QStringLiteral("cannot write");
    // Asked to make a folder inside a plain file.
    QTest::newRow("folder cannot be made")
        << false << QStringLiteral("a file/recordings") << QStringLiteral("cannot make");
}

void tst_recording::recordingStops() {
    QFETCH(bool, fileSizeLimit);
    QFETCH(QString, folderBelow);
    QFETCH(QString, reason);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    const auto restore = qScopeGuard([&] {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousSignal);
    });
    if (fileSizeLimit) {
        rlimit small = previous;
        small.rlim_cur = 40'000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    QTemporaryDir folder;
    QFile plain(folder.filePath(QStringLiteral("a file")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString recordTo = folderBelow.isEmpty() ? folder.path() : folder.filePath(folderBelow);

    CapturedStderr errors;
    RecordSettings settings(recordTo);
    Library recorder(SOLVANE_RECORD_LIBRARY);
    QByteArray status;
    for (int tick = 0; tick * 20 < stopLimitMs; ++tick) {
        // The module goes on being read while the recording stops and after.
        QCOMPARE(recorder.poll(tick).connection, 1);
        status = recorder.statusText();
        if (status.startsWith("recording stopped"))
            break;
        QThread::msleep(20);
    }
    QVERIFY2(status.startsWith("recording stopped: " + reason.toUtf8()), status.constData());
    for (int tick = 0; tick < 5; ++tick)
        QCOMPARE(recorder.poll(tick).sensors.size(), std::size_t{7});
    QVERIFY(recorder.unload());
    const QByteArrayList lines = errors.lines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.front().startsWith("quelbin-record: recording stopped: " + reason.toUtf8()),
             lines.front().constData());
    for (const QString& file : recordings(folder.path()))
        QVERIFY(QFileInfo(file).size() <= 40'000);
}

// One line naming the file and the row, in the tooltip and on standard
// error; the module reads disconnected; the replay's own commands.
void tst_recording::replayOfAForeignFile() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("mesures.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Date;Heure;Temp\xC3\xA9rature\r\n09/12/2026;19:30;21,5\r\n");
    file.close();

    CapturedStderr errors;
    qputenv("SOLVANE_REPLAY_FILE", path.toUtf8());
    const auto unset = qScopeGuard([] { qunsetenv("SOLVANE_REPLAY_FILE"); });
    Library replay(SOLVANE_REPLAY_LIBRARY);
    for (int tick = 0; tick < 3; ++tick)
        QCOMPARE(replay.getNbAcqui(), 0);
    const QByteArray expected = "mesures.csv, row 1: not a Solvane recording: it begins "
                                "'Date;Heure;Temp\xE9rature'";
    QCOMPARE(replay.statusText(), expected);
    QCOMPARE(errors.lines(),
             QByteArrayList{"quelbin-replay: " +
                            QByteArray("mesures.csv, row 1: not a Solvane recording: "
                                       "it begins 'Date;Heure;Temp\xC3\xA9rature'")});

    QByteArrayList commands;
    for (std::int32_t i = 0; i < replay.getNbCommands(); ++i)
        commands << replay.commandName(i);
    QCOMPARE(commands, (QByteArrayList{"Pause", "Reprendre",
                                       "Rejouer depuis le d\xE9"
                                       "but",
                                       "Vitesse x1", "Vitesse x10"}));
}

QTEST_GUILESS_MAIN(tst_recording)
#include "tst_recording.moc"
