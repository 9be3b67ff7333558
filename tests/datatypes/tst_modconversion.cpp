#include <QTest>
class tst_modconversion : public QObject {
    Q_OBJECT
};
QTEST_MAIN(tst_modconversion)
#include "tst_modconversion.moc"
