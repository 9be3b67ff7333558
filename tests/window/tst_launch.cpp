// The real executable, started as a child process with a broken library
// setup: each must end with one clear report naming what is wrong and a
// non-zero status, never hang or crash. A library in the current folder
// only counts as missing: whoever can drop a file there must not get their
// code run.
#include "platform/native.h"
#include "testhelpers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The loader's own words for each failure, as the platform phrases them.
#ifdef Q_OS_WIN
const QString moduleNotFound = qt_error_string(126);   // ERROR_MOD_NOT_FOUND
const QString functionNotFound = qt_error_string(127); // ERROR_PROC_NOT_FOUND
const QString notALibrary = qt_error_string(193);      // ERROR_BAD_EXE_FORMAT
const QString simulationLauncher = QStringLiteral("« Lancer la simulation.cmd »");
const QString simulationMenuEntry =
    QStringLiteral("« Solvane sur le module simulé » dans le menu Démarrer");
#else
const QString moduleNotFound = QStringLiteral("cannot open shared object file");
const QString functionNotFound = QStringLiteral("undefined symbol");
const QString notALibrary = QStringLiteral(SOLVANE_BROKEN_DIR);
const QString simulationLauncher = QStringLiteral("« solvane-simulation »");
const QString simulationMenuEntry =
    QStringLiteral("« Solvane sur le module simulé » dans le menu des applications");
#endif

const QString quelbinFile = platform::libraryFileName(QStringLiteral("Quelbin"));

// The program's report on standard error, started with the folder first on
// the library search path (from `workingDirectory`, if given); a test
// failure unless it ends with status 1.
QString reportOf(const QString& program, const QString& searchPath,
                 const QString& workingDirectory = {}) {
    QProcess solvane;
    solvane.setWorkingDirectory(workingDirectory);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString variable = platform::librarySearchVariable();
    environment.insert(variable, QDir::toNativeSeparators(searchPath) + QDir::listSeparator() +
                                     environment.value(variable));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
#ifdef SOLVANE_SEARCH_PATH_ONLY
    // A library missing from these folders is missing, even if the system has one.
    environment.insert(QStringLiteral("LD_AUDIT"), QStringLiteral(SOLVANE_SEARCH_PATH_ONLY));
#endif
    // The missing function is met on the first tick, 600 ms after start.
    if (!runToEnd(solvane, program, environment)) {
        QTest::qFail("Solvane did not end", __FILE__, __LINE__);
        return {};
    }
    QTest::qCompare(solvane.exitStatus(), QProcess::NormalExit, "exit status", "no crash", __FILE__,
                    __LINE__);
    QTest::qCompare(solvane.exitCode(), 1, "exit code", "1", __FILE__, __LINE__);
    // The report is written in the system's 8-bit encoding.
    return QString::fromLocal8Bit(solvane.readAllStandardError());
}

} // namespace

class tst_launch : public QObject {
    Q_OBJECT

private slots:
    void brokenLibraryEndsWithOneReport_data();
    void brokenLibraryEndsWithOneReport();
#ifndef Q_OS_WIN
    void hintNamesTheLaunchersInstalled();
#endif
};

void tst_launch::brokenLibraryEndsWithOneReport_data() {
    QTest::addColumn<QString>("searchPath");
    QTest::addColumn<QStringList>("mentions");
    QTest::addColumn<bool>("plantedInCurrentFolder");

    QTest::newRow("missing library")
        << QStringLiteral(SOLVANE_EMPTY_DIR) << QStringList{QStringLiteral("Erreur d'exécution 48"),
                                                            quelbinFile,
                                                            moduleNotFound,
                                                            platform::librarySearchVariable(),
                                                            simulationMenuEntry,
                                                            simulationLauncher}
        << false;
    QTest::newRow("only in the current folder")
        << QStringLiteral(SOLVANE_EMPTY_DIR)
        << QStringList{QStringLiteral("Erreur d'exécution 48"), quelbinFile, moduleNotFound}
        << true;
    QTest::newRow("missing function")
        << QStringLiteral(SOLVANE_PARTIAL_DIR)
        << QStringList{QStringLiteral("Erreur d'exécution 453"), QStringLiteral("getNbDevices"),
                       QStringLiteral("Quelbin"), functionNotFound}
        << false;
    QTest::newRow("not a library") << QStringLiteral(SOLVANE_BROKEN_DIR)
                                   << QStringList{QStringLiteral("Erreur d'exécution 48"),
                                                  quelbinFile, notALibrary, simulationLauncher}
                                   << false;
}

void tst_launch::brokenLibraryEndsWithOneReport() {
    QFETCH(QString, searchPath);
    QFETCH(QStringList, mentions);
    QFETCH(bool, plantedInCurrentFolder);

    QTemporaryDir currentFolder;
    QVERIFY(currentFolder.isValid());
    // A working acquisition library: loaded, it would keep Solvane running.
    if (plantedInCurrentFolder)
        QVERIFY(QFile::copy(QStringLiteral(SOLVANE_PLANTED_LIBRARY),
                            currentFolder.filePath(quelbinFile)));
    const QString errors =
        reportOf(QStringLiteral(SOLVANE_EXECUTABLE), searchPath, currentFolder.path());
    QCOMPARE(errors.count(QStringLiteral("Erreur d'exécution")), 1);
    for (const QString& mention : mentions)
        QVERIFY2(errors.contains(mention),
                 qPrintable(mention + QStringLiteral(" not in: ") + errors));
}

#ifndef Q_OS_WIN
void tst_launch::hintNamesTheLaunchersInstalled() {
    QTemporaryDir bin; // the program in a folder of its own, as in /usr/bin
    QVERIFY(bin.isValid());
    const QString program = bin.filePath(QStringLiteral("Solvane"));
    QVERIFY(QFile::copy(QStringLiteral(SOLVANE_EXECUTABLE), program));
    const QString alone = reportOf(program, QStringLiteral(SOLVANE_EMPTY_DIR));
    QCOMPARE(alone.count(QStringLiteral("« solvane-")), 1); // the simulation's only

    for (const char* name : {"solvane-sigrok", "solvane-mqtt"}) {
        QFile launcher(bin.filePath(QLatin1String(name)));
        QVERIFY(launcher.open(QIODevice::WriteOnly));
        launcher.setPermissions(launcher.permissions() | QFile::ExeOwner);
    }
    // Each named after what it needs.
    const QString errors = reportOf(program, QStringLiteral(SOLVANE_EMPTY_DIR));
    for (const char* needed :
         {"SOLVANE_SIGROK_DEVICE.*« solvane-sigrok »", "SOLVANE_MQTT_URL.*« solvane-mqtt »"})
        QVERIFY2(errors.contains(QRegularExpression(QString::fromUtf8(needed))),
                 qPrintable(errors));
}
#endif

QTEST_GUILESS_MAIN(tst_launch)
#include "tst_launch.moc"
