// The command list over the real window and the scripted acquisition library:
// when it is rebuilt, what it reads and shows, and how choosing, typing and
// executing behave.
#include "commands/modcommandes.h"
#include "operatorinput.h"
#include "scriptedlibrary.h"
#include "testhelpers.h"
#include "window/commandcombobox.h"
#include "windowundertest.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <cstdint>
#include <limits>

namespace {

const QString countCaption = QStringLiteral("Nombre de commandes: ");

QString countText(int count) {
    return countCaption + QString::number(count);
}

bool isCommandCall(const QString& call) {
    return call.startsWith(QLatin1String("getNbCommands(")) ||
           call.startsWith(QLatin1String("getCommandName(")) ||
           call.startsWith(QLatin1String("addCommand("));
}

// The calls of the command list, leaving out those of the sensor side.
QStringList commandCalls(const ScriptedLibrary& lib) {
    QStringList calls = lib.calls();
    calls.removeIf([](const QString& call) { return !isCommandCall(call); });
    return calls;
}

// The buffers handed to getCommandName since the log was last cleared, in order.
QList<QByteArray> nameBuffersHandedOver(const ScriptedLibrary& lib) {
    QList<QByteArray> buffers;
    const QStringList calls = lib.calls();
    for (int i = 0; i < calls.size(); ++i)
        if (calls[i].startsWith(QLatin1String("getCommandName(")))
            buffers << lib.callBuffer(i);
    return buffers;
}

QByteArray padded(QByteArray bytes) {
    bytes.append(QByteArray(128 - bytes.size(), '\0'));
    return bytes;
}

QByteArray tableEntry(int index) {
    const auto& entry = modCommandes::GetCommandNames().at(static_cast<std::size_t>(index));
    return QByteArray(entry.data(), static_cast<qsizetype>(entry.size()));
}

void setCommands(ScriptedLibrary& lib, const QList<QByteArray>& names) {
    lib.setNbCommands(static_cast<std::int32_t>(names.size()));
    for (int i = 0; i < names.size(); ++i)
        lib.setCommandName(i, names[i]);
}

QList<QByteArray> numberedNames(int count, const char* stem) {
    QList<QByteArray> names;
    for (int i = 0; i < count; ++i)
        names << QByteArray(stem) + QByteArray::number(i);
    return names;
}

const QList<QByteArray> threeCommands{"D\xE9"
                                      "marrer",
                                      "Arr\xEAter", "R\xE9initialiser"};
const QStringList threeItems{QStringLiteral("Démarrer"), QStringLiteral("Arrêter"),
                             QStringLiteral("Réinitialiser")};

} // namespace

class tst_modcommandes : public QObject {
    Q_OBJECT

    ScriptedLibrary m_library;

private slots:
    void init();

    void noCommandsFromTheStart();
    void countDropsToZero();
    void negativeCount_data();
    void negativeCount();
    void growthRecreatesTheTableBeforeReading();
    void tableSize_data();
    void tableSize();
    void shorterNameKeepsOldTailInTheTable();
    void secondReadingIsTheCount_data();
    void secondReadingIsTheCount();
    void itemText_data();
    void itemText();
    void tickCalls();
    void choosingAndExecuting();
    void typingNeverBecomesAChoice();
    void outOfRangeNegativeCountIsSaturated_data();
    void outOfRangeNegativeCountIsSaturated();
    void hugeCountIsSaturatedAndBuiltOnce();
};

void tst_modcommandes::init() {
    m_library.reset();
    m_library.setNbAcqui(1);
}

void tst_modcommandes::noCommandsFromTheStart() {
    m_library.setNbCommands(0);
    WindowUnderTest w(m_library);
    QCOMPARE(w->lblNbCommandes->text(), countCaption);
    QVERIFY(!w->cmdExécute->isEnabled());
    QVERIFY(!w->cmbCommandes->isEnabled());

    w.ticks(3);
    QCOMPARE(w->lblNbCommandes->text(), countCaption);
    QVERIFY(!w->cmdExécute->isEnabled());
    QVERIFY(!w->cmbCommandes->isEnabled());
    QCOMPARE(w->cmbCommandes->count(), 0);
    QCOMPARE(commandCalls(m_library), QStringList(3, QStringLiteral("getNbCommands()")));
    QCOMPARE(modCommandes::GetKnownCommandCount(), 0);
    QVERIFY(w.reports.reports.empty());
}

void tst_modcommandes::countDropsToZero() {
    setCommands(m_library, threeCommands);
    WindowUnderTest w(m_library);
    w.tick();
    QCOMPARE(itemTexts(w->cmbCommandes), threeItems);
    QCOMPARE(w->lblNbCommandes->text(), countText(3));
    QVERIFY(w->cmbCommandes->isEnabled());
    QVERIFY(!w->cmdExécute->isEnabled()); // nothing chosen yet

    m_library.setNbCommands(0);
    m_library.clearCalls();
    w.tick();
    QCOMPARE(w->lblNbCommandes->text(), countText(0));
    QCOMPARE(w->cmbCommandes->count(), 0);
    QVERIFY(!w->cmbCommandes->isEnabled());
    QVERIFY(!w->cmdExécute->isEnabled());
    QCOMPARE(commandCalls(m_library), QStringList(2, QStringLiteral("getNbCommands()")));
    QVERIFY(w.reports.reports.empty());
}

void tst_modcommandes::negativeCount_data() {
    QTest::addColumn<int>("listedBefore");
    QTest::newRow("from the start") << 0;
    QTest::newRow("after two commands") << 2;
}

void tst_modcommandes::negativeCount() {
    QFETCH(int, listedBefore);
    setCommands(m_library, numberedNames(listedBefore, "Commande "));
    WindowUnderTest w(m_library);
    w.tick();
    QCOMPARE(w->cmbCommandes->count(), listedBefore);

    m_library.setNbCommands(-1);
    m_library.clearCalls();
    w.tick();
    QCOMPARE(w->lblNbCommandes->text(), countText(-1));
    QCOMPARE(w->cmbCommandes->count(), 0);
    QVERIFY(!w->cmbCommandes->isEnabled());
    QVERIFY(!w->cmdExécute->isEnabled());
    QCOMPARE(commandCalls(m_library), QStringList(2, QStringLiteral("getNbCommands()")));
    QCOMPARE(modCommandes::GetKnownCommandCount(), -1);

    // The same count again: one reading, nothing else.
    m_library.clearCalls();
    w.tick();
    QCOMPARE(commandCalls(m_library), QStringList{QStringLiteral("getNbCommands()")});
    QCOMPARE(w->lblNbCommandes->text(), countText(-1));
    QCOMPARE(w->cmbCommandes->count(), 0);
    QVERIFY(w.reports.reports.empty());
}

void tst_modcommandes::growthRecreatesTheTableBeforeReading() {
    setCommands(m_library, numberedNames(16, "Ancienne commande "));
    WindowUnderTest w(m_library);
    w.tick();
    QCOMPARE(w->cmbCommandes->count(), 16);
    QCOMPARE(modCommandes::GetCommandNames().size(), 17u); // 16 fit the first table
    QCOMPARE(tableEntry(3), padded("Ancienne commande 3"));

    setCommands(m_library, numberedNames(17, "Cmd "));
    m_library.clearCalls();
    w.tick();
    QCOMPARE(modCommandes::GetCommandNames().size(), 33u);
    const QList<QByteArray> buffers = nameBuffersHandedOver(m_library);
    QCOMPARE(buffers.size(), 17);
    for (int i = 0; i < buffers.size(); ++i)
        QVERIFY2(buffers[i] == QByteArray(128, '\0'), qPrintable(QString::number(i)));
    QCOMPARE(tableEntry(3), padded("Cmd 3")); // no tail of the old, longer name
    QCOMPARE(w->cmbCommandes->itemText(16), QStringLiteral("Cmd 16"));
    QCOMPARE(w->lblNbCommandes->text(), countText(17));
}

void tst_modcommandes::tableSize_data() {
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<int>("expectedSize");
    QTest::newRow("none") << QList<int>{} << 17;
    QTest::newRow("16 fits") << QList<int>{16} << 17;
    QTest::newRow("17 grows to 32") << QList<int>{17} << 33;
    QTest::newRow("32 fits 32") << QList<int>{17, 32} << 33;
    QTest::newRow("40 grows to 48") << QList<int>{40} << 49;
    QTest::newRow("never shrinks") << QList<int>{40, 3, 0} << 49;
    QTest::newRow("48 fits 48") << QList<int>{40, 48} << 49;
    QTest::newRow("48 from the start grows to 64") << QList<int>{48} << 65;
    QTest::newRow("49 grows to 64") << QList<int>{49} << 65;
}

void tst_modcommandes::tableSize() {
    QFETCH(QList<int>, counts);
    QFETCH(int, expectedSize);
    WindowUnderTest w(m_library);
    for (int count : counts) {
        m_library.setNbCommands(count);
        w.tick();
        QCOMPARE(w->cmbCommandes->count(), count);
    }
    QCOMPARE(modCommandes::GetCommandNames().size(), static_cast<std::size_t>(expectedSize));
    QVERIFY(w.reports.reports.empty());
}

void tst_modcommandes::shorterNameKeepsOldTailInTheTable() {
    const QByteArray oldName = "D\xE9marrer acquisition";
    const QByteArray newName = "Arr\xEAt";
    QList<QByteArray> names = numberedNames(5, "Commande ");
    names[0] = oldName;
    setCommands(m_library, names);
    WindowUnderTest w(m_library);
    w.tick();
    QCOMPARE(w->cmbCommandes->itemText(0), QStringLiteral("Démarrer acquisition"));

    names.removeLast();
    names[0] = newName;
    setCommands(m_library, names);
    m_library.clearCalls();
    w.tick();

    const QList<QByteArray> buffers = nameBuffersHandedOver(m_library);
    QCOMPARE(buffers.size(), 4);
    QCOMPARE(buffers[0], padded(oldName)); // the entry's own bytes go to the library
    QCOMPARE(buffers[1], padded("Commande 1"));

    QByteArray expected = padded(oldName);
    expected.replace(0, newName.size() + 1, newName + '\0');
    QCOMPARE(tableEntry(0), expected);
    QVERIFY(tableEntry(0).mid(6).startsWith("er acquisition"));
    QCOMPARE(itemTexts(w->cmbCommandes),
             (QStringList{QStringLiteral("Arrêt"), QStringLiteral("Commande 1"),
                          QStringLiteral("Commande 2"), QStringLiteral("Commande 3")}));
    // The entry past the new count keeps the old list's name.
    QCOMPARE(tableEntry(4), padded("Commande 4"));
}

void tst_modcommandes::secondReadingIsTheCount_data() {
    QTest::addColumn<int>("firstReading");
    QTest::addColumn<int>("secondReading");
    QTest::newRow("second differs from both") << 5 << 3;
    QTest::newRow("second equals the listed count") << 5 << 2;
    QTest::newRow("second is zero") << 4 << 0;
}

void tst_modcommandes::secondReadingIsTheCount() {
    QFETCH(int, firstReading);
    QFETCH(int, secondReading);
    setCommands(m_library, numberedNames(2, "Ancienne "));
    WindowUnderTest w(m_library);
    w.tick();
    QCOMPARE(w->cmbCommandes->count(), 2);
    QVERIFY(choose(w->cmbCommandes, 1));
    QVERIFY(w->cmdExécute->isEnabled());

    setCommands(m_library, numberedNames(5, "Nouvelle "));
    m_library.setNbCommands(secondReading); // also the steady answer afterwards
    m_library.pushNbCommands(firstReading);
    m_library.pushNbCommands(secondReading);
    m_library.clearCalls();
    w.tick();

    QStringList expectedCalls(2, QStringLiteral("getNbCommands()"));
    for (int i = 0; i < secondReading; ++i)
        expectedCalls << QStringLiteral("getCommandName(%1)").arg(i);
    QCOMPARE(commandCalls(m_library), expectedCalls);
    QCOMPARE(modCommandes::GetKnownCommandCount(), secondReading);
    QCOMPARE(w->lblNbCommandes->text(), countText(secondReading));
    QStringList expectedItems;
    for (int i = 0; i < secondReading; ++i)
        expectedItems << QStringLiteral("Nouvelle %1").arg(i);
    QCOMPARE(itemTexts(w->cmbCommandes), expectedItems);
    // A rebuild always drops the choice.
    QCOMPARE(w->cmbCommandes->currentIndex(), -1);
    QVERIFY(!w->cmdExécute->isEnabled());
    QCOMPARE(w->cmbCommandes->isEnabled(), secondReading > 0);

    m_library.clearCalls();
    w.tick();
    QCOMPARE(commandCalls(m_library), QStringList{QStringLiteral("getNbCommands()")});
}

void tst_modcommandes::itemText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("accented") << QByteArray("D\xE9"
                                            "connecter")
                              << QStringLiteral("Déconnecter");
    QTest::newRow("windows-1252 only letters")
        << QByteArray("\x80 \x9C\x8A\x9F") << QStringLiteral("€ œŠŸ");
    QTest::newRow("128 bytes, no zero byte")
        << (QByteArray(127, 'a') + 'z') << (QString(127, QLatin1Char('a')) + QLatin1Char('z'));
    QTest::newRow("127 bytes and the zero byte")
        << QByteArray(127, 'b') << QString(127, QLatin1Char('b'));
    QTest::newRow("stops at the first zero byte")
        << QByteArray("Abc\0Def", 7) << QStringLiteral("Abc");
    QTest::newRow("empty name") << QByteArray() << QString();
}

void tst_modcommandes::itemText() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    m_library.setNbCommands(2);
    m_library.setCommandName(0, "Premier");
    m_library.setCommandName(1, bytes);
    WindowUnderTest w(m_library);
    w.tick();
    QCOMPARE(w->cmbCommandes->count(), 2);
    QCOMPARE(w->cmbCommandes->itemText(0), QStringLiteral("Premier"));
    QCOMPARE(w->cmbCommandes->itemText(1), expected);
    QCOMPARE(w->cmbCommandes->itemText(1).size(), expected.size());
}

void tst_modcommandes::tickCalls() {
    m_library.setNbDevices(0);
    m_library.setNbCommands(0);
    WindowUnderTest w(m_library);
    const QStringList sensorSide{QStringLiteral("getNbAcqui()"), QStringLiteral("getNbDevices()"),
                                 QStringLiteral("getNbDevices()")};

    w.tick();
    QCOMPARE(m_library.calls(), sensorSide + QStringList{QStringLiteral("getNbCommands()")});

    m_library.setNbCommands(2);
    m_library.clearCalls();
    w.tick();
    const QStringList rebuild{QStringLiteral("getNbCommands()"), QStringLiteral("getNbCommands()"),
                              QStringLiteral("getCommandName(0)"),
                              QStringLiteral("getCommandName(1)")};
    QCOMPARE(m_library.calls(), sensorSide + rebuild);

    m_library.clearCalls();
    w.tick();
    QCOMPARE(m_library.calls(), sensorSide + QStringList{QStringLiteral("getNbCommands()")});
}

void tst_modcommandes::choosingAndExecuting() {
    setCommands(m_library, threeCommands);
    WindowUnderTest w(m_library);
    w.tick();
    QVERIFY(showAndActivate(&w.window()));
    QVERIFY(!w->cmdExécute->isEnabled());

    // The operator moves down the list with the keyboard to the third item.
    w->cmbCommandes->setFocus(Qt::TabFocusReason);
    QVERIFY(w->cmbCommandes->hasFocus());
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(w->cmbCommandes, Qt::Key_Down);
    QCOMPARE(w->cmbCommandes->currentIndex(), 2);
    QVERIFY(w->cmdExécute->isEnabled());

    m_library.clearCalls();
    QTest::mouseClick(w->cmdExécute, Qt::LeftButton);
    QCOMPARE(m_library.calls(), QStringList{QStringLiteral("addCommand(2)")});
    QCOMPARE(w->cmbCommandes->currentIndex(), 2);
    QCOMPARE(itemTexts(w->cmbCommandes), threeItems);
    QCOMPARE(w->lblNbCommandes->text(), countText(3));
    QVERIFY(w->cmdExécute->isEnabled());

    // Leaving the list re-validates the button: make it stale first, so that
    // only the focus-loss handler can bring it back.
    w->cmbCommandes->setFocus(Qt::TabFocusReason);
    QVERIFY(w->cmbCommandes->hasFocus());
    w->cmdExécute->setEnabled(false);
    w->lstRawData->setFocus(Qt::TabFocusReason);
    QVERIFY(w->lstRawData->hasFocus());
    QVERIFY(w->cmdExécute->isEnabled());
    QVERIFY(w->cmbCommandes->isEnabled());
    QCOMPARE(w->cmbCommandes->currentIndex(), 2);

    m_library.clearCalls();
    QTest::mouseClick(w->cmdExécute, Qt::LeftButton);
    QCOMPARE(m_library.calls(), QStringList{QStringLiteral("addCommand(2)")});
    QVERIFY(w.reports.reports.empty());
}

void tst_modcommandes::typingNeverBecomesAChoice() {
    setCommands(m_library, threeCommands);
    WindowUnderTest w(m_library);
    w.tick();
    QVERIFY(showAndActivate(&w.window()));
    w->cmbCommandes->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w->cmbCommandes, Qt::Key_Down);
    QTest::keyClick(w->cmbCommandes, Qt::Key_Down);
    QCOMPARE(w->cmbCommandes->currentIndex(), 1);
    QVERIFY(w->cmdExécute->isEnabled());

    QLineEdit* field = w->cmbCommandes->lineEdit();
    QCOMPARE(field->text(), QStringLiteral("Arrêter"));
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClicks(field, QStringLiteral("xy"));
    QCOMPARE(field->text(), QStringLiteral("xyArrêter")); // typed text kept, where typed
    QCOMPARE(w->cmbCommandes->currentIndex(), -1);
    QVERIFY(!w->cmdExécute->isEnabled());
    QCOMPARE(itemTexts(w->cmbCommandes), threeItems);

    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(itemTexts(w->cmbCommandes), threeItems);
    QCOMPARE(w->cmbCommandes->currentIndex(), -1);
    QVERIFY(!w->cmdExécute->isEnabled());

    // Neither the focus leaving nor a press on the button sends typed text.
    m_library.clearCalls();
    w->lstRawData->setFocus(Qt::TabFocusReason);
    QVERIFY(!w->cmdExécute->isEnabled());
    QTest::mouseClick(w->cmdExécute, Qt::LeftButton);
    QVERIFY(m_library.calls().isEmpty());
    QCOMPARE(itemTexts(w->cmbCommandes), threeItems);
    QVERIFY(w.reports.reports.empty());
}

void tst_modcommandes::outOfRangeNegativeCountIsSaturated_data() {
    QTest::addColumn<int>("reported");
    QTest::newRow("-32768") << -32768;
    QTest::newRow("-32769") << -32769;
    QTest::newRow("lowest 32-bit") << std::numeric_limits<std::int32_t>::min();
}

void tst_modcommandes::outOfRangeNegativeCountIsSaturated() {
    QFETCH(int, reported);
    setCommands(m_library, threeCommands);
    WindowUnderTest w(m_library);
    w.tick();
    m_library.setNbCommands(reported);
    m_library.clearCalls();
    w.ticks(3);
    QCOMPARE(modCommandes::GetKnownCommandCount(), -32768);
    QCOMPARE(w->lblNbCommandes->text(), countText(-32768));
    QCOMPARE(w->cmbCommandes->count(), 0);
    QVERIFY(!w->cmbCommandes->isEnabled());
    QCOMPARE(commandCalls(m_library), QStringList(4, QStringLiteral("getNbCommands()")));
    QCOMPARE(modCommandes::GetCommandNames().size(), 17u);
    QVERIFY(w.reports.reports.empty());
}

void tst_modcommandes::hugeCountIsSaturatedAndBuiltOnce() {
    m_library.setNbCommands(40000);
    m_library.setCommandName(0, "Premier");
    m_library.setCommandName(32766, "Dernier");
    WindowUnderTest w(m_library);
    w.tick();
    QVERIFY(w.reports.reports.empty());
    QCOMPARE(modCommandes::GetKnownCommandCount(), 32767);
    QCOMPARE(w->lblNbCommandes->text(), countText(32767));
    QCOMPARE(modCommandes::GetCommandNames().size(), 32769u);
    QCOMPARE(w->cmbCommandes->count(), 32767);
    QCOMPARE(w->cmbCommandes->itemText(0), QStringLiteral("Premier"));
    QCOMPARE(w->cmbCommandes->itemText(32766), QStringLiteral("Dernier"));
    const QStringList calls = commandCalls(m_library);
    QCOMPARE(calls.size(), 2 + 32767);
    QCOMPARE(calls.last(), QStringLiteral("getCommandName(32766)"));

    // Still out of range: it compares equal to what is listed.
    m_library.clearCalls();
    w.ticks(2);
    QCOMPARE(commandCalls(m_library), QStringList(2, QStringLiteral("getNbCommands()")));
    QVERIFY(w.reports.reports.empty());
}

QTEST_MAIN(tst_modcommandes)
#include "tst_modcommandes.moc"
