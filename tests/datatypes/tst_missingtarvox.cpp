// The conversion library missing: looked for in an empty folder only, while
// a working one is on the search path (and may be installed on the machine).

#include "datatypes/modconversion.h"
#include "datatypes/tarvoxlibrary.h"
#include "platform/runtimeerror.h"
#include "testreports.h"
#include "window/errorreport.h"

#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cstdint>
#include <limits>

using platform::ErrorNumber;

class tst_missingtarvox : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    // Order matters: the unknown codes must run before anything tries to load.
    void unknownCodesNeedNoLibrary_data();
    void unknownCodesNeedNoLibrary();
    void knownCodeRaisesLibraryNotLoaded_data();
    void knownCodeRaisesLibraryNotLoaded();
    void reportedOnceThroughHandler();
    void unknownCodesStillWorkAfterFailure();

private:
    QTemporaryDir m_empty;
    std::array<std::uint8_t, 128> m_buffer{};
};

void tst_missingtarvox::initTestCase() {
    QVERIFY(m_empty.isValid());
    tarvox::searchOnlyIn(m_empty.path());
}

void tst_missingtarvox::unknownCodesNeedNoLibrary_data() {
    QTest::addColumn<qint32>("code");

    QTest::newRow("-1 not set") << -1;
    QTest::newRow("6") << 6;
    QTest::newRow("65538, low 16 bits are Int2") << 65538;
    QTest::newRow("int32 min") << std::numeric_limits<qint32>::min();
}

void tst_missingtarvox::unknownCodesNeedNoLibrary() {
    QFETCH(qint32, code);

    QString text;
    try {
        text = modConversion::RawToText(m_buffer.data(), code);
    } catch (const platform::RuntimeError& e) {
        QFAIL(qPrintable(QStringLiteral("raised %1: %2")
                             .arg(static_cast<int>(e.number()))
                             .arg(e.description())));
    }
    QCOMPARE(text, QStringLiteral("Inconnu"));
}

void tst_missingtarvox::knownCodeRaisesLibraryNotLoaded_data() {
    QTest::addColumn<qint32>("code");

    QTest::newRow("Bool") << 0;
    QTest::newRow("Int1") << 1;
    QTest::newRow("Int2") << 2;
    QTest::newRow("Int4") << 3;
    QTest::newRow("Real4") << 4;
    QTest::newRow("Real8") << 5;
}

void tst_missingtarvox::knownCodeRaisesLibraryNotLoaded() {
    QFETCH(qint32, code);

    try {
        modConversion::RawToText(m_buffer.data(), code);
        QFAIL("converting without the library must raise");
    } catch (const platform::RuntimeError& e) {
        QCOMPARE(e.number(), ErrorNumber::LibraryNotLoaded);
        QVERIFY2(e.description().contains(QLatin1String("Tarvox")), qPrintable(e.description()));
    }
}

void tst_missingtarvox::reportedOnceThroughHandler() {
    TestReports reports;
    bool reachedAfterConversion = false;
    window::runHandler([&] {
        modConversion::RawToText(m_buffer.data(), 5);
        modConversion::RawToText(m_buffer.data(), 3);
        reachedAfterConversion = true;
    });

    QVERIFY(!reachedAfterConversion);
    QCOMPARE(reports.reports.size(), std::size_t{1});
    QCOMPARE(reports.reports[0].number, ErrorNumber::LibraryNotLoaded);
    QVERIFY2(reports.reports[0].description.contains(QLatin1String("Tarvox")),
             qPrintable(reports.reports[0].description));
}

void tst_missingtarvox::unknownCodesStillWorkAfterFailure() {
    TestReports reports;
    QString text;
    window::runHandler([&] { text = modConversion::RawToText(m_buffer.data(), 6); });
    QCOMPARE(text, QStringLiteral("Inconnu"));
    QVERIFY(reports.reports.empty());
}

QTEST_MAIN(tst_missingtarvox)
#include "tst_missingtarvox.moc"
