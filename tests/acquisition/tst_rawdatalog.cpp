#include <QTest>
class tst_rawdatalog : public QObject {
    Q_OBJECT
};
QTEST_MAIN(tst_rawdatalog)
#include "tst_rawdatalog.moc"
