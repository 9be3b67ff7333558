// A recording's file on its own: fields as a French spreadsheet and data
// tools read them, records read back, a last row cut short, files that are
// no recording or hold a bad row.
#include "csvfields.h"
#include "recordingrows.h"
#include "replayfile.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using namespace solvane;

namespace {

using Format = recording::CsvFormat;

// Two polls of a recording, each line ending with CR LF.
const QByteArray twoPolls =
    "2026-12-09T19:30:05.100Z;connexion;1;;;;1\r\n"
    "2026-12-09T19:30:05.100Z;senseurs;1;;;;1\r\n"
    "2026-12-09T19:30:05.100Z;senseur;1;0;\"Temp\xC3\xA9rature; four\";Real4;4;1\r\n"
    "2026-12-09T19:30:05.100Z;donnees;1;0;Temp;Real4;4;7;4;00 00 34 43;180\r\n"
    "2026-12-09T19:30:05.300Z;donnees;2;0;Temp;Real4;4;8;4;00 80 34 43;180,5\r\n";

QString written(const QTemporaryDir& folder, const QByteArray& content) {
    const QString path = folder.filePath(QStringLiteral("enregistrement.csv"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

struct Played {
    int polls = 0;
    std::string problem;
    std::uint64_t tornRow = 0;
};

Played play(const QByteArray& content) {
    QTemporaryDir folder;
    replay::ReplayFile file(written(folder, content).toStdString());
    Played played;
    while (file.next())
        ++played.polls;
    played.problem = file.problem();
    played.tornRow = file.tornRow();
    return played;
}

QByteArray header() {
    return QByteArray::fromStdString(recording::headerRow(recording::semicolonFormat));
}

} // namespace

class tst_recordingcsv : public QObject {
    Q_OBJECT

private slots:
    void fieldsWritten_data();
    void fieldsWritten();
    void recordsRead();
    void lastRowCutShort_data();
    void lastRowCutShort();
    void badFiles_data();
    void badFiles();
};

void tst_recordingcsv::fieldsWritten_data() {
    QTest::addColumn<bool>("french");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");

    const auto row = [](const char* name, bool french, const char* kind, double value,
                        const QByteArray& text, const QByteArray& expected) {
        QTest::newRow(name) << french << QString::fromLatin1(kind) << value << text << expected;
    };
    row("decimal comma", true, "real8", 180.25, {}, "x;180,25\r\n");
    row("decimal point", false, "real8", -0.001, {}, "x,-0.001\r\n");
    row("shortest float", true, "real4", 0.1, {}, "x;0,1\r\n");
    row("large float", false, "real4", 3e38, {}, "x,3e+38\r\n");
    row("no number", true, "real8", std::nan(""), {}, "x;NaN\r\n");
    row("infinite", true, "real8", -std::numeric_limits<double>::infinity(), {}, "x;-inf\r\n");
    row("separator quoted", true, "text", 0, "a;b", "x;\"a;b\"\r\n");
    row("comma plain where ';' separates", true, "text", 0, "a,b", "x;a,b\r\n");
    row("comma quoted where ',' separates", false, "text", 0, "a,b", "x,\"a,b\"\r\n");
    row("quotes doubled", true, "text", 0, "dit \"oui\"", "x;\"dit \"\"oui\"\"\"\r\n");
    row("line break quoted", true, "text", 0, "a\nb", "x;\"a\nb\"\r\n");
    row("formula guarded", true, "text", 0, "=1+1", "x;'=1+1\r\n");
    row("minus guarded", true, "text", 0, "-5 V", "x;'-5 V\r\n");
    row("trailing empty fields left out", true, "empty", 0, {}, "x\r\n");
}

void tst_recordingcsv::fieldsWritten() {
    QFETCH(bool, french);
    QFETCH(QString, kind);
    QFETCH(double, value);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);

    std::string out;
    recording::RowText row(out, french ? recording::semicolonFormat : recording::commaFormat);
    row.text("x");
    if (kind == QLatin1String("real8"))
        row.real(value);
    else if (kind == QLatin1String("real4"))
        row.real(static_cast<float>(value));
    else if (kind == QLatin1String("text"))
        row.text(text.toStdString());
    else
        row.empty().empty();
    row.end();
    QCOMPARE(QByteArray::fromStdString(out), expected);
}

// Quoted fields with separators, quotes and line breaks, and the
// apostrophe that guards a formula taken away.
void tst_recordingcsv::recordsRead() {
    QTemporaryDir folder;
    const QString path = written(folder, "a;\"b;c\";\"d\r\n\"\"e\"\"\"\r\n;'=f;\r\nlast");
    std::FILE* file = std::fopen(path.toLocal8Bit().constData(), "rb");
    QVERIFY(file);
    recording::CsvReader reader(file, ';');
    std::vector<std::string> fields;
    using Result = recording::CsvReader::Result;
    QCOMPARE(reader.next(fields), Result::Record);
    QCOMPARE(fields, (std::vector<std::string>{"a", "b;c", "d\r\n\"e\""}));
    QCOMPARE(reader.next(fields), Result::Record);
    QCOMPARE(fields, (std::vector<std::string>{"", "'=f", ""}));
    QCOMPARE(recording::fieldText(fields[1]), std::string("=f"));
    QCOMPARE(reader.row(), 2u); // a spreadsheet's row, not the line
    QCOMPARE(reader.next(fields), Result::Torn);
    std::fclose(file);
}

void tst_recordingcsv::lastRowCutShort_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("polls");
    QTest::addColumn<int>("tornRow");

    const QByteArray whole = header() + twoPolls;
    QTest::newRow("whole") << whole << 2 << 0;
    QTest::newRow("without the last line break") << whole.chopped(2) << 1 << 6;
    QTest::newRow("between CR and LF") << whole.chopped(1) << 1 << 6;
    QTest::newRow("within a number") << whole.chopped(4) << 1 << 6;
    const auto quoted = whole.indexOf("four\"");
    QTest::newRow("within a quoted name") << whole.left(quoted) << 1 << 4;
}

// A recording cut short, as a killed program or a power cut leaves it: the
// last row, incomplete, is left out without a problem.
void tst_recordingcsv::lastRowCutShort() {
    QFETCH(QByteArray, content);
    QFETCH(int, polls);
    QFETCH(int, tornRow);

    const Played played = play(content);
    QCOMPARE(played.polls, polls);
    QCOMPARE(played.problem, std::string());
    QCOMPARE(played.tornRow, static_cast<std::uint64_t>(tornRow));
}

void tst_recordingcsv::badFiles_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("polls");
    QTest::addColumn<QString>("problem");

    const QByteArray rfcHeader =
        QByteArray::fromStdString(recording::headerRow(recording::commaFormat));
    const QByteArray name = "enregistrement.csv, row ";
    QTest::newRow("empty") << QByteArray() << 0
                           << QString::fromUtf8(name + "1: empty, not a Solvane recording");
    QTest::newRow("another tool's") << QByteArray("time,value\r\n0.1,2\r\n") << 0
                                    << QString::fromUtf8(name + "1: not a Solvane recording: "
                                                                "it begins 'time,value'");
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1A\n\0\0", 10) << 0
                            << QString::fromUtf8(name + "1: not a Solvane recording: it "
                                                        "begins '\\x89PNG'");
    QTest::newRow("rows of the other separator")
        << rfcHeader + twoPolls << 0
        << QString::fromUtf8(name + "2: a row has at least 3 fields, this one 1");
    QTest::newRow("bad time, after a poll")
        << header() + twoPolls + "09/12/2026 19:30;donnees;3;0\r\n"
        << 2
        << QString::fromUtf8(name +
                             "7: '09/12/2026 19:30' is not a time like 2026-12-09T19:30:05.123Z");
    QTest::newRow("unknown kind") << header() + "2026-12-09T19:30:05.100Z;mesure;1\r\n"
                                  << 0
                                  << QString::fromUtf8(
                                         name + "2: 'mesure' is no kind of row of a recording");
    QTest::newRow("bytes not hexadecimal")
        << header() + "2026-12-09T19:30:05.100Z;donnees;1;0;T;Real4;4;7;4;00 00 3G 43\r\n"
        << 0
        << QString::fromUtf8(name + "2: '00 00 3G 43' are not raw bytes in hexadecimal like "
                                    "3F 80 00 00");
    QTest::newRow("fewer bytes than counted")
        << header() + "2026-12-09T19:30:05.100Z;donnees;1;0;T;Real4;4;7;8;00 00 34 43\r\n"
        << 0
        << QString::fromUtf8(name + "2: the row holds 4 raw bytes where its byte count gives 8");
    QTest::newRow("negative index")
        << header() + "2026-12-09T19:30:05.100Z;senseur;1;-1;T;Real4;4;1\r\n"
        << 0 << QString::fromUtf8(name + "2: '-1' is not an index");
}

// One problem naming the file and the row; every poll before it is played.
void tst_recordingcsv::badFiles() {
    QFETCH(QByteArray, content);
    QFETCH(int, polls);
    QFETCH(QString, problem);

    const Played played = play(content);
    QCOMPARE(played.polls, polls);
    QCOMPARE(QString::fromStdString(played.problem), problem);
}

QTEST_GUILESS_MAIN(tst_recordingcsv)
#include "tst_recordingcsv.moc"
