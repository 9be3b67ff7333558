// The report of the window's run-time errors, and the handlers that no box
// lets in.
#include "datatypes/fixedwidth.h"
#include "testreports.h"
#include "window/errorreport.h"
#include "window/messagebox.h"

#include <QTest>

#include <functional>
#include <new>
#include <stdexcept>

using platform::ErrorNumber;

Q_DECLARE_METATYPE(ErrorNumber)

namespace {

// A handler body that throws.
using Thrower = std::function<void()>;

// An exception type that is neither the program's nor a standard one.
struct ForeignError {
    int code;
};

} // namespace

Q_DECLARE_METATYPE(Thrower)

class tst_errorreport : public QObject {
    Q_OBJECT

private slots:
    void runHandlerReportsRuntimeErrorOnceAndStops();
    void runHandlerReportsAnyException_data();
    void runHandlerReportsAnyException();
    void runHandlerSkipsHandlersWhileBoxOpen();
    void boxClosedAfterPresenterFails();
};

void tst_errorreport::runHandlerReportsRuntimeErrorOnceAndStops() {
    TestReports reports;
    bool reachedAfterError = false;
    window::runHandler([&] {
        fixedWidth::toInt16(40000);
        reachedAfterError = true;
    });

    QVERIFY(!reachedAfterError);
    QCOMPARE(reports.reports.size(), std::size_t{1});
    QCOMPARE(reports.reports[0].number, ErrorNumber::Overflow);
    QCOMPARE(reports.reports[0].description, QStringLiteral("Dépassement de capacité"));

    window::runHandler([] {
        platform::raise(ErrorNumber::IndexOutOfRange, QStringLiteral("Indice 32 hors table"));
    });
    QCOMPARE(reports.reports.size(), std::size_t{2});
    QCOMPARE(reports.reports[1].number, ErrorNumber::IndexOutOfRange);
    QCOMPARE(reports.reports[1].description, QStringLiteral("Indice 32 hors table"));

    bool ran = false;
    window::runHandler([&] { ran = true; });
    QVERIFY(ran);
    QCOMPARE(reports.reports.size(), std::size_t{2});
}

void tst_errorreport::runHandlerReportsAnyException_data() {
    QTest::addColumn<Thrower>("thrower");
    QTest::addColumn<ErrorNumber>("number");
    QTest::addColumn<QString>("description");

    const QString internal = QStringLiteral("Erreur interne");
    QTest::newRow("out of memory")
        << Thrower([] { throw std::bad_alloc(); }) << ErrorNumber::OutOfMemory
        << QStringLiteral("Mémoire insuffisante");
    QTest::newRow("standard exception")
        << Thrower([] { throw std::logic_error("ordre impossible"); }) << ErrorNumber::Internal
        << QStringLiteral("Erreur interne : ordre impossible");
    // Not ours and not standard: nothing to read, but still the report.
    QTest::newRow("int") << Thrower([] { throw 42; }) << ErrorNumber::Internal << internal;
    QTest::newRow("text") << Thrower([] { throw "texte"; }) << ErrorNumber::Internal << internal;
    QTest::newRow("foreign type") << Thrower([] { throw ForeignError{7}; }) << ErrorNumber::Internal
                                  << internal;
}

void tst_errorreport::runHandlerReportsAnyException() {
    QFETCH(Thrower, thrower);
    QFETCH(ErrorNumber, number);
    QFETCH(QString, description);

    TestReports reports;
    bool reachedAfterError = false;
    window::runHandler([&] {
        thrower();
        reachedAfterError = true;
    });
    QVERIFY(!reachedAfterError);
    QCOMPARE(reports.reports.size(), std::size_t{1});
    QCOMPARE(reports.reports[0].number, number);
    QCOMPARE(reports.reports[0].description, description);

    // The next handler runs as usual.
    bool ranAfter = false;
    window::runHandler([&] { ranAfter = true; });
    QVERIFY(ranAfter);
    QCOMPARE(reports.reports.size(), std::size_t{1});
}

void tst_errorreport::runHandlerSkipsHandlersWhileBoxOpen() {
    TestReports reports;
    bool presenterRan = false;
    bool innerRan = false;
    bool openInside = false;
    window::setMessagePresenter([&](const QString&, const QString&) {
        presenterRan = true;
        openInside = window::isModalBoxOpen();
        // As a timer tick would while the box waits for the operator.
        window::runHandler([&] { innerRan = true; });
    });

    window::runHandler([] { window::showMessage(QStringLiteral("Senseur illisible")); });

    QVERIFY(presenterRan);
    QVERIFY(openInside);
    QVERIFY(!innerRan);
    QVERIFY(!window::isModalBoxOpen());
    QVERIFY(reports.reports.empty());

    // Once the box is closed, handlers run again.
    bool ranAfter = false;
    window::runHandler([&] { ranAfter = true; });
    QVERIFY(ranAfter);
}

void tst_errorreport::boxClosedAfterPresenterFails() {
    TestReports reports;
    window::setMessagePresenter(
        [](const QString&, const QString&) { platform::raise(ErrorNumber::InvalidControlValue); });

    window::runHandler([] { window::showMessage(QStringLiteral("x")); });

    QCOMPARE(reports.reports.size(), std::size_t{1});
    QCOMPARE(reports.reports[0].number, ErrorNumber::InvalidControlValue);
    // A box left counted as open would block every later handler.
    QVERIFY(!window::isModalBoxOpen());
    bool ranAfter = false;
    window::runHandler([&] { ranAfter = true; });
    QVERIFY(ranAfter);
}

QTEST_MAIN(tst_errorreport)
#include "tst_errorreport.moc"
