// The real executable, started as a child process with a broken library
// setup: each must end with one clear report naming what is wrong and a
// non-zero status, never hang or crash.
#include <QProcess>
#include <QTest>

class tst_launch : public QObject {
    Q_OBJECT

private slots:
    void brokenLibraryEndsWithOneReport_data();
    void brokenLibraryEndsWithOneReport();
};

void tst_launch::brokenLibraryEndsWithOneReport_data() {
    QTest::addColumn<QString>("searchPath");
    QTest::addColumn<QStringList>("mentions");

    QTest::newRow("missing library")
        << QStringLiteral(SOLVANE_EMPTY_DIR)
        << QStringList{u"Erreur d'exécution 48"_qs, u"libQuelbin.so"_qs,
                       u"cannot open shared object file"_qs, u"LD_LIBRARY_PATH"_qs};
    QTest::newRow("missing function")
        << QStringLiteral(SOLVANE_PARTIAL_DIR)
        << QStringList{u"Erreur d'exécution 453"_qs, u"getNbDevices"_qs, u"Quelbin"_qs,
                       u"undefined symbol"_qs};
    QTest::newRow("not a shared object")
        << QStringLiteral(SOLVANE_BROKEN_DIR)
        << QStringList{u"Erreur d'exécution 48"_qs, QStringLiteral(SOLVANE_BROKEN_DIR),
                       u"libQuelbin.so"_qs};
}

void tst_launch::brokenLibraryEndsWithOneReport() {
    QFETCH(QString, searchPath);
    QFETCH(QStringList, mentions);

    QProcess solvane;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LD_LIBRARY_PATH"_qs, searchPath);
    environment.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
    solvane.setProcessEnvironment(environment);
    solvane.start(QStringLiteral(SOLVANE_EXECUTABLE), {});
    QVERIFY(solvane.waitForStarted());
    // The missing function is met on the first tick, 600 ms after start.
    if (!solvane.waitForFinished(20000)) {
        solvane.kill();
        QFAIL("Solvane did not end");
    }

    QCOMPARE(solvane.exitStatus(), QProcess::NormalExit); // no crash
    QCOMPARE(solvane.exitCode(), 1);
    const QString errors = QString::fromUtf8(solvane.readAllStandardError());
    QCOMPARE(errors.count(u"Erreur d'exécution"_qs), 1);
    for (const QString& mention : mentions)
        QVERIFY2(errors.contains(mention), qPrintable(mention + u" not in: "_qs + errors));
}

QTEST_GUILESS_MAIN(tst_launch)
#include "tst_launch.moc"
