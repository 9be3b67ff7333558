// The connection label's tooltip: the library's own line on the module's
// link, read only when the operator points at the label. Run twice: over the
// scripted library, and over the same built without getStatusText, as a
// maker's library may be (SOLVANE_TEST_WITHOUT_STATUS_TEXT set), where the
// window must show no tooltip and report nothing.
#include "operatorinput.h"
#include "scriptedlibrary.h"
#include "windowundertest.h"

#include <QHelpEvent>
#include <QLabel>
#include <QTest>
#include <QToolTip>

class tst_statustip : public QObject {
    Q_OBJECT

private slots:
    void tooltipShowsTheLibrarysLine_data();
    void tooltipShowsTheLibrarysLine();

private:
    ScriptedLibrary m_library;
};

void tst_statustip::tooltipShowsTheLibrarysLine_data() {
    QTest::addColumn<int>("nbAcqui");
    QTest::addColumn<QByteArray>("line"); // as the library writes it, Windows-1252
    QTest::addColumn<QString>("shown");   // empty: no tooltip

    QTest::newRow("disconnected, why")
        << 0 << QByteArray("module 'bench-3': mot de passe refus\xE9")
        << QStringLiteral("module 'bench-3': mot de passe refusé");
    QTest::newRow("tags shown as written")
        << 0 << QByteArray("set <b>SOLVANE_SIGROK_DEVICE</b>")
        << QStringLiteral("set &lt;b&gt;SOLVANE_SIGROK_DEVICE&lt;/b&gt;");
    QTest::newRow("connected, nothing to say") << 1 << QByteArray() << QString();
}

void tst_statustip::tooltipShowsTheLibrarysLine() {
    QFETCH(int, nbAcqui);
    QFETCH(QByteArray, line);
    QFETCH(QString, shown);
    const bool libraryHasIt = !qEnvironmentVariableIsSet("SOLVANE_TEST_WITHOUT_STATUS_TEXT");

    m_library.reset();
    m_library.setNbAcqui(nbAcqui);
    m_library.setStatusText(line);
    WindowUnderTest w(m_library);
    QVERIFY(showExposed(&w.window()));
    w.ticks(3);
    // The ticks never ask for it.
    QVERIFY(m_library.calls().filter(QStringLiteral("getStatusText")).isEmpty());

    QLabel* label = w->lblAcquiConnecté;
    QHelpEvent pointed(QEvent::ToolTip, QPoint(5, 5), label->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(label, &pointed);

    const bool expected = libraryHasIt && !shown.isEmpty();
    QTRY_COMPARE(QToolTip::isVisible(), expected);
    if (expected)
        QVERIFY2(QToolTip::text().contains(shown), qPrintable(QToolTip::text()));
    QCOMPARE(m_library.calls().filter(QStringLiteral("getStatusText")).size(),
             libraryHasIt ? 1 : 0);
    QVERIFY2(w.reports.reports.empty(), qPrintable(reportTexts(w.reports)));
}

QTEST_MAIN(tst_statustip)
#include "tst_statustip.moc"
