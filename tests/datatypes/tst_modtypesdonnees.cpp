#include "datatypes/modtypesdonnees.h"
#include "platform/runtimeerror.h"
#include "testhelpers.h"
#include "wireformat.h"

#include <QTest>

#include <array>
#include <cstdint>
#include <limits>
#include <optional>

using platform::ErrorNumber;

using namespace modTypesDonnées;

namespace {

std::array<DataType, 32> tableContents() {
    std::array<DataType, 32> table{};
    for (std::int16_t i = 0; i < 32; ++i)
        table[static_cast<std::size_t>(i)] = GetDeviceType(i);
    return table;
}

// Every entry set to a value of its own, so a write to the wrong entry shows.
void fillTable() {
    for (std::int16_t i = 0; i < 32; ++i)
        SetDeviceType(i, 100 + i);
}

} // namespace

class tst_modtypesdonnees : public QObject {
    Q_OBJECT

private slots:
    void nameAndSize_data();
    void nameAndSize();
    void initSetsEveryEntryToNotSet();
    void getWithoutSelectionIsNotSet();
    void setThenGet_data();
    void setThenGet();
    void indexOutsideTableRaises_data();
    void indexOutsideTableRaises();
    void entriesOutliveShorterList();
};

void tst_modtypesdonnees::nameAndSize_data() {
    QTest::addColumn<qint32>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");

    QTest::newRow("0 Bool is one byte") << 0 << "Bool" << 1;
    QTest::newRow("1 Int1") << 1 << "Int1" << 1;
    QTest::newRow("2 Int2") << 2 << "Int2" << 2;
    QTest::newRow("3 Int4") << 3 << "Int4" << 4;
    QTest::newRow("4 Real4") << 4 << "Real4" << 4;
    QTest::newRow("5 Real8") << 5 << "Real8" << 8;
    QTest::newRow("-1 not set") << -1 << "Inconnu" << 1;
    QTest::newRow("6") << 6 << "Inconnu" << 1;
    QTest::newRow("-7") << -7 << "Inconnu" << 1;
    QTest::newRow("65538, low 16 bits are Int2") << 65538 << "Inconnu" << 1;
    QTest::newRow("65541, low 16 bits are Real8") << 65541 << "Inconnu" << 1;
    QTest::newRow("-65531, low 16 bits are Real8") << -65531 << "Inconnu" << 1;
    QTest::newRow("int32 min") << std::numeric_limits<qint32>::min() << "Inconnu" << 1;
    QTest::newRow("int32 max") << std::numeric_limits<qint32>::max() << "Inconnu" << 1;
}

void tst_modtypesdonnees::nameAndSize() {
    QFETCH(qint32, code);
    QFETCH(QString, name);
    QFETCH(int, size);

    QCOMPARE(DataTypeName(code), name);
    QCOMPARE(int{DataTypeSize(code)}, size);
}

void tst_modtypesdonnees::initSetsEveryEntryToNotSet() {
    fillTable();
    InitDeviceTypes();

    for (std::int16_t i = 0; i < 32; ++i)
        QCOMPARE(GetDeviceType(i), typeCode::NotSet);
}

void tst_modtypesdonnees::getWithoutSelectionIsNotSet() {
    fillTable();
    DataType result = 0;
    QCOMPARE(raisedBy([&] { result = GetDeviceType(-1); }), std::nullopt);
    QCOMPARE(result, -1);
}

void tst_modtypesdonnees::setThenGet_data() {
    QTest::addColumn<qint16>("index");
    QTest::addColumn<qint32>("code");

    QTest::newRow("first entry") << qint16{0} << 3;
    QTest::newRow("last entry") << qint16{31} << 5;
    QTest::newRow("unknown code kept whole") << qint16{7} << 65538;
    QTest::newRow("not set stored") << qint16{12} << -1;
}

void tst_modtypesdonnees::setThenGet() {
    QFETCH(qint16, index);
    QFETCH(qint32, code);

    fillTable();
    auto expected = tableContents();
    expected[static_cast<std::size_t>(index)] = code;

    SetDeviceType(index, code);

    QCOMPARE(GetDeviceType(index), code);
    QCOMPARE(tableContents(), expected);
}

void tst_modtypesdonnees::indexOutsideTableRaises_data() {
    QTest::addColumn<qint16>("index");
    QTest::addColumn<bool>("getRaises");

    QTest::newRow("-1") << qint16{-1} << false;
    QTest::newRow("-2") << qint16{-2} << true;
    QTest::newRow("32") << qint16{32} << true;
    QTest::newRow("int16 min") << std::numeric_limits<qint16>::min() << true;
    QTest::newRow("int16 max") << std::numeric_limits<qint16>::max() << true;
}

void tst_modtypesdonnees::indexOutsideTableRaises() {
    QFETCH(qint16, index);
    QFETCH(bool, getRaises);

    fillTable();
    const auto before = tableContents();

    QCOMPARE(raisedBy([&] { SetDeviceType(index, 5); }),
             std::optional{ErrorNumber::IndexOutOfRange});
    QCOMPARE(tableContents(), before);

    const auto getError = raisedBy([&] { GetDeviceType(index); });
    QCOMPARE(getError, getRaises ? std::optional{ErrorNumber::IndexOutOfRange} : std::nullopt);
    QCOMPARE(tableContents(), before);
}

void tst_modtypesdonnees::entriesOutliveShorterList() {
    // A list of five sensors replaced by one of two: the fifth entry stays.
    InitDeviceTypes();
    for (std::int16_t i = 0; i < 5; ++i)
        SetDeviceType(i, i);
    SetDeviceType(0, 5);
    SetDeviceType(1, 5);

    QCOMPARE(GetDeviceType(4), 4);
    QCOMPARE(GetDeviceType(2), 2);
    QCOMPARE(GetDeviceType(5), -1);
}

QTEST_MAIN(tst_modtypesdonnees)
#include "tst_modtypesdonnees.moc"
