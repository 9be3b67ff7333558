// Names as the libraries we ship write them for the program: UTF-8 to
// Windows-1252, the code page the program reads them in outside Windows.
#include "windows1252.h"

#include <QTest>

using solvane::utf8ToWindows1252;

class tst_namebuffer : public QObject {
    Q_OBJECT

private slots:
    void names_data();
    void names();
};

void tst_namebuffer::names_data() {
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QByteArray>("windows1252");
    QTest::newRow("ascii") << QByteArray("Temp_1") << QByteArray("Temp_1");
    QTest::newRow("latin-1") << QByteArray("D\xC3\xA9marrer") << QByteArray("D\xE9marrer");
    QTest::newRow("euro and oe") << QByteArray("\xE2\x82\xAC \xC5\x93") << QByteArray("\x80 \x9C");
    QTest::newRow("no such character") << QByteArray("\xE2\x88\x9E") << QByteArray("?");
    QTest::newRow("malformed") << QByteArray("a\xC3") << QByteArray("a?");
    QTest::newRow("lone continuation") << QByteArray("\x80z") << QByteArray("?z");
    QTest::newRow("zero byte") << QByteArray("a\0b", 3) << QByteArray("a?b");
}

void tst_namebuffer::names() {
    QFETCH(QByteArray, utf8);
    QFETCH(QByteArray, windows1252);
    QCOMPARE(QByteArray::fromStdString(utf8ToWindows1252(utf8.toStdString())), windows1252);
}

QTEST_APPLESS_MAIN(tst_namebuffer)
#include "tst_namebuffer.moc"
