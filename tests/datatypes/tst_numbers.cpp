// Numbers: fixed-width integers with the program's overflow rules, and
// numbers as the program shows them, in every locale.
#include "datatypes/fixedwidth.h"
#include "datatypes/numbertext.h"
#include "testhelpers.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

using platform::ErrorNumber;

class tst_numbers : public QObject {
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
};

void tst_numbers::toInt16_data() {
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

void tst_numbers::toInt16() {
    QFETCH(qint64, value);
    QFETCH(bool, overflows);

    std::int16_t result = 0;
    const auto error = raisedBy([&] { result = fixedWidth::toInt16(value); });
    if (overflows) {
        QCOMPARE(error, std::optional{ErrorNumber::Overflow});
    } else {
        QCOMPARE(error, std::nullopt);
        QCOMPARE(qint64{result}, value);
    }
}

void tst_numbers::saturateToInt16_data() {
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

void tst_numbers::saturateToInt16() {
    QFETCH(qint64, value);
    QFETCH(int, expected);

    QCOMPARE(int{fixedWidth::saturateToInt16(value)}, expected);
}

void tst_numbers::checkedAdd32_data() {
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

void tst_numbers::checkedAdd32() {
    QFETCH(qint32, a);
    QFETCH(qint32, b);
    QFETCH(bool, overflows);

    std::int32_t result = 0;
    const auto error = raisedBy([&] { result = fixedWidth::checkedAdd32(a, b); });
    if (overflows) {
        QCOMPARE(error, std::optional{ErrorNumber::Overflow});
    } else {
        QCOMPARE(error, std::nullopt);
        QCOMPARE(qint64{result}, qint64{a} + b);
    }
}

void tst_numbers::checkedMul32_data() {
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

void tst_numbers::checkedMul32() {
    QFETCH(qint32, a);
    QFETCH(qint32, b);
    QFETCH(bool, overflows);

    std::int32_t result = 0;
    const auto error = raisedBy([&] { result = fixedWidth::checkedMul32(a, b); });
    if (overflows) {
        QCOMPARE(error, std::optional{ErrorNumber::Overflow});
    } else {
        QCOMPARE(error, std::nullopt);
        QCOMPARE(qint64{result}, qint64{a} * b);
    }
}

void tst_numbers::refreshRateText_data() {
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

void tst_numbers::refreshRateText() {
    QFETCH(int, interval);
    QFETCH(QString, english);
    QFETCH(QString, french);

    const double rate = numberText::roundHalfEven2(1000.0 / interval);
    {
        DefaultLocale locale(englishLocale);
        QCOMPARE(numberText::shortestText(rate), english);
    }
    {
        DefaultLocale locale(frenchLocale);
        QCOMPARE(numberText::shortestText(rate), french);
    }
}

void tst_numbers::roundHalfEven2_data() {
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

void tst_numbers::roundHalfEven2() {
    QFETCH(double, value);
    QFETCH(double, expected);

    QCOMPARE(numberText::roundHalfEven2(value), expected);
}

void tst_numbers::roundHalfEven2NotRepresentableHalf() {
    // 2.675 is stored a little below itself; either neighbour is sensible,
    // anything else is not.
    const double r = numberText::roundHalfEven2(2.675);
    QVERIFY2(r == 2.67 || r == 2.68, qPrintable(QString::number(r, 'g', 17)));

    QVERIFY(std::isnan(numberText::roundHalfEven2(std::numeric_limits<double>::quiet_NaN())));
    QCOMPARE(numberText::roundHalfEven2(std::numeric_limits<double>::infinity()),
             std::numeric_limits<double>::infinity());
}

void tst_numbers::shortestTextHasNoGrouping() {
    {
        DefaultLocale locale(englishLocale);
        QCOMPARE(numberText::shortestText(1234567.5), QStringLiteral("1234567.5"));
        QCOMPARE(numberText::shortestText(-1234567.0), QStringLiteral("-1234567"));
    }
    {
        DefaultLocale locale(frenchLocale);
        QCOMPARE(numberText::shortestText(1234567.5), QStringLiteral("1234567,5"));
        QCOMPARE(numberText::shortestText(-1234567.0), QStringLiteral("-1234567"));
    }
}

void tst_numbers::fixed5Text_data() {
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

void tst_numbers::fixed5Text() {
    QFETCH(double, value);
    QFETCH(QString, english);
    QFETCH(QString, french);

    {
        DefaultLocale locale(englishLocale);
        QCOMPARE(numberText::fixed5Text(value), english);
    }
    {
        DefaultLocale locale(frenchLocale);
        QCOMPARE(numberText::fixed5Text(value), french);
    }
}

void tst_numbers::fixed5TextNotFinite() {
    QCOMPARE(numberText::fixed5Text(std::numeric_limits<double>::quiet_NaN()),
             QStringLiteral("Non numérique"));
    QCOMPARE(numberText::fixed5Text(std::numeric_limits<double>::infinity()),
             QStringLiteral("+Infini"));
    QCOMPARE(numberText::fixed5Text(-std::numeric_limits<double>::infinity()),
             QStringLiteral("-Infini"));
}

void tst_numbers::numbersArePlainInEveryLocale_data() {
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

void tst_numbers::numbersArePlainInEveryLocale() {
    QFETCH(QLocale, locale);
    QFETCH(QString, separator);
    DefaultLocale scope(locale);

    const auto expected = [&](const char* text) {
        return QString::fromLatin1(text).replace(QLatin1Char('.'), separator);
    };
    QCOMPARE(numberText::fixed5Text(-0.25), expected("-0.25000"));
    QCOMPARE(numberText::fixed5Text(-1234567.5), expected("-1234567.50000"));
    QCOMPARE(numberText::fixed5Text(123.456789), expected("123.45679"));
    QCOMPARE(numberText::shortestText(-2.5), expected("-2.5"));
    QCOMPARE(numberText::shortestText(1.67), expected("1.67"));
    QCOMPARE(numberText::shortestText(1234567.0), QStringLiteral("1234567"));
    QCOMPARE(numberText::decimalText(-32768), QStringLiteral("-32768"));
}

QTEST_APPLESS_MAIN(tst_numbers)
#include "tst_numbers.moc"
