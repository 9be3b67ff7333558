#include <QTest>
class tst_modcommandes : public QObject {
    Q_OBJECT
};
QTEST_MAIN(tst_modcommandes)
#include "tst_modcommandes.moc"
