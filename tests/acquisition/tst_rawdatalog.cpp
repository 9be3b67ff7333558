// The watched sensor and its raw-data log, through the real window over the
// scripted acquisition library and the project's conversion library.
#include "acquisition/modquelbin.h"
#include "operatorinput.h"
#include "scriptedlibrary.h"
#include "windowundertest.h"
#include "wireformat.h"

#include <QComboBox>
#include <QListWidget>
#include <QLocale>
#include <QSignalBlocker>
#include <QTest>

#include <cstdint>
#include <initializer_list>
#include <limits>

namespace {

using typeCode::Bool;
using typeCode::Int1;
using typeCode::Int2;
using typeCode::Int4;
using typeCode::Real8;

QStringList logLines(const QListWidget* log) {
    QStringList result;
    for (int i = 0; i < log->count(); ++i)
        result << log->item(i)->text();
    return result;
}

QStringList rawDataCalls(const QStringList& calls) {
    return calls.filter(QStringLiteral("getRawData"));
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray result;
    for (int v : values)
        result += static_cast<char>(v);
    return result;
}

// n doubles 1.0, 2.0, ... and the log text of each.
QByteArray countingDoubles(int n, QString* texts) {
    QByteArray result;
    for (int i = 1; i <= n; ++i) {
        result += real8Bytes(i);
        *texts += QString::number(i) + QStringLiteral(".00000 | ");
    }
    return result;
}

} // namespace

class tst_rawdatalog : public QObject {
    Q_OBJECT

    ScriptedLibrary m_library;

    // Three listed sensors: 0 Int2, 1 Int1, 2 the given code.
    void scriptSensors(std::int32_t thirdCode) {
        m_library.reset();
        m_library.setNbAcqui(1);
        m_library.setNbCommands(0);
        m_library.setNbDevices(3);
        m_library.setDevice(0, "Vitesse", Int2);
        m_library.setDevice(1, "Compteur", Int1);
        m_library.setDevice(2, "Capteur", thirdCode);
    }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void line_data();
    void line();
    void eachTickStartsFromZero_data();
    void eachTickStartsFromZero();
    void noWatchedSensor();
    void newestLineOnTop();
    void logEmptiedPast1000Lines();
    void rebuildWhileWatching();
    void choosingAnotherSensor();
    void typeComesFromTheListSelection();
    void placeholderEntryDecodedAsUnknown();
};

void tst_rawdatalog::initTestCase() {
    // Decimal point, whatever the host's settings.
    QLocale::setDefault(QLocale::c());
}

void tst_rawdatalog::cleanupTestCase() {
    QLocale::setDefault(QLocale::system());
}

void tst_rawdatalog::line_data() {
    QTest::addColumn<std::int32_t>("code");
    QTest::addColumn<std::int32_t>("header");
    QTest::addColumn<std::int32_t>("byteCount");
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("expected");

    const QByteArray int2Pair = bytes({0x05, 0x00, 0xFD, 0xFF});
    QTest::newRow("no byte") << Int2 << 7 << 0 << int2Pair << QStringLiteral("7;0;");
    QTest::newRow("Int2, 4 bytes")
        << Int2 << 17 << 4 << int2Pair << QStringLiteral("17;4;5 | -3 | ");
    QTest::newRow("Int2, 3 bytes")
        << Int2 << 17 << 3 << int2Pair << QStringLiteral("17;3;5 | -3 | ");
    QTest::newRow("Int2, 2 bytes") << Int2 << -4 << 2 << int2Pair << QStringLiteral("-4;2;5 | ");
    QTest::newRow("Int4, 5 bytes")
        << Int4 << 0 << 5 << bytes({0x01, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF})
        << QStringLiteral("0;5;257 | -1 | ");

    const QByteArray five = bytes({0x01, 0x00, 0x02, 0xFF, 0x00, 0x07});
    QTest::newRow("Bool, 5 bytes")
        << Bool << 1 << 5 << five << QStringLiteral("1;5;Vrai | Faux | Vrai | Vrai | Faux | ");
    QTest::newRow("Int1, 5 bytes")
        << Int1 << 1 << 5 << five << QStringLiteral("1;5;1 | 0 | 2 | 255 | 0 | ");

    QString sixteen;
    const QByteArray doubles = countingDoubles(16, &sixteen);
    QTest::newRow("Real8, 128 bytes")
        << Real8 << 2 << 128 << doubles << QStringLiteral("2;128;") + sixteen;
    QTest::newRow("Real8, 121 bytes")
        << Real8 << 2 << 121 << doubles << QStringLiteral("2;121;") + sixteen;
    QString fifteen;
    countingDoubles(15, &fifteen);
    QTest::newRow("Real8, 120 bytes")
        << Real8 << 2 << 120 << doubles << QStringLiteral("2;120;") + fifteen;

    // Counts the buffer cannot hold: only what lies within it is decoded.
    QTest::newRow("Real8, 129 bytes")
        << Real8 << 2 << 129 << doubles << QStringLiteral("2;129;") + sixteen;
    QTest::newRow("Real8, largest count") << Real8 << 2 << std::numeric_limits<std::int32_t>::max()
                                          << doubles << QStringLiteral("2;2147483647;") + sixteen;
    QString every;
    QByteArray all;
    for (int i = 0; i < 128; ++i) {
        all += static_cast<char>(i);
        every += QString::number(i) + QStringLiteral(" | ");
    }
    QTest::newRow("Int1, 129 bytes") << Int1 << 3 << 129 << all << QStringLiteral("3;129;") + every;

    QTest::newRow("negative count") << Int1 << 3 << -1 << all << QStringLiteral("3;-1;");
    QTest::newRow("smallest count") << Int1 << std::numeric_limits<std::int32_t>::min()
                                    << std::numeric_limits<std::int32_t>::min() << all
                                    << QStringLiteral("-2147483648;-2147483648;");
}

void tst_rawdatalog::line() {
    QFETCH(std::int32_t, code);
    QFETCH(std::int32_t, header);
    QFETCH(std::int32_t, byteCount);
    QFETCH(QByteArray, raw);
    QFETCH(QString, expected);

    scriptSensors(code);
    m_library.setRawData(2, header, byteCount, raw);
    WindowUnderTest w(m_library);
    w.tick();
    QVERIFY(choose(w->cmbSourceSurveillée, 2));
    QCOMPARE(modQuelbin::GetWatchedSource(), std::int16_t{2});

    m_library.clearCalls();
    w.tick();
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
    QCOMPARE(rawDataCalls(m_library.calls()),
             QStringList({QStringLiteral("getRawDataInfo(2)"), QStringLiteral("getRawData(2)")}));
    QCOMPARE(logLines(w->lstRawData), QStringList{expected});
}

void tst_rawdatalog::eachTickStartsFromZero_data() {
    QTest::addColumn<bool>("writesNothing");
    QTest::addColumn<std::int32_t>("header");
    QTest::addColumn<std::int32_t>("byteCount");
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("expected");

    // What the first tick's library call wrote must not show in the second.
    QTest::newRow("nothing written") << true << 0 << 0 << QByteArray() << QStringLiteral("0;0;");
    QTest::newRow("count, no bytes")
        << false << 9 << 4 << QByteArray() << QStringLiteral("9;4;0 | 0 | ");
    QTest::newRow("fewer bytes") << false << 9 << 4 << bytes({0x07, 0x00})
                                 << QStringLiteral("9;4;7 | 0 | ");
}

void tst_rawdatalog::eachTickStartsFromZero() {
    QFETCH(bool, writesNothing);
    QFETCH(std::int32_t, header);
    QFETCH(std::int32_t, byteCount);
    QFETCH(QByteArray, raw);
    QFETCH(QString, expected);

    scriptSensors(Int2);
    m_library.setRawData(2, 17, 4, bytes({0x05, 0x00, 0xFD, 0xFF}));
    WindowUnderTest w(m_library);
    w.tick();
    QVERIFY(choose(w->cmbSourceSurveillée, 2));
    w.tick();
    QCOMPARE(logLines(w->lstRawData), QStringList{QStringLiteral("17;4;5 | -3 | ")});

    if (writesNothing)
        m_library.forgetRawData(2);
    else
        m_library.setRawData(2, header, byteCount, raw);
    w.tick();
    QCOMPARE(w->lstRawData->item(0)->text(), expected);
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

void tst_rawdatalog::noWatchedSensor() {
    scriptSensors(Int1);
    m_library.setRawData(0, 9, 2, bytes({0x05, 0x00}));
    m_library.setRawData(2, 9, 1, bytes({0x01}));
    WindowUnderTest w(m_library);

    // Nothing chosen yet.
    w.ticks(2);
    QVERIFY(rawDataCalls(m_library.calls()).isEmpty());
    QCOMPARE(w->lstRawData->count(), 0);

    QVERIFY(choose(w->cmbSourceSurveillée, 0));
    w.tick();
    const QStringList before = logLines(w->lstRawData);
    QCOMPARE(before, QStringList{QStringLiteral("9;2;5 | ")});

    // No sensor watched any more: no call, the log stays as it is.
    modQuelbin::SetWatchedSource(-1);
    m_library.clearCalls();
    w.ticks(2);
    QVERIFY(rawDataCalls(m_library.calls()).isEmpty());
    QCOMPARE(logLines(w->lstRawData), before);
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

void tst_rawdatalog::newestLineOnTop() {
    scriptSensors(Int1);
    WindowUnderTest w(m_library);
    w.tick();
    QVERIFY(choose(w->cmbSourceSurveillée, 2));
    for (int header = 1; header <= 3; ++header) {
        m_library.setRawData(2, header, 1, bytes({10 * header}));
        w.tick();
    }
    QCOMPARE(logLines(w->lstRawData),
             QStringList({QStringLiteral("3;1;30 | "), QStringLiteral("2;1;20 | "),
                          QStringLiteral("1;1;10 | ")}));
}

void tst_rawdatalog::logEmptiedPast1000Lines() {
    scriptSensors(Int1);
    m_library.setRawData(2, 4, 0, QByteArray());
    WindowUnderTest w(m_library);
    w.tick();
    QVERIFY(choose(w->cmbSourceSurveillée, 2));

    w.ticks(999);
    QCOMPARE(w->lstRawData->count(), 999);
    m_library.setRawData(2, 1000, 0, QByteArray());
    w.tick();
    QCOMPARE(w->lstRawData->count(), 1000);
    QCOMPARE(w->lstRawData->item(0)->text(), QStringLiteral("1000;0;"));
    QCOMPARE(w->lstRawData->item(999)->text(), QStringLiteral("4;0;"));

    // The line that passes 1000 is removed along with all the others.
    m_library.setRawData(2, 1001, 0, QByteArray());
    w.tick();
    QCOMPARE(w->lstRawData->count(), 0);

    m_library.setRawData(2, 1002, 0, QByteArray());
    w.tick();
    QCOMPARE(logLines(w->lstRawData), QStringList{QStringLiteral("1002;0;")});
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

void tst_rawdatalog::rebuildWhileWatching() {
    scriptSensors(Int2);
    m_library.setRawData(2, 8, 4, bytes({0x05, 0x00, 0xFD, 0xFF}));
    WindowUnderTest w(m_library);
    w.tick();
    QVERIFY(choose(w->cmbSourceSurveillée, 2));
    w.tick();
    QCOMPARE(w->lstRawData->item(0)->text(), QStringLiteral("8;4;5 | -3 | "));

    // A fourth sensor appears: the list is rebuilt without a selection.
    m_library.setDevice(3, "Vanne", Int4);
    m_library.setNbDevices(4);
    m_library.clearCalls();
    w.tick();
    QCOMPARE(w->cmbSourceSurveillée->currentIndex(), -1);
    QCOMPARE(modQuelbin::GetWatchedSource(), std::int16_t{2});
    QCOMPARE(rawDataCalls(m_library.calls()),
             QStringList({QStringLiteral("getRawDataInfo(2)"), QStringLiteral("getRawData(2)")}));
    // Still sensor 2's data, each byte its own element of no known type.
    QCOMPARE(logLines(w->lstRawData),
             QStringList({QStringLiteral("8;4;Inconnu | Inconnu | Inconnu | Inconnu | "),
                          QStringLiteral("8;4;5 | -3 | ")}));
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

void tst_rawdatalog::choosingAnotherSensor() {
    scriptSensors(Bool);
    m_library.setRawData(0, 10, 2, bytes({0xFE, 0xFF}));
    m_library.setRawData(1, 11, 2, bytes({0xFE, 0xFF}));
    WindowUnderTest w(m_library);
    w.tick();
    QVERIFY(choose(w->cmbSourceSurveillée, 0));
    w.tick();
    const QStringList first{QStringLiteral("10;2;-2 | ")};
    QCOMPARE(logLines(w->lstRawData), first);

    // Choosing calls nothing and leaves the log; the next tick follows it.
    m_library.clearCalls();
    QVERIFY(choose(w->cmbSourceSurveillée, 1));
    QCOMPARE(modQuelbin::GetWatchedSource(), std::int16_t{1});
    QVERIFY(m_library.calls().isEmpty());
    QCOMPARE(logLines(w->lstRawData), first);

    w.tick();
    QCOMPARE(logLines(w->lstRawData),
             QStringList({QStringLiteral("11;2;254 | 255 | "), QStringLiteral("10;2;-2 | ")}));
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

void tst_rawdatalog::typeComesFromTheListSelection() {
    scriptSensors(Bool);
    m_library.setRawData(0, 5, 2, bytes({0x01, 0x02}));
    WindowUnderTest w(m_library);
    w.tick();
    QVERIFY(choose(w->cmbSourceSurveillée, 0));

    // The selection moves without the operator: no handler, sensor 0 stays
    // watched, but its bytes are cut and decoded as sensor 1's type.
    {
        const QSignalBlocker quiet(w->cmbSourceSurveillée);
        w->cmbSourceSurveillée->setCurrentIndex(1);
    }
    m_library.clearCalls();
    w.tick();
    QCOMPARE(rawDataCalls(m_library.calls()),
             QStringList({QStringLiteral("getRawDataInfo(0)"), QStringLiteral("getRawData(0)")}));
    QCOMPARE(logLines(w->lstRawData), QStringList{QStringLiteral("5;2;1 | 2 | ")});
}

void tst_rawdatalog::placeholderEntryDecodedAsUnknown() {
    m_library.reset();
    m_library.setNbAcqui(1);
    m_library.setNbDevices(0);
    m_library.setRawData(5, 6, 3, bytes({0x01, 0x02, 0x03}));
    WindowUnderTest w(m_library);
    w.tick();
    QCOMPARE(w->cmbSourceSurveillée->count(), 32);
    QVERIFY(choose(w->cmbSourceSurveillée, 5));
    w.tick();
    QCOMPARE(logLines(w->lstRawData),
             QStringList{QStringLiteral("6;3;Inconnu | Inconnu | Inconnu | ")});
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

QTEST_MAIN(tst_rawdatalog)
#include "tst_rawdatalog.moc"
