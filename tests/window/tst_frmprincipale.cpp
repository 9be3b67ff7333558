// The window as the operator meets it: layout, start-up state, refresh rate,
// the order of the update cycle, and what a run-time error does to a handler.
#include "acquisition/modquelbin.h"
#include "operatorinput.h"
#include "scriptedlibrary.h"
#include "testhelpers.h"
#include "testreports.h"
#include "window/clickableslider.h"
#include "window/commandcombobox.h"
#include "window/frmprincipale.h"
#include "window/messagebox.h"
#include "windowundertest.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

#include <array>
#include <memory>
#include <utility>

namespace {

// The centre of the slider's handle, where a click leaves the value alone.
QPoint handleCentre(QSlider* slider) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.subControls = QStyle::SC_All;
    return slider->style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
        .center();
}

} // namespace

class tst_frmprincipale : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void windowKeepsItsSize();
    void stateAfterStartUp();
    void refreshRate_data();
    void refreshRate();
    void keyboardMoveDoesNotApplyRate();
    void focusSkipsDisabledControls();
    void tickStagesRunInOrder();
    void errorInTickStopsLaterStages();
    void errorInClickHandlerIsReported();
    void timerDrivesTicks();
    void destroyedWhileShownRunsNoHandler();

private:
    ScriptedLibrary m_library;
};

void tst_frmprincipale::init() {
    m_library.reset();
    m_library.setNbAcqui(1);
}

void tst_frmprincipale::cleanup() {
    QLocale::setDefault(QLocale::c());
}

void tst_frmprincipale::layout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("designCaption");

    // Pixels are the designed twips divided by 15.
    QTest::newRow("cmdExécute") << QStringLiteral("cmdExécute") << QRect(216, 264, 89, 65)
                                << QStringLiteral("Exécuter");
    QTest::newRow("lblAcquiConnecté")
        << QStringLiteral("lblAcquiConnecté") << QRect(16, 8, 217, 17) << QString();
    QTest::newRow("lblNbDevices") << QStringLiteral("lblNbDevices") << QRect(248, 8, 209, 17)
                                  << QStringLiteral("Nombre de senseurs: ");
    QTest::newRow("cmbCommandes") << QStringLiteral("cmbCommandes") << QRect(16, 304, 193, 21)
                                  << QString();
    QTest::newRow("lblNbCommandes") << QStringLiteral("lblNbCommandes") << QRect(24, 272, 169, 17)
                                    << QStringLiteral("Nombre de commandes: ");
    QTest::newRow("cmbSourceSurveillée")
        << QStringLiteral("cmbSourceSurveillée") << QRect(16, 32, 177, 21) << QString();
    QTest::newRow("lstRawData") << QStringLiteral("lstRawData") << QRect(16, 88, 425, 147)
                                << QString();
    QTest::newRow("sliRefresh") << QStringLiteral("sliRefresh") << QRect(320, 264, 121, 9)
                                << QString();
    QTest::newRow("lblRefresh") << QStringLiteral("lblRefresh") << QRect(320, 296, 129, 17)
                                << QString();
}

void tst_frmprincipale::layout() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, designCaption);

    WindowUnderTest w(m_library);
    auto* control = w->findChild<QWidget*>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(control->geometry(), geometry);
    if (auto* label = qobject_cast<QLabel*>(control); label && !designCaption.isEmpty())
        QCOMPARE(label->text(), designCaption);
    if (auto* button = qobject_cast<QPushButton*>(control))
        QCOMPARE(button->text(), designCaption);
}

void tst_frmprincipale::windowKeepsItsSize() {
    WindowUnderTest w(m_library);
    QCOMPARE(w->objectName(), QStringLiteral("frmPrincipale"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Solvane (TM)"));
    QCOMPARE(w->size(), QSize(461, 340));
    QCOMPARE(w->minimumSize(), QSize(461, 340));
    QCOMPARE(w->maximumSize(), QSize(461, 340));
    QVERIFY(w->findChild<QTimer*>(QStringLiteral("tmrMiseÀJour")));
}

void tst_frmprincipale::stateAfterStartUp() {
    m_library.setNbAcqui(0);
    TestReports reports;
    frmPrincipale window; // the timer left running, as in the program
    QVERIFY(reports.reports.empty());

    QComboBox* sensors = window.cmbSourceSurveillée;
    QCOMPARE(sensors->count(), 32);
    for (int i = 0; i < 32; ++i)
        QCOMPARE(sensors->itemText(i), QString::number(i));
    QCOMPARE(sensors->currentIndex(), -1);
    QCOMPARE(modQuelbin::GetWatchedSource(), std::int16_t{-1});

    QCOMPARE(window.sliRefresh->value(), 3);
    QCOMPARE(window.tmrMiseÀJour->interval(), 600);
    QVERIFY(window.tmrMiseÀJour->isActive());
    QVERIFY(!window.cmdExécute->isEnabled());
    QVERIFY(!window.cmbCommandes->isEnabled());
    QCOMPARE(window.cmbCommandes->count(), 0);

    // The load handler shows the connection and the rate; the counts wait
    // for the first tick.
    QCOMPARE(window.lblAcquiConnecté->text(), QStringLiteral("Module d'acquisition: déconnecté"));
    QCOMPARE(window.lblRefresh->text(), QStringLiteral("Rafraîchi 1.67/ fois sec."));
    QCOMPARE(window.lblNbDevices->text(), QStringLiteral("Nombre de senseurs: "));
    QCOMPARE(window.lblNbCommandes->text(), QStringLiteral("Nombre de commandes: "));
    QCOMPARE(m_library.calls(), QStringList{QStringLiteral("getNbAcqui()")});
}

void tst_frmprincipale::refreshRate_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("caption");

    // Each position of the slider: its interval, and its caption with the
    // French and with the English decimal separator.
    struct Rate {
        int value;
        int interval;
        std::array<const char*, 2> captions;
    };
    const Rate rates[] = {
        {1, 200, {"Rafraîchi 5/ fois sec.", "Rafraîchi 5/ fois sec."}},
        {2, 400, {"Rafraîchi 2,5/ fois sec.", "Rafraîchi 2.5/ fois sec."}},
        {3, 600, {"Rafraîchi 1,67/ fois sec.", "Rafraîchi 1.67/ fois sec."}},
        {4, 800, {"Rafraîchi 1,25/ fois sec.", "Rafraîchi 1.25/ fois sec."}},
        {5, 1000, {"Rafraîchi 1/ fois sec.", "Rafraîchi 1/ fois sec."}},
    };
    const std::array<std::pair<const char*, QLocale>, 2> locales{
        {{"fr", frenchLocale}, {"en", englishLocale}}};
    for (std::size_t l = 0; l < locales.size(); ++l) {
        for (const Rate& rate : rates)
            QTest::addRow("%s %d", locales[l].first, rate.value)
                << locales[l].second << rate.value << rate.interval
                << QString::fromUtf8(rate.captions[l]);
    }
}

void tst_frmprincipale::refreshRate() {
    QFETCH(QLocale, locale);
    QFETCH(int, value);
    QFETCH(int, interval);
    QFETCH(QString, caption);

    QLocale::setDefault(locale);
    WindowUnderTest w(m_library);
    QVERIFY(showAndActivate(&w.window()));
    ClickableSlider* slider = w->sliRefresh;
    QSignalSpy clicks(slider, &ClickableSlider::clicked);

    // A change made in code is no click: nothing is applied yet.
    slider->setValue(value);
    QCOMPARE(w->tmrMiseÀJour->interval(), 600);

    QTest::mouseClick(slider, Qt::LeftButton, {}, handleCentre(slider));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(slider->value(), value);
    QCOMPARE(w->tmrMiseÀJour->interval(), interval);
    QCOMPARE(w->lblRefresh->text(), caption);
}

void tst_frmprincipale::keyboardMoveDoesNotApplyRate() {
    WindowUnderTest w(m_library);
    QVERIFY(showAndActivate(&w.window()));
    ClickableSlider* slider = w->sliRefresh;
    slider->setFocus();
    QSignalSpy clicks(slider, &ClickableSlider::clicked);

    QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(slider->value(), 4);
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(w->tmrMiseÀJour->interval(), 600);
    QCOMPARE(w->lblRefresh->text(), QStringLiteral("Rafraîchi 1.67/ fois sec."));

    // The next click applies the position the keyboard left.
    QTest::mouseClick(slider, Qt::LeftButton, {}, handleCentre(slider));
    QCOMPARE(w->tmrMiseÀJour->interval(), 800);
}

void tst_frmprincipale::focusSkipsDisabledControls() {
    WindowUnderTest w(m_library);
    QVERIFY(showAndActivate(&w.window()));
    QVERIFY(!w->cmdExécute->isEnabled());
    QVERIFY(!w->cmbCommandes->isEnabled());

    w->cmbSourceSurveillée->setFocus();
    QStringList visited;
    for (int i = 0; i < 4; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited,
             (QStringList{QStringLiteral("cmbSourceSurveillée"), QStringLiteral("lstRawData"),
                          QStringLiteral("sliRefresh"), QStringLiteral("cmbSourceSurveillée")}));
}

void tst_frmprincipale::tickStagesRunInOrder() {
    m_library.setNbDevices(1);
    m_library.setDevice(0, "Capteur", 1);
    m_library.setNbCommands(1);
    m_library.setCommandName(0, "Arret");
    m_library.setRawData(0, 1, 1, QByteArray(1, '\x07'));
    WindowUnderTest w(m_library);
    modQuelbin::SetWatchedSource(0);

    w.tick();
    QCOMPARE(
        m_library.calls(),
        (QStringList{QStringLiteral("getNbAcqui()"),   // connection state
                     QStringLiteral("getNbDevices()"), // sensor count label
                     QStringLiteral("getNbDevices()"), QStringLiteral("getNbDevices()"),
                     QStringLiteral("getNbDevices()"),
                     QStringLiteral("getDevice(0)"), // sensor list
                     QStringLiteral("getNbCommands()"), QStringLiteral("getNbCommands()"),
                     QStringLiteral("getCommandName(0)"), // command list
                     QStringLiteral("getRawDataInfo(0)"), QStringLiteral("getRawData(0)")})); // log
    QVERIFY(w.reports.reports.empty());
}

void tst_frmprincipale::errorInTickStopsLaterStages() {
    m_library.setNbDevices(1);
    m_library.setUnreadableDevice(0);
    m_library.setNbCommands(2);
    WindowUnderTest w(m_library);
    modQuelbin::SetWatchedSource(0);

    // The failed-sensor box is where the error strikes, inside the sensor
    // list stage.
    window::setMessagePresenter(
        [](const QString&, const QString&) { platform::raise(platform::ErrorNumber::Overflow); });
    w.tick();
    window::setMessagePresenter({});

    QCOMPARE(w.reports.reports.size(), std::size_t{1});
    QCOMPARE(w.reports.reports.front().number, platform::ErrorNumber::Overflow);
    QCOMPARE(w.reports.reports.front().description, QStringLiteral("Dépassement de capacité"));
    const QStringList calls = m_library.calls();
    QCOMPARE(calls.last(), QStringLiteral("getDevice(0)"));
    QVERIFY(!calls.contains(QStringLiteral("getNbCommands()")));
    QVERIFY(!calls.contains(QStringLiteral("getRawDataInfo(0)")));
    QCOMPARE(w->cmbSourceSurveillée->count(), 0); // what was done stays done
}

void tst_frmprincipale::errorInClickHandlerIsReported() {
    WindowUnderTest w(m_library);
    QVERIFY(showAndActivate(&w.window()));
    // Outside the designed range the click divides by a zero interval.
    w->sliRefresh->setMinimum(0);
    w->sliRefresh->setValue(0);
    QTest::mouseClick(w->sliRefresh, Qt::LeftButton, {}, handleCentre(w->sliRefresh));

    QCOMPARE(w.reports.reports.size(), std::size_t{1});
    QCOMPARE(w.reports.reports.front().number, platform::ErrorNumber::DivisionByZero);
    QCOMPARE(w->tmrMiseÀJour->interval(), 0);
    QCOMPARE(w->lblRefresh->text(), QStringLiteral("Rafraîchi 1.67/ fois sec."));
}

void tst_frmprincipale::timerDrivesTicks() {
    TestReports reports;
    // Started before the window starts its timer: however slowly the machine
    // runs, the time read at the first tick is at least the timer's own.
    QElapsedTimer sinceBuilt;
    sinceBuilt.start();
    frmPrincipale window;
    m_library.clearCalls();
    QTimer* timer = window.tmrMiseÀJour;
    QVERIFY(timer->isActive());
    QVERIFY(!timer->isSingleShot());
    QCOMPARE(timer->interval(), 600);
    // A coarse timer keeps within 5% of its interval, either way. Time spent
    // since the start only lowers what remains.
    const int tolerance = timer->interval() / 20;
    const int remaining = timer->remainingTime();
    QVERIFY2(remaining <= timer->interval() + tolerance, qPrintable(QString::number(remaining)));

    qint64 firstTickAt = -1;
    connect(timer, &QTimer::timeout, &window, [&] {
        if (firstTickAt < 0)
            firstTickAt = sinceBuilt.elapsed();
    });
    QSignalSpy ticks(timer, &QTimer::timeout);
    QVERIFY(ticks.wait(10000));
    // No tick came early.
    QVERIFY2(firstTickAt >= timer->interval() - tolerance,
             qPrintable(QString::number(firstTickAt)));
    QCOMPARE(m_library.calls().value(0), QStringLiteral("getNbAcqui()"));
    QCOMPARE(window.lblNbDevices->text(), QStringLiteral("Nb. senseurs: 0"));
}

void tst_frmprincipale::destroyedWhileShownRunsNoHandler() {
    m_library.setNbCommands(1);
    m_library.setCommandName(0, "Arret");
    auto w = std::make_unique<WindowUnderTest>(m_library);
    w->tick();
    QVERIFY(showAndActivate(&w->window()));
    CommandComboBox* commands = w->window().cmbCommandes;
    commands->setFocus(Qt::TabFocusReason);
    QVERIFY(commands->hasFocus());
    QSignalSpy focusLost(commands, &CommandComboBox::focusLost);

    // Destroying the shown window moves the focus out of the command list
    // once the window's own part is gone: a handler run then is caught by
    // the sanitizer build.
    w.reset();
    QCOMPARE(focusLost.count(), 1);
}

QTEST_MAIN(tst_frmprincipale)
#include "tst_frmprincipale.moc"
