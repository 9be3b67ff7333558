// Module status, sensor count and sensor list, driven through the real window
// over the scripted acquisition library; and the name bytes it reads, on
// their own.
#include "acquisition/modquelbin.h"
#include "acquisition/modulereading.h"
#include "datatypes/modtypesdonnees.h"
#include "operatorinput.h"
#include "scriptedlibrary.h"
#include "testhelpers.h"
#include "windowundertest.h"
#include "wireformat.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <span>

namespace {

const QString connectedText = QStringLiteral("Module d'acquisition: connecté");
const QString disconnectedText = QStringLiteral("Module d'acquisition: déconnecté");
const QString failureBox = QStringLiteral("Incohérence dans l'accès au senseur #");

QStringList texts(std::initializer_list<const char*> items) {
    QStringList result;
    for (const char* item : items)
        result << QString::fromUtf8(item);
    return result;
}

QStringList deviceCalls(const QStringList& calls) {
    return calls.filter(QStringLiteral("getDevice("));
}

// The three sensors of the usual example.
void scriptThreeSensors(ScriptedLibrary& lib) {
    lib.setDevice(0, "Temp", typeCode::Real4);
    lib.setDevice(1, "Pression", typeCode::Int4);
    lib.setDevice(2, "Niveau", typeCode::Bool);
}

// Sensors named S0, S1, ... with codes cycling through the six types.
void scriptNumberedSensors(ScriptedLibrary& lib, int count) {
    for (int i = 0; i < count; ++i)
        lib.setDevice(i, "S" + QByteArray::number(i), i % 6);
}

// 128 name characters, none repeated next to each other.
QByteArray longName() {
    const QByteArray alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_";
    QByteArray name;
    while (name.size() < 128)
        name += alphabet;
    return name.left(128);
}

} // namespace

class tst_modquelbin : public QObject {
    Q_OBJECT

    ScriptedLibrary m_library;

    void scriptConnected() {
        m_library.reset();
        m_library.setNbAcqui(1);
        m_library.setNbDevices(0);
        m_library.setNbCommands(0);
    }

private slots:
    void tickCallSequence();
    void eachCountReadServesItsOwnStep();
    void moduleStatusCaption_data();
    void moduleStatusCaption();
    void deviceCountCaption_data();
    void deviceCountCaption();
    void placeholdersStayWhileNoSensor();
    void threeSensors();
    void countChange_data();
    void countChange();
    void unreadableSensor_data();
    void unreadableSensor();
    void moreSensorsThanTheTableHolds();
    void countOutside16Bits_data();
    void countOutside16Bits();
    void displayName_data();
    void displayName();
    void isNameChar_data();
    void isNameChar();
    void trimDeviceName_data();
    void trimDeviceName();
    void lengthToFirstZero_data();
    void lengthToFirstZero();
    void rebuildLeavesNoSelectionAndWatchedSensor();
};

void tst_modquelbin::tickCallSequence() {
    scriptConnected();
    WindowUnderTest w(m_library);

    w.tick();
    const QStringList unchanged =
        texts({"getNbAcqui()", "getNbDevices()", "getNbDevices()", "getNbCommands()"});
    QCOMPARE(m_library.calls(), unchanged);

    m_library.clearCalls();
    scriptThreeSensors(m_library);
    m_library.setNbDevices(3);
    w.tick();
    const QStringList changed = texts({"getNbAcqui()", "getNbDevices()", "getNbDevices()",
                                       "getNbDevices()", "getNbDevices()", "getDevice(0)",
                                       "getDevice(1)", "getDevice(2)", "getNbCommands()"});
    QCOMPARE(m_library.calls(), changed);

    m_library.clearCalls();
    w.tick();
    QCOMPARE(m_library.calls(), unchanged);
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

void tst_modquelbin::eachCountReadServesItsOwnStep() {
    scriptConnected();
    scriptNumberedSensors(m_library, 10);
    // Label, comparison, stored count, number of entries.
    m_library.pushNbDevices(9);
    m_library.pushNbDevices(3);
    m_library.pushNbDevices(4);
    m_library.pushNbDevices(2);
    m_library.setNbDevices(4);
    WindowUnderTest w(m_library);

    w.tick();
    QCOMPARE(w->lblNbDevices->text(), QStringLiteral("Nb. senseurs: 9"));
    QCOMPARE(modQuelbin::GetKnownDeviceCount(), std::int16_t{4});
    QCOMPARE(itemTexts(w->cmbSourceSurveillée), texts({"(0) S0 [Bool]", "(1) S1 [Int1]"}));
    QCOMPARE(deviceCalls(m_library.calls()), texts({"getDevice(0)", "getDevice(1)"}));

    // The library now steadily reports the stored count: nothing is rebuilt.
    m_library.clearCalls();
    w.tick();
    QCOMPARE(w->lblNbDevices->text(), QStringLiteral("Nb. senseurs: 4"));
    QCOMPARE(m_library.calls().count(QStringLiteral("getNbDevices()")), 2);
    QVERIFY(deviceCalls(m_library.calls()).isEmpty());
    QCOMPARE(w->cmbSourceSurveillée->count(), 2);
}

void tst_modquelbin::moduleStatusCaption_data() {
    QTest::addColumn<std::int32_t>("nbAcqui");
    QTest::addColumn<QString>("caption");
    QTest::newRow("1") << 1 << connectedText;
    QTest::newRow("3") << 3 << connectedText;
    QTest::newRow("largest") << std::numeric_limits<std::int32_t>::max() << connectedText;
    QTest::newRow("0") << 0 << disconnectedText;
    QTest::newRow("-1") << -1 << disconnectedText;
    QTest::newRow("smallest") << std::numeric_limits<std::int32_t>::min() << disconnectedText;
}

void tst_modquelbin::moduleStatusCaption() {
    QFETCH(std::int32_t, nbAcqui);
    QFETCH(QString, caption);

    // The load handler shows the opposite state, so the tick must change it.
    scriptConnected();
    m_library.setNbAcqui(nbAcqui > 0 ? 0 : 1);
    WindowUnderTest w(m_library);
    QVERIFY(w->lblAcquiConnecté->text() != caption);

    m_library.setNbAcqui(nbAcqui);
    w.tick();
    QCOMPARE(w->lblAcquiConnecté->text(), caption);
    QCOMPARE(m_library.calls().count(QStringLiteral("getNbAcqui()")), 1);
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

void tst_modquelbin::deviceCountCaption_data() {
    QTest::addColumn<std::int32_t>("nbDevices");
    QTest::addColumn<QString>("caption");
    QTest::newRow("5") << 5 << QStringLiteral("Nb. senseurs: 5");
    QTest::newRow("-2") << -2 << QStringLiteral("Nb. senseurs: -2");
    QTest::newRow("32768") << 32768 << QStringLiteral("Nb. senseurs: 32768");
    QTest::newRow("smallest") << std::numeric_limits<std::int32_t>::min()
                              << QStringLiteral("Nb. senseurs: -2147483648");
}

void tst_modquelbin::deviceCountCaption() {
    QFETCH(std::int32_t, nbDevices);
    QFETCH(QString, caption);

    scriptConnected();
    scriptNumberedSensors(m_library, 32);
    m_library.setNbDevices(nbDevices);
    WindowUnderTest w(m_library);
    w.tick();
    QCOMPARE(w->lblNbDevices->text(), caption);
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
    QVERIFY(w.reports.boxes.isEmpty());
}

void tst_modquelbin::placeholdersStayWhileNoSensor() {
    scriptConnected();
    WindowUnderTest w(m_library);
    w.ticks(3);

    QStringList placeholders;
    for (int i = 0; i < 32; ++i)
        placeholders << QString::number(i);
    QCOMPARE(itemTexts(w->cmbSourceSurveillée), placeholders);
    QCOMPARE(w->lblNbDevices->text(), QStringLiteral("Nb. senseurs: 0"));
    QCOMPARE(modQuelbin::GetKnownDeviceCount(), std::int16_t{0});
    QVERIFY(deviceCalls(m_library.calls()).isEmpty());
}

void tst_modquelbin::threeSensors() {
    scriptConnected();
    scriptThreeSensors(m_library);
    m_library.setNbDevices(3);
    WindowUnderTest w(m_library);
    w.tick();

    QCOMPARE(itemTexts(w->cmbSourceSurveillée),
             texts({"(0) Temp [Real4]", "(1) Pression [Int4]", "(2) Niveau [Bool]"}));
    QCOMPARE(w->cmbSourceSurveillée->currentIndex(), -1);
    QCOMPARE(modTypesDonnées::GetDeviceType(0), typeCode::Real4);
    QCOMPARE(modTypesDonnées::GetDeviceType(1), typeCode::Int4);
    QCOMPARE(modTypesDonnées::GetDeviceType(2), typeCode::Bool);
    QCOMPARE(modTypesDonnées::GetDeviceType(3), typeCode::NotSet);
    QCOMPARE(modQuelbin::GetKnownDeviceCount(), std::int16_t{3});
    QVERIFY(w.reports.boxes.isEmpty());
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

void tst_modquelbin::countChange_data() {
    QTest::addColumn<std::int32_t>("newCount");
    QTest::addColumn<QStringList>("expectedEntries");
    QTest::addColumn<QStringList>("expectedDeviceCalls");

    QTest::newRow("3 to 2") << 2 << texts({"(0) Temp [Real4]", "(1) Pression [Int4]"})
                            << texts({"getDevice(0)", "getDevice(1)"});
    QTest::newRow("3 to 0") << 0 << QStringList() << QStringList();
    QTest::newRow("3 to -1") << -1 << QStringList() << QStringList();
}

void tst_modquelbin::countChange() {
    QFETCH(std::int32_t, newCount);
    QFETCH(QStringList, expectedEntries);
    QFETCH(QStringList, expectedDeviceCalls);

    scriptConnected();
    m_library.setDevice(0, "Temp", typeCode::Real4);
    m_library.setDevice(1, "Pression", typeCode::Int4);
    m_library.setDevice(2, "Debit", typeCode::Real8);
    m_library.setNbDevices(3);
    WindowUnderTest w(m_library);
    w.tick();
    QVERIFY(choose(w->cmbSourceSurveillée, 2));
    QCOMPARE(w->cmbSourceSurveillée->count(), 3);

    m_library.clearCalls();
    m_library.setNbDevices(newCount);
    w.tick();
    QCOMPARE(itemTexts(w->cmbSourceSurveillée), expectedEntries);
    QCOMPARE(w->cmbSourceSurveillée->currentIndex(), -1);
    QCOMPARE(deviceCalls(m_library.calls()), expectedDeviceCalls);
    QCOMPARE(modQuelbin::GetKnownDeviceCount(), static_cast<std::int16_t>(newCount));
    // Entries beyond the new count keep their codes.
    QCOMPARE(modTypesDonnées::GetDeviceType(0), typeCode::Real4);
    QCOMPARE(modTypesDonnées::GetDeviceType(1), typeCode::Int4);
    QCOMPARE(modTypesDonnées::GetDeviceType(2), typeCode::Real8);
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

void tst_modquelbin::unreadableSensor_data() {
    QTest::addColumn<int>("failing");
    QTest::addColumn<QStringList>("expectedEntries");
    QTest::addColumn<QList<int>>("expectedTypes");

    QTest::newRow("first") << 0
                           << texts({"(0)  [Inconnu]", "(1) Pression [Int4]", "(2) Niveau [Bool]"})
                           << QList<int>({-1, 3, 0});
    QTest::newRow("middle") << 1
                            << texts({"(0) Temp [Real4]", "(1)  [Inconnu]", "(2) Niveau [Bool]"})
                            << QList<int>({4, -1, 0});
    QTest::newRow("last") << 2
                          << texts({"(0) Temp [Real4]", "(1) Pression [Int4]", "(2)  [Inconnu]"})
                          << QList<int>({4, 3, -1});
}

void tst_modquelbin::unreadableSensor() {
    QFETCH(int, failing);
    QFETCH(QStringList, expectedEntries);
    QFETCH(QList<int>, expectedTypes);

    scriptConnected();
    scriptThreeSensors(m_library);
    m_library.setUnreadableDevice(failing);
    m_library.setNbDevices(3);
    WindowUnderTest w(m_library);
    w.tick();

    QCOMPARE(w.reports.boxes, QStringList{failureBox + QString::number(failing)});
    QCOMPARE(itemTexts(w->cmbSourceSurveillée), expectedEntries);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(modTypesDonnées::GetDeviceType(static_cast<std::int16_t>(i)), expectedTypes[i]);

    // The failing sensor is handed a buffer that holds no earlier name.
    const QStringList calls = m_library.calls();
    const int call = static_cast<int>(calls.indexOf(QStringLiteral("getDevice(%1)").arg(failing)));
    QVERIFY(call >= 0);
    QCOMPARE(m_library.callBuffer(call), QByteArray(128, '\0'));
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

void tst_modquelbin::moreSensorsThanTheTableHolds() {
    scriptConnected();
    scriptNumberedSensors(m_library, 40);
    m_library.setNbDevices(40);
    WindowUnderTest w(m_library);
    w.tick();

    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
    QCOMPARE(w->lblNbDevices->text(), QStringLiteral("Nb. senseurs: 40"));
    QCOMPARE(w->cmbSourceSurveillée->count(), 32);
    QCOMPARE(w->cmbSourceSurveillée->itemText(0), QStringLiteral("(0) S0 [Bool]"));
    QCOMPARE(w->cmbSourceSurveillée->itemText(31), QStringLiteral("(31) S31 [Int1]"));
    QCOMPARE(w->cmbSourceSurveillée->currentIndex(), -1);
    const QStringList devices = deviceCalls(m_library.calls());
    QCOMPARE(devices.size(), 32);
    QCOMPARE(devices.last(), QStringLiteral("getDevice(31)"));
    for (int i = 0; i < 32; ++i)
        QCOMPARE(modTypesDonnées::GetDeviceType(static_cast<std::int16_t>(i)), i % 6);

    // Still 40: the list is not rebuilt on every tick.
    m_library.clearCalls();
    w.tick();
    QCOMPARE(m_library.calls().count(QStringLiteral("getNbDevices()")), 2);
    QVERIFY(deviceCalls(m_library.calls()).isEmpty());
    QCOMPARE(w->cmbSourceSurveillée->count(), 32);
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

void tst_modquelbin::countOutside16Bits_data() {
    QTest::addColumn<std::int32_t>("count");
    QTest::addColumn<int>("expectedEntries");
    QTest::addColumn<int>("expectedKnown");

    QTest::newRow("32768") << 32768 << 32 << 32767;
    QTest::newRow("largest") << std::numeric_limits<std::int32_t>::max() << 32 << 32767;
    QTest::newRow("-32769") << -32769 << 0 << -32768;
    QTest::newRow("smallest") << std::numeric_limits<std::int32_t>::min() << 0 << -32768;
}

void tst_modquelbin::countOutside16Bits() {
    QFETCH(std::int32_t, count);
    QFETCH(int, expectedEntries);
    QFETCH(int, expectedKnown);

    scriptConnected();
    scriptNumberedSensors(m_library, 32);
    m_library.setNbDevices(count);
    WindowUnderTest w(m_library);
    w.tick();

    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
    QCOMPARE(w->lblNbDevices->text(), QStringLiteral("Nb. senseurs: ") + QString::number(count));
    QCOMPARE(w->cmbSourceSurveillée->count(), expectedEntries);
    QCOMPARE(deviceCalls(m_library.calls()).size(), expectedEntries);
    QCOMPARE(modQuelbin::GetKnownDeviceCount(), expectedKnown);

    // The count stays out of range: it was rebuilt once and is not again.
    m_library.clearCalls();
    w.ticks(2);
    QCOMPARE(m_library.calls().count(QStringLiteral("getNbDevices()")), 4);
    QVERIFY(deviceCalls(m_library.calls()).isEmpty());
    QCOMPARE(w->cmbSourceSurveillée->count(), expectedEntries);
    QCOMPARE(w->lblNbDevices->text(), QStringLiteral("Nb. senseurs: ") + QString::number(count));
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

void tst_modquelbin::displayName_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("all name characters")
        << QByteArray("Capteur_1-A") << QStringLiteral("Capteur_1-A");
    QTest::newRow("blank") << QByteArray("Temp 2") << QStringLiteral("Temp");
    QTest::newRow("leading blank") << QByteArray(" Niveau") << QStringLiteral("");
    QTest::newRow("accented") << QByteArray("D\xE9"
                                            "bit d'eau")
                              << QStringLiteral("D");
    QTest::newRow("dot") << QByteArray("Abc.def") << QStringLiteral("Abc");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("");
    QTest::newRow("127 and a zero")
        << longName().left(127) << QString::fromLatin1(longName().left(127));
    QTest::newRow("128 without zero") << longName() << QString::fromLatin1(longName().left(127));
}

void tst_modquelbin::displayName() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);

    scriptConnected();
    m_library.setDevice(0, bytes, typeCode::Int2);
    m_library.setNbDevices(1);
    WindowUnderTest w(m_library);
    w.tick();
    QCOMPARE(itemTexts(w->cmbSourceSurveillée),
             QStringList{QStringLiteral("(0) ") + expected + QStringLiteral(" [Int2]")});
    QVERIFY(w.reports.boxes.isEmpty());
}

void tst_modquelbin::isNameChar_data() {
    QTest::addColumn<QString>("character");
    QTest::addColumn<bool>("expected");

    const QString inside = QStringLiteral("09azAZ-_");
    for (QChar c : inside)
        QTest::newRow(qPrintable(QString(c))) << QString(c) << true;
    // The neighbours of each range, and characters that are letters or digits
    // elsewhere than in ASCII.
    const QString outside = QStringLiteral("/:`{@[ .'\u00E9\u0661\uFF21");
    for (QChar c : outside)
        QTest::newRow(qPrintable(QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0'))))
            << QString(c) << false;
    QTest::newRow("zero") << QString(QChar(0)) << false;
    QTest::newRow("empty") << QString() << false;
}

void tst_modquelbin::isNameChar() {
    QFETCH(QString, character);
    QFETCH(bool, expected);
    QCOMPARE(modQuelbin::IsNameChar(character), expected);
}

void tst_modquelbin::trimDeviceName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("zero ends") << QStringLiteral("ab") + QChar(0) + QStringLiteral("cd")
                               << QStringLiteral("ab");
    QTest::newRow("200 name characters")
        << QString(200, QLatin1Char('x')) << QString(127, QLatin1Char('x'));
    QTest::newRow("127 then a blank")
        << QString(127, QLatin1Char('y')) + QStringLiteral(" z") << QString(127, QLatin1Char('y'));
    QTest::newRow("126 then a blank")
        << QString(126, QLatin1Char('y')) + QStringLiteral(" z") << QString(126, QLatin1Char('y'));
}

void tst_modquelbin::trimDeviceName() {
    QFETCH(QString, name);
    QFETCH(QString, expected);
    const QString before = name;
    QCOMPARE(modQuelbin::TrimDeviceName(name), expected);
    QCOMPARE(name, before);
}

void tst_modquelbin::lengthToFirstZero_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");

    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("no zero") << QByteArray("abc") << 3;
    QTest::newRow("zero first") << QByteArray("\0abc", 4) << 0;
    QTest::newRow("zero inside") << QByteArray("ab\0c\0", 5) << 2;
    QTest::newRow("high bytes are not zero") << QByteArray("\x80\xFF\0", 3) << 2;
    QByteArray last(128, 'x');
    last[127] = '\0';
    QTest::newRow("zero last of 128") << last << 127;
    QTest::newRow("128 without zero") << QByteArray(128, 'x') << 128;
}

void tst_modquelbin::lengthToFirstZero() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);

    QCOMPARE(quelbin::lengthToFirstZero(
                 std::span(bytes.constData(), static_cast<std::size_t>(bytes.size()))),
             std::size_t(expected));
}

void tst_modquelbin::rebuildLeavesNoSelectionAndWatchedSensor() {
    scriptConnected();
    scriptThreeSensors(m_library);
    m_library.setNbDevices(3);
    WindowUnderTest w(m_library);
    w.tick();
    QVERIFY(choose(w->cmbSourceSurveillée, 1));
    QCOMPARE(modQuelbin::GetWatchedSource(), std::int16_t{1});

    // An unchanged count keeps the list and its selection.
    w.tick();
    QCOMPARE(w->cmbSourceSurveillée->currentIndex(), 1);
    QCOMPARE(w->cmbSourceSurveillée->count(), 3);

    m_library.setDevice(3, "Vanne", typeCode::Int1);
    m_library.setNbDevices(4);
    w.tick();
    QCOMPARE(w->cmbSourceSurveillée->count(), 4);
    QCOMPARE(w->cmbSourceSurveillée->currentIndex(), -1);
    // No selection handler ran: the watched sensor is the one chosen.
    QCOMPARE(modQuelbin::GetWatchedSource(), std::int16_t{1});
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

QTEST_MAIN(tst_modquelbin)
#include "tst_modquelbin.moc"
