// Every caption the program can show, measured with the window's own font
// metrics against its control at the designed size, and the entries of both
// lists. Run once for each scaling (QT_SCALE_FACTOR, set by ctest).
#include "operatorinput.h"
#include "scriptedlibrary.h"
#include "testhelpers.h"
#include "window/clickableslider.h"
#include "window/commandcombobox.h"
#include "windowundertest.h"

#include <QAbstractItemView>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolTip>

#include <cmath>
#include <limits>

namespace {

// Why the control cuts the text, if it does: the room it draws text in
// against what the text needs.
QString whyCut(QWidget* control, const QString& text) {
    const QFontMetricsF metrics(control->font(), control);
    QRect room = control->contentsRect();
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
        room.adjust(margin, 0, -margin, 0);
    }
    const QSizeF needed(std::ceil(metrics.horizontalAdvance(text)), std::ceil(metrics.height()));
    if (needed.width() <= room.width() && needed.height() <= room.height())
        return {};
    return QStringLiteral("%1: \"%2\" needs %3×%4 px in %5 %6 pt, has %7×%8")
        .arg(control->objectName(), text)
        .arg(needed.width())
        .arg(needed.height())
        .arg(QFontInfo(control->font()).family())
        .arg(QFontInfo(control->font()).pointSizeF())
        .arg(room.width())
        .arg(room.height());
}

} // namespace

class tst_readability : public QObject {
    Q_OBJECT

private slots:
    void init();
    void scalingApplies();
    void everyCaptionFits();
    void dropDownsShowEveryEntryWhole();
    void closedBoxesShowCutEntryInTooltip();

private:
    ScriptedLibrary m_library;
};

void tst_readability::init() {
    m_library.reset();
    m_library.setNbAcqui(1);
    m_library.setNbDevices(2);
    m_library.setDevice(0, "Vanne", 0);
    m_library.setDevice(1, "Temperature_four_principal_ligne_B", 4);
    m_library.setNbCommands(3);
    m_library.setCommandName(0, "Aide");
    m_library.setCommandName(1, "Remettre à zéro le compteur de trames");
    m_library.setCommandName(2, "Étalonner les senseurs");
}

void tst_readability::scalingApplies() {
    WindowUnderTest w(m_library);
    QVERIFY(showExposed(&w.window()));
    const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"));
    QCOMPARE(w->devicePixelRatioF(), scale.toDouble());
}

void tst_readability::everyCaptionFits() {
    WindowUnderTest w(m_library);
    QStringList cut;
    const auto check = [&cut](QWidget* control, const QString& text) {
        if (const QString why = whyCut(control, text); !why.isEmpty())
            cut << why;
    };
    check(w->lblNbDevices, w->lblNbDevices->text());
    check(w->lblNbCommandes, w->lblNbCommandes->text());
    check(w->lblNbCommandes, QStringLiteral("Mise à jour; patientez...")); // during a rebuild
    check(w->cmdExécute, w->cmdExécute->text());
    QStringList rates;
    for (const QLocale& locale : {englishLocale, frenchLocale}) {
        const DefaultLocale regional(locale);
        for (int value = w->sliRefresh->minimum(); value <= w->sliRefresh->maximum(); ++value) {
            w->sliRefresh->setValue(value);
            w->sliRefresh_Click();
            rates << w->lblRefresh->text();
            check(w->lblRefresh, rates.last());
        }
    }
    QVERIFY(rates.contains(QStringLiteral("Rafraîchi 1,67/ fois sec.")));
    // Connected or not, and counts as wide as they come: 11 characters of
    // sensors, 6 of commands once held in 16 bits.
    constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    for (std::int32_t count : {0, std::numeric_limits<std::int32_t>::max(), lowest}) {
        m_library.setNbAcqui(count > 0 ? 1 : 0);
        m_library.setNbDevices(count);
        m_library.setNbCommands(count == lowest ? lowest : 6);
        w.tick();
        check(w->lblAcquiConnecté, w->lblAcquiConnecté->text());
        check(w->lblNbDevices, w->lblNbDevices->text());
        check(w->lblNbCommandes, w->lblNbCommandes->text());
    }
    QCOMPARE(w->lblNbDevices->text(), QStringLiteral("Nb. senseurs: -2147483648"));
    QCOMPARE(w->lblNbCommandes->text(), QStringLiteral("Nombre de commandes: -32768"));
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
}

void tst_readability::dropDownsShowEveryEntryWhole() {
    // More entries than a list shows at once: its scroll bar takes room too.
    m_library.setNbDevices(12);
    m_library.setNbCommands(12);
    for (int i = 2; i < 12; ++i) {
        m_library.setDevice(i, "Pression_ligne_entree_" + QByteArray::number(i), i % 6);
        m_library.setCommandName(i + 1, "Commande " + QByteArray::number(i + 1));
    }
    WindowUnderTest w(m_library);
    QVERIFY(showExposed(&w.window()));
    w.tick();
    for (QComboBox* box : {static_cast<QComboBox*>(w->cmbSourceSurveillée),
                           static_cast<QComboBox*>(w->cmbCommandes)}) {
        box->showPopup();
        QAbstractItemView* list = box->view();
        QTRY_VERIFY(list->isVisible());
        for (int row = 0; row < box->count(); ++row) {
            const int needed = list->sizeHintForIndex(list->model()->index(row, 0)).width();
            QVERIFY2(list->viewport()->width() >= needed, qPrintable(box->itemText(row)));
        }
        box->hidePopup();
    }
}

void tst_readability::closedBoxesShowCutEntryInTooltip() {
    WindowUnderTest w(m_library);
    QVERIFY(showExposed(&w.window()));
    w.tick();
    // The help event goes where the mouse is: the line edit of the editable box.
    const QList<std::pair<WholeEntryComboBox*, QWidget*>> boxes{
        {w->cmbSourceSurveillée, w->cmbSourceSurveillée},
        {w->cmbCommandes, w->cmbCommandes->lineEdit()}};
    for (const auto& [box, underMouse] : boxes) {
        for (int row : {0, 1}) { // a short entry, then a long one
            box->setCurrentIndex(row);
            QCOMPARE(box->cutText(), row == 1 ? box->itemText(row) : QString());
            QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), underMouse->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(underMouse, &help);
            QTRY_COMPARE(QToolTip::isVisible(), row == 1);
            if (row == 1)
                QCOMPARE(QToolTip::text(), box->itemText(row));
        }
    }
}

QTEST_MAIN(tst_readability)
#include "tst_readability.moc"
