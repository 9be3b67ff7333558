// On Windows, names cross the library boundary in the system's ANSI code
// page, whatever it is: run under a Russian system locale (code page 1251),
// the same bytes read as Cyrillic letters, not as the Western ones of code
// page 1252, and the simulated module writes its names for that code page.
#include "platform/native.h"
#include "quelbin.h"

#include <QLibrary>
#include <QTest>

#include <windows.h>

#include <cstring>

class tst_ansicodepage : public QObject {
    Q_OBJECT

private slots:
    void namesFollowTheSystemCodePage_data();
    void namesFollowTheSystemCodePage();
    void simulatedModuleWritesForTheSystemCodePage();
};

void tst_ansicodepage::namesFollowTheSystemCodePage_data() {
    QTest::addColumn<int>("ansiByte");
    QTest::addColumn<int>("codePoint");

    QTest::newRow("0xC0") << 0xC0 << 0x0410; // CYRILLIC CAPITAL LETTER A, not A grave
    QTest::newRow("0xE9") << 0xE9 << 0x0439; // CYRILLIC SMALL LETTER SHORT I, not e acute
    QTest::newRow("0xFF") << 0xFF << 0x044F; // CYRILLIC SMALL LETTER YA
    QTest::newRow("0x41") << 0x41 << 0x0041; // ASCII stays ASCII
}

void tst_ansicodepage::namesFollowTheSystemCodePage() {
    QFETCH(int, ansiByte);
    QFETCH(int, codePoint);
    QCOMPARE(GetACP(), UINT{1251}); // the test's environment sets a Russian locale

    const char bytes[] = {static_cast<char>(ansiByte), '\0', 'x'};
    const QString text = platform::decodeAnsi(bytes);
    QCOMPARE(text.size(), 3);
    QCOMPARE(int{text.at(0).unicode()}, codePoint);
    QCOMPARE(text.at(1), QChar(u'\0'));
}

void tst_ansicodepage::simulatedModuleWritesForTheSystemCodePage() {
    // Letters that code page 1251 lacks become their nearest there, as
    // Windows itself would show them: never "Dйconnecter".
    const QStringList expected{
        QStringLiteral("Deconnecter le module"),
        QStringLiteral("Reconnecter le module"),
        QStringLiteral("Ajouter un senseur"),
        QStringLiteral("Retirer un senseur"),
        QStringLiteral("Remettre a zero le compteur de trames"),
        QStringLiteral("Etalonner les senseurs"),
    };
    QLibrary simulation(platform::libraryFileName(QStringLiteral("Quelbin")));
    const auto getCommandName =
        reinterpret_cast<decltype(&::getCommandName)>(simulation.resolve("getCommandName"));
    QVERIFY2(getCommandName, qPrintable(simulation.errorString()));
    for (int index = 0; index < expected.size(); ++index) {
        char name[QUELBIN_NAME_SIZE] = {};
        getCommandName(index, name);
        QCOMPARE(platform::decodeAnsi({name, std::strlen(name)}), expected.at(index));
    }
}

QTEST_GUILESS_MAIN(tst_ansicodepage)
#include "tst_ansicodepage.moc"
