#include <QTest>
class tst_missingtarvox : public QObject {
    Q_OBJECT
};
QTEST_MAIN(tst_missingtarvox)
#include "tst_missingtarvox.moc"
