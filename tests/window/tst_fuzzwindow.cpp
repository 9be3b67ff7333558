// The real window driven for many ticks by an acquisition library that
// answers at random, weighted toward hostile values, with an operator
// choosing sensors and commands at random in between. After every tick the
// window must still be whole. A failure names the seed; set
// SOLVANE_FUZZ_SEED to replay it, and SOLVANE_FUZZ_TICKS for another length.
// Under emulated Wine it runs a quarter of its ticks.
#include "acquisition/modquelbin.h"
#include "datatypes/fixedwidth.h"
#include "datatypes/modtypesdonnees.h"
#include "fuzz_control.h"
#include "operatorinput.h"
#include "platform/native.h"
#include "testreports.h"
#include "window/commandcombobox.h"
#include "window/errorreport.h"
#include "window/frmprincipale.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLibrary>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <random>

namespace {

struct FuzzControls {
    decltype(&fuzz_seed) seed = nullptr;
    decltype(&fuzz_overrun) overrun = nullptr;
    decltype(&fuzz_lastNbDevices) lastNbDevices = nullptr;
    decltype(&fuzz_nbDevicesCalls) nbDevicesCalls = nullptr;
};

FuzzControls fuzzControls() {
    // The same copy the program loads by name.
    static QLibrary library(platform::libraryFileName(QStringLiteral("Quelbin")));
    FuzzControls c;
    c.seed = reinterpret_cast<decltype(c.seed)>(library.resolve("fuzz_seed"));
    c.overrun = reinterpret_cast<decltype(c.overrun)>(library.resolve("fuzz_overrun"));
    c.lastNbDevices =
        reinterpret_cast<decltype(c.lastNbDevices)>(library.resolve("fuzz_lastNbDevices"));
    c.nbDevicesCalls =
        reinterpret_cast<decltype(c.nbDevicesCalls)>(library.resolve("fuzz_nbDevicesCalls"));
    return c;
}

std::uint64_t chosenSeed() {
    bool given = false;
    const std::uint64_t seed = qEnvironmentVariable("SOLVANE_FUZZ_SEED").toULongLong(&given);
    return given ? seed : std::random_device{}();
}

// Opening a list lays out all its entries: at 32767 commands that takes
// tenths of a second, too slow to repeat thousands of times. The operator
// steps through a longer list with the arrow keys instead.
constexpr int longestOpenedList = 64;

// The elements a log line must hold for a byte count and an element size.
int expectedElements(std::int32_t byteCount, int size) {
    const std::int32_t decoded = std::clamp<std::int32_t>(byteCount, 0, 128);
    return (decoded + size - 1) / size;
}

// Wine run through qemu-i386 (scripts/wine.sh) is about six times slower:
// there the test runs a quarter of its ticks, so that it stays well within
// its time limit on a busy machine, and says so.
constexpr int emulatedShare = 4;

int tickCount(int defaultTicks) {
    if (qEnvironmentVariableIntValue("SOLVANE_FUZZ_TICKS") > 0)
        return qEnvironmentVariableIntValue("SOLVANE_FUZZ_TICKS");
    if (qEnvironmentVariableIntValue("SOLVANE_WINE_EMULATED") != 1)
        return defaultTicks;
    const int ticks = defaultTicks / emulatedShare;
    qInfo("Wine through qemu-i386: %d ticks instead of %d", ticks, defaultTicks);
    return ticks;
}

QtMessageHandler qtTestHandler = nullptr;

// The offscreen platform warns that it cannot raise or grab for every popup
// the operator opens: thousands of lines that would bury a real warning.
void withoutPlatformNoise(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
    if (!message.startsWith(QLatin1String("This plugin does not support")))
        qtTestHandler(type, context, message);
}

} // namespace

class tst_fuzzwindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void hostileLibraryNeverBreaksTheWindow_data();
    void hostileLibraryNeverBreaksTheWindow();
};

void tst_fuzzwindow::initTestCase() {
    qtTestHandler = qInstallMessageHandler(withoutPlatformNoise);
}

void tst_fuzzwindow::hostileLibraryNeverBreaksTheWindow_data() {
    QTest::addColumn<int>("overrun");
    QTest::addColumn<int>("defaultTicks");

    QTest::newRow("within the buffers") << 0 << 100000;
    // A careless library writing kilobytes past every name and raw buffer:
    // the sanitizer build catches any write that reaches the program's memory.
    QTest::newRow("4 kB past every buffer") << 4096 << 20000;
}

void tst_fuzzwindow::hostileLibraryNeverBreaksTheWindow() {
    QFETCH(int, overrun);
    QFETCH(int, defaultTicks);
    const FuzzControls fuzz = fuzzControls();
    QVERIFY2(fuzz.seed && fuzz.overrun && fuzz.lastNbDevices && fuzz.nbDevicesCalls,
             "the fuzzing Quelbin library is not first on the library search path");
    const std::uint64_t seed = chosenSeed();
    fuzz.seed(seed);
    fuzz.overrun(overrun);
    std::mt19937_64 operatorChoices(seed ^ 0x5eedULL);
    const auto chance = [&](int percent) {
        return std::uniform_int_distribution<int>(0, 99)(operatorChoices) < percent;
    };
    const QByteArray context = "seed " + QByteArray::number(seed) + ", tick ";

    TestReports reports; // failed-sensor boxes are closed at once
    frmPrincipale window;
    window.tmrMiseÀJour->stop();
    const int ticks = tickCount(defaultTicks);

    for (int tick = 0; tick < ticks; ++tick) {
        const QByteArray where = context + QByteArray::number(tick);
        QComboBox* sensors = window.cmbSourceSurveillée;
        CommandComboBox* commands = window.cmbCommandes;

        // The operator, between ticks, with the mouse and the keyboard.
        if (sensors->count() > 0 && chance(5)) {
            const int k =
                std::uniform_int_distribution<int>(0, sensors->count() - 1)(operatorChoices);
            QVERIFY2(choose(sensors, k), where);
        }
        if (commands->isEnabled() && chance(5)) {
            if (commands->count() <= longestOpenedList) {
                const int k =
                    std::uniform_int_distribution<int>(0, commands->count() - 1)(operatorChoices);
                QVERIFY2(choose(commands, k), where);
            } else {
                QTest::keyClick(commands, chance(50) ? Qt::Key_Down : Qt::Key_Up);
            }
        }
        if (commands->isEnabled() && chance(1))
            QTest::keyClicks(commands->lineEdit(), QStringLiteral("x"));
        if (chance(3))
            QTest::mouseClick(window.cmdExécute, Qt::LeftButton);

        // The running program goes back to the event loop before every
        // tick; here one tick in twenty does, as measuring and drawing the
        // new lines costs several times the tick. Deferred repaints, layouts
        // and deletions run on hostile content, and do not pile up (under
        // Wine, such a pile slowed every later tick: 120,000 ticks took over
        // three minutes).
        if (chance(5))
            QCoreApplication::processEvents();

        const std::int32_t callsBefore = fuzz.nbDevicesCalls();
        const int linesBefore = window.lstRawData->count();
        window::runHandler([&] { window.tmrMiseÀJour_Timer(); });
        // The log decodes with the type of the list's choice as the tick
        // left it: a rebuild drops the choice before the line is made.
        const int size = modTypesDonnées::DataTypeSize(
            modTypesDonnées::GetDeviceType(fixedWidth::toInt16(sensors->currentIndex())));

        if (!reports.reports.empty())
            QFAIL(where + ": " + reports.reports.front().description.toUtf8());
        QVERIFY2(sensors->count() <= 32, where);
        if (fuzz.nbDevicesCalls() - callsBefore > 2) { // the list was rebuilt
            const int clamped =
                std::clamp<int>(fixedWidth::saturateToInt16(fuzz.lastNbDevices()), 0, 32);
            QVERIFY2(sensors->count() == clamped,
                     where + ": " + QByteArray::number(sensors->count()) +
                         " entries for a count of " + QByteArray::number(fuzz.lastNbDevices()));
            QVERIFY2(sensors->currentIndex() == -1, where);
        }

        QListWidget* log = window.lstRawData;
        QVERIFY2(log->count() <= 1000, where);
        if (modQuelbin::GetWatchedSource() >= 0) {
            QVERIFY2(log->count() == linesBefore + 1 || (linesBefore == 1000 && log->count() == 0),
                     where);
        }
        if (log->count() > 0 && log->count() != linesBefore) {
            const QString top = log->item(0)->text();
            const QStringList fields = top.split(u';');
            QVERIFY2(fields.size() == 3, where + ": " + top.toUtf8());
            bool headerOk = false;
            bool countOk = false;
            fields[0].toInt(&headerOk);
            const int byteCount = fields[1].toInt(&countOk);
            QVERIFY2(headerOk && countOk, where + ": " + top.toUtf8());
            const int elements = static_cast<int>(fields[2].count(QStringLiteral(" | ")));
            QVERIFY2(elements == expectedElements(byteCount, size),
                     where + ": " + QByteArray::number(elements) + " elements of size " +
                         QByteArray::number(size) + " in " + top.toUtf8());
            QVERIFY2(fields[2].isEmpty() || fields[2].endsWith(QStringLiteral(" | ")), where);
        }

        QVERIFY2(window.cmdExécute->isEnabled() == (commands->currentIndex() != -1), where);
        QVERIFY2(commands->isEnabled() == (commands->count() > 0), where);
    }
}

QTEST_MAIN(tst_fuzzwindow)
#include "tst_fuzzwindow.moc"
