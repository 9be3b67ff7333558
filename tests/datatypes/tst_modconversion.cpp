#include "datatypes/modconversion.h"

#include "testhelpers.h"
#include "wireformat.h"

#include <QLocale>
#include <QTest>

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

// A raw-data buffer with the element at `offset` and filler everywhere else,
// so reading a byte too many or too few changes the result.
struct RawBuffer {
    alignas(8) std::array<std::uint8_t, 128> bytes;

    RawBuffer(const QByteArray& element, std::size_t offset) {
        bytes.fill(0xA5);
        std::memcpy(bytes.data() + offset, element.constData(),
                    static_cast<std::size_t>(element.size()));
    }
};

QString convert(const QByteArray& element, std::int32_t code, std::size_t offset = 0) {
    const RawBuffer buffer(element, offset);
    return modConversion::RawToText(buffer.bytes.data() + offset, code);
}

} // namespace

class tst_modconversion : public QObject {
    Q_OBJECT

private slots:
    void rawToText_data();
    void rawToText();
    void unknownCodes_data();
    void unknownCodes();
    void notFiniteReals_data();
    void notFiniteReals();
};

void tst_modconversion::rawToText_data() {
    QTest::addColumn<qint32>("code");
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("french");

    QTest::newRow("Bool 0") << 0 << QByteArray(1, '\0') << "Faux"
                            << "Faux";
    QTest::newRow("Bool 1") << 0 << QByteArray("\x01") << "Vrai"
                            << "Vrai";
    QTest::newRow("Bool FF") << 0 << QByteArray("\xFF") << "Vrai"
                             << "Vrai";
    QTest::newRow("Bool 0x100: low byte only") << 0 << QByteArray("\x00\x01", 2) << "Faux"
                                               << "Faux";

    QTest::newRow("Int1 255 unsigned") << 1 << QByteArray("\xFF") << "255"
                                       << "255";
    QTest::newRow("Int1 200 not -56") << 1 << QByteArray("\xC8") << "200"
                                      << "200";
    QTest::newRow("Int1 0") << 1 << QByteArray(1, '\0') << "0"
                            << "0";

    QTest::newRow("Int2 FF FF") << 2 << QByteArray("\xFF\xFF") << "-1"
                                << "-1";
    QTest::newRow("Int2 little-endian") << 2 << QByteArray("\x34\x12") << "4660"
                                        << "4660";
    QTest::newRow("Int2 min") << 2 << QByteArray("\x00\x80", 2) << "-32768"
                              << "-32768";
    QTest::newRow("Int2 max") << 2 << QByteArray("\xFF\x7F") << "32767"
                              << "32767";

    QTest::newRow("Int4 min") << 3 << QByteArray("\x00\x00\x00\x80", 4) << "-2147483648"
                              << "-2147483648";
    QTest::newRow("Int4 max, no grouping") << 3 << QByteArray("\xFF\xFF\xFF\x7F") << "2147483647"
                                           << "2147483647";
    QTest::newRow("Int4 little-endian") << 3 << QByteArray("\x78\x56\x34\x12") << "305419896"
                                        << "305419896";
    QTest::newRow("Int4 -1") << 3 << QByteArray("\xFF\xFF\xFF\xFF") << "-1"
                             << "-1";

    QTest::newRow("Real8 0") << 5 << real8Bytes(0.0) << "0.00000"
                             << "0,00000";
    QTest::newRow("Real8 1.5") << 5 << real8Bytes(1.5) << "1.50000"
                               << "1,50000";
    QTest::newRow("Real8 -0.25") << 5 << real8Bytes(-0.25) << "-0.25000"
                                 << "-0,25000";
    QTest::newRow("Real8 123.456789") << 5 << real8Bytes(123.456789) << "123.45679"
                                      << "123,45679";
    QTest::newRow("Real8 millions, no grouping") << 5 << real8Bytes(12345678.9) << "12345678.90000"
                                                 << "12345678,90000";
    QTest::newRow("Real8 -millions, no grouping")
        << 5 << real8Bytes(-9876543.21) << "-9876543.21000"
        << "-9876543,21000";
    // A double beyond single precision: the value must not pass through a float.
    QTest::newRow("Real8 beyond float precision")
        << 5 << real8Bytes(16777217.125) << "16777217.12500"
        << "16777217,12500";

    QTest::newRow("Real4 0.1") << 4 << real4Bytes(0.1f) << "0.10000"
                               << "0,10000";
    QTest::newRow("Real4 -1.5") << 4 << real4Bytes(-1.5f) << "-1.50000"
                                << "-1,50000";
    QTest::newRow("Real4 millions, no grouping") << 4 << real4Bytes(1234567.0f) << "1234567.00000"
                                                 << "1234567,00000";
    QTest::newRow("Real4 pi") << 4 << real4Bytes(3.14159265f) << "3.14159"
                              << "3,14159";
}

void tst_modconversion::rawToText() {
    QFETCH(qint32, code);
    QFETCH(QByteArray, element);
    QFETCH(QString, english);
    QFETCH(QString, french);

    // Offset 0 is aligned; the odd offsets put the element where a typed
    // load of it would be misaligned.
    for (std::size_t offset : {0U, 1U, 3U, 119U}) {
        {
            DefaultLocale locale(englishLocale);
            QCOMPARE(convert(element, code, offset), english);
        }
        {
            DefaultLocale locale(frenchLocale);
            QCOMPARE(convert(element, code, offset), french);
        }
    }
}

void tst_modconversion::unknownCodes_data() {
    QTest::addColumn<qint32>("code");

    QTest::newRow("-1 not set") << -1;
    QTest::newRow("6") << 6;
    QTest::newRow("-7") << -7;
    QTest::newRow("65538, low 16 bits are Int2") << 65538;
    QTest::newRow("65540, low 16 bits are Real4") << 65540;
    QTest::newRow("int32 min") << std::numeric_limits<qint32>::min();
}

void tst_modconversion::unknownCodes() {
    QFETCH(qint32, code);

    QCOMPARE(convert(QByteArray("\xFF\xFF\xFF\xFF"), code), QStringLiteral("Inconnu"));
    QCOMPARE(convert(QByteArray(8, '\0'), code, 7), QStringLiteral("Inconnu"));
}

void tst_modconversion::notFiniteReals_data() {
    QTest::addColumn<qint32>("code");
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<QString>("expected");

    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr float infF = std::numeric_limits<float>::infinity();
    constexpr float nanF = std::numeric_limits<float>::quiet_NaN();
    const QString notANumber = QStringLiteral("Non numérique");

    QTest::newRow("Real8 NaN") << typeCode::Real8 << real8Bytes(nan) << notANumber;
    QTest::newRow("Real8 +inf") << typeCode::Real8 << real8Bytes(inf) << QStringLiteral("+Infini");
    QTest::newRow("Real8 -inf") << typeCode::Real8 << real8Bytes(-inf) << QStringLiteral("-Infini");
    // A NaN with its sign and other payload bits set is still NaN.
    QTest::newRow("Real8 NaN, other payload")
        << typeCode::Real8 << QByteArray("\x01\x00\x00\x00\x00\x00\xF8\xFF", 8) << notANumber;
    QTest::newRow("Real4 NaN") << typeCode::Real4 << real4Bytes(nanF) << notANumber;
    QTest::newRow("Real4 +inf") << typeCode::Real4 << real4Bytes(infF) << QStringLiteral("+Infini");
    QTest::newRow("Real4 -inf") << typeCode::Real4 << real4Bytes(-infF)
                                << QStringLiteral("-Infini");
    QTest::newRow("Real4 NaN, other payload")
        << typeCode::Real4 << QByteArray("\x01\x00\xC0\xFF", 4) << notANumber;
}

void tst_modconversion::notFiniteReals() {
    QFETCH(qint32, code);
    QFETCH(QByteArray, element);
    QFETCH(QString, expected);

    // The same words whatever the decimal separator.
    for (const QLocale& locale : {englishLocale, frenchLocale}) {
        DefaultLocale scope(locale);
        QCOMPARE(convert(element, code), expected);
    }
}

QTEST_MAIN(tst_modconversion)
#include "tst_modconversion.moc"
