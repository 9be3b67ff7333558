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
#include <QTemporaryDir>
#include <QTest>

namespace {

// The loader's own words for each failure, as the platform phrases them.
#ifdef Q_OS_WIN
const QString moduleNotFound = qt_error_string(126);   // ERROR_MOD_NOT_FOUND
const QString functionNotFound = qt_error_string(127); // ERROR_PROC_NOT_FOUND
const QString notALibrary = qt_error_string(193);      // ERROR_BAD_EXE_FORMAT
#else
const QString moduleNotFound = QStringLiteral("cannot open shared object file");
const QString functionNotFound = QStringLiteral("undefined symbol");
const QString notALibrary = QStringLiteral(SOLVANE_BROKEN_DIR);
#endif

const QString quelbinFile = platform::libraryFileName(QStringLiteral("Quelbin"));

} // namespace

class tst_launch : public QObject {
    Q_OBJECT

private slots:
    void brokenLibraryEndsWithOneReport_data();
    void brokenLibraryEndsWithOneReport();
};

void tst_launch::brokenLibraryEndsWithOneReport_data() {
    QTest::addColumn<QString>("searchPath");
    QTest::addColumn<QStringList>("mentions");
    QTest::addColumn<bool>("plantedInCurrentFolder");

    QTest::newRow("missing library")
        << QStringLiteral(SOLVANE_EMPTY_DIR)
        << QStringList{QStringLiteral("Erreur d'exécution 48"), quelbinFile, moduleNotFound,
                       platform::librarySearchVariable()}
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
    QTest::newRow("not a library")
        << QStringLiteral(SOLVANE_BROKEN_DIR)
        << QStringList{QStringLiteral("Erreur d'exécution 48"), quelbinFile, notALibrary} << false;
}

void tst_launch::brokenLibraryEndsWithOneReport() {
    QFETCH(QString, searchPath);
    QFETCH(QStringList, mentions);
    QFETCH(bool, plantedInCurrentFolder);

    QProcess solvane;
    QTemporaryDir currentFolder;
    QVERIFY(currentFolder.isValid());
    // A working acquisition library: loaded, it would keep Solvane running.
    if (plantedInCurrentFolder)
        QVERIFY(QFile::copy(QStringLiteral(SOLVANE_PLANTED_LIBRARY),
                            currentFolder.filePath(quelbinFile)));
    solvane.setWorkingDirectory(currentFolder.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The given folder first on the search path, ahead of the conversion library's.
    const QString variable = platform::librarySearchVariable();
    environment.insert(variable, QDir::toNativeSeparators(searchPath) + QDir::listSeparator() +
                                     environment.value(variable));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The missing function is met on the first tick, 600 ms after start.
    QVERIFY2(runToEnd(solvane, QStringLiteral(SOLVANE_EXECUTABLE), environment),
             "Solvane did not end");

    QCOMPARE(solvane.exitStatus(), QProcess::NormalExit); // no crash
    QCOMPARE(solvane.exitCode(), 1);
    // The report is written in the system's 8-bit encoding.
    const QString errors = QString::fromLocal8Bit(solvane.readAllStandardError());
    QCOMPARE(errors.count(QStringLiteral("Erreur d'exécution")), 1);
    for (const QString& mention : mentions)
        QVERIFY2(errors.contains(mention),
                 qPrintable(mention + QStringLiteral(" not in: ") + errors));
}

QTEST_GUILESS_MAIN(tst_launch)
#include "tst_launch.moc"
