// What the window and the agent read of the module alike, apart from the
// library.
#include "acquisition/modulereading.h"

#include <QTest>

#include <cstddef>
#include <span>

class tst_modulereading : public QObject {
    Q_OBJECT

private slots:
    void lengthToFirstZero_data();
    void lengthToFirstZero();
};

void tst_modulereading::lengthToFirstZero_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");

    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("no zero") << QByteArray("abc") << 3;
    QTest::newRow("zero first") << QByteArray("\0abc", 4) << 0;
    QTest::newRow("zero inside") << QByteArray("ab\0c\0", 5) << 2;
    QTest::newRow("high bytes are not zero") << QByteArray("\x80\xFF\0", 3) << 2;
    QByteArray last(128, 'x');
    last[127] = '\0';
    QTest::newRow("zero last of 128") << last << 127;
    QTest::newRow("128 without zero") << QByteArray(128, 'x') << 128;
}

void tst_modulereading::lengthToFirstZero() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);

    QCOMPARE(quelbin::lengthToFirstZero(
                 std::span(bytes.constData(), static_cast<std::size_t>(bytes.size()))),
             std::size_t(expected));
}

QTEST_APPLESS_MAIN(tst_modulereading)
#include "tst_modulereading.moc"
