// The recording's parts over a module made of plain functions: which rows a
// session gives (a sensor the reader reads is kept as the reader got it, and
// not read again by the recording; lists and connection only when they
// change; the chosen sensors only), files that start anew with the lists,
// readings lost to a full queue marked in the file; and the replay's pace
// through its commands.
#include "problemreporter.h"
#include "readingqueue.h"
#include "recorder.h"
#include "replay.h"
#include "replayfile.h"
#include "writer.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <map>

using namespace solvane;

namespace {

// The module the recorder passes calls on to.
struct FakeModule {
    std::int32_t connection = 1;
    std::string status;
    std::vector<std::string> sensors{"Temp", "Niveau", "Vanne"};
    std::int32_t header = 1;
    std::map<std::int32_t, int> infoReads;
} fake;

std::int32_t SOLVANE_CALL nbAcqui() {
    return fake.connection;
}
std::int32_t SOLVANE_CALL nbDevices() {
    return fake.connection > 0 ? static_cast<std::int32_t>(fake.sensors.size()) : 0;
}
std::int16_t SOLVANE_CALL device(std::int32_t index, char* name, std::int32_t* type) {
    std::strcpy(name, fake.sensors.at(static_cast<std::size_t>(index)).c_str());
    *type = 2;
    return 1;
}
std::int32_t SOLVANE_CALL nbCommands() {
    return 0;
}
std::int32_t SOLVANE_CALL commandName(std::int32_t, char*) {
    return 0;
}
std::int32_t SOLVANE_CALL command(std::int32_t) {
    return 1;
}
// The header tells the reading apart: 100 times the module's count, plus
// the sensor's index.
std::int32_t SOLVANE_CALL rawInfo(std::int32_t index, std::int32_t* header, std::int32_t* count) {
    ++fake.infoReads[index];
    *header = fake.header * 100 + index;
    *count = 2;
    return 1;
}
std::int32_t SOLVANE_CALL raw(std::int32_t index, std::uint8_t* data) {
    data[0] = static_cast<std::uint8_t>(index);
    data[1] = static_cast<std::uint8_t>(fake.header);
    return 2;
}
std::int32_t SOLVANE_CALL statusText(char* text) {
    std::strcpy(text, fake.status.c_str());
    return 1;
}

const QuelbinFunctions functions{nbAcqui, nbDevices, device, nbCommands, commandName,
                                 command, rawInfo,   raw,    statusText};

// A session: the recorder on the reader's side, the writer made at the end
// so that it takes every reading at once, as it would had the reader's
// thread been quick.
class Session {
public:
    explicit Session(const QString& folder, std::optional<std::set<int>> chosen = std::nullopt,
                     std::size_t capacity = 4096)
        : m_folder(folder), m_queue(capacity),
          m_recorder(functions, m_queue, std::move(chosen), m_active) {
        fake = FakeModule{};
    }

    // The window's tick: a poll, then sensor `watched` read (-1: none).
    void tick(std::int32_t watched) {
        m_recorder.polled(nbAcqui());
        if (watched < 0)
            return;
        ++fake.header; // the module moved on meanwhile
        std::int32_t header = 0;
        std::int32_t count = 0;
        rawInfo(watched, &header, &count);
        m_recorder.rawInfoRead(watched, header, count);
        std::uint8_t data[QUELBIN_RAW_SIZE]{};
        raw(watched, data);
        m_recorder.rawDataRead(watched, data);
    }

    // Writes what was recorded into files of at most `rowsPerFile` rows.
    void write(std::uint64_t rowsPerFile = 1'000'000) {
        record::WriterSettings settings;
        settings.folder = m_folder.toStdString();
        settings.module = "essai";
        settings.rowsPerFile = rowsPerFile;
        record::Writer writer(settings, m_queue, m_problems, m_active);
    }

private:
    QString m_folder;
    record::ReadingQueue m_queue;
    std::atomic<bool> m_active = true;
    record::Recorder m_recorder;
    ProblemReporter m_problems{"test"};
};

QStringList files(const QString& folder) {
    QStringList paths;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.csv")}, QDir::Files))
        paths << QDir(folder).filePath(name);
    return paths;
}

// Each poll's rows, "2: donnees 0 200, donnees 2 202" (index and header
// for data), one poll a line.
QString rowsOf(const QString& path) {
    replay::ReplayFile file(path.toStdString());
    QStringList polls;
    while (const auto poll = file.next()) {
        QStringList rows;
        for (const recording::Row& row : poll->rows) {
            static const char* kinds[] = {"connexion", "senseurs", "senseur", "commandes",
                                          "commande",  "donnees",  "envoi",   "perte"};
            QString text = QString::fromLatin1(kinds[static_cast<int>(row.kind)]);
            if (row.kind == recording::RowKind::Data)
                text += QStringLiteral(" %1 %2").arg(row.index).arg(row.header);
            else if (row.kind == recording::RowKind::Connection ||
                     row.kind == recording::RowKind::Lost)
                text += QStringLiteral(" %1%2")
                            .arg(row.code.value_or(-1))
                            .arg(row.name.empty()
                                     ? QString()
                                     : QLatin1Char(' ') + QString::fromStdString(row.name));
            else if (row.kind == recording::RowKind::Sensor)
                text += QLatin1Char(' ') + QString::fromStdString(row.name);
            rows << text;
        }
        polls << QStringLiteral("%1: ").arg(poll->number) + rows.join(QStringLiteral(", "));
    }
    return polls.join(QLatin1Char('\n'));
}

const QString listed =
    QStringLiteral("connexion 1, senseurs, senseur Temp, senseur Niveau, senseur Vanne");

} // namespace

class tst_recordingparts : public QObject {
    Q_OBJECT

private slots:
    void rowsOfASession();
    void chosenSensors();
    void newFileRestatesTheLists();
    void lostReadingsMarked();
    void replayPace_data();
    void replayPace();
};

void tst_recordingparts::rowsOfASession() {
    QTemporaryDir folder;
    Session session(folder.path());
    session.tick(1); // the recorder reads all three; the reader's 1 replaces its own
    session.tick(1); // the reader read 1 before: the recorder leaves it to the reader
    fake.sensors.pop_back();
    session.tick(1);
    fake.connection = 0;
    fake.status = "c\xE2"
                  "ble d\xE9"
                  "branch\xE9";
    session.tick(-1);
    session.tick(-1); // nothing new: no rows
    fake.status = "module \xE9teint";
    session.tick(-1);
    fake.connection = 1;
    fake.status.clear();
    session.tick(-1);
    session.write();

    // Read by the recorder in polls 1 and 7 only, by the reader in 1, 2, 3.
    QCOMPARE(fake.infoReads[1], 5);
    const QStringList written = files(folder.path());
    QCOMPARE(written.size(), 1);
    QCOMPARE(
        rowsOf(written.front()),
        QStringList({
                        QStringLiteral("1: ") + listed +
                            QStringLiteral(", donnees 0 100, donnees 2 102, donnees 1 201"),
                        QStringLiteral("2: donnees 0 200, donnees 2 202, donnees 1 301"),
                        QStringLiteral("3: senseurs, senseur Temp, senseur Niveau, donnees 0 "
                                       "300, donnees 1 401"),
                        QStringLiteral("4: connexion 0 c\u00e2ble d\u00e9branch\u00e9, senseurs"),
                        QStringLiteral("6: connexion 0 module \u00e9teint"),
                        QStringLiteral("7: connexion 1, senseurs, senseur Temp, senseur "
                                       "Niveau, donnees 0 400, donnees 1 401"),
                    })
            .join(QLatin1Char('\n')));
}

// SOLVANE_RECORD_SENSORS=0,2: the reader's sensor 1 is not recorded.
void tst_recordingparts::chosenSensors() {
    QTemporaryDir folder;
    Session session(folder.path(), std::set<int>{0, 2});
    session.tick(1);
    session.tick(2);
    session.write();
    QCOMPARE(rowsOf(files(folder.path()).front()),
             QStringLiteral("1: ") + listed +
                 QStringLiteral(", donnees 0 100, donnees 2 102\n2: donnees 0 200, donnees 2 302"));
}

// After 11 rows a new file, between two polls, starting with the
// connection and the lists; never in place of the one before.
void tst_recordingparts::newFileRestatesTheLists() {
    QTemporaryDir folder;
    Session session(folder.path());
    for (int poll = 0; poll < 6; ++poll)
        session.tick(-1);
    session.write(11);
    const QStringList written = files(folder.path());
    QCOMPARE(written.size(), 3);
    QStringList contents;
    for (const QString& file : written)
        contents << rowsOf(file);
    contents.sort(); // by their first poll
    const QString data = QStringLiteral(", donnees 0 100, donnees 1 101, donnees 2 102");
    QCOMPARE(contents,
             QStringList(
                 {QStringLiteral("1: ") + listed + data + QStringLiteral("\n2: ") + data.mid(2),
                  QStringLiteral("3: ") + listed + data + QStringLiteral("\n4: ") + data.mid(2),
                  QStringLiteral("5: ") + listed + data + QStringLiteral("\n6: ") + data.mid(2)}));
}

// A queue of 16 readings that the disk does not empty: the 19 readings it
// could not take are counted in a row "perte" before the rest.
void tst_recordingparts::lostReadingsMarked() {
    QTemporaryDir folder;
    Session session(folder.path(), std::nullopt, 16);
    for (int poll = 0; poll < 10; ++poll)
        session.tick(-1);
    session.write();
    const QString rows = rowsOf(files(folder.path()).front());
    QVERIFY2(rows.startsWith(QStringLiteral("1: perte 19, ") + listed), qPrintable(rows));
    QCOMPARE(rows.count(QStringLiteral("donnees")), 11);
}

void tst_recordingparts::replayPace_data() {
    QTest::addColumn<QString>("steps");

    // Polls 1 to 4 recorded 200 ms apart; "<ms> =N": the reader polls and
    // the replay shows poll N (0: disconnected, the recording ended); or a
    // command. The replay starts at the reader's first poll.
    QTest::newRow("recorded pace") << "0 =1, 99 =1, 100 =2, 299 =2, 300 =3, 500 =4, 699 =4, 700 =0";
    QTest::newRow("paused and resumed")
        << "0 =1, 150 =2, 150 pause, 5000 =2, 5000 resume, 5149 =2, 5150 =3, 5550 =0";
    QTest::newRow("faster while paused")
        << "0 =1, 150 pause, 150 x10, 1000 =2, 1000 resume, 1014 =2, 1015 =3";
    QTest::newRow("ten times faster") << "0 =1, 0 x10, 9 =1, 10 =2, 30 =3, 50 =4, 70 =0";
    QTest::newRow("back to x1") << "0 =1, 0 x10, 20 =2, 20 x1, 119 =2, 120 =3";
    QTest::newRow("restarted") << "0 =1, 500 =4, 500 restart, 500 =1, 599 =1, 600 =2, 1300 =0";
    QTest::newRow("restarted after the end") << "0 =1, 2000 =0, 2000 restart, 2000 =1, 2100 =2";
}

void tst_recordingparts::replayPace() {
    QFETCH(QString, steps);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("pace.csv"));
    std::string text = recording::headerRow(recording::semicolonFormat);
    for (int poll = 1; poll <= 4; ++poll) {
        recording::Row row;
        row.time = 1'796'000'000'000 + 200 * (poll - 1);
        row.poll = static_cast<std::uint64_t>(poll);
        row.code = 1;
        if (poll == 1) {
            row.kind = recording::RowKind::Connection;
            recording::appendRow(text, recording::semicolonFormat, row);
            row.kind = recording::RowKind::SensorCount;
            recording::appendRow(text, recording::semicolonFormat, row);
        }
        row.kind = recording::RowKind::Data;
        row.header = poll;
        recording::appendRow(text, recording::semicolonFormat, row);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
    file.close();

    ProblemReporter problems("test");
    replay::Replay replay(path.toStdString(), problems);
    const auto start = replay::Replay::Clock::now();
    for (const QString& step : steps.split(QStringLiteral(", "))) {
        const QStringList parts = step.split(QLatin1Char(' '));
        const auto now = start + std::chrono::milliseconds(parts[0].toInt());
        const QString action = parts[1];
        if (action == QLatin1String("pause"))
            replay.pause(now);
        else if (action == QLatin1String("resume"))
            replay.resume(now);
        else if (action == QLatin1String("restart"))
            replay.restart(now);
        else if (action.startsWith(QLatin1Char('x')))
            replay.setSpeed(action.mid(1).toInt(), now);
        else {
            replay.poll(now);
            const auto* data = replay.data(0);
            const int shown = replay.connection() > 0 && data ? data->header : 0;
            QVERIFY2(shown == action.mid(1).toInt(),
                     qPrintable(QStringLiteral("%1: poll %2").arg(step).arg(shown)));
        }
    }
}

QTEST_GUILESS_MAIN(tst_recordingparts)
#include "tst_recordingparts.moc"
