// What an operator expects of any window: no maximise button on a window of
// fixed size, Enter and Space on the focused button, a drop-down that does
// not outlive a rebuild of its list, a chosen entry read from its start, and a
// clear word when there is no display.
#include "operatorinput.h"
#include "scriptedlibrary.h"
#include "testhelpers.h"
#include "window/commandcombobox.h"
#include "windowundertest.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

class tst_windowdetails : public QObject {
    Q_OBJECT

private slots:
    void init();
    void noMaximiseButton();
    void enterAndSpacePressFocusedButton_data();
    void enterAndSpacePressFocusedButton();
    void openDropDownClosesOnRebuild_data();
    void openDropDownClosesOnRebuild();
    void longChosenCommandReadsFromItsStart();
    void noDisplayEndsWithOneFrenchLine();

private:
    ScriptedLibrary m_library;
};

void tst_windowdetails::init() {
    m_library.reset();
    m_library.setNbAcqui(1);
}

void tst_windowdetails::noMaximiseButton() {
    WindowUnderTest w(m_library);
    const Qt::WindowFlags flags = w->windowFlags();
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
}

void tst_windowdetails::enterAndSpacePressFocusedButton_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int{Qt::Key_Return};
    QTest::newRow("Enter (keypad)") << int{Qt::Key_Enter};
    QTest::newRow("Space") << int{Qt::Key_Space};
}

void tst_windowdetails::enterAndSpacePressFocusedButton() {
    QFETCH(int, key);
    m_library.setNbCommands(3);
    WindowUnderTest w(m_library);
    QVERIFY(showAndActivate(&w.window()));
    w.tick();
    w->cmbCommandes->setCurrentIndex(2);
    w->ValidateCommandIndex();
    w->cmdExécute->setFocus();
    QTRY_VERIFY(w->cmdExécute->hasFocus());
    m_library.clearCalls();

    QTest::keyClick(w->cmdExécute, static_cast<Qt::Key>(key));
    QCOMPARE(m_library.calls(), QStringList{QStringLiteral("addCommand(2)")});
}

void tst_windowdetails::openDropDownClosesOnRebuild_data() {
    QTest::addColumn<bool>("commands"); // else the sensor list
    QTest::newRow("sensor list") << false;
    QTest::newRow("command list") << true;
}

void tst_windowdetails::openDropDownClosesOnRebuild() {
    QFETCH(bool, commands);
    m_library.setNbCommands(3);
    WindowUnderTest w(m_library);
    QVERIFY(showExposed(&w.window()));
    w.tick();
    QComboBox* box = commands ? static_cast<QComboBox*>(w->cmbCommandes)
                              : static_cast<QComboBox*>(w->cmbSourceSurveillée);
    box->showPopup();
    QTRY_VERIFY(box->view()->isVisible());

    m_library.setNbDevices(2);
    m_library.setNbCommands(2);
    w.tick();
    QVERIFY(!box->view()->isVisible());
    QCOMPARE(box->count(), 2);
    QVERIFY(w.reports.reports.empty());
}

void tst_windowdetails::longChosenCommandReadsFromItsStart() {
    m_library.setNbCommands(2);
    m_library.setCommandName(1, "Remettre \xE0 z\xE9ro le compteur de trames et des erreurs");
    WindowUnderTest w(m_library);
    QVERIFY(showAndActivate(&w.window()));
    w.tick();
    CommandComboBox* commands = w->cmbCommandes;
    // The field is drawn (it scrolls its text as it paints) with its
    // cursor, thus its first character, at its left edge.
    const auto readsFromStart = [&] {
        commands->lineEdit()->repaint();
        const QRect cursor = commands->lineEdit()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        return commands->lineEdit()->cursorPosition() == 0 && cursor.left() < 8;
    };

    QVERIFY(choose(commands, 1));
    QVERIFY(!commands->cutText().isEmpty()); // the command is wider than the field
    QVERIFY(readsFromStart());
    // The operator reads on into the field, then presses the button.
    QTest::mouseClick(commands->lineEdit(), Qt::LeftButton);
    QTest::keyClick(commands->lineEdit(), Qt::Key_End);
    QVERIFY(commands->hasFocus() && !readsFromStart());
    QTest::mouseClick(w->cmdExécute, Qt::LeftButton);
    QCOMPARE(m_library.calls().filter(QStringLiteral("addCommand")),
             QStringList{QStringLiteral("addCommand(1)")});
    QVERIFY(readsFromStart());
}

void tst_windowdetails::noDisplayEndsWithOneFrenchLine() {
#ifdef Q_OS_WIN
    QSKIP("a Windows session always has a display");
#endif
    QProcess solvane;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
        environment.remove(QString::fromLatin1(name));
    QVERIFY2(runToEnd(solvane, QStringLiteral(SOLVANE_EXECUTABLE), environment),
             "Solvane did not end");

    QCOMPARE(solvane.exitStatus(), QProcess::NormalExit); // not the toolkit's abort
    QCOMPARE(solvane.exitCode(), 1);
    const QString errors = QString::fromLocal8Bit(solvane.readAllStandardError());
    QCOMPARE(errors.count(QLatin1Char('\n')), 1);
    QVERIFY2(errors.endsWith(QLatin1Char('\n')), qPrintable(errors));
    QVERIFY2(errors.contains(QStringLiteral("aucun affichage")), qPrintable(errors));
    QVERIFY(solvane.readAllStandardOutput().isEmpty());
}

QTEST_MAIN(tst_windowdetails)
#include "tst_windowdetails.moc"
