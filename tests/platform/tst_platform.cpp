#include "platform/arith.h"
#include "platform/messagebox.h"
#include "platform/native.h"
#include "platform/runtimeerror.h"
#include "platform/sharedlibrary.h"
#include "platform/text.h"
#include "testreports.h"

#include "testhelpers.h"
#include <QLibrary>
#include <QLocale>
#include <QSet>

#include <QTest>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <new>
#include <optional>
#include <span>
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

std::span<const char> bytesOf(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace

Q_DECLARE_METATYPE(Thrower)

class tst_platform : public QObject {
    Q_OBJECT

private slots:
    void toInt16_data();
    void toInt16();
    void saturateToInt16_data();
    void saturateToInt16();
    void checkedAdd32_data();
    void checkedAdd32();
    void checkedMul32_data();
    void checkedMul32();

    void refreshRateText_data();
    void refreshRateText();
    void roundHalfEven2_data();
    void roundHalfEven2();
    void roundHalfEven2NotRepresentableHalf();
    void shortestTextHasNoGrouping();
    void fixed5Text_data();
    void fixed5Text();
    void fixed5TextNotFinite();
    void numbersArePlainInEveryLocale_data();
    void numbersArePlainInEveryLocale();

    void decodeAnsiEveryByteIsOneCharacter();
    void decodeAnsiKnownBytes_data();
    void decodeAnsiKnownBytes();
    void decodeAnsiKeepsZeroBytes();

    void runHandlerReportsRuntimeErrorOnceAndStops();
    void runHandlerReportsAnyException_data();
    void runHandlerReportsAnyException();
    void runHandlerSkipsHandlersWhileBoxOpen();
    void boxClosedAfterPresenterFails();

    void missingLibraryRaisesLibraryNotLoaded();
    void firstResolveLoadsLibrary();
    void missingFunctionRaisesFunctionNotFound();
};

void tst_platform::toInt16_data() {
    QTest::addColumn<qint64>("value");
    QTest::addColumn<bool>("overflows");

    QTest::newRow("zero") << qint64{0} << false;
    QTest::newRow("lowest") << qint64{-32768} << false;
    QTest::newRow("highest") << qint64{32767} << false;
    QTest::newRow("below lowest") << qint64{-32769} << true;
    QTest::newRow("above highest") << qint64{32768} << true;
    QTest::newRow("65536 wraps to 0 if truncated") << qint64{65536} << true;
    QTest::newRow("int32 min") << qint64{std::numeric_limits<std::int32_t>::min()} << true;
    QTest::newRow("int64 max") << std::numeric_limits<qint64>::max() << true;
    QTest::newRow("int64 min") << std::numeric_limits<qint64>::min() << true;
}

void tst_platform::toInt16() {
    QFETCH(qint64, value);
    QFETCH(bool, overflows);

    std::int16_t result = 0;
    const auto error = raisedBy([&] { result = platform::toInt16(value); });
    if (overflows) {
        QCOMPARE(error, std::optional{ErrorNumber::Overflow});
    } else {
        QCOMPARE(error, std::nullopt);
        QCOMPARE(qint64{result}, value);
    }
}

void tst_platform::saturateToInt16_data() {
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("expected");

    QTest::newRow("int32 min") << qint64{std::numeric_limits<std::int32_t>::min()} << -32768;
    QTest::newRow("int32 max") << qint64{std::numeric_limits<std::int32_t>::max()} << 32767;
    QTest::newRow("-32769") << qint64{-32769} << -32768;
    QTest::newRow("-32768") << qint64{-32768} << -32768;
    QTest::newRow("32768") << qint64{32768} << 32767;
    QTest::newRow("32767") << qint64{32767} << 32767;
    QTest::newRow("65535 not wrapped to -1") << qint64{65535} << 32767;
    QTest::newRow("-1") << qint64{-1} << -1;
    QTest::newRow("int64 min") << std::numeric_limits<qint64>::min() << -32768;
}

void tst_platform::saturateToInt16() {
    QFETCH(qint64, value);
    QFETCH(int, expected);

    QCOMPARE(int{platform::saturateToInt16(value)}, expected);
}

void tst_platform::checkedAdd32_data() {
    constexpr std::int32_t min = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t max = std::numeric_limits<std::int32_t>::max();
    QTest::addColumn<qint32>("a");
    QTest::addColumn<qint32>("b");
    QTest::addColumn<bool>("overflows");

    QTest::newRow("max + 0") << max << 0 << false;
    QTest::newRow("min + max") << min << max << false;
    QTest::newRow("max + 1") << max << 1 << true;
    QTest::newRow("min + -1") << min << -1 << true;
    QTest::newRow("max + max") << max << max << true;
    QTest::newRow("min + min") << min << min << true;
}

void tst_platform::checkedAdd32() {
    QFETCH(qint32, a);
    QFETCH(qint32, b);
    QFETCH(bool, overflows);

    std::int32_t result = 0;
    const auto error = raisedBy([&] { result = platform::checkedAdd32(a, b); });
    if (overflows) {
        QCOMPARE(error, std::optional{ErrorNumber::Overflow});
    } else {
        QCOMPARE(error, std::nullopt);
        QCOMPARE(qint64{result}, qint64{a} + b);
    }
}

void tst_platform::checkedMul32_data() {
    constexpr std::int32_t min = std::numeric_limits<std::int32_t>::min();
    QTest::addColumn<qint32>("a");
    QTest::addColumn<qint32>("b");
    QTest::addColumn<bool>("overflows");

    QTest::newRow("slider step") << 163 << 200 << false;
    QTest::newRow("46340 squared") << 46340 << 46340 << false;
    QTest::newRow("-65536 * 32768 is min") << -65536 << 32768 << false;
    QTest::newRow("46341 squared") << 46341 << 46341 << true;
    QTest::newRow("65536 * 32768") << 65536 << 32768 << true;
    QTest::newRow("min * -1") << min << -1 << true;
    QTest::newRow("65536 * 65536 wraps to 0") << 65536 << 65536 << true;
}

void tst_platform::checkedMul32() {
    QFETCH(qint32, a);
    QFETCH(qint32, b);
    QFETCH(bool, overflows);

    std::int32_t result = 0;
    const auto error = raisedBy([&] { result = platform::checkedMul32(a, b); });
    if (overflows) {
        QCOMPARE(error, std::optional{ErrorNumber::Overflow});
    } else {
        QCOMPARE(error, std::nullopt);
        QCOMPARE(qint64{result}, qint64{a} * b);
    }
}

void tst_platform::refreshRateText_data() {
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("french");

    QTest::newRow("200 ms") << 200 << "5"
                            << "5";
    QTest::newRow("400 ms") << 400 << "2.5"
                            << "2,5";
    QTest::newRow("600 ms") << 600 << "1.67"
                            << "1,67";
    QTest::newRow("800 ms") << 800 << "1.25"
                            << "1,25";
    QTest::newRow("1000 ms") << 1000 << "1"
                             << "1";
}

void tst_platform::refreshRateText() {
    QFETCH(int, interval);
    QFETCH(QString, english);
    QFETCH(QString, french);

    const double rate = platform::roundHalfEven2(1000.0 / interval);
    {
        DefaultLocale locale(englishLocale);
        QCOMPARE(platform::shortestText(rate), english);
    }
    {
        DefaultLocale locale(frenchLocale);
        QCOMPARE(platform::shortestText(rate), french);
    }
}

void tst_platform::roundHalfEven2_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");

    // Exactly representable halfway cases go to the even last digit.
    QTest::newRow("0.125 down to even") << 0.125 << 0.12;
    QTest::newRow("0.375 up to even") << 0.375 << 0.38;
    QTest::newRow("0.625 down to even") << 0.625 << 0.62;
    QTest::newRow("-0.125 down to even") << -0.125 << -0.12;
    QTest::newRow("-0.375 up to even") << -0.375 << -0.38;
    QTest::newRow("not halfway rounds up") << 1000.0 / 600 << 1.67;
    QTest::newRow("not halfway rounds down") << 1000.0 / 300 << 3.33;
    QTest::newRow("already two decimals") << 1.25 << 1.25;
    QTest::newRow("whole") << 5.0 << 5.0;
    // Numbers this large carry no decimals; scaling them must not overflow.
    QTest::newRow("2^53") << 9007199254740992.0 << 9007199254740992.0;
    QTest::newRow("1e307") << 1e307 << 1e307;
    QTest::newRow("-1e307") << -1e307 << -1e307;
    QTest::newRow("max") << std::numeric_limits<double>::max()
                         << std::numeric_limits<double>::max();
}

void tst_platform::roundHalfEven2() {
    QFETCH(double, value);
    QFETCH(double, expected);

    QCOMPARE(platform::roundHalfEven2(value), expected);
}

void tst_platform::roundHalfEven2NotRepresentableHalf() {
    // 2.675 is stored a little below itself; either neighbour is sensible,
    // anything else is not.
    const double r = platform::roundHalfEven2(2.675);
    QVERIFY2(r == 2.67 || r == 2.68, qPrintable(QString::number(r, 'g', 17)));

    QVERIFY(std::isnan(platform::roundHalfEven2(std::numeric_limits<double>::quiet_NaN())));
    QCOMPARE(platform::roundHalfEven2(std::numeric_limits<double>::infinity()),
             std::numeric_limits<double>::infinity());
}

void tst_platform::shortestTextHasNoGrouping() {
    {
        DefaultLocale locale(englishLocale);
        QCOMPARE(platform::shortestText(1234567.5), QStringLiteral("1234567.5"));
        QCOMPARE(platform::shortestText(-1234567.0), QStringLiteral("-1234567"));
    }
    {
        DefaultLocale locale(frenchLocale);
        QCOMPARE(platform::shortestText(1234567.5), QStringLiteral("1234567,5"));
        QCOMPARE(platform::shortestText(-1234567.0), QStringLiteral("-1234567"));
    }
}

void tst_platform::fixed5Text_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("french");

    QTest::newRow("0") << 0.0 << "0.00000"
                       << "0,00000";
    QTest::newRow("1.5") << 1.5 << "1.50000"
                         << "1,50000";
    QTest::newRow("-0.25") << -0.25 << "-0.25000"
                           << "-0,25000";
    QTest::newRow("123.456789 rounded") << 123.456789 << "123.45679"
                                        << "123,45679";
    QTest::newRow("millions") << 12345678.9 << "12345678.90000"
                              << "12345678,90000";
    QTest::newRow("-millions") << -1234567.0 << "-1234567.00000"
                               << "-1234567,00000";
    QTest::newRow("1e15") << 1e15 << "1000000000000000.00000"
                          << "1000000000000000,00000";
    QTest::newRow("below last digit") << 0.000004 << "0.00000"
                                      << "0,00000";
}

void tst_platform::fixed5Text() {
    QFETCH(double, value);
    QFETCH(QString, english);
    QFETCH(QString, french);

    {
        DefaultLocale locale(englishLocale);
        QCOMPARE(platform::fixed5Text(value), english);
    }
    {
        DefaultLocale locale(frenchLocale);
        QCOMPARE(platform::fixed5Text(value), french);
    }
}

void tst_platform::fixed5TextNotFinite() {
    QCOMPARE(platform::fixed5Text(std::numeric_limits<double>::quiet_NaN()),
             QStringLiteral("Non numérique"));
    QCOMPARE(platform::fixed5Text(std::numeric_limits<double>::infinity()),
             QStringLiteral("+Infini"));
    QCOMPARE(platform::fixed5Text(-std::numeric_limits<double>::infinity()),
             QStringLiteral("-Infini"));
}

void tst_platform::numbersArePlainInEveryLocale_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("separator");

    // Locales with another minus sign (U+2212 in Swedish), other digits
    // (Arabic-Indic in Egyptian Arabic) or another group separator (Swiss
    // German): only their decimal separator may show.
    QTest::newRow("C") << QLocale::c() << QStringLiteral(".");
    QTest::newRow("en_US") << QLocale(QStringLiteral("en_US")) << QStringLiteral(".");
    QTest::newRow("fr_FR") << QLocale(QStringLiteral("fr_FR")) << QStringLiteral(",");
    QTest::newRow("de_CH") << QLocale(QStringLiteral("de_CH")) << QStringLiteral(".");
    QTest::newRow("sv_SE") << QLocale(QStringLiteral("sv_SE")) << QStringLiteral(",");
    QTest::newRow("ar_EG") << QLocale(QStringLiteral("ar_EG")) << QStringLiteral("\u066B");
}

void tst_platform::numbersArePlainInEveryLocale() {
    QFETCH(QLocale, locale);
    QFETCH(QString, separator);
    DefaultLocale scope(locale);

    const auto expected = [&](const char* text) {
        return QString::fromLatin1(text).replace(QLatin1Char('.'), separator);
    };
    QCOMPARE(platform::fixed5Text(-0.25), expected("-0.25000"));
    QCOMPARE(platform::fixed5Text(-1234567.5), expected("-1234567.50000"));
    QCOMPARE(platform::fixed5Text(123.456789), expected("123.45679"));
    QCOMPARE(platform::shortestText(-2.5), expected("-2.5"));
    QCOMPARE(platform::shortestText(1.67), expected("1.67"));
    QCOMPARE(platform::shortestText(1234567.0), QStringLiteral("1234567"));
    QCOMPARE(platform::decimalText(-32768), QStringLiteral("-32768"));
}

void tst_platform::decodeAnsiEveryByteIsOneCharacter() {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));

    const QString text = platform::decodeAnsi(bytesOf(all));
    QCOMPARE(text.size(), 256);
    // Distinct characters: no byte is lost to a shared replacement character.
    QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), 256);
    for (int b = 0; b < 0x80; ++b)
        QCOMPARE(text.at(b).unicode(), char16_t(b));
}

void tst_platform::decodeAnsiKnownBytes_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("codePoint");

    QTest::newRow("e acute") << 0xE9 << 0x00E9;
    QTest::newRow("euro") << 0x80 << 0x20AC;
    QTest::newRow("oe ligature") << 0x9C << 0x0153;
    QTest::newRow("right single quote") << 0x92 << 0x2019;
    QTest::newRow("y diaeresis") << 0xFF << 0x00FF;
    // Bytes the code page leaves unassigned come through as the control
    // character of the same number, as the ANSI conversion does.
    QTest::newRow("0x81") << 0x81 << 0x0081;
    QTest::newRow("0x8D") << 0x8D << 0x008D;
    QTest::newRow("0x8F") << 0x8F << 0x008F;
    QTest::newRow("0x90") << 0x90 << 0x0090;
    QTest::newRow("0x9D") << 0x9D << 0x009D;
}

void tst_platform::decodeAnsiKnownBytes() {
    QFETCH(int, byte);
    QFETCH(int, codePoint);

    const QByteArray input = QByteArray("a") + static_cast<char>(byte) + QByteArray("a");
    const QString text = platform::decodeAnsi(bytesOf(input));
    QCOMPARE(text.size(), 3);
    QCOMPARE(int{text.at(1).unicode()}, codePoint);
    QCOMPARE(text.at(2), QLatin1Char('a'));
}

void tst_platform::decodeAnsiKeepsZeroBytes() {
    QByteArray buffer(128, '\0');
    buffer[0] = 'D';
    buffer[1] = static_cast<char>(0xE9);
    const QString text = platform::decodeAnsi(bytesOf(buffer));
    QCOMPARE(text.size(), 128);
    QCOMPARE(text.left(3), QStringLiteral("D\u00E9") + QChar(u'\0'));
    QCOMPARE(platform::decodeAnsi({}), QString());
}

void tst_platform::runHandlerReportsRuntimeErrorOnceAndStops() {
    TestReports reports;
    bool reachedAfterError = false;
    platform::runHandler([&] {
        platform::toInt16(40000);
        reachedAfterError = true;
    });

    QVERIFY(!reachedAfterError);
    QCOMPARE(reports.reports.size(), std::size_t{1});
    QCOMPARE(reports.reports[0].number, ErrorNumber::Overflow);
    QCOMPARE(reports.reports[0].description, QStringLiteral("Dépassement de capacité"));

    platform::runHandler([] {
        platform::raise(ErrorNumber::IndexOutOfRange, QStringLiteral("Indice 32 hors table"));
    });
    QCOMPARE(reports.reports.size(), std::size_t{2});
    QCOMPARE(reports.reports[1].number, ErrorNumber::IndexOutOfRange);
    QCOMPARE(reports.reports[1].description, QStringLiteral("Indice 32 hors table"));

    bool ran = false;
    platform::runHandler([&] { ran = true; });
    QVERIFY(ran);
    QCOMPARE(reports.reports.size(), std::size_t{2});
}

void tst_platform::runHandlerReportsAnyException_data() {
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

void tst_platform::runHandlerReportsAnyException() {
    QFETCH(Thrower, thrower);
    QFETCH(ErrorNumber, number);
    QFETCH(QString, description);

    TestReports reports;
    bool reachedAfterError = false;
    platform::runHandler([&] {
        thrower();
        reachedAfterError = true;
    });
    QVERIFY(!reachedAfterError);
    QCOMPARE(reports.reports.size(), std::size_t{1});
    QCOMPARE(reports.reports[0].number, number);
    QCOMPARE(reports.reports[0].description, description);

    // The next handler runs as usual.
    bool ranAfter = false;
    platform::runHandler([&] { ranAfter = true; });
    QVERIFY(ranAfter);
    QCOMPARE(reports.reports.size(), std::size_t{1});
}

void tst_platform::runHandlerSkipsHandlersWhileBoxOpen() {
    TestReports reports;
    bool presenterRan = false;
    bool innerRan = false;
    bool openInside = false;
    platform::setMessagePresenter([&](const QString&, const QString&) {
        presenterRan = true;
        openInside = platform::isModalBoxOpen();
        // As a timer tick would while the box waits for the operator.
        platform::runHandler([&] { innerRan = true; });
    });

    platform::runHandler([] { platform::showMessage(QStringLiteral("Senseur illisible")); });

    QVERIFY(presenterRan);
    QVERIFY(openInside);
    QVERIFY(!innerRan);
    QVERIFY(!platform::isModalBoxOpen());
    QVERIFY(reports.reports.empty());

    // Once the box is closed, handlers run again.
    bool ranAfter = false;
    platform::runHandler([&] { ranAfter = true; });
    QVERIFY(ranAfter);
}

void tst_platform::boxClosedAfterPresenterFails() {
    TestReports reports;
    platform::setMessagePresenter(
        [](const QString&, const QString&) { platform::raise(ErrorNumber::InvalidControlValue); });

    platform::runHandler([] { platform::showMessage(QStringLiteral("x")); });

    QCOMPARE(reports.reports.size(), std::size_t{1});
    QCOMPARE(reports.reports[0].number, ErrorNumber::InvalidControlValue);
    // A box left counted as open would block every later handler.
    QVERIFY(!platform::isModalBoxOpen());
    bool ranAfter = false;
    platform::runHandler([&] { ranAfter = true; });
    QVERIFY(ranAfter);
}

void tst_platform::missingLibraryRaisesLibraryNotLoaded() {
    const QString name = QStringLiteral("SolvaneAbsente");
    platform::SharedLibrary library(name);
    QVERIFY(!library.isLoaded());
    // What the loader itself says about that file.
    QLibrary probe(platform::libraryFileName(name));
    QVERIFY(!probe.load());
    const QString loaderSays = probe.errorString();

    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            library.resolve("getNbAcqui");
            QFAIL("a missing library must raise");
        } catch (const platform::RuntimeError& e) {
            QCOMPARE(e.number(), ErrorNumber::LibraryNotLoaded);
            const QString& text = e.description();
            QVERIFY2(text.contains(name), qPrintable(text));
            QVERIFY2(text.contains(platform::libraryFileName(name)), qPrintable(text));
            // The loader's own words, and where it looked.
            QVERIFY2(text.contains(loaderSays), qPrintable(text));
            QVERIFY2(text.contains(platform::librarySearchVariable()), qPrintable(text));
        }
        QVERIFY(!library.isLoaded());
    }
}

void tst_platform::firstResolveLoadsLibrary() {
    platform::SharedLibrary library(QStringLiteral("Quelbin"));
    QVERIFY(!library.isLoaded());

    const QFunctionPointer first = library.resolve("getNbAcqui");
    QVERIFY(first != nullptr);
    QVERIFY(library.isLoaded());
    QVERIFY(library.resolve("getNbAcqui") == first);
    QVERIFY(library.resolve("getNbDevices") != nullptr);
    QVERIFY(library.resolve("getNbDevices") != first);
}

void tst_platform::missingFunctionRaisesFunctionNotFound() {
    platform::SharedLibrary library(QStringLiteral("Quelbin"));
    const auto error = raisedBy([&] { library.resolve("noSuchFunction"); });
    QCOMPARE(error, std::optional{ErrorNumber::FunctionNotFound});

    try {
        library.resolve("noSuchFunction");
        QFAIL("a missing function must raise");
    } catch (const platform::RuntimeError& e) {
        QCOMPARE(e.number(), ErrorNumber::FunctionNotFound);
        QVERIFY2(e.description().contains(QLatin1String("noSuchFunction")),
                 qPrintable(e.description()));
        QVERIFY2(e.description().contains(QLatin1String("Quelbin")), qPrintable(e.description()));
    }
    // The library itself was found; its other functions still resolve.
    QVERIFY(library.isLoaded());
    QVERIFY(library.resolve("getNbAcqui") != nullptr);
}

QTEST_MAIN(tst_platform)
#include "tst_platform.moc"
